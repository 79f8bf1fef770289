#include "platform/object_model.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/error.h"
#include "platform/axis.h"
#include "platform/property_schema.h"

namespace tessaly::platform {

using namespace schema;

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

// A value stored in the object's property set: every stored property but the coordinates held
// in the object itself.
const Value* ObjectModel::findValue(const Object& obj, PropertyId id) const {
  const PropertySets::Entry* e = sets_.find(obj.props, static_cast<std::uint16_t>(id));
  return e ? &pool_[e->value] : nullptr;
}

// The coordinate of a one-point line held in the object itself, if that is where it is.
const double* ObjectModel::inPlaceNumber(const Object& obj, PropertyId id) {
  const Tables& t = tables();
  if ((obj.inPlace & kXInPlace) && id == t.xdata) return &obj.x;
  if ((obj.inPlace & kYInPlace) && id == t.ydata) return &obj.y;
  return nullptr;
}

// Whether the property now holds a value equal to v.
bool ObjectModel::holds(const Object& obj, PropertyId id, const Value& v) const {
  if (const double* number = inPlaceNumber(obj, id)) {
    if (!v.isNumeric() || v.matrix().rows() != 1 || v.matrix().cols() != 1) return false;
    return v.matrix()(0) == *number;
  }
  if (const Value* stored = findValue(obj, id)) return *stored == v;
  return v == tables().types[obj.type].byId[id];
}

// A freed slot waits until thousands of others have been freed after it, oldest first, so
// that a handle just deleted does not at once name a new object; a replot of any size then
// reuses slots instead of growing the store.
ObjectModel::Index ObjectModel::allocate() {
  if (freeSlots_.size() <= kQuarantine) {
    objects_.emplace_back();
    return static_cast<Index>(objects_.size() - 1);
  }
  Index i = freeSlots_.front();
  freeSlots_.pop_front();
  return i;
}

void ObjectModel::releaseEntries(Object& obj) {
  sets_.release(obj.props);
  obj.props = PropertySets::kEmpty;
  obj.inPlace = 0;
}

// Frees the slot of an object that has been unlinked, for the next object made.
void ObjectModel::freeSlot(Index i) {
  releaseEntries(objects_[i]);
  objects_[i] = Object();
  appdata_.erase(i);
  freeSlots_.push_back(i);
  --live_;
}

PropertyId ObjectModel::checkedId(const Object& obj, std::string_view name) const {
  PropertyId id = propertyId(name);
  if (id >= 0 && (isSpecial(id) || tables().types[obj.type].has[id])) return id;
  throw Error("There is no " + std::string(name) + " property on the " +
              tables().types[obj.type].name + " class.");
}

namespace {

// The table of a class of objects, after checking that the class has the property id.
const TypeTable& tableWith(std::size_t type, PropertyId id) {
  const TypeTable& t = tables().types[type];
  if (id < 0 || static_cast<size_t>(id) >= t.has.size() || !t.has[id])
    throw Error("There is no " + (id < 0 ? std::string("such") : propertyName(id)) +
                " property on the " + t.name + " class.");
  return t;
}

}  // namespace

const Value& ObjectModel::peek(Handle h, PropertyId id) const {
  const Object& obj = object(h);
  const TypeTable& t = tableWith(obj.type, id);
  if (inPlaceNumber(obj, id))
    throw Error("The " + propertyName(id) + " of this " + t.name + " is read with get.");
  const Value* stored = findValue(obj, id);
  return stored ? *stored : t.byId[id];
}

std::span<const double> ObjectModel::coordinates(Handle h, PropertyId id) const {
  const Object& obj = object(h);
  const TypeTable& t = tableWith(obj.type, id);
  if (const double* number = inPlaceNumber(obj, id)) return {number, 1};
  const Value* stored = findValue(obj, id);
  const Value& v = stored ? *stored : t.byId[id];
  if (!v.isNumeric()) return {};
  return {v.matrix().data(), static_cast<size_t>(v.matrix().size())};
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
  Index i = allocate();
  Object& obj = objects_[i];
  obj.type = code;
  obj.alive = true;
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
    freeSlot(i);
    creating_ = kNone;
    throw;
  }
  creating_ = kNone;
  notify(Change::Kind::Created, h);
  return h;
}

// Whether a property of the type is held in place when it is a single number.
bool ObjectModel::packed(std::uint8_t type, PropertyId id) {
  const Tables& t = tables();
  return (type == kLineT || type == kPatchT) && (id == t.xdata || id == t.ydata);
}

void ObjectModel::store(Index i, PropertyId id, Value value) {
  Object& obj = objects_[i];
  bool isDefault = value == tables().types[obj.type].byId[id];
  if (packed(obj.type, id)) {
    std::uint8_t bit = id == tables().xdata ? kXInPlace : kYInPlace;
    obj.inPlace &= static_cast<std::uint8_t>(~bit);
    const Matrix* m = value.isNumeric() ? &value.matrix() : nullptr;
    if (!isDefault && m && m->rows() == 1 && m->cols() == 1) {
      obj.inPlace |= bit;
      (bit == kXInPlace ? obj.x : obj.y) = (*m)(0);
      storeInSet(obj, id, std::nullopt);
      return;
    }
  }
  if (isDefault) {
    storeInSet(obj, id, std::nullopt);
    return;
  }
  ValuePool::Ref ref = pool_.acquire(std::move(value));
  storeInSet(obj, id, ref);
  pool_.release(ref);
}

