#include "render/figure_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <span>

#include "core/error.h"
#include "core/text.h"
#include "platform/axis.h"
#include "render/style.h"
#include "render/ticks.h"

namespace tessaly::render {

using platform::Handle;
using platform::ObjectModel;
using platform::PropertyId;
using platform::Value;

namespace {

// Property ids, interned once: the renderer reads a dozen properties of every object.
struct Ids {
  PropertyId xdata = platform::propertyId("XData"), ydata = platform::propertyId("YData"),
             color = platform::propertyId("Color"), lineStyle = platform::propertyId("LineStyle"),
             lineWidth = platform::propertyId("LineWidth"), marker = platform::propertyId("Marker"),
             markerSize = platform::propertyId("MarkerSize"),
             markerEdge = platform::propertyId("MarkerEdgeColor"),
             markerFace = platform::propertyId("MarkerFaceColor"),
             visible = platform::propertyId("Visible"), string = platform::propertyId("String"),
             position = platform::propertyId("Position"), units = platform::propertyId("Units"),
             fontSize = platform::propertyId("FontSize"),
             hAlign = platform::propertyId("HorizontalAlignment"),
             vAlign = platform::propertyId("VerticalAlignment"),
             rotation = platform::propertyId("Rotation"),
             faceColor = platform::propertyId("FaceColor"),
             edgeColor = platform::propertyId("EdgeColor"), cdata = platform::propertyId("CData"),
             box = platform::propertyId("Box"), xColor = platform::propertyId("XColor"),
             yColor = platform::propertyId("YColor"), title = platform::propertyId("Title"),
             xlabel = platform::propertyId("XLabel"), xlim = platform::propertyId("XLim"),
             ylim = platform::propertyId("YLim"), ylabel = platform::propertyId("YLabel"),
             style = platform::propertyId("Style"), value = platform::propertyId("Value"),
             background = platform::propertyId("BackgroundColor"),
             foreground = platform::propertyId("ForegroundColor"),
             invertHardcopy = platform::propertyId("InvertHardcopy");
};

const Ids& ids() {
  static const Ids instance;
  return instance;
}

const Value& prop(const ObjectModel& m, Handle h, PropertyId id) {
  return m.peek(h, id);
}

std::string textOf(const ObjectModel& m, Handle h, PropertyId id) {
  const Value& v = m.peek(h, id);
  return v.isText() ? v.text() : std::string();
}

double numberOf(const ObjectModel& m, Handle h, PropertyId id, double fallback) {
  const Value& v = m.peek(h, id);
  if (!v.isNumeric() || v.matrix().size() == 0) return fallback;
  double x = v.matrix()(0);
  return std::isfinite(x) ? x : fallback;
}

Rgb colorOr(const Value& v, Rgb fallback) {
  auto c = parseColor(v);
  return c && c->kind == ColorSpec::Kind::Rgb ? c->rgb : fallback;
}

bool visible(const ObjectModel& m, Handle h) {
  return lowercase(textOf(m, h, ids().visible)) != "off";
}

bool finite(double x, double y) {
  return std::isfinite(x) && std::isfinite(y);
}

// The lines of a "String" value: list entries, and line ends inside a text.
std::vector<std::string> splitLines(const Value& v) {
  std::vector<std::string> out;
  for (const std::string& entry : v.lines()) {
    size_t start = 0;
    for (size_t end; (end = entry.find('\n', start)) != std::string::npos; start = end + 1)
      out.push_back(entry.substr(start, end - start));
    out.push_back(entry.substr(start));
  }
  if (out.size() == 1 && out[0].empty()) out.clear();
  return out;
}

// Data units to device pixels inside an axes box.
struct DataMap {
  Rect box;
  double x0, x1, y0, y1;
  Point operator()(double x, double y) const {
    return {box.x + (x - x0) / (x1 - x0) * box.width,
            box.y + box.height - (y - y0) / (y1 - y0) * box.height};
  }
};

// Limits as shown; a zero or broken range is widened so the mapping stays finite.
void fixRange(double& lo, double& hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0, hi = 1;
  if (hi < lo) std::swap(lo, hi);
  if (hi == lo) lo -= 0.5, hi += 0.5;
}

DataMap dataMap(const ObjectModel& m, Handle axes, const Rect& box) {
  RowVector lim(4);
  lim << 0, 1, 0, 1;
  try {
    lim = platform::shownLimits(m, axes);
  } catch (const Error&) {
    // Properties the limits cannot be worked out from (a Position that is not four numbers,
    // say): draw with the stored limits rather than not at all.
    const Value &x = m.peek(axes, ids().xlim), &y = m.peek(axes, ids().ylim);
    if (x.isNumeric() && x.matrix().size() >= 2) lim(0) = x.matrix()(0), lim(1) = x.matrix()(1);
    if (y.isNumeric() && y.matrix().size() >= 2) lim(2) = y.matrix()(0), lim(3) = y.matrix()(1);
  }
  DataMap map{box, lim(0), lim(1), lim(2), lim(3)};
  fixRange(map.x0, map.x1);
  fixRange(map.y0, map.y1);
  return map;
}

// The vectors of a data property, in column order.
std::span<const double> dataOf(const ObjectModel& m, Handle h, PropertyId id) {
  return m.coordinates(h, id);
}

HAlign hAlign(const std::string& s) {
  std::string a = lowercase(s);
  if (a == "center") return HAlign::Center;
  if (a == "right") return HAlign::Right;
  return HAlign::Left;
}

VAlign vAlign(const std::string& s) {
  std::string a = lowercase(s);
  if (a == "top") return VAlign::Top;
  if (a == "cap") return VAlign::Cap;
  if (a == "baseline") return VAlign::Baseline;
  if (a == "bottom") return VAlign::Bottom;
  return VAlign::Middle;
}

// Draws the lines of a text one below the other (in the text's own direction), the block as
// a whole anchored by its alignment.
void drawLines(Painter& p, Point at, const std::vector<std::string>& lines, TextStyle style) {
  if (lines.empty()) return;
  double step = 1.2 * style.size;
  double n = static_cast<double>(lines.size());
  // Offset of the first line's anchor from the block's anchor, along the text's "down".
  double first = 0;
  switch (style.vAlign) {
    case VAlign::Top:
    case VAlign::Cap:
      first = 0;
      break;
    case VAlign::Middle:
      first = -(n - 1) * step / 2;
      break;
    case VAlign::Baseline:
    case VAlign::Bottom:
      first = -(n - 1) * step;
      break;
  }
  double a = style.rotation * std::numbers::pi / 180;
  double downX = std::sin(a), downY = std::cos(a);
  for (size_t i = 0; i < lines.size(); ++i) {
    double d = first + static_cast<double>(i) * step;
    p.text({at.x + d * downX, at.y + d * downY}, lines[i], style);
  }
}

// Collects runs of identical symbols from consecutive plot objects, so thousands of
// single-point objects become one drawing call. A marker whose point lies inside the axes box
// is drawn whole, over the frame if need be; one outside is not drawn.
class MarkerBatch {
 public:
  MarkerBatch(Painter& p, const Rect& box) : painter_(p), box_(box) {}
  ~MarkerBatch() { flush(); }
  void add(const MarkerStyle& style, const std::vector<Point>& points) {
    if (points.empty()) return;
    if (!points_.empty() && !(style == style_)) flush();
    style_ = style;
    for (const Point& q : points)
      if (inside(q)) points_.push_back(q);
  }
  void flush() {
    if (points_.empty()) return;
    painter_.clip(std::nullopt);
    painter_.markers(points_, style_);
    painter_.clip(box_);
    points_.clear();
  }

