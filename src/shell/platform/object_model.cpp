#include "shell/platform/object_model.h"

#include <algorithm>
#include <cctype>

#include "core/error.h"

namespace tessaly::platform {

std::string propertyKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

namespace {

Matrix rgb(double r, double g, double b) { return RowVector{{r, g, b}}; }
Matrix row4(double a, double b, double c, double d) { return RowVector{{a, b, c, d}}; }

const Matrix kWindowGrey = rgb(0.94, 0.94, 0.94);

// Every property an object of the type has, with its value when nothing else is said.
PropertyList defaultsFor(const std::string& type) {
  PropertyList common = {{"Tag", ""}, {"Visible", "on"}, {"UserData", Matrix()},
                         {"HandleVisibility", "on"}, {"ButtonDownFcn", ""}};
  PropertyList own;
  if (type == "root") {
    own = {{"defaultUicontrolBackgroundColor", kWindowGrey},
           {"CurrentFigure", Matrix()},
           {"ScreenSize", row4(1, 1, 1920, 1080)},
           {"Units", "pixels"}};
  } else if (type == "figure") {
    own = {{"Color", kWindowGrey},   {"Pointer", "arrow"},
           {"PointerShapeCData", Matrix::Constant(16, 16, 2)},
           {"Units", "pixels"},      {"Position", row4(100, 100, 800, 600)},
           {"Name", ""},             {"NumberTitle", "on"},
           {"CurrentAxes", Matrix()}, {"MenuBar", "figure"},
           {"Resize", "on"},         {"FileName", ""},
           {"CloseRequestFcn", ""},  {"InvertHardcopy", "on"},
           {"PaperPositionMode", "auto"}};
  } else if (type == "axes") {
    own = {{"Units", "normalized"},   {"Position", row4(0.13, 0.11, 0.775, 0.815)},
           {"XLim", RowVector{{0, 1}}}, {"YLim", RowVector{{0, 1}}},
           {"XLimMode", "auto"},      {"YLimMode", "auto"},
           {"DataAspectRatioMode", "auto"}, {"NextPlot", "replace"},
           {"Box", "on"},             {"Color", rgb(1, 1, 1)},
           {"Title", ""},             {"XLabel", ""},
           {"YLabel", ""},            {"FontSize", 10.0},
           {"LineWidth", 0.5},        {"XColor", rgb(0, 0, 0)},
           {"YColor", rgb(0, 0, 0)}};
  } else if (type == "line") {
    own = {{"XData", Matrix()},      {"YData", Matrix()},
           {"Color", rgb(0, 0, 1)},  {"LineStyle", "-"},
           {"LineWidth", 0.5},       {"Marker", "none"},
           {"MarkerSize", 6.0},      {"MarkerEdgeColor", "auto"},
           {"MarkerFaceColor", "none"}};
  } else if (type == "text") {
    own = {{"Position", RowVector{{0, 0, 0}}}, {"String", ""},
           {"Color", rgb(0, 0, 0)},          {"FontSize", 10.0},
           {"HorizontalAlignment", "left"},  {"VerticalAlignment", "middle"},
           {"Rotation", 0.0},                {"Units", "data"}};
  } else if (type == "patch") {
    own = {{"XData", Matrix()},          {"YData", Matrix()},
           {"FaceColor", rgb(0, 0, 0)},  {"EdgeColor", rgb(0, 0, 0)},
           {"LineWidth", 0.5},           {"LineStyle", "-"},
           {"FaceAlpha", 1.0},           {"CData", Matrix()}};
  } else if (type == "uicontrol") {
    own = {{"Style", "pushbutton"},       {"String", ""},
           {"Value", 0.0},                {"Enable", "on"},
           {"Callback", ""},              {"Units", "pixels"},
           {"Position", row4(20, 20, 60, 20)},
           {"BackgroundColor", kWindowGrey}, {"ForegroundColor", rgb(0, 0, 0)},
           {"Min", 0.0},                  {"Max", 1.0},
           {"FontSize", 8.0},             {"HorizontalAlignment", "center"},
           {"TooltipString", ""}};
  } else if (type == "uimenu") {
    own = {{"Label", ""},     {"Checked", "off"},  {"Enable", "on"},
           {"Callback", ""},  {"Separator", "off"}, {"Accelerator", ""},
           {"Position", 1.0}};
  } else {
    throw Error("Unknown object type " + type);
  }
  own.insert(own.end(), common.begin(), common.end());
  return own;
}

}  // namespace

ObjectModel::ObjectModel() {
  Object root;
  root.type = "root";
  for (auto& [name, value] : defaultsFor("root")) root.properties[propertyKey(name)] = value;
  objects_[kRoot] = std::move(root);
}

const ObjectModel::Object& ObjectModel::object(Handle h) const {
  auto it = objects_.find(h);
  if (it == objects_.end()) throw Error("Invalid or deleted object.");
  return it->second;
}

ObjectModel::Object& ObjectModel::object(Handle h) {
  auto it = objects_.find(h);
  if (it == objects_.end()) throw Error("Invalid or deleted object.");
  return it->second;
}

Handle ObjectModel::create(const std::string& type, Handle parent, const PropertyList& props) {
  Object& owner = object(parent);
  Object obj;
  obj.type = type;
  obj.parent = parent;
  for (auto& [name, value] : defaultsFor(type)) obj.properties[propertyKey(name)] = value;
  Handle h = nextHandle_++;
  objects_[h] = std::move(obj);
  owner.children.push_back(h);
  notify({Change::Kind::Created, h, {}});
  set(h, props);
  return h;
}

bool ObjectModel::isHandle(Handle h) const { return objects_.count(h) > 0; }

void ObjectModel::remove(Handle h) {
  if (h == kRoot || !isHandle(h)) return;
  for (Handle child : object(h).children) remove(child);
  Handle parent = object(h).parent;
  auto& siblings = object(parent).children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
  notify({Change::Kind::Deleted, h, {}});
  objects_.erase(h);
  // Forget it wherever it was current.
  for (auto& [handle, obj] : objects_) {
    for (const char* key : {"currentfigure", "currentaxes"}) {
      auto it = obj.properties.find(key);
      if (it != obj.properties.end() && it->second.isNumeric() && it->second.matrix().size() &&
          it->second.matrix()(0) == h)
        it->second = Matrix();
    }
  }
}

Value ObjectModel::get(Handle h, std::string_view name) const {
  const Object& obj = object(h);
  std::string key = propertyKey(name);
  if (key == "type") return obj.type;
  if (key == "parent") return obj.parent < 0 ? Value(Matrix()) : Value(obj.parent);
  if (key == "children") {
    std::vector<Handle> kids = children(h);
    Matrix m(static_cast<Eigen::Index>(kids.size()), kids.empty() ? 0 : 1);
    for (size_t i = 0; i < kids.size(); ++i) m(static_cast<Eigen::Index>(i), 0) = kids[i];
    return m;
  }
  auto it = obj.properties.find(key);
  if (it == obj.properties.end())
    throw Error("There is no " + std::string(name) + " property on the " + obj.type + " class.");
  return it->second;
}

void ObjectModel::set(Handle h, std::string_view name, const Value& value) {
  Object& obj = object(h);
  std::string key = propertyKey(name);
  auto it = obj.properties.find(key);
  if (it == obj.properties.end())
    throw Error("There is no " + std::string(name) + " property on the " + obj.type + " class.");
  if (it->second == value) return;
  it->second = value;
  notify({Change::Kind::Property, h, key});
}

void ObjectModel::set(Handle h, const PropertyList& props) {
  for (const auto& [name, value] : props) set(h, name, value);
}

bool ObjectModel::hasProperty(Handle h, std::string_view name) const {
  std::string key = propertyKey(name);
  return key == "type" || key == "parent" || key == "children" ||
         object(h).properties.count(key) > 0;
}

std::vector<std::string> ObjectModel::propertyNames(Handle h) const {
  std::vector<std::string> names;
  for (const auto& [key, value] : object(h).properties) names.push_back(key);
  return names;
}

const std::string& ObjectModel::type(Handle h) const { return object(h).type; }

Handle ObjectModel::parent(Handle h) const { return object(h).parent; }

std::vector<Handle> ObjectModel::children(Handle h) const {
  const auto& kids = object(h).children;
  return {kids.rbegin(), kids.rend()};
}

Handle ObjectModel::figureOf(Handle h) const {
  while (isHandle(h) && h != kRoot) {
    if (type(h) == "figure") return h;
    h = parent(h);
  }
  return -1;
}

std::vector<Handle> ObjectModel::findall(Handle h) const {
  std::vector<Handle> out{h};
  for (Handle child : children(h)) {
    auto below = findall(child);
    out.insert(out.end(), below.begin(), below.end());
  }
  return out;
}

std::vector<Handle> ObjectModel::findobj(std::string_view name, const Value& value) const {
  std::string key = propertyKey(name);
  std::vector<Handle> out;
  for (Handle h : findall(kRoot)) {
    if (!hasProperty(h, key)) continue;
    if (get(h, key) == value) out.push_back(h);
  }
  return out;
}

void ObjectModel::setAppData(Handle h, const std::string& name, const Value& value) {
  object(h).appdata[name] = value;
}

Value ObjectModel::getAppData(Handle h, const std::string& name) const {
  const auto& data = object(h).appdata;
  auto it = data.find(name);
  return it == data.end() ? Value() : it->second;
}

bool ObjectModel::hasAppData(Handle h, const std::string& name) const {
  return object(h).appdata.count(name) > 0;
}

Handle ObjectModel::currentFigure() const {
  Value current = get(kRoot, "CurrentFigure");
  if (current.isEmpty()) return -1;
  Handle h = current.number();
  return isHandle(h) ? h : -1;
}

Handle ObjectModel::gcf() {
  Handle h = currentFigure();
  if (h >= 0) return h;
  h = create("figure", kRoot);
  setCurrentFigure(h);
  return h;
}

Handle ObjectModel::gca() {
  Handle fig = gcf();
  Value current = get(fig, "CurrentAxes");
  if (!current.isEmpty() && isHandle(current.number())) return current.number();
  for (Handle child : children(fig))
    if (type(child) == "axes") {
      set(fig, "CurrentAxes", child);
      return child;
    }
  Handle axes = create("axes", fig);
  set(fig, "CurrentAxes", axes);
  return axes;
}

void ObjectModel::setCurrentFigure(Handle figure) { set(kRoot, "CurrentFigure", figure); }

void ObjectModel::setCurrentAxes(Handle axes) {
  Handle fig = figureOf(axes);
  if (fig < 0) throw Error("Axes must be inside a figure");
  set(fig, "CurrentAxes", axes);
  setCurrentFigure(fig);
}

int ObjectModel::subscribe(Listener listener) {
  listeners_[nextListener_] = std::move(listener);
  return nextListener_++;
}

void ObjectModel::unsubscribe(int id) { listeners_.erase(id); }

void ObjectModel::notify(const Change& change) {
  for (auto& [id, listener] : listeners_) listener(change);
}

}  // namespace tessaly::platform