// Moves the object to the property set that differs from its own in property id alone: id
// holding the pooled value, or not stored when there is none. The caller keeps its own count of
// the value; the set takes one of its own.
void ObjectModel::storeInSet(Object& obj, PropertyId id, std::optional<ValuePool::Ref> value) {
  auto key = static_cast<std::uint16_t>(id);
  PropertySets::Id next =
      value ? sets_.with(obj.props, key, *value) : sets_.without(obj.props, key);
  sets_.release(obj.props);
  obj.props = next;
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
    const Value* v = findValue(objects_[holder], id);
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
  if (const Value* tag = findValue(objects_[i], tables().tag)) indexTag(i, *tag, false);
  unlink(i);
  freeSlot(i);
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
  if (const double* number = inPlaceNumber(obj, id)) return *number;
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
  if (holds(objects_[i], id, value)) return;
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
  if (holds(obj, id, value)) return false;
  store(i, id, value);
  notify(Change::Kind::Property, h, id);
  return true;
}

void ObjectModel::set(Handle h, const PropertyList& props) {
  for (const auto& [name, value] : props) set(h, name, value);
}

std::uint64_t ObjectModel::styleKey(Handle h) const {
  const Object& obj = object(h);
  return (std::uint64_t{obj.type} << 32) | obj.props;
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
    if (computed ? get(h, id) == value : holds(obj, id, value)) out.push_back(h);
  }
  return out;
}

void ObjectModel::setAppData(Handle h, const std::string& name, const Value& value) {
  appdata_[index(h)][name] = value;
}

Value ObjectModel::getAppData(Handle h, const std::string& name) const {
  auto found = appdata_.find(index(h));
  if (found == appdata_.end()) return Value();
  auto it = found->second.find(name);
  return it == found->second.end() ? Value() : it->second;
}

bool ObjectModel::hasAppData(Handle h, const std::string& name) const {
  auto found = appdata_.find(index(h));
  return found != appdata_.end() && found->second.count(name) > 0;
}

void ObjectModel::removeAppData(Handle h, const std::string& name) {
  auto found = appdata_.find(index(h));
  if (found != appdata_.end()) found->second.erase(name);
}

// The handle a current-object property holds, when it is a live object of the type; read
// directly, as every plot call asks.
ObjectModel::Index ObjectModel::currentOf(Index holder, PropertyId id, std::uint8_t type) const {
  const Value* v = findValue(objects_[holder], id);
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

std::vector<Handle> ObjectModel::createPoints(Handle axes, std::span<const double> x,
                                              std::span<const double> y,
                                              const PropertyIdList& style) {
  const Tables& t = tables();
  Index p = index(axes);
  if (objects_[p].type != kAxesT) throw Error("Plots are drawn into an axes.");
  if (x.size() != y.size()) throw Error("The x and y data of a plot must have matching sizes.");
  const TypeTable& table = t.types[kLineT];
  // The style's values enter the pool once for all the points; a later entry for the same
  // property wins, as with create().
  std::vector<std::pair<PropertyId, const Value*>> last;
  for (const auto& entry : style) {
    const PropertyId id = entry.first;
    const Value& value = entry.second;
    if (id < 0 || static_cast<size_t>(id) >= table.has.size() || !table.has[id] || id == t.tag ||
        id == t.xdata || id == t.ydata)
      throw Error("There is no " + (id < 0 ? std::string("such") : propertyName(id)) +
                  " property for a plotted point.");
    auto it = std::find_if(last.begin(), last.end(), [&](auto& e) { return e.first == id; });
    if (it != last.end())
      it->second = &value;
    else
      last.emplace_back(id, &value);
  }
  std::vector<PropertySets::Entry> entries;
  for (const auto& [id, value] : last)
    if (!(*value == table.byId[id]))
      entries.push_back({static_cast<std::uint16_t>(id), pool_.acquire(*value)});
  PropertySets::Id shared = sets_.intern(entries);
  for (const PropertySets::Entry& e : entries) pool_.release(e.value);  // the set holds them
  sets_.addRef(shared, static_cast<std::uint32_t>(x.size()));
  std::vector<Handle> handles;
  handles.reserve(x.size());
  for (size_t k = 0; k < x.size(); ++k) {
    Index i = allocate();
    Object& obj = objects_[i];
    obj.type = kLineT;
    obj.alive = true;
    obj.props = shared;
    obj.inPlace = kXInPlace | kYInPlace;
    obj.x = x[k];
    obj.y = y[k];
    ++live_;
    link(i, p);
    handles.push_back(i);
    notify(Change::Kind::Created, i);
  }
  sets_.release(shared);  // the style's own hold
  return handles;
}

void ObjectModel::copyProperty(Handle h, PropertyId from, PropertyId to) {
  Index i = index(h);
  const Object& obj = objects_[i];
  const TypeTable& table = tables().types[obj.type];
  for (PropertyId id : {from, to})
    if (id < 0 || static_cast<size_t>(id) >= table.has.size() || !table.has[id] ||
        id == tables().tag || packed(obj.type, id))
      throw Error("There is no " + (id < 0 ? std::string("such") : propertyName(id)) +
                  " property to copy on the " + table.name + " class.");
  const Value* source = findValue(obj, from);
  const Value& value = source ? *source : table.byId[from];
  if (holds(obj, to, value)) return;
  if (!source || value == table.byId[to]) {
    store(i, to, value);
  } else {
    // The value is in the pool already: the new set shares it without a lookup.
    ValuePool::Ref ref = sets_.find(obj.props, static_cast<std::uint16_t>(from))->value;
    storeInSet(objects_[i], to, ref);
  }
  notify(Change::Kind::Property, h, to);
}

}  // namespace tessaly::platform
