#include <cmath>
#include <limits>

#include "core/error.h"
#include "platform/linespec.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

namespace {

// An arrow head reaches back a third of the arrow, and spreads a third of that either side.
constexpr double kHeadLength = 1.0 / 3;
constexpr double kHeadWidth = 1.0 / 3;

double range(const Matrix& m) {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (Eigen::Index k = 0; k < m.size(); ++k)
    if (std::isfinite(m(k))) {
      lo = std::min(lo, m(k));
      hi = std::max(hi, m(k));
    }
  return hi >= lo ? hi - lo : 0;
}

}  // namespace

std::vector<Handle> quiver(const Matrix& x, const Matrix& y, const Matrix& u, const Matrix& v,
                           double scale, std::string_view lineSpec) {
  const Eigen::Index n = x.size();
  if (y.size() != n || u.size() != n || v.size() != n)
    throw Error("quiver needs x, y, u and v of one size.");
  platform::LineSpec style = platform::parseLineSpec(lineSpec);

  // Scale so that the longest arrow spans 0.9 of the average grid spacing.
  double factor = scale == 0 ? 1 : scale;
  if (scale != 0 && n > 0) {
    double rows, cols;
    if (x.rows() > 1 && x.cols() > 1) {
      rows = static_cast<double>(x.rows());
      cols = static_cast<double>(x.cols());
    } else {
      rows = cols = std::sqrt(static_cast<double>(n));
    }
    // Grid spacing along the two directions of the arrays (x need not vary along columns).
    double dx = range(x) / cols, dy = range(y) / rows;
    double spacing = std::sqrt(dx * dx + dy * dy);
    double longest = 0;
    for (Eigen::Index k = 0; k < n; ++k) {
      double len = std::hypot(u(k), v(k));
      if (std::isfinite(len)) longest = std::max(longest, len);
    }
    if (spacing > 0 && longest > 0) factor = scale * 0.9 * spacing / longest;
  }

  RowVector shaftX(3 * n), shaftY(3 * n), headX(4 * n), headY(4 * n);
  for (Eigen::Index k = 0; k < n; ++k) {
    double du = u(k) * factor, dv = v(k) * factor;
    double tipX = x(k) + du, tipY = y(k) + dv;
    shaftX.segment(3 * k, 3) << x(k), tipX, kNaN;
    shaftY.segment(3 * k, 3) << y(k), tipY, kNaN;
    // Two barbs back from the tip, either side of the shaft.
    double backX = tipX - kHeadLength * du, backY = tipY - kHeadLength * dv;
    double sideX = -kHeadLength * kHeadWidth * dv, sideY = kHeadLength * kHeadWidth * du;
    headX.segment(4 * k, 4) << backX + sideX, tipX, backX - sideX, kNaN;
    headY.segment(4 * k, 4) << backY + sideY, tipY, backY - sideY, kNaN;
  }

  platform::ObjectModel& m = platform::model();
  Handle axes = m.gca();
  platform::preparePlot(axes);
  RowVector color = style.color ? *style.color : platform::orderColor(axes);
  std::string lineStyle = style.lineStyle.empty() ? "-" : style.lineStyle;
  std::vector<Handle> handles;
  handles.push_back(m.create("line", axes,
                             {{"XData", shaftX},
                              {"YData", shaftY},
                              {"Color", color},
                              {"LineStyle", lineStyle},
                              {"Marker", "none"}}));
  handles.push_back(m.create("line", axes,
                             {{"XData", headX},
                              {"YData", headY},
                              {"Color", color},
                              {"LineStyle", lineStyle},
                              {"Marker", "none"}}));
  if (!style.marker.empty()) {
    RowVector tailX = x.reshaped().transpose(), tailY = y.reshaped().transpose();
    handles.push_back(m.create("line", axes,
                               {{"XData", tailX},
                                {"YData", tailY},
                                {"Color", color},
                                {"LineStyle", "none"},
                                {"Marker", style.marker}}));
  }
  return handles;
}

}  // namespace tessaly::plotlib
