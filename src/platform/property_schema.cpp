#include "platform/property_schema.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <string_view>
#include <unordered_map>

#include "core/error.h"

namespace tessaly::platform {

using schema::lower;
using schema::tables;

std::string propertyKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = lower(c);
  return key;
}

namespace {

// ---- Interned property names ----------------------------------------------------------------

struct Names {
  std::deque<std::string> names;  // a deque keeps the texts in place for the views below
  std::unordered_map<std::string_view, PropertyId> ids;

  PropertyId intern(std::string_view name) {
    std::string key = propertyKey(name);
    auto it = ids.find(key);
    if (it != ids.end()) return it->second;
    names.push_back(std::move(key));
    PropertyId id = static_cast<PropertyId>(names.size() - 1);
    ids.emplace(names.back(), id);
    return id;
  }
};

Names& names() {
  static Names n;
  return n;
}

// ---- Per-type defaults ----------------------------------------------------------------------

Matrix rgb(double r, double g, double b) {
  return RowVector{{r, g, b}};
}
Matrix row4(double a, double b, double c, double d) {
  return RowVector{{a, b, c, d}};
}

// The jet colour map: dark blue through cyan, yellow and red to dark red.
Matrix jet(int n) {
  Matrix map(n, 3);
  for (int i = 0; i < n; ++i) {
    double x = (i + 0.5) / n;
    auto ramp = [](double v) { return std::clamp(v, 0.0, 1.0); };
    map(i, 0) = ramp(1.5 - std::abs(4 * x - 3));
    map(i, 1) = ramp(1.5 - std::abs(4 * x - 2));
    map(i, 2) = ramp(1.5 - std::abs(4 * x - 1));
  }
  return map;
}

// The colours given in turn to the lines of one plot call that names no colour.
Matrix colorOrder() {
  Matrix order(7, 3);
  order << 0, 0, 1, 0, 0.5, 0, 1, 0, 0, 0, 0.75, 0.75, 0.75, 0, 0.75, 0.75, 0.75, 0, 0.25, 0.25,
      0.25;
  return order;
}

const Matrix kWindowGrey = rgb(0.94, 0.94, 0.94);

// Every property an object of the type has, with its value when nothing else is said.
PropertyList defaultsFor(const std::string& type) {
  PropertyList common = {{"Tag", ""},
                         {"Visible", "on"},
                         {"UserData", Matrix()},
                         {"HandleVisibility", "on"},
                         {"ButtonDownFcn", ""},
                         {"CreateFcn", ""},
                         {"DeleteFcn", ""},
                         {"Interruptible", "on"},
                         {"BusyAction", "queue"},
                         {"HitTest", "on"},
                         {"Selected", "off"}};
  PropertyList own;
  if (type == "root") {
    own = {{"defaultUicontrolBackgroundColor", kWindowGrey},
           {"CurrentFigure", Matrix()},
           {"ScreenSize", row4(1, 1, 1920, 1080)},
           {"ScreenPixelsPerInch", 96.0},
           {"ShowHiddenHandles", "off"},
           {"Units", "pixels"}};
  } else if (type == "figure") {
    own = {{"Color", kWindowGrey},
           {"Pointer", "arrow"},
           {"PointerShapeCData", Matrix::Constant(16, 16, 2)},
           {"PointerShapeHotSpot", RowVector{{1, 1}}},
           {"Units", "pixels"},
           {"Position", row4(100, 100, 800, 600)},
           {"Name", ""},
           {"NumberTitle", "on"},
           {"CurrentAxes", Matrix()},
           {"MenuBar", "figure"},
           {"ToolBar", "auto"},
           {"Resize", "on"},
           {"FileName", ""},
           {"CloseRequestFcn", ""},
           {"InvertHardcopy", "on"},
           {"PaperPositionMode", "auto"},
           {"NextPlot", "add"},
           {"WindowStyle", "normal"},
           {"Colormap", jet(64)},
           {"KeyPressFcn", ""},
           {"ResizeFcn", ""},
           {"WindowButtonDownFcn", ""},
           {"IntegerHandle", "on"}};
  } else if (type == "axes") {
    own = {{"Units", "normalized"},
           {"Position", row4(0.13, 0.11, 0.775, 0.815)},
           {"XLim", RowVector{{0, 1}}},
           {"YLim", RowVector{{0, 1}}},
           {"XLimMode", "auto"},
           {"YLimMode", "auto"},
           {"DataAspectRatio", rgb(1, 1, 1)},
           {"DataAspectRatioMode", "auto"},
           {"NextPlot", "replace"},
           {"Box", "on"},
           {"Color", rgb(1, 1, 1)},
           {"Title", ""},
           {"XLabel", ""},
           {"YLabel", ""},
           {"FontSize", 10.0},
           {"FontName", "Helvetica"},
           {"LineWidth", 0.5},
           {"XColor", rgb(0, 0, 0)},
           {"YColor", rgb(0, 0, 0)},
           {"XGrid", "off"},
           {"YGrid", "off"},
           {"XDir", "normal"},
           {"YDir", "normal"},
           {"CLim", RowVector{{0, 1}}},
           {"CLimMode", "auto"},
           {"ColorOrder", colorOrder()}};
  } else if (type == "line") {
    own = {{"XData", Matrix()}, {"YData", Matrix()},         {"Color", rgb(0, 0, 1)},
           {"LineStyle", "-"},  {"LineWidth", 0.5},          {"Marker", "none"},
           {"MarkerSize", 6.0}, {"MarkerEdgeColor", "auto"}, {"MarkerFaceColor", "none"},
           {"DisplayName", ""}};
  } else if (type == "text") {
    own = {{"Position", RowVector{{0, 0, 0}}},
           {"String", ""},
           {"Color", rgb(0, 0, 0)},
           {"FontSize", 10.0},
           {"FontName", "Helvetica"},
           {"FontWeight", "normal"},
           {"FontAngle", "normal"},
           {"HorizontalAlignment", "left"},
           {"VerticalAlignment", "middle"},
           {"Rotation", 0.0},
           {"Units", "data"}};
  } else if (type == "patch") {
    own = {{"XData", Matrix()},         {"YData", Matrix()}, {"FaceColor", rgb(0, 0, 0)},
           {"EdgeColor", rgb(0, 0, 0)}, {"LineWidth", 0.5},  {"LineStyle", "-"},
           {"FaceAlpha", 1.0},          {"CData", Matrix()}, {"Marker", "none"},
           {"MarkerSize", 6.0}};
  } else if (type == "uicontrol") {
    own = {{"Style", "pushbutton"},
           {"String", ""},
           {"Value", 0.0},
           {"Enable", "on"},
           {"Callback", ""},
           {"Units", "pixels"},
           {"Position", row4(20, 20, 60, 20)},
           {"BackgroundColor", kWindowGrey},
           {"ForegroundColor", rgb(0, 0, 0)},
           {"Min", 0.0},
           {"Max", 1.0},
           {"FontSize", 8.0},
           {"FontName", "Helvetica"},
           {"FontWeight", "normal"},
           {"HorizontalAlignment", "center"},
           {"TooltipString", ""},
           {"ListboxTop", 1.0},
           {"SliderStep", RowVector{{0.01, 0.1}}},
           {"KeyPressFcn", ""}};
  } else if (type == "uimenu") {
    own = {{"Label", ""},        {"Checked", "off"},
           {"Enable", "on"},     {"Callback", ""},
           {"Separator", "off"}, {"Accelerator", ""},
           {"Position", 1.0},    {"ForegroundColor", rgb(0, 0, 0)}};
  } else {
    throw Error("Unknown object type " + type);
  }
  own.insert(own.end(), common.begin(), common.end());
  return own;
}

const char* const kTypeNames[] = {"root", "text",   "line",      "patch",
                                  "axes", "figure", "uicontrol", "uimenu"};

}  // namespace

