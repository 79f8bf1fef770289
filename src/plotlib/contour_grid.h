#pragma once
// The grid that contours and contourf work on, and the marching-squares pieces they share.
// Cells are the quadrilaterals between neighbouring grid nodes; a point is inside the region
// of a level when its value is at or above the level. Values along a cell edge are taken as
// linear between the nodes, and a cell whose two inside corners are diagonal (a saddle) joins
// them when the mean of its four corners is inside, and keeps them apart otherwise.
#include <array>
#include <vector>

#include "core/matrix.h"

namespace tessaly::plotlib::detail {

struct Point {
  double x, y;
};

struct Grid {
  Matrix X, Y, Z;  // node coordinates and values, all of one shape
};

// x and y of z's shape, or vectors along z's columns (x, one per column) and rows (y, one per
// row). An Error otherwise, or when z has fewer than two rows or columns.
Grid makeGrid(const Matrix& x, const Matrix& y, const Matrix& z);

// The corners of cell (r, c), counter-clockwise in index space: (r,c), (r,c+1), (r+1,c+1),
// (r+1,c).
struct Cell {
  std::array<Point, 4> p;
  std::array<double, 4> z;
  bool finite() const;
  bool centreInside(double level) const;
};
Cell cellAt(const Grid& g, Eigen::Index r, Eigen::Index c);

// Where the level crosses the edge from corner a to corner b (one inside, one outside).
Point crossing(const Cell& cell, int a, int b, double level);
// The crossing on boundary step k of a cell, the edge from corner k to corner k+1 (mod 4).
Point edgePoint(const Cell& cell, int step, double level);

// The contour line of a level as pieces of connected points; a closed piece ends where it
// began.
std::vector<std::vector<Point>> contourPieces(const Grid& g, double level);

// The part of the grid at or above a level as polygons (at most six corners each).
std::vector<std::vector<Point>> regionPolygons(const Grid& g, double level);

}  // namespace tessaly::plotlib::detail
