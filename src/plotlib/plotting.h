#pragma once
// General plotting routines that draw into the current axes through the platform's object
// tree: clearing, titles and labels, arrow fields, filled contours, error bars, and placing a
// window on the screen.
#include <string>
#include <string_view>
#include <vector>

#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::plotlib {

using platform::Handle;

// Removes the plot objects (lines, texts, patches) of the current axes, or of the given
// axes; the axes and their settings stay. Returns 1.
int cla();
int cla(Handle axes);

// The title and axis labels of the current axes. Each returns 1.
int title(const std::string& text);
int xlabel(const std::string& text);
int ylabel(const std::string& text);

// Arrows from (x, y) along (u, v), all four of one size (vectors or matrices). scale 0 draws
// the vectors at their own length; any other scale draws them scaled so that the longest is
// 0.9 of the grid spacing, times scale (1 by default). lineSpec is a line style text for colour and
// line style; a marker in it is drawn at the arrows' tails. With hold off the axes are cleared
// first. Returns the lines: the shafts, the heads, and the tail markers when asked for.
std::vector<Handle> quiver(const Matrix& x, const Matrix& y, const Matrix& u, const Matrix& v,
                           double scale = 1.0, std::string_view lineSpec = "");

// Contour levels and lines of z over the grid (x, y): x and y matrices of z's size, or
// vectors along z's columns (x) and rows (y).
struct ContourResult {
  // The contour matrix: for each piece of contour line a header column [level; n] followed
  // by its n points as columns [x; y].
  Matrix C;
  RowVector levels;  // the levels drawn, increasing
};
// Levels chosen automatically: about n evenly spaced round values inside the range of z.
RowVector contourLevels(const Matrix& z, int n = 10);
// levels: a number of levels when it holds one value, else the levels themselves.
ContourResult contours(const Matrix& x, const Matrix& y, const Matrix& z,
                       const RowVector& levels = RowVector());

// Filled contours: every level's region (z at or above the level) is a patch in the colour
// of the level on the figure's colour map (the whole grid first, in the colour of the
// lowest value), with the contour lines drawn over in black. NaN cells are left empty.
struct ContourfResult {
  Matrix C;                     // as contours
  std::vector<Handle> handles;  // the patches, then the contour lines
  RowVector levels;
};
ContourfResult contourf(const Matrix& x, const Matrix& y, const Matrix& z,
                        const RowVector& levels = RowVector());

// Points (x, y) with vertical error bars from y - lower to y + upper, each bar ending in short
// ticks. lineSpec styles both. Returns the bars' line, then the data line.
std::vector<Handle> errorbar(const Matrix& x, const Matrix& y, const Matrix& lower,
                             const Matrix& upper, std::string_view lineSpec = "");
// Symmetric bars of half-length e.
std::vector<Handle> errorbar(const Matrix& x, const Matrix& y, const Matrix& e,
                             std::string_view lineSpec = "");

// Moves a figure: "onscreen" shifts it by the least amount that puts all of it on the screen
// (the root's ScreenSize; a window larger than the screen keeps its top left corner on it);
// "center" centres it. Other words are an Error.
void movegui(Handle figure, const std::string& where = "onscreen");
void movegui(const std::string& where = "onscreen");

}  // namespace tessaly::plotlib
