// Point sets: the landmark points of one style drawn together, held as one object whose
// coordinates are packed in an array of its own.
#include <algorithm>
#include <limits>

#include "core/error.h"
#include "platform/object_model.h"
#include "platform/property_schema.h"

namespace tessaly::platform {

using namespace schema;

namespace {

// The style's entries that differ from the line defaults, a later entry for a property winning
// as with create(); an Error for a property a plotted point cannot have.
std::vector<std::pair<PropertyId, const Value*>> pointStyle(const PropertyIdList& style) {
  const Tables& t = tables();
  const TypeTable& table = t.types[kLineT];
  std::vector<std::pair<PropertyId, const Value*>> last;
  for (const auto& [id, value] : style) {
    if (id < 0 || static_cast<size_t>(id) >= table.has.size() || !table.has[id] || id == t.tag ||
        id == t.xdata || id == t.ydata)
      throw Error("There is no " + (id < 0 ? std::string("such") : propertyName(id)) +
                  " property for a plotted point.");
    const PropertyId key = id;  // clang 14 cannot capture a structured binding
    auto it = std::find_if(last.begin(), last.end(), [&](auto& e) { return e.first == key; });
    if (it != last.end())
      it->second = &value;
    else
      last.emplace_back(id, &value);
  }
  std::erase_if(last, [&](auto& e) { return *e.second == table.byId[e.first]; });
  return last;
}

}  // namespace

std::vector<Handle> ObjectModel::createPoints(Handle axes, std::span<const double> x,
                                              std::span<const double> y,
                                              const PropertyIdList& style) {
  Index p = index(axes);
  if (objects_[p].type != kAxesT) throw Error("Plots are drawn into an axes.");
  if (x.size() != y.size()) throw Error("The x and y data of a plot must have matching sizes.");
  if (x.size() > std::numeric_limits<std::uint32_t>::max())
    throw Error("Too many points for one plot.");
  const auto stored = pointStyle(style);  // checked even when there are no points
  if (x.empty()) return {};
  std::vector<PropertySets::Entry> entries;
  for (const auto& [id, value] : stored)
    entries.push_back({static_cast<std::uint16_t>(id), pool_.acquire(*value)});
  PropertySets::Id shared = sets_.intern(entries);
  for (const PropertySets::Entry& e : entries) pool_.release(e.value);  // the set holds them
  const size_t n = x.size();
  auto points = std::make_unique_for_overwrite<double[]>(2 * n);
  std::copy(x.begin(), x.end(), points.get());
  std::copy(y.begin(), y.end(), points.get() + n);
  Index i = allocate();
  Object& obj = objects_[i];
  obj.type = kLineT;
  obj.alive = true;
  obj.pointSet = true;
  obj.props = shared;
  obj.inPlace = kPacked;
  obj.pointCount = static_cast<std::uint32_t>(n);
  obj.points = std::move(points);
  ++live_;
  link(i, p);
  notify(Change::Kind::Created, i);
  return {static_cast<Handle>(i)};
}

bool ObjectModel::isPointSet(Handle h) const {
  return object(h).pointSet;
}

// Before a point set's XData or YData is stored anew, both move from its packed array to the
// property set, as any line's coordinates are held.
void ObjectModel::unpackPoints(Index i) {
  Object& obj = objects_[i];
  const auto n = static_cast<Eigen::Index>(obj.pointCount);
  RowVector xs = Eigen::Map<const RowVector>(obj.points.get(), n);
  RowVector ys = Eigen::Map<const RowVector>(obj.points.get() + n, n);
  obj.inPlace = 0;
  obj.points.reset();
  obj.pointCount = 0;
  store(i, tables().xdata, std::move(xs));
  store(i, tables().ydata, std::move(ys));
}

}  // namespace tessaly::platform
