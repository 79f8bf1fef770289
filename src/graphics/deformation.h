#pragma once
// The deformation display: the shape change from a reference to a target given as partial
// warp scores, drawn as the thin-plate spline deformation of a square grid, as landmark
// displacement vectors, as vector fields, or as filled contour maps of the displacement.
#include <optional>
#include <string>

#include "core/matrix.h"
#include "shape/spline.h"

namespace tessaly::graphics {

// The inputs of showpw5 after the seventh, with their defaults.
struct DeformationStyle {
  double lineweight = 1;          // "LineWidth" of grid lines and vectors
  std::string linespec = "k";     // line style of grid lines and vectors
  std::string symboltype = "kd";  // style of the reference landmarks
  double aheadspec = 1;           // non-zero: arrow heads on the landmark vectors
  double rangeexpansion = 1;      // how far the grid reaches beyond the landmarks
  double trimreq = 0;             // non-zero: trim the grid's edges with mouse picks
  double defangle = 10;           // degrees: first step of the rotation dialog; plottype 5
};

struct DeformationResult {
  Matrix bigrefdef;   // the reference carried by the spline (reversepw6u)
  Matrix bigrefdef2;  // the target after registration and rotation
  // The rotation applied, degrees; only for suptype 2 and 3.
  std::optional<double> theta;
};

// The regular grid and its image under a spline, each array (npts+6)-by-npts_y.
struct DeformationGrid {
  Matrix xw, yw;  // grid points
  Matrix xp, yp;  // their images
  Matrix xv, yv;  // displacements xp - xw, yp - yw
};

// The spline's coefficients (shape/spline.h), used here by their short name.
using shape::splineWeights;

// The grid over the axis limits a = [xmin xmax ymin ymax] widened by rangeexpansion - 1 of the
// x range on either side (three quarters of that vertically): square cells of
// (xmax - xmin)/npts, npts + 6 points along x starting two cells left of xmin, and
// ceil((ymax - ymin)/step) + 3 along y starting one cell below ymin; each point moved by the
// spline (refxy, weight). An Error when npts is not a whole number of 1 or more, or the
// limits do not give a finite, non-empty grid.
DeformationGrid deformationGrid(const Matrix& refxy, const Matrix& weight, const RowVector& a,
                                double npts, double rangeexpansion);

// Draws the deformation from reference to the shape of the scores pwscore into the current
// axes. suptype: 0 baseline registration on landmarks b1-b2, 1 sliding baseline, 2 none, 3
// resistant fit of the target on the reference; 2 and 3 then turn both shapes (the rotation
// dialog when "RotateRequest" is checked, else the angle in "RefAngleBox"). plottype:
// 1 grid, 2 displacement field, 3 landmark vectors, 4 grid with vectors, 5 vectors over the
// current drawing, 6 and 7 x-only and y-only fields, 8 and 9 filled contours of |x| and |y|
// displacement; 98 and 99 only the preparatory steps. Landmarks are numbered when
// "NumberButton" is checked; with trimreq the edges of a grid (types 1 and 4) are moved by
// mouse picks, each ending with a third-button click.
DeformationResult showpw5(const Matrix& reference, const Matrix& pwscore, double npts,
                          double plottype, double suptype, double b1, double b2,
                          const DeformationStyle& style = {});

// An arrow head at (x2, y2) for the vector from (x1, y1): two strokes of length l (data
// units) at 20 degrees either side of the shaft, black unless a line style says otherwise.
// Returns 1.
double aheadw(double x1, double y1, double x2, double y2, double l,
              const std::string& lineStyle = "k");

}  // namespace tessaly::graphics
