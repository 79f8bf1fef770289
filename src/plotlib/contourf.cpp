#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "plotlib/contour_grid.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

namespace {

// The polygons as patch faces: one column per polygon, padded with its last corner.
std::pair<Matrix, Matrix> faces(const std::vector<std::vector<detail::Point>>& polygons) {
  size_t corners = 0;
  for (const auto& poly : polygons) corners = std::max(corners, poly.size());
  Matrix xs(static_cast<Eigen::Index>(corners), static_cast<Eigen::Index>(polygons.size()));
  Matrix ys(xs.rows(), xs.cols());
  for (size_t c = 0; c < polygons.size(); ++c)
    for (size_t r = 0; r < corners; ++r) {
      const detail::Point& p = polygons[c][std::min(r, polygons[c].size() - 1)];
      xs(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) = p.x;
      ys(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) = p.y;
    }
  return {xs, ys};
}

// The colour of a value on the colour map, the map spanning [lo, hi].
RowVector mapColor(const Matrix& map, double value, double lo, double hi) {
  if (map.rows() == 0 || map.cols() != 3) return RowVector{{0, 0, 0}};
  double t = hi > lo ? (value - lo) / (hi - lo) : 0;
  Eigen::Index last = map.rows() - 1;
  Eigen::Index row = std::clamp<Eigen::Index>(
      static_cast<Eigen::Index>(std::floor(t * static_cast<double>(last) + 0.5)), 0, last);
  return map.row(row);
}

}  // namespace

ContourfResult contourf(const Matrix& x, const Matrix& y, const Matrix& z,
                        const RowVector& levels) {
  ContourResult lines = contours(x, y, z, levels);  // checks the grid and the levels
  detail::Grid grid = detail::makeGrid(x, y, z);
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (Eigen::Index k = 0; k < z.size(); ++k)
    if (std::isfinite(z(k))) {
      lo = std::min(lo, z(k));
      hi = std::max(hi, z(k));
    }

  platform::ObjectModel& m = platform::model();
  Handle axes = m.gca();
  platform::preparePlot(axes);
  Handle fig = m.figureOf(axes);
  Matrix map = m.get(fig, "Colormap").matrix();
  ContourfResult result;
  result.C = lines.C;
  result.levels = lines.levels;
  if (!(hi >= lo)) return result;  // no finite value: nothing to fill
  double top = std::max(hi, lines.levels.size() ? lines.levels.maxCoeff() : hi);
  double bottom = std::min(lo, lines.levels.size() ? lines.levels.minCoeff() : lo);

  // Painted from the lowest region up: the whole grid first, then each level's region over it.
  std::vector<double> fills{bottom};
  for (Eigen::Index k = 0; k < lines.levels.size(); ++k) fills.push_back(lines.levels(k));
  for (size_t k = 0; k < fills.size(); ++k) {
    auto polygons = detail::regionPolygons(grid, fills[k]);
    if (polygons.empty()) continue;
    auto [xs, ys] = faces(polygons);
    result.handles.push_back(m.create("patch", axes,
                                      {{"XData", xs},
                                       {"YData", ys},
                                       {"FaceColor", mapColor(map, fills[k], bottom, top)},
                                       {"EdgeColor", "none"},
                                       {"CData", fills[k]}}));
  }
  m.set(axes, "CLim", RowVector{{bottom, top > bottom ? top : bottom + 1}});

  // The contour lines over the fills, one line per level.
  for (Eigen::Index k = 0; k < lines.levels.size(); ++k) {
    std::vector<double> xs, ys;
    Eigen::Index col = 0;
    while (col < lines.C.cols()) {
      double level = lines.C(0, col);
      auto n = static_cast<Eigen::Index>(lines.C(1, col));
      if (level == lines.levels(k)) {
        for (Eigen::Index j = 1; j <= n; ++j) {
          xs.push_back(lines.C(0, col + j));
          ys.push_back(lines.C(1, col + j));
        }
        xs.push_back(kNaN);
        ys.push_back(kNaN);
      }
      col += n + 1;
    }
    if (xs.empty()) continue;
    RowVector lx = Eigen::Map<RowVector>(xs.data(), static_cast<Eigen::Index>(xs.size()));
    RowVector ly = Eigen::Map<RowVector>(ys.data(), static_cast<Eigen::Index>(ys.size()));
    result.handles.push_back(m.create("line", axes,
                                      {{"XData", lx},
                                       {"YData", ly},
                                       {"Color", RowVector{{0, 0, 0}}},
                                       {"LineStyle", "-"},
                                       {"Marker", "none"}}));
  }
  return result;
}

}  // namespace tessaly::plotlib
