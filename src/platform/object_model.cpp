#include "platform/object_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <deque>

#include "core/error.h"
#include "platform/axis.h"

namespace tessaly::platform {

namespace {
// Property names and the words they take are ASCII.
inline char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
}  // namespace

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

struct TypeTable {
  std::string name;
  std::vector<PropertyId> order;  // the type's properties in the order listed above
  std::vector<Value> byId;        // default per property id
  std::vector<char> has;          // whether the type has the property
};

const char* const kTypeNames[] = {"root", "text",   "line",      "patch",
                                  "axes", "figure", "uicontrol", "uimenu"};
enum TypeCode : std::uint8_t {
  kRootT,
  kTextT,
  kLineT,
  kPatchT,
  kAxesT,
  kFigureT,
  kUicontrolT,
  kUimenuT,
  kTypeCount
};

struct Tables {
  std::vector<TypeTable> types;
  PropertyId type, parent, children, tag, xlim, ylim, xlimmode, ylimmode, units, position,
      currentFigure, currentAxes;

  Tables() {
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
  }
};

[[gnu::noinline]] const Tables& buildTables() {
  static const Tables t;
  return t;
}

inline const Tables& tables() {
  static const Tables& t = buildTables();
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

}  // namespace

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

std::pair<double, double> pixelsPerUnit(const std::string& units) {
  std::string u = propertyKey(units);
  if (u == "pixels") return {1, 1};
  if (u == "points") return {96.0 / 72, 96.0 / 72};
  if (u == "inches") return {96, 96};
  if (u == "centimeters") return {96 / 2.54, 96 / 2.54};
  // A character cell of the default interface font.
  if (u == "characters") return {5, 13};
  throw Error("Unknown units " + units);
}

// ---- The model ------------------------------------------------------------------------------

ObjectModel::ObjectModel() {
  Object& root = objects_.emplace_back();
  root.type = kRootT;
  root.alive = true;
  live_ = 1;
}

ObjectModel::~ObjectModel() = default;

ObjectModel::Index ObjectModel::index(Handle h) const {
  if (h >= 0 && h < static_cast<double>(objects_.size()) && h == std::floor(h)) {
    Index i = static_cast<Index>(h);
    if (objects_[i].alive) return i;
  }
  throw Error("Invalid or deleted object.");
}

bool ObjectModel::isHandle(Handle h) const {
  if (!(h >= 0 && h < static_cast<double>(objects_.size()) && h == std::floor(h))) return false;
  return objects_[static_cast<Index>(h)].alive;
}

const Value* ObjectModel::find(const Object& obj, PropertyId id) const {
  for (const auto& [key, value] : obj.own)
    if (key == id) return &value;
  return nullptr;
}

PropertyId ObjectModel::checkedId(const Object& obj, std::string_view name) const {
  PropertyId id = propertyId(name);
  if (id >= 0 && (isSpecial(id) || tables().types[obj.type].has[id])) return id;
  throw Error("There is no " + std::string(name) + " property on the " +
              tables().types[obj.type].name + " class.");
}

const Value& ObjectModel::peek(Handle h, PropertyId id) const {
  const Object& obj = object(h);
  const TypeTable& t = tables().types[obj.type];
  if (id < 0 || static_cast<size_t>(id) >= t.has.size() || !t.has[id])
    throw Error("There is no " + (id < 0 ? std::string("such") : propertyName(id)) +
                " property on the " + t.name + " class.");
  const Value* v = find(obj, id);
  return v ? *v : t.byId[id];
}

void ObjectModel::link(Index child, Index parent) {
  Object& c = objects_[child];
  Object& p = objects_[parent];
  c.parent = parent;
  c.prevSibling = p.lastChild;
  c.nextSibling = kNone;
  c.stamp = nextStamp_++;
  if (p.lastChild != kNone)
    objects_[p.lastChild].nextSibling = child;
  else
    p.firstChild = child;
  p.lastChild = child;
  ++p.childCount;
}

void ObjectModel::unlink(Index child) {
  Object& c = objects_[child];
  if (c.parent == kNone) return;
  Object& p = objects_[c.parent];
  if (c.prevSibling != kNone)
    objects_[c.prevSibling].nextSibling = c.nextSibling;
  else
    p.firstChild = c.nextSibling;
  if (c.nextSibling != kNone)
    objects_[c.nextSibling].prevSibling = c.prevSibling;
  else
    p.lastChild = c.prevSibling;
  --p.childCount;
  c.parent = c.prevSibling = c.nextSibling = kNone;
}

void ObjectModel::indexTag(Index i, const Value& tag, bool add) {
  if (!tag.isText() || tag.text().empty()) return;
  auto& list = tags_[tag.text()];
  if (add) {
    list.push_back(i);
    return;
  }
  auto it = std::find(list.begin(), list.end(), i);
  if (it != list.end()) {
    *it = list.back();
    list.pop_back();
  }
  if (list.empty()) tags_.erase(tag.text());
}

Handle ObjectModel::create(const std::string& type, Handle parent, const PropertyList& props) {
  std::uint8_t code = typeCode(type);
  PropertyIdList byId;
  byId.reserve(props.size());
  const TypeTable& table = tables().types[code];
  for (const auto& [name, value] : props) {
    PropertyId id = propertyId(name);
    if (id < 0 || !(isSpecial(id) || table.has[id]))
      throw Error("There is no " + name + " property on the " + table.name + " class.");
    byId.emplace_back(id, value);
  }
  return create(type, parent, std::move(byId));
}

Handle ObjectModel::create(const std::string& type, Handle parent, PropertyIdList&& props) {
  const Tables& t = tables();
  std::uint8_t code = typeCode(type);
  if (code == kRootT) throw Error("There is only one root object");
  Index p = index(parent);
  if (code == kFigureT && p != 0) throw Error("A figure can only be placed in the root");
  if (code != kFigureT && p == 0) throw Error("Only a figure can be placed in the root");
  const TypeTable& table = t.types[code];
  for (const auto& [id, value] : props)
    if (id < 0 || static_cast<size_t>(id) >= table.has.size() || !(isSpecial(id) || table.has[id]))
      throw Error("There is no " + (id < 0 ? std::string("such") : propertyName(id)) +
                  " property on the " + table.name + " class.");
  Index i = static_cast<Index>(objects_.size());
  Object& obj = objects_.emplace_back();
  obj.type = code;
  obj.alive = true;
  obj.own.reserve(props.size());
  ++live_;
  link(i, p);
  Handle h = i;
  creating_ = i;
  try {
    for (auto& [id, value] : props) {
      if (isSpecial(id) || id == t.xlim || id == t.ylim || id == t.units || id == t.tag) {
        setSpecial(h, id, value);  // listeners hear nothing yet: the object is not announced
      } else {
        store(i, id, std::move(value));
      }
    }
  } catch (...) {
    Value tag = peek(h, t.tag);
    indexTag(i, tag, false);
    unlink(i);
    objects_[i] = Object();
    --live_;
    creating_ = kNone;
    throw;
  }
  creating_ = kNone;
  notify(Change::Kind::Created, h);
  return h;
}

void ObjectModel::store(Index i, PropertyId id, Value value) {
  Object& obj = objects_[i];
  const Value& fallback = tables().types[obj.type].byId[id];
  for (auto it = obj.own.begin(); it != obj.own.end(); ++it) {
    if (it->first != id) continue;
    if (value == fallback)
      obj.own.erase(it);
    else
      it->second = std::move(value);
    return;
  }
  if (!(value == fallback)) obj.own.emplace_back(id, std::move(value));
}

void ObjectModel::forgetCurrent(Index i) {
  const Tables& t = tables();
  const Object& obj = objects_[i];
  Handle h = i;
  auto newestOf = [&](Index parent, std::uint8_t type) -> Value {
    for (Index c = objects_[parent].lastChild; c != kNone; c = objects_[c].prevSibling)
      if (c != i && objects_[c].type == type) return Value(static_cast<double>(c));
    return Value(Matrix());
  };
  auto refersTo = [&](Index holder, PropertyId id) {
    const Value* v = find(objects_[holder], id);
    return v && v->isNumeric() && v->matrix().size() && v->matrix()(0) == h;
  };
  if (obj.type == kFigureT && refersTo(0, t.currentFigure)) {
    store(0, t.currentFigure, newestOf(0, kFigureT));
    notify(Change::Kind::Property, kRoot, t.currentFigure);
  } else if (obj.type == kAxesT && obj.parent != kNone && refersTo(obj.parent, t.currentAxes)) {
    store(obj.parent, t.currentAxes, newestOf(obj.parent, kAxesT));
    notify(Change::Kind::Property, static_cast<Handle>(obj.parent), t.currentAxes);
  }
}

void ObjectModel::removeTree(Index i) {
  // Children first, newest first; each unlinks itself, so always take the newest left.
  while (objects_[i].lastChild != kNone) removeTree(objects_[i].lastChild);
  notify(Change::Kind::Deleted, static_cast<Handle>(i));
  forgetCurrent(i);
  if (const Value* tag = find(objects_[i], tables().tag)) indexTag(i, *tag, false);
  unlink(i);
  objects_[i] = Object();
  --live_;
}

void ObjectModel::remove(Handle h) {
  if (h == kRoot || !isHandle(h)) return;
  removeTree(index(h));
}

Value ObjectModel::get(Handle h, std::string_view name) const {
  return get(h, checkedId(object(h), name));
}

Value ObjectModel::get(Handle h, PropertyId id) const {
  const Tables& t = tables();
  const Object& obj = object(h);
  if (id == t.type) return tables().types[obj.type].name;
  if (id == t.parent)
    return obj.parent == kNone ? Value(Matrix()) : Value(static_cast<double>(obj.parent));
  if (id == t.children) {
    Matrix m(static_cast<Eigen::Index>(obj.childCount), obj.childCount ? 1 : 0);
    Eigen::Index row = 0;
    for (Index c = obj.lastChild; c != kNone; c = objects_[c].prevSibling) m(row++, 0) = c;
    return m;
  }
  if (obj.type == kAxesT && (id == t.xlim || id == t.ylim)) {
    RowVector shown = shownLimits(*this, h);
    return id == t.xlim ? RowVector(shown.segment(0, 2)) : RowVector(shown.segment(2, 2));
  }
  return peek(h, id);
}

void ObjectModel::set(Handle h, std::string_view name, const Value& value) {
  set(h, checkedId(object(h), name), value);
}

void ObjectModel::set(Handle h, PropertyId id, const Value& value) {
  const Tables& t = tables();
  Index i = index(h);
  if (id < 0 || (!isSpecial(id) && !tables().types[objects_[i].type].has[id]))
    throw Error("There is no such property on the " + tables().types[objects_[i].type].name +
                " class.");
  if (isSpecial(id) || id == t.xlim || id == t.ylim || id == t.units || id == t.tag) {
    setSpecial(h, id, value);
    return;
  }
  if (peek(h, id) == value) return;
  store(i, id, value);
  notify(Change::Kind::Property, h, id);
}

// Type, Parent, Children, the limits, Units and Tag: properties whose setting does more than
// store the value. Listeners are told of what changed; while an object is being made (not yet
// announced) they are told nothing.
bool ObjectModel::setSpecial(Handle h, PropertyId id, const Value& value) {
  const Tables& t = tables();
  Index i = index(h);
  Object& obj = objects_[i];
  const std::string& typeName = t.types[obj.type].name;
  if (id == t.type) throw Error("The Type of an object cannot be changed.");
  if (id == t.parent) {
    if (!value.isNumeric() || value.matrix().size() != 1) throw Error("Parent must be a handle.");
    Index p = index(value.number());
    if (p == obj.parent) return false;
    for (Index a = p; a != kNone; a = objects_[a].parent)
      if (a == i) throw Error("An object cannot be placed inside itself.");
    std::uint8_t pt = objects_[p].type;
    bool fits = obj.type == kFigureT ? pt == kRootT : pt != kRootT;
    if (!fits || i == 0) throw Error("A " + typeName + " cannot be placed there.");
    unlink(i);
    link(i, p);
    notify(Change::Kind::Property, h, id);
    return true;
  }
  if (id == t.children) {
    Value now = get(h, id);
    if (now == value) return false;
    if (!value.isNumeric() || value.matrix().size() != static_cast<Eigen::Index>(obj.childCount))
      throw Error("Children may only be set to a reordering of the children.");
    std::vector<Index> order;
    for (Eigen::Index k = 0; k < value.matrix().size(); ++k) {
      Handle c = value.matrix()(k);
      if (!isHandle(c) || objects_[index(c)].parent != i)
        throw Error("Children may only be set to a reordering of the children.");
      order.push_back(index(c));
    }
    std::vector<Index> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
      throw Error("Children may only be set to a reordering of the children.");
    for (Index c : order) unlink(c);
    for (auto it = order.rbegin(); it != order.rend(); ++it) link(*it, i);  // oldest first
    notify(Change::Kind::Property, h, id);
    return true;
  }
  if (id == t.xlim || id == t.ylim) {
    if (obj.type == kAxesT) {
      if (!value.isNumeric() || value.matrix().size() != 2 ||
          !(value.matrix()(0) < value.matrix()(1)))
        throw Error("Limits must be a 2-element vector of increasing numbers.");
      PropertyId mode = id == t.xlim ? t.xlimmode : t.ylimmode;
      RowVector limits = value.matrix().reshaped().transpose();
      bool changed = false;
      if (!(peek(h, id) == Value(limits))) {
        store(i, id, limits);
        notify(Change::Kind::Property, h, id);
        changed = true;
      }
      if (!(peek(h, mode) == Value("manual"))) {
        store(i, mode, Value("manual"));
        notify(Change::Kind::Property, h, mode);
        changed = true;
      }
      return changed;
    }
  }
  if (id == t.units && hasBox(obj.type)) {
    if (!value.isText()) throw Error("Units must be a text.");
    if (peek(h, id).isText() && propertyKey(peek(h, id).text()) == propertyKey(value.text()))
      return false;
    convertUnits(h, value);
    return true;
  }
  if (id == t.tag) {
    const Value& old = peek(h, id);
    if (old == value) return false;
    indexTag(i, old, false);
    store(i, id, value);
    indexTag(i, value, true);
    notify(Change::Kind::Property, h, id);
    return true;
  }
  if (peek(h, id) == value) return false;
  store(i, id, value);
  notify(Change::Kind::Property, h, id);
  return true;
}

// The box of an object that has one, [left bottom width height], in pixels.
RowVector pixelPosition(const ObjectModel& m, Handle h) {
  static const PropertyId units = propertyId("Units"), position = propertyId("Position"),
                          screen = propertyId("ScreenSize");
  if (h == ObjectModel::kRoot) return m.peek(h, screen).matrix().reshaped().transpose();
  const Matrix& pos = m.peek(h, position).matrix();
  if (pos.size() < 4) throw Error("A Position has four numbers.");
  RowVector box = pos.reshaped().transpose().head(4);
  std::string u = propertyKey(m.peek(h, units).text());
  if (u == "normalized") {
    Handle parent = m.parent(h);
    if (m.type(h) != "figure") parent = m.figureOf(h) >= 0 ? m.figureOf(h) : parent;
    RowVector outer = pixelPosition(m, parent);
    box(0) *= outer(2);
    box(1) *= outer(3);
    box(2) *= outer(2);
    box(3) *= outer(3);
    return box;
  }
  auto [fx, fy] = pixelsPerUnit(u);
  box(0) *= fx;
  box(2) *= fx;
  box(1) *= fy;
  box(3) *= fy;
  return box;
}

void ObjectModel::convertUnits(Handle h, const Value& units) {
  const Tables& t = tables();
  Index i = index(h);
  std::string u = propertyKey(units.text());
  if (u != "normalized") pixelsPerUnit(u);  // an unknown unit stops here, nothing changed
  RowVector box = pixelPosition(*this, h);
  if (u == "normalized") {
    Handle parent = objects_[i].type == kFigureT ? kRoot : figureOf(h);
    RowVector outer = pixelPosition(*this, parent < 0 ? kRoot : parent);
    box(0) /= outer(2);
    box(1) /= outer(3);
    box(2) /= outer(2);
    box(3) /= outer(3);
  } else {
    auto [fx, fy] = pixelsPerUnit(u);
    box(0) /= fx;
    box(2) /= fx;
    box(1) /= fy;
    box(3) /= fy;
  }
  store(i, t.units, units);
  notify(Change::Kind::Property, h, t.units);
  if (!(peek(h, t.position) == Value(box))) {
    store(i, t.position, box);
    notify(Change::Kind::Property, h, t.position);
  }
}

void ObjectModel::set(Handle h, const PropertyList& props) {
  for (const auto& [name, value] : props) set(h, name, value);
}

bool ObjectModel::hasProperty(Handle h, std::string_view name) const {
  PropertyId id = propertyId(name);
  return id >= 0 && (isSpecial(id) || tables().types[object(h).type].has[id]);
}

std::vector<std::string> ObjectModel::propertyNames(Handle h) const {
  std::vector<std::string> out;
  for (PropertyId id : tables().types[object(h).type].order) out.push_back(propertyName(id));
  return out;
}

const std::string& ObjectModel::type(Handle h) const {
  return tables().types[object(h).type].name;
}

Handle ObjectModel::parent(Handle h) const {
  Index p = object(h).parent;
  return p == kNone ? -1 : static_cast<Handle>(p);
}

std::vector<Handle> ObjectModel::children(Handle h) const {
  const Object& obj = object(h);
  std::vector<Handle> out;
  out.reserve(obj.childCount);
  for (Index c = obj.lastChild; c != kNone; c = objects_[c].prevSibling) out.push_back(c);
  return out;
}

size_t ObjectModel::childCount(Handle h) const {
  return object(h).childCount;
}

Handle ObjectModel::figureOf(Handle h) const {
  if (!isHandle(h)) return -1;
  for (Index i = index(h); i != kNone && i != 0; i = objects_[i].parent)
    if (objects_[i].type == kFigureT) return i;
  return -1;
}

std::vector<Handle> ObjectModel::findall(Handle h) const {
  std::vector<Handle> out;
  std::vector<Index> stack{index(h)};
  while (!stack.empty()) {
    Index i = stack.back();
    stack.pop_back();
    out.push_back(i);
    // Push oldest first so that the newest child comes off the stack first.
    for (Index c = objects_[i].firstChild; c != kNone; c = objects_[c].nextSibling)
      stack.push_back(c);
  }
  return out;
}

// Whether a comes before b in findall order: an ancestor before its descendants, and among
// siblings the newer first.
bool ObjectModel::treeOrderLess(Index a, Index b) const {
  auto path = [&](Index i) {
    std::vector<Index> p;
    for (; i != kNone; i = objects_[i].parent) p.push_back(i);
    std::reverse(p.begin(), p.end());
    return p;
  };
  std::vector<Index> pa = path(a), pb = path(b);
  size_t k = 0;
  while (k < pa.size() && k < pb.size() && pa[k] == pb[k]) ++k;
  if (k == pa.size()) return k != pb.size();  // a is b or an ancestor of b
  if (k == pb.size()) return false;
  return objects_[pa[k]].stamp > objects_[pb[k]].stamp;
}

std::vector<Handle> ObjectModel::findobj(std::string_view name, const Value& value) const {
  PropertyId id = propertyId(name);
  std::vector<Handle> out;
  if (id < 0) return out;
  const Tables& t = tables();
  if (id == t.tag && value.isText() && !value.text().empty()) {
    auto it = tags_.find(value.text());
    if (it == tags_.end()) return out;
    std::vector<Index> hits = it->second;
    if (hits.size() > 1)
      std::sort(hits.begin(), hits.end(), [this](Index a, Index b) { return treeOrderLess(a, b); });
    out.assign(hits.begin(), hits.end());
    return out;
  }
  for (Handle h : findall(kRoot)) {
    const Object& obj = objects_[static_cast<Index>(h)];
    if (!isSpecial(id) && !t.types[obj.type].has[id]) continue;
    bool computed = isSpecial(id) || (obj.type == kAxesT && (id == t.xlim || id == t.ylim));
    if (computed ? get(h, id) == value : peek(h, id) == value) out.push_back(h);
  }
  return out;
}

void ObjectModel::setAppData(Handle h, const std::string& name, const Value& value) {
  Object& obj = object(h);
  if (!obj.appdata) obj.appdata = std::make_unique<std::map<std::string, Value>>();
  (*obj.appdata)[name] = value;
}

Value ObjectModel::getAppData(Handle h, const std::string& name) const {
  const Object& obj = object(h);
  if (!obj.appdata) return Value();
  auto it = obj.appdata->find(name);
  return it == obj.appdata->end() ? Value() : it->second;
}

bool ObjectModel::hasAppData(Handle h, const std::string& name) const {
  const Object& obj = object(h);
  return obj.appdata && obj.appdata->count(name) > 0;
}

void ObjectModel::removeAppData(Handle h, const std::string& name) {
  Object& obj = object(h);
  if (obj.appdata) obj.appdata->erase(name);
}

// The handle a current-object property holds, when it is a live object of the type; read
// directly, as every plot call asks.
ObjectModel::Index ObjectModel::currentOf(Index holder, PropertyId id, std::uint8_t type) const {
  const Value* v = find(objects_[holder], id);
  if (!v || !v->isNumeric()) return kNone;
  const Matrix& m = v->matrix();
  if (m.size() == 0) return kNone;
  Handle h = m(0);
  if (!(h >= 0 && h < static_cast<double>(objects_.size()) && h == std::floor(h))) return kNone;
  Index i = static_cast<Index>(h);
  return objects_[i].alive && objects_[i].type == type ? i : kNone;
}

Handle ObjectModel::currentFigure() const {
  Index fig = currentOf(0, tables().currentFigure, kFigureT);
  return fig == kNone ? -1 : static_cast<Handle>(fig);
}

Handle ObjectModel::currentAxes() const {
  Index fig = currentOf(0, tables().currentFigure, kFigureT);
  if (fig == kNone) return -1;
  Index axes = currentOf(fig, tables().currentAxes, kAxesT);
  return axes == kNone ? -1 : static_cast<Handle>(axes);
}

Handle ObjectModel::gcf() {
  Handle h = currentFigure();
  if (h >= 0) return h;
  h = create("figure", kRoot);
  setCurrentFigure(h);
  return h;
}

Handle ObjectModel::gca() {
  Handle current = currentAxes();
  if (current >= 0) return current;
  Handle fig = gcf();
  for (Index c = objects_[index(fig)].lastChild; c != kNone; c = objects_[c].prevSibling)
    if (objects_[c].type == kAxesT) {
      set(fig, tables().currentAxes, static_cast<double>(c));
      return c;
    }
  Handle axes = create("axes", fig);
  set(fig, tables().currentAxes, axes);
  return axes;
}

void ObjectModel::setCurrentFigure(Handle figure) {
  if (objects_[index(figure)].type != kFigureT) throw Error("Not a figure");
  set(kRoot, tables().currentFigure, figure);
}

void ObjectModel::setCurrentAxes(Handle axes) {
  if (objects_[index(axes)].type != kAxesT) throw Error("Not an axes");
  Handle fig = figureOf(axes);
  if (fig < 0) throw Error("Axes must be inside a figure");
  set(fig, tables().currentAxes, axes);
  setCurrentFigure(fig);
}

void ObjectModel::raise(Handle figure) {
  if (objects_[index(figure)].type != kFigureT) throw Error("Not a figure");
  notify(Change::Kind::Raised, figure);
}

int ObjectModel::subscribe(Listener listener) {
  listeners_[nextListener_] = std::move(listener);
  return nextListener_++;
}

void ObjectModel::unsubscribe(int id) {
  listeners_.erase(id);
}

void ObjectModel::notify(Change::Kind kind, Handle h, PropertyId id) {
  if (listeners_.empty()) return;
  // An object being made is announced once, whole, when it is complete.
  if (kind == Change::Kind::Property && creating_ != kNone && h == creating_) return;
  Change change{kind, h, id >= 0 ? propertyName(id) : std::string()};
  // A listener may unsubscribe itself (or others) while being told.
  std::vector<int> ids;
  for (auto& [key, listener] : listeners_) ids.push_back(key);
  for (int key : ids) {
    auto it = listeners_.find(key);
    if (it != listeners_.end()) it->second(change);
  }
}

}  // namespace tessaly::platform
