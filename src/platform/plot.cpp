#include "platform/plot.h"

#include "core/error.h"
#include "platform/linespec.h"
#include "platform/platform.h"

namespace tessaly::platform {

namespace {

bool isLineProperty(PropertyId id) {
  // The lines' own table answers; a probe object is not needed.
  static const std::vector<char> has = [] {
    ObjectModel probe;
    Handle fig = probe.create("figure", ObjectModel::kRoot);
    Handle line = probe.create("line", probe.create("axes", fig));
    std::vector<char> table;
    for (const std::string& name : probe.propertyNames(line)) {
      PropertyId pid = propertyId(name);
      if (static_cast<size_t>(pid) >= table.size()) table.resize(pid + 1, 0);
      table[pid] = 1;
    }
    return table;
  }();
  return static_cast<size_t>(id) < has.size() && has[id];
}

bool isVector(const Matrix& m) {
  return m.size() > 0 && (m.rows() == 1 || m.cols() == 1);
}

RowVector asRow(const Matrix& m) {
  return m.reshaped().transpose();
}

// The (x, y) pairs of the lines a plot call makes.
std::vector<std::pair<RowVector, RowVector>> linesOf(const Matrix& x, const Matrix& y) {
  std::vector<std::pair<RowVector, RowVector>> lines;
  const char* mismatch = "The x and y data of a plot must have matching sizes.";
  if (x.size() == 0 || y.size() == 0) {
    if (x.size() != y.size()) throw Error(mismatch);
    lines.emplace_back(RowVector(), RowVector());
    return lines;
  }
  if (isVector(x) && isVector(y)) {
    if (x.size() == y.size()) {
      lines.emplace_back(asRow(x), asRow(y));
    } else if (x.size() == 1 || y.size() == 1) {
      // One point per element of the longer vector.
      const Matrix& longer = x.size() == 1 ? y : x;
      for (Eigen::Index k = 0; k < longer.size(); ++k) {
        double px = x.size() == 1 ? x(0) : x(k), py = y.size() == 1 ? y(0) : y(k);
        lines.emplace_back(RowVector::Constant(1, px), RowVector::Constant(1, py));
      }
    } else {
      throw Error(mismatch);
    }
    return lines;
  }
  if (!isVector(x) && !isVector(y)) {
    if (x.rows() != y.rows() || x.cols() != y.cols()) throw Error(mismatch);
    for (Eigen::Index c = 0; c < x.cols(); ++c)
      lines.emplace_back(x.col(c).transpose(), y.col(c).transpose());
    return lines;
  }
  // One vector against the columns (or, failing that, the rows) of a matrix.
  const bool xIsVector = isVector(x);
  const Matrix& v = xIsVector ? x : y;
  const Matrix& m = xIsVector ? y : x;
  RowVector shared = asRow(v);
  auto add = [&](const RowVector& other) {
    if (xIsVector)
      lines.emplace_back(shared, other);
    else
      lines.emplace_back(other, shared);
  };
  if (m.rows() == v.size()) {
    for (Eigen::Index c = 0; c < m.cols(); ++c) add(m.col(c).transpose());
  } else if (m.cols() == v.size()) {
    for (Eigen::Index r = 0; r < m.rows(); ++r) add(m.row(r));
  } else {
    throw Error(mismatch);
  }
  return lines;
}

// The properties as ids, checked to be line properties, before anything is cleared or drawn.
void lineProperties(const PropertyList& props, PropertyIdList& out) {
  // Callers pass the same few names again and again: remember the last one looked up.
  static std::string lastName;
  static PropertyId lastId = -1;
  for (const auto& [name, value] : props) {
    PropertyId id = lastId;
    if (name != lastName) {
      id = propertyId(name);
      if (id < 0 || !isLineProperty(id))
        throw Error("There is no " + name + " property on the line class.");
      lastName = name;
      lastId = id;
    }
    out.emplace_back(id, value);
  }
}

PropertyIdList lineProperties(const PropertyList& props) {
  PropertyIdList out;
  out.reserve(props.size());
  lineProperties(props, out);
  return out;
}

bool isReplace(const Value& mode) {
  if (!mode.isText() || mode.text().size() != 7) return false;
  const std::string& t = mode.text();
  for (size_t k = 0; k < 7; ++k)
    if ((t[k] | 0x20) != "replace"[k]) return false;
  return true;
}

void prepare(ObjectModel& m, Handle axes) {
  static const PropertyId nextPlot = propertyId("NextPlot");
  if (isReplace(m.peek(axes, nextPlot))) resetAxes(axes);
}

}  // namespace

void preparePlot(Handle axes) {
  prepare(model(), axes);
}

RowVector orderColor(Handle axes, size_t k) {
  static const PropertyId colorOrder = propertyId("ColorOrder");
  const Matrix& order = model().peek(axes, colorOrder).matrix();
  if (order.rows() == 0 || order.cols() != 3) return RowVector{{0, 0, 1}};
  return order.row(static_cast<Eigen::Index>(k % order.rows()));
}

void resetAxes(Handle axes) {
  ObjectModel& m = model();
  if (m.type(axes) != "axes") throw Error("Only an axes can be cleared.");
  for (Handle child : m.children(axes)) {
    const std::string& type = m.type(child);
    if (type == "line" || type == "text" || type == "patch") m.remove(child);
  }
  m.set(axes, {{"XLimMode", "auto"},
               {"YLimMode", "auto"},
               {"DataAspectRatioMode", "auto"},
               {"Title", ""},
               {"XLabel", ""},
               {"YLabel", ""}});
}

std::vector<Handle> plot(Handle axes, const Matrix& x, const Matrix& y, std::string_view lineSpec,
                         const PropertyList& props) {
  ObjectModel& m = model();
  if (m.type(axes) != "axes") throw Error("Plots are drawn into an axes.");
  // Everything is checked before anything is cleared or drawn.
  LineSpec parsed = parseLineSpec(lineSpec);
  auto lines = linesOf(x, y);
  PropertyIdList extra = lineProperties(props);
  prepare(m, axes);
  PropertyIdList base;
  for (auto& [name, value] : parsed.properties()) base.emplace_back(propertyId(name), value);
  static const PropertyId xdata = propertyId("XData"), ydata = propertyId("YData"),
                          color = propertyId("Color");
  std::vector<Handle> handles;
  handles.reserve(lines.size());
  for (size_t k = 0; k < lines.size(); ++k) {
    PropertyIdList all;
    all.reserve(base.size() + extra.size() + 3);
    all.emplace_back(xdata, std::move(lines[k].first));
    all.emplace_back(ydata, std::move(lines[k].second));
    if (!parsed.color) all.emplace_back(color, orderColor(axes, k));
    all.insert(all.end(), base.begin(), base.end());
    all.insert(all.end(), extra.begin(), extra.end());
    handles.push_back(m.create("line", axes, std::move(all)));
  }
  return handles;
}

std::vector<Handle> plot(const Matrix& x, const Matrix& y, std::string_view lineSpec,
                         const PropertyList& props) {
  return plot(model().gca(), x, y, lineSpec, props);
}

std::vector<Handle> plot(const Matrix& x, const Matrix& y, const PropertyList& props) {
  return plot(model().gca(), x, y, "", props);
}

namespace {

// The properties of a one-point plot but its coordinates: the lineSpec of the last call kept
// resolved, the first colour of the axes' order when the lineSpec names none, and the
// caller's properties last, so that they win. A bad property is an Error before anything is
// drawn.
void pointStyle(ObjectModel& m, Handle axes, std::string_view lineSpec, const PropertyList& props,
                PropertyIdList& out) {
  static std::string lastSpec;
  static PropertyIdList lastProps;
  static bool lastHasColor = false;
  static const PropertyId color = propertyId("Color"), colorOrder = propertyId("ColorOrder");
  if (lastProps.empty() || lineSpec != lastSpec) {
    LineSpec parsed = parseLineSpec(lineSpec);
    PropertyIdList resolved;
    for (auto& [name, value] : parsed.properties()) resolved.emplace_back(propertyId(name), value);
    lastProps = std::move(resolved);
    lastSpec = std::string(lineSpec);
    lastHasColor = parsed.color.has_value();
  }
  if (!lastHasColor) {
    const Matrix& order = m.peek(axes, colorOrder).matrix();
    if (order.rows() > 0 && order.cols() == 3) out.emplace_back(color, Matrix(order.row(0)));
  }
  out.insert(out.end(), lastProps.begin(), lastProps.end());
  lineProperties(props, out);
}

}  // namespace

Handle plot(double x, double y, std::string_view lineSpec, const PropertyList& props) {
  // The one-point plot is made once per landmark of every specimen drawn, so it skips the
  // general path: properties go in by id.
  static const PropertyId xdata = propertyId("XData"), ydata = propertyId("YData");
  static PropertyIdList all;  // kept between calls for its storage
  all.clear();
  ObjectModel& m = model();
  Handle axes = m.gca();
  all.emplace_back(xdata, scalar(x));
  all.emplace_back(ydata, scalar(y));
  pointStyle(m, axes, lineSpec, props, all);
  prepare(m, axes);
  return m.create("line", axes, std::move(all));
}

std::vector<Handle> plotPoints(std::span<const double> x, std::span<const double> y,
                               std::string_view lineSpec, const PropertyList& props) {
  static PropertyIdList style;  // kept between calls for its storage
  style.clear();
  ObjectModel& m = model();
  Handle axes = m.gca();
  pointStyle(m, axes, lineSpec, props, style);
  if (x.size() != y.size()) throw Error("The x and y data of a plot must have matching sizes.");
  prepare(m, axes);
  return m.createPoints(axes, x, y, style);
}

std::vector<Handle> plotPointSets(size_t count, size_t points, std::span<const PointStyle> styles,
                                  std::span<const std::uint32_t> styleOf,
                                  const ObjectModel::PointFill& fill) {
  ObjectModel& m = model();
  Handle axes = m.gca();
  std::vector<PropertyIdList> resolved(styles.size());
  for (size_t k = 0; k < styles.size(); ++k)
    pointStyle(m, axes, styles[k].lineSpec, styles[k].props, resolved[k]);
  prepare(m, axes);
  return m.createPointSets(axes, count, points, resolved, styleOf, fill);
}

Handle text(double x, double y, const std::string& string, const PropertyList& props) {
  ObjectModel& m = model();
  PropertyList all = {{"Position", RowVector{{x, y, 0}}}, {"String", string}};
  all.insert(all.end(), props.begin(), props.end());
  return m.create("text", m.gca(), all);
}

std::vector<Handle> text(const Matrix& x, const Matrix& y, const std::vector<std::string>& strings,
                         const PropertyList& props) {
  if (x.size() != y.size()) throw Error("Texts need as many x as y positions.");
  if (strings.size() != 1 && strings.size() != static_cast<size_t>(x.size()))
    throw Error("Texts need one string, or one per position.");
  std::vector<Handle> handles;
  for (Eigen::Index k = 0; k < x.size(); ++k)
    handles.push_back(text(x(k), y(k), strings.size() == 1 ? strings[0] : strings[k], props));
  return handles;
}

void hold(Handle axes, const std::string& onOff) {
  ObjectModel& m = model();
  if (m.type(axes) != "axes") throw Error("hold acts on an axes.");
  std::string word = propertyKey(onOff);
  if (word == "on" || word == "all") {
    m.set(axes, "NextPlot", "add");
    Handle fig = m.figureOf(axes);
    if (fig >= 0) m.set(fig, "NextPlot", "add");
  } else if (word == "off") {
    m.set(axes, "NextPlot", "replace");
  } else {
    throw Error("hold takes \"on\" or \"off\", not \"" + onOff + "\".");
  }
}

void hold(const std::string& onOff) {
  // Check the word before making axes for it.
  std::string word = propertyKey(onOff);
  if (word != "on" && word != "off" && word != "all")
    throw Error("hold takes \"on\" or \"off\", not \"" + onOff + "\".");
  hold(model().gca(), onOff);
}

bool ishold() {
  Handle axes = model().currentAxes();
  if (axes < 0) return false;
  Value mode = model().get(axes, "NextPlot");
  return mode.isText() && propertyKey(mode.text()) == "add";
}

}  // namespace tessaly::platform
