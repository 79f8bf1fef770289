// The object tree walked and searched, the current figure and axes, application data and the
// listeners told of every change.
#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "platform/object_model.h"
#include "platform/property_schema.h"

namespace tessaly::platform {

using namespace schema;

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

}  // namespace tessaly::platform