 private:
  bool inside(const Point& q) const {
    // A point on the frame counts as inside, allowing for rounding in the data mapping.
    double tol = 1e-9 * std::max(box_.width, box_.height);
    return q.x >= box_.x - tol && q.x <= box_.x + box_.width + tol && q.y >= box_.y - tol &&
           q.y <= box_.y + box_.height + tol;
  }
  Painter& painter_;
  Rect box_;
  MarkerStyle style_;
  std::vector<Point> points_;
};

// How a line looks: everything drawing it needs but its coordinates.
struct LineLook {
  Pen pen;
  std::optional<Dash> dash;           // none: no connecting line
  std::optional<MarkerStyle> marker;  // none: no symbols
};

LineLook lookOf(const ObjectModel& m, Handle h, const Rgb& axesColor) {
  LineLook look;
  look.pen.color = colorOr(prop(m, h, ids().color), {0, 0, 0});
  look.pen.width = numberOf(m, h, ids().lineWidth, 0.5) * kPixelsPerPoint;
  look.dash = parseLineStyle(textOf(m, h, ids().lineStyle));
  if (look.dash) look.pen.dash = *look.dash;
  auto shape = parseMarker(textOf(m, h, ids().marker));
  if (!shape) return look;
  MarkerStyle style;
  style.shape = *shape;
  style.size = numberOf(m, h, ids().markerSize, 6) * kPixelsPerPoint;
  style.lineWidth = look.pen.width;
  if (auto edge = parseColor(prop(m, h, ids().markerEdge))) {
    if (edge->kind == ColorSpec::Kind::Rgb) style.edge = edge->rgb;
    if (edge->kind == ColorSpec::Kind::Auto) style.edge = look.pen.color;
  } else {
    style.edge = look.pen.color;
  }
  if (auto face = parseColor(prop(m, h, ids().markerFace))) {
    if (face->kind == ColorSpec::Kind::Rgb) style.face = face->rgb;
    if (face->kind == ColorSpec::Kind::Auto) style.face = axesColor;
  }
  if (!markerHasFace(style.shape)) style.face.reset();
  if (style.edge || style.face) look.marker = style;
  return look;
}

// A line; the points of a point set are not joined, as each were a line of its own.
void drawLine(std::span<const double> xs, std::span<const double> ys, bool joined,
              const LineLook& look, const DataMap& map, Painter& p, MarkerBatch& batch) {
  size_t n = std::min(xs.size(), ys.size());
  if (n == 0) return;
  if (look.dash && joined && n > 1) {
    batch.flush();
    std::vector<Point> run;
    for (size_t i = 0; i <= n; ++i) {
      if (i < n && finite(xs[i], ys[i])) {
        run.push_back(map(xs[i], ys[i]));
        continue;
      }
      // A NaN (or the end) breaks the line.
      if (run.size() > 1) p.polyline(run, look.pen);
      run.clear();
    }
  }
  if (!look.marker) return;
  std::vector<Point> points;
  points.reserve(n);
  for (size_t i = 0; i < n; ++i)
    if (finite(xs[i], ys[i])) points.push_back(map(xs[i], ys[i]));
  batch.add(*look.marker, points);
}

// A patch: one polygon per column of XData/YData.
void drawPatch(const ObjectModel& m, Handle h, const DataMap& map, Painter& p) {
  Value xv = m.get(h, ids().xdata), yv = m.get(h, ids().ydata);
  if (!xv.isNumeric() || !yv.isNumeric()) return;
  Matrix x = xv.matrix(), y = yv.matrix();
  if (x.size() == 0 || x.size() != y.size()) return;
  if (x.rows() == 1) x.transposeInPlace(), y.transposeInPlace();
  if (y.rows() != x.rows()) y = y.reshaped(x.rows(), x.cols()).eval();

  auto flatColor = [&]() -> std::optional<Rgb> {
    Value c = prop(m, h, ids().cdata);
    if (c.isNumeric() && c.matrix().size() >= 3) return colorOr(c, {0, 0, 0});
    return std::nullopt;
  };
  std::optional<Rgb> fill, edge;
  if (auto f = parseColor(prop(m, h, ids().faceColor))) {
    if (f->kind == ColorSpec::Kind::Rgb) fill = f->rgb;
    if (f->kind == ColorSpec::Kind::Flat || f->kind == ColorSpec::Kind::Interp) fill = flatColor();
  }
  std::optional<Pen> pen;
  auto dash = parseLineStyle(textOf(m, h, ids().lineStyle));
  if (auto e = parseColor(prop(m, h, ids().edgeColor)); e && dash) {
    if (e->kind == ColorSpec::Kind::Rgb) edge = e->rgb;
    if (e->kind == ColorSpec::Kind::Flat || e->kind == ColorSpec::Kind::Interp) edge = flatColor();
    if (edge) pen = Pen{*edge, numberOf(m, h, ids().lineWidth, 0.5) * kPixelsPerPoint, *dash};
  }
  if (!fill && !pen) return;
  for (Eigen::Index c = 0; c < x.cols(); ++c) {
    std::vector<Point> poly;
    for (Eigen::Index r = 0; r < x.rows(); ++r)
      if (finite(x(r, c), y(r, c))) poly.push_back(map(x(r, c), y(r, c)));
    if (poly.size() >= 2) p.polygon(poly, fill, pen);
  }
}

void drawText(const ObjectModel& m, Handle h, const DataMap& map, Painter& p) {
  std::vector<std::string> lines = splitLines(prop(m, h, ids().string));
  if (lines.empty()) return;
  Value pos = prop(m, h, ids().position);
  if (!pos.isNumeric() || pos.matrix().size() < 2) return;
  double x = pos.matrix()(0), y = pos.matrix()(1);
  if (!finite(x, y)) return;
  Point at;
  if (lowercase(textOf(m, h, ids().units)) == "normalized")
    at = {map.box.x + x * map.box.width, map.box.y + map.box.height * (1 - y)};
  else
    at = map(x, y);
  TextStyle style;
  style.color = colorOr(prop(m, h, ids().color), {0, 0, 0});
  style.size = numberOf(m, h, ids().fontSize, 10) * kPixelsPerPoint;
  style.hAlign = hAlign(textOf(m, h, ids().hAlign));
  style.vAlign = vAlign(textOf(m, h, ids().vAlign));
  style.rotation = numberOf(m, h, ids().rotation, 0);
  drawLines(p, at, lines, style);
}

// A title or axis label: a text on the axes, or the handle of a text object.
std::vector<std::string> labelOf(const ObjectModel& m, Handle axes, PropertyId id) {
  const Value& v = m.peek(axes, id);
  if (v.isNumeric() && v.matrix().size() == 1 && m.isHandle(v.number()) &&
      m.type(v.number()) == "text")
    return splitLines(m.get(v.number(), ids().string));
  if (v.isNumeric()) return {};
  return splitLines(v);
}

// The plotted objects, oldest first so the newest lies on top, clipped to the box.
void drawPlotObjects(const ObjectModel& m, Handle axes, const DataMap& map, const Rgb& axesColor,
                     Painter& p) {
  p.clip(map.box);
  {
    MarkerBatch batch(p, map.box);
    // Thousands of landmark points share one style: it is worked out once for all of them.
    std::optional<std::uint64_t> lastStyle;
    bool lastVisible = false;
    LineLook look;
    std::vector<Handle> kids = m.children(axes);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
      Handle h = *it;
      std::uint64_t key = m.styleKey(h);
      if (key != lastStyle) {
        lastStyle = key;
        lastVisible = visible(m, h);
        if (lastVisible && m.type(h) == "line") look = lookOf(m, h, axesColor);
      }
      if (!lastVisible) continue;
      const std::string& type = m.type(h);
      if (type == "line") {
        drawLine(dataOf(m, h, ids().xdata), dataOf(m, h, ids().ydata), !m.isPointSet(h), look, map,
                 p, batch);
      } else if (type == "patch") {
        batch.flush();
        drawPatch(m, h, map, p);
      } else if (type == "text") {
        batch.flush();
        drawText(m, h, map, p);
      }
    }
  }
  p.clip(std::nullopt);
}

double axesFontPixels(const ObjectModel& m, Handle axes) {
  return numberOf(m, axes, ids().fontSize, 10) * kPixelsPerPoint;
}

// The axis lines (all four sides when "Box" is on) with their ticks and tick labels. Returns
// the width of the widest y tick label, which the y label keeps clear of.
double drawFrame(const ObjectModel& m, Handle axes, const DataMap& map, Painter& p) {
  const Rect& box = map.box;
  double fontPx = axesFontPixels(m, axes);
  double left = box.x, right = box.x + box.width, top = box.y, bottom = box.y + box.height;
  Rgb xColor = colorOr(prop(m, axes, ids().xColor), {0, 0, 0});
  Rgb yColor = colorOr(prop(m, axes, ids().yColor), {0, 0, 0});
  double lw = numberOf(m, axes, ids().lineWidth, 0.5) * kPixelsPerPoint;
  bool boxed = lowercase(textOf(m, axes, ids().box)) == "on";
  Pen xPen{xColor, lw, Dash::Solid}, yPen{yColor, lw, Dash::Solid};
  p.polyline({{left, bottom}, {right, bottom}}, xPen);
  p.polyline({{left, top}, {left, bottom}}, yPen);
  if (boxed) {
    p.polyline({{left, top}, {right, top}}, xPen);
    p.polyline({{right, top}, {right, bottom}}, yPen);
  }

  double tickLen = 0.01 * std::max(box.width, box.height);
  int maxX = maxTicks(box.width, 6 * fontPx), maxY = maxTicks(box.height, 3 * fontPx);
  double xStep = niceStep(map.x0, map.x1, maxX), yStep = niceStep(map.y0, map.y1, maxY);

  TextStyle labelStyle;
  labelStyle.size = fontPx;
  labelStyle.color = xColor;
  labelStyle.hAlign = HAlign::Center;
  labelStyle.vAlign = VAlign::Top;
  for (double v : niceTicks(map.x0, map.x1, maxX)) {
    double x = map(v, map.y0).x;
    p.polyline({{x, bottom}, {x, bottom - tickLen}}, xPen);
    if (boxed) p.polyline({{x, top}, {x, top + tickLen}}, xPen);
    p.text({x, bottom + 0.3 * fontPx}, tickLabel(v, xStep), labelStyle);
  }
  labelStyle.color = yColor;
  labelStyle.hAlign = HAlign::Right;
  labelStyle.vAlign = VAlign::Middle;
  double widest = 0;
  for (double v : niceTicks(map.y0, map.y1, maxY)) {
    double y = map(map.x0, v).y;
    p.polyline({{left, y}, {left + tickLen, y}}, yPen);
    if (boxed) p.polyline({{right, y}, {right - tickLen, y}}, yPen);
    std::string label = tickLabel(v, yStep);
    widest = std::max(widest, p.textWidth(label, fontPx));
    p.text({left - 0.4 * fontPx, y}, label, labelStyle);
  }
  return widest;
}

// The axis labels (only on visible axes) and the title (always).
void drawLabels(const ObjectModel& m, Handle axes, const Rect& box, bool shown, double widest,
                Painter& p) {
  double fontPx = axesFontPixels(m, axes);
  double left = box.x, right = box.x + box.width, top = box.y, bottom = box.y + box.height;
  TextStyle labelStyle;
  labelStyle.color = {0, 0, 0};
  labelStyle.size = 1.1 * fontPx;
  if (shown) {
    labelStyle.hAlign = HAlign::Center;
    labelStyle.vAlign = VAlign::Top;
    drawLines(p, {(left + right) / 2, bottom + 1.6 * fontPx}, labelOf(m, axes, ids().xlabel),
              labelStyle);
    labelStyle.vAlign = VAlign::Bottom;
    labelStyle.rotation = 90;
    drawLines(p, {left - 0.8 * fontPx - widest, (top + bottom) / 2}, labelOf(m, axes, ids().ylabel),
              labelStyle);
  }
  labelStyle.hAlign = HAlign::Center;
  labelStyle.vAlign = VAlign::Bottom;
  labelStyle.rotation = 0;
  drawLines(p, {(left + right) / 2, top - 0.5 * fontPx}, labelOf(m, axes, ids().title), labelStyle);
}

void drawAxes(const ObjectModel& m, Handle axes, Painter& p) {
  Rect box = axesBox(m, axes);
  if (!(box.width > 0 && box.height > 0)) return;
  DataMap map = dataMap(m, axes, box);
  bool shown = visible(m, axes);
  auto bg = parseColor(prop(m, axes, ids().color));
  Rgb axesColor = bg && bg->kind == ColorSpec::Kind::Rgb ? bg->rgb : Rgb{1, 1, 1};
  if (shown && bg && bg->kind == ColorSpec::Kind::Rgb) p.fillRect(box, bg->rgb);
  drawPlotObjects(m, axes, map, axesColor, p);
  double widest = shown ? drawFrame(m, axes, map, p) : 0;
  drawLabels(m, axes, box, shown, widest, p);
}

// A control as a plain box with its text: enough for a printed or copied window.
void drawControl(const ObjectModel& m, Handle h, double figureHeight, Painter& p) {
  RowVector pos = platform::pixelPosition(m, h);
  Rect r{pos(0), figureHeight - pos(1) - pos(3), pos(2), pos(3)};
  if (!(r.width > 0 && r.height > 0)) return;
  std::string style = lowercase(textOf(m, h, ids().style));
  Rgb bg = colorOr(prop(m, h, ids().background), {0.94, 0.94, 0.94});
  p.fillRect(r, bg);
  if (style != "text") p.strokeRect(r, Pen{{0.5, 0.5, 0.5}, 1, Dash::Solid});

  std::vector<std::string> lines = splitLines(prop(m, h, ids().string));
  if (style == "popupmenu" && !lines.empty()) {
    // "Value" is any number a caller set: clamp it to the entries before it becomes an index.
    double value = std::clamp(numberOf(m, h, ids().value, 1), 1.0, double(lines.size()));
    size_t k = static_cast<size_t>(value);
    lines = {lines[std::min(k, lines.size()) - 1]};
  }
  if (lines.empty()) return;
  TextStyle ts;
  ts.color = colorOr(prop(m, h, ids().foreground), {0, 0, 0});
  ts.size = numberOf(m, h, ids().fontSize, 8) * kPixelsPerPoint;
  ts.hAlign = hAlign(textOf(m, h, ids().hAlign));
  double pad = 3;
  double x = ts.hAlign == HAlign::Left    ? r.x + pad
             : ts.hAlign == HAlign::Right ? r.x + r.width - pad
                                          : r.x + r.width / 2;
  p.clip(r);
  if (style == "listbox" || (style == "edit" && lines.size() > 1)) {
    ts.vAlign = VAlign::Top;
    drawLines(p, {x, r.y + pad}, lines, ts);
  } else {
    ts.vAlign = VAlign::Middle;
    drawLines(p, {x, r.y + r.height / 2}, lines, ts);
  }
  p.clip(std::nullopt);
}

}  // namespace

