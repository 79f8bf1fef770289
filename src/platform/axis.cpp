#include "platform/axis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/ticks.h"

namespace tessaly::platform {

namespace {

struct Ids {
  PropertyId xdata = propertyId("XData"), ydata = propertyId("YData"),
             position = propertyId("Position"), visible = propertyId("Visible"),
             xlim = propertyId("XLim"), ylim = propertyId("YLim"),
             xlimmode = propertyId("XLimMode"), ylimmode = propertyId("YLimMode"),
             aspect = propertyId("DataAspectRatio"), aspectMode = propertyId("DataAspectRatioMode"),
             units = propertyId("Units");
};

const Ids& ids() {
  static const Ids i;
  return i;
}

bool isWord(const Value& v, const char* word) {
  return v.isText() && propertyKey(v.text()) == word;
}

struct Extent {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  void add(std::span<const double> values) {
    for (double v : values) add(v);
  }
  bool empty() const { return lo > hi; }
};

// Data limits of one direction: the extent of the data, [0 1] without data, and one unit
// either side of data that do not spread.
RowVector fit(const Extent& e) {
  if (e.empty()) return RowVector{{0, 1}};
  if (e.lo == e.hi) return RowVector{{e.lo - 1, e.hi + 1}};
  return RowVector{{e.lo, e.hi}};
}

// Automatic limits leave the data a margin: the fitted range is padded by a fiftieth of its
// span on each side and then rounded out to the tick step chosen for it, so that no point sits
// on the frame. `ticks` is how many ticks fit along the axis.
RowVector withMargin(const RowVector& limits, int ticks) {
  double span = limits(1) - limits(0);
  if (!(span > 0) || !std::isfinite(span)) return limits;
  double lo = limits(0) - span / 50, hi = limits(1) + span / 50;
  double step = niceStep(lo, hi, ticks);
  if (!(step > 0)) return RowVector{{lo, hi}};
  return RowVector{{std::floor(lo / step) * step, std::ceil(hi / step) * step}};
}

// How many ticks fit along the x and the y axis of an axes, as the renderer lays them out:
// x labels about six characters apart, y labels three lines apart.
std::pair<int, int> tickCounts(const ObjectModel& m, Handle axes, const RowVector& box) {
  static const PropertyId fontSize = propertyId("FontSize");
  const Value& size = m.peek(axes, fontSize);
  double points =
      size.isNumeric() && size.matrix().size() == 1 && size.number() > 0 ? size.number() : 10;
  double fontPx = points * 96 / 72;
  return {maxTicks(box(2), 6 * fontPx), maxTicks(box(3), 3 * fontPx)};
}

// Widens one range about its centre so that one data unit has the same length in pixels on
// both axes (scaled by the data aspect ratio), for a box of w by h pixels.
void equalise(RowVector& limits, double w, double h, const Matrix& aspect) {
  if (!(w > 0 && h > 0)) return;
  double ax = aspect.size() >= 2 && aspect(0) > 0 ? aspect(0) : 1;
  double ay = aspect.size() >= 2 && aspect(1) > 0 ? aspect(1) : 1;
  double dx = (limits(1) - limits(0)) / ax, dy = (limits(3) - limits(2)) / ay;
  double perPixelX = dx / w, perPixelY = dy / h;
  if (perPixelX > perPixelY) {
    double half = perPixelX * h * ay / 2, centre = (limits(2) + limits(3)) / 2;
    limits(2) = centre - half;
    limits(3) = centre + half;
  } else if (perPixelY > perPixelX) {
    double half = perPixelY * w * ax / 2, centre = (limits(0) + limits(1)) / 2;
    limits(0) = centre - half;
    limits(1) = centre + half;
  }
}

}  // namespace

namespace {

// The limits shown; automatic ones with their margin unless `margin` is false.
RowVector limitsOf(const ObjectModel& m, Handle axes, bool margin) {
  const Ids& id = ids();
  if (m.type(axes) != "axes") throw Error("Limits belong to an axes.");
  bool autoX = isWord(m.peek(axes, id.xlimmode), "auto");
  bool autoY = isWord(m.peek(axes, id.ylimmode), "auto");
  RowVector limits(4);
  if (autoX || autoY) {
    Extent ex, ey;
    for (Handle child : m.children(axes)) {
      if (isWord(m.peek(child, id.visible), "off")) continue;
      const std::string& type = m.type(child);
      if (type == "line" || type == "patch") {
        std::span<const double> xs = m.coordinates(child, id.xdata);
        std::span<const double> ys = m.coordinates(child, id.ydata);
        if (xs.size() == ys.size()) {
          // Only points drawn count: both coordinates finite.
          for (size_t k = 0; k < xs.size(); ++k)
            if (std::isfinite(xs[k]) && std::isfinite(ys[k])) {
              ex.add(xs[k]);
              ey.add(ys[k]);
            }
        } else {
          ex.add(xs);
          ey.add(ys);
        }
      } else if (type == "text") {
        const Value& pos = m.peek(child, id.position);
        if (pos.isNumeric() && pos.matrix().size() >= 2) {
          ex.add(pos.matrix()(0));
          ey.add(pos.matrix()(1));
        }
      }
    }
    limits.head(2) = fit(ex);
    limits.tail(2) = fit(ey);
    if (margin) {
      auto [xTicks, yTicks] = tickCounts(m, axes, pixelPosition(m, axes));
      if (!ex.empty()) limits.head(2) = withMargin(limits.head(2), xTicks);
      if (!ey.empty()) limits.tail(2) = withMargin(limits.tail(2), yTicks);
    }
  }
  if (!autoX) limits.head(2) = m.peek(axes, id.xlim).matrix().reshaped().transpose();
  if (!autoY) limits.tail(2) = m.peek(axes, id.ylim).matrix().reshaped().transpose();
  if (isWord(m.peek(axes, id.aspectMode), "manual")) {
    RowVector box = pixelPosition(m, axes);
    equalise(limits, box(2), box(3), m.peek(axes, id.aspect).matrix());
  }
  return limits;
}

}  // namespace

RowVector shownLimits(const ObjectModel& m, Handle axes) {
  return limitsOf(m, axes, true);
}

RowVector axis(Handle axes) {
  return shownLimits(model(), axes);
}

void axis(Handle axes, const RowVector& limits) {
  if (limits.size() != 4 && limits.size() != 6)
    throw Error("Axis limits are four numbers: [xmin xmax ymin ymax].");
  if (!(limits(0) < limits(1)) || !(limits(2) < limits(3)))
    throw Error("Axis limits must be increasing: [xmin xmax ymin ymax].");
  ObjectModel& m = model();
  if (m.type(axes) != "axes") throw Error("Limits belong to an axes.");
  m.set(axes, ids().xlim, RowVector{{limits(0), limits(1)}});
  m.set(axes, ids().ylim, RowVector{{limits(2), limits(3)}});
}

void axis(Handle axes, const std::string& mode) {
  ObjectModel& m = model();
  const Ids& id = ids();
  if (m.type(axes) != "axes") throw Error("Limits belong to an axes.");
  std::string word = propertyKey(mode);
  if (word == "auto") {
    m.set(axes, id.xlimmode, "auto");
    m.set(axes, id.ylimmode, "auto");
  } else if (word == "manual") {
    // Freeze the limits now shown.
    RowVector shown = shownLimits(m, axes);
    axis(axes, shown);
  } else if (word == "tight") {
    m.set(axes, id.xlimmode, "auto");
    m.set(axes, id.ylimmode, "auto");
    axis(axes, limitsOf(m, axes, false));
  } else if (word == "equal") {
    m.set(axes, id.aspect, RowVector{{1, 1, 1}});
    m.set(axes, id.aspectMode, "manual");
  } else if (word == "normal") {
    m.set(axes, id.aspectMode, "auto");
  } else if (word == "on" || word == "off") {
    m.set(axes, id.visible, word);
  } else {
    throw Error("Unknown axis setting \"" + mode + "\".");
  }
}

RowVector axis() {
  return axis(model().gca());
}
void axis(const RowVector& limits) {
  axis(model().gca(), limits);
}
void axis(const std::string& mode) {
  axis(model().gca(), mode);
}

}  // namespace tessaly::platform