namespace schema {

Tables::Tables() {
  Names& n = names();
  type = n.intern("Type");
  parent = n.intern("Parent");
  children = n.intern("Children");
  for (const char* typeName : kTypeNames) {
    TypeTable t;
    t.name = typeName;
    for (auto& [name, value] : defaultsFor(typeName)) {
      PropertyId id = n.intern(name);
      t.order.push_back(id);
      if (static_cast<size_t>(id) >= t.byId.size()) {
        t.byId.resize(id + 1);
        t.has.resize(id + 1, 0);
      }
      t.byId[id] = value;
      t.has[id] = 1;
    }
    types.push_back(std::move(t));
  }
  // Every name is interned now: pad the tables so that any id indexes them.
  for (auto& t : types) {
    t.byId.resize(n.names.size());
    t.has.resize(n.names.size(), 0);
  }
  tag = n.intern("Tag");
  xlim = n.intern("XLim");
  ylim = n.intern("YLim");
  xlimmode = n.intern("XLimMode");
  ylimmode = n.intern("YLimMode");
  units = n.intern("Units");
  position = n.intern("Position");
  currentFigure = n.intern("CurrentFigure");
  currentAxes = n.intern("CurrentAxes");
  xdata = n.intern("XData");
  ydata = n.intern("YData");
}

const Tables& buildTables() {
  static const Tables t;
  return t;
}

std::uint8_t typeCode(const std::string& type) {
  for (std::uint8_t i = 0; i < kTypeCount; ++i)
    if (type == kTypeNames[i]) return i;
  throw Error("Unknown object type " + type);
}

bool isSpecial(PropertyId id) {
  const Tables& t = tables();
  return id == t.type || id == t.parent || id == t.children;
}

bool hasBox(std::uint8_t type) {
  return type == kFigureT || type == kAxesT || type == kUicontrolT;
}

}  // namespace schema

PropertyId propertyId(std::string_view name) {
  tables();  // every name a type has is interned by now
  char buffer[64];
  if (name.size() < sizeof buffer) {
    for (size_t i = 0; i < name.size(); ++i) buffer[i] = lower(name[i]);
    auto it = names().ids.find(std::string_view(buffer, name.size()));
    return it == names().ids.end() ? -1 : it->second;
  }
  auto it = names().ids.find(propertyKey(name));
  return it == names().ids.end() ? -1 : it->second;
}

const std::string& propertyName(PropertyId id) {
  tables();
  if (id < 0 || static_cast<size_t>(id) >= names().names.size()) throw Error("Unknown property id");
  return names().names[id];
}

}  // namespace tessaly::platform
