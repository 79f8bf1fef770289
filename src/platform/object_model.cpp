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

// The coordinates held in the object itself (of a one-point line or a point set), if that is
// where they are.
std::optional<std::span<const double>> ObjectModel::inPlaceData(const Object& obj,
                                                                PropertyId id) const {
  const Tables& t = tables();
  if (id != t.xdata && id != t.ydata) return std::nullopt;
  if (obj.inPlace & kPacked) {
    const double* first = packedPoints(obj) + (id == t.xdata ? 0 : obj.pointCount);
    return std::span<const double>(first, obj.pointCount);
  }
  if ((obj.inPlace & kXInPlace) && id == t.xdata) return std::span<const double>(&obj.at.xy[0], 1);
  if ((obj.inPlace & kYInPlace) && id == t.ydata) return std::span<const double>(&obj.at.xy[1], 1);
  return std::nullopt;
}

// Whether the property now holds a value equal to v.
bool ObjectModel::holds(const Object& obj, PropertyId id, const Value& v) const {
  if (auto data = inPlaceData(obj, id)) {
    if (!v.isNumeric() || v.matrix().rows() != 1) return false;
    const Matrix& m = v.matrix();
    return static_cast<size_t>(m.cols()) == data->size() &&
           std::equal(data->begin(), data->end(), m.data());
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
  releasePoints(obj);
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
  if (inPlaceData(obj, id))
    throw Error("The " + propertyName(id) + " of this " + t.name + " is read with get.");
  const Value* stored = findValue(obj, id);
  return stored ? *stored : t.byId[id];
}

std::span<const double> ObjectModel::coordinates(Handle h, PropertyId id) const {
  const Object& obj = object(h);
  const TypeTable& t = tableWith(obj.type, id);
  if (auto data = inPlaceData(obj, id)) return *data;
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
  if (packed(objects_[i].type, id) && (objects_[i].inPlace & kPacked)) unpackPoints(i);
  Object& obj = objects_[i];
  bool isDefault = value == tables().types[obj.type].byId[id];
  if (packed(obj.type, id)) {
    std::uint8_t bit = id == tables().xdata ? kXInPlace : kYInPlace;
    obj.inPlace &= static_cast<std::uint8_t>(~bit);
    const Matrix* m = value.isNumeric() ? &value.matrix() : nullptr;
    if (!isDefault && m && m->rows() == 1 && m->cols() == 1) {
      obj.inPlace |= bit;
      obj.at.xy[bit == kXInPlace ? 0 : 1] = (*m)(0);
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
  if (auto data = inPlaceData(obj, id))
    return RowVector(
        Eigen::Map<const RowVector>(data->data(), static_cast<Eigen::Index>(data->size())));
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
