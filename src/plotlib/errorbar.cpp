#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "platform/linespec.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

std::vector<Handle> errorbar(const Matrix& x, const Matrix& y, const Matrix& lower,
                             const Matrix& upper, std::string_view lineSpec) {
  const Eigen::Index n = x.size();
  if (y.size() != n || lower.size() != n || upper.size() != n)
    throw Error("errorbar needs x, y and the error lengths of one size.");
  platform::LineSpec style = platform::parseLineSpec(lineSpec);

  // Ticks at the ends of each bar, a hundredth of the x range wide on each side.
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (Eigen::Index k = 0; k < n; ++k)
    if (std::isfinite(x(k))) {
      lo = std::min(lo, x(k));
      hi = std::max(hi, x(k));
    }
  double tee = hi > lo ? (hi - lo) / 100 : 0.01;

  RowVector bx(9 * n), by(9 * n);
  for (Eigen::Index k = 0; k < n; ++k) {
    double bottom = y(k) - lower(k), top = y(k) + upper(k);
    bx.segment(9 * k, 9) << x(k), x(k), kNaN, x(k) - tee, x(k) + tee, kNaN, x(k) - tee, x(k) + tee,
        kNaN;
    by.segment(9 * k, 9) << bottom, top, kNaN, bottom, bottom, kNaN, top, top, kNaN;
  }

  platform::ObjectModel& m = platform::model();
  Handle axes = m.gca();
  platform::preparePlot(axes);
  RowVector color = style.color ? *style.color : platform::orderColor(axes);
  std::vector<Handle> handles;
  handles.push_back(m.create(
      "line", axes,
      {{"XData", bx}, {"YData", by}, {"Color", color}, {"LineStyle", "-"}, {"Marker", "none"}}));
  platform::PropertyList data = {{"XData", RowVector(x.reshaped().transpose())},
                                 {"YData", RowVector(y.reshaped().transpose())},
                                 {"Color", color}};
  for (auto& prop : style.properties())
    if (prop.first != "Color") data.push_back(prop);
  handles.push_back(m.create("line", axes, data));
  return handles;
}

std::vector<Handle> errorbar(const Matrix& x, const Matrix& y, const Matrix& e,
                             std::string_view lineSpec) {
  return errorbar(x, y, e, e, lineSpec);
}

}  // namespace tessaly::plotlib