Size figureSize(const ObjectModel& m, Handle figure) {
  RowVector pos = platform::pixelPosition(m, figure);
  return {std::max(pos(2), 1.0), std::max(pos(3), 1.0)};
}

Rect axesBox(const ObjectModel& m, Handle axes) {
  RowVector pos = platform::pixelPosition(m, axes);
  Handle fig = m.figureOf(axes);
  double height = fig >= 0 ? figureSize(m, fig).height : 0;
  return {pos(0), height - pos(1) - pos(3), pos(2), pos(3)};
}

void renderFigure(const ObjectModel& m, Handle figure, Painter& painter,
                  const RenderOptions& options) {
  Size size = figureSize(m, figure);
  Rgb background = colorOr(prop(m, figure, ids().color), {0.94, 0.94, 0.94});
  if (options.printing && lowercase(textOf(m, figure, ids().invertHardcopy)) != "off")
    background = {1, 1, 1};
  if (!(options.blankPaper && background == Rgb{1, 1, 1}))
    painter.fillRect({0, 0, size.width, size.height}, background);

  // Axes first, controls on top, each oldest first.
  std::vector<Handle> kids = m.children(figure);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (m.type(*it) == "axes") drawAxes(m, *it, painter);
  if (options.noui) return;
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (m.type(*it) == "uicontrol" && visible(m, *it)) drawControl(m, *it, size.height, painter);
}

}  // namespace tessaly::render
