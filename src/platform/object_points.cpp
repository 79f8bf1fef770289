// Point sets: the landmark points of one style drawn together, held as one object whose
// coordinates are packed in an array shared with the point sets made in the same call.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
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

// Makes the pages of a large new array present in one call rather than one fault per page as
// the array is first written, which is most of the cost of filling it. Only a hint: where the
// system does not take it, the pages come as they are written.
void prefault(double* data, size_t count) {
  constexpr size_t kLarge = size_t{1} << 20;
  const size_t bytes = count * sizeof(double);
  if (bytes < kLarge) return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const auto last = (reinterpret_cast<std::uintptr_t>(data) + bytes) / page * page;
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
}

}  // namespace

// The interned property set of a point style, counted once for the caller.
PropertySets::Id ObjectModel::internPointStyle(const PropertyIdList& style) {
  std::vector<PropertySets::Entry> entries;
  for (const auto& [id, value] : pointStyle(style))
    entries.push_back({static_cast<std::uint16_t>(id), pool_.acquire(*value)});
  PropertySets::Id shared = sets_.intern(entries);
  for (const PropertySets::Entry& e : entries) pool_.release(e.value);  // the set holds them
  return shared;
}

std::vector<Handle> ObjectModel::createPoints(Handle axes, std::span<const double> x,
                                              std::span<const double> y,
                                              const PropertyIdList& style) {
  if (x.size() != y.size()) throw Error("The x and y data of a plot must have matching sizes.");
  const std::uint32_t styleOf[1] = {0};
  return createPointSets(axes, x.empty() ? 0 : 1, x.size(), {&style, 1}, styleOf,
                         [&](std::span<double> out) {
                           std::copy(x.begin(), x.end(), out.begin());
                           std::copy(y.begin(), y.end(), out.begin() + x.size());
                         });
}

std::vector<Handle> ObjectModel::createPointSets(Handle axes, size_t count, size_t points,
                                                 std::span<const PropertyIdList> styles,
                                                 std::span<const std::uint32_t> styleOf,
                                                 const PointFill& fill) {
  Index p = index(axes);
  if (objects_[p].type != kAxesT) throw Error("Plots are drawn into an axes.");
  constexpr size_t kMost = std::numeric_limits<std::uint32_t>::max();
  if (points > kMost || count > kMost || (points > 0 && count > kMost / 2 / points))
    throw Error("Too many points for one plot.");
  if (styleOf.size() < count) throw Error("Every point set needs a style.");
  for (size_t k = 0; k < count; ++k)
    if (styleOf[k] >= styles.size()) throw Error("Every point set needs a style.");
  // Every style is checked, even when there are no points.
  std::vector<PropertySets::Id> shared;
  for (const PropertyIdList& style : styles) {
    try {
      shared.push_back(internPointStyle(style));
    } catch (...) {
      for (PropertySets::Id s : shared) sets_.release(s);
      throw;
    }
  }
  std::vector<Handle> handles;
  if (points > 0 && count > 0) handles = placePointSets(p, count, points, shared, styleOf, fill);
  for (PropertySets::Id s : shared) sets_.release(s);  // each set made holds its own count
  return handles;
}

// Fills the sets' coordinates in one array, then links the sets in order.
std::vector<Handle> ObjectModel::placePointSets(Index axes, size_t count, size_t points,
                                                const std::vector<PropertySets::Id>& shared,
                                                std::span<const std::uint32_t> styleOf,
                                                const PointFill& fill) {
  auto data = std::make_unique_for_overwrite<double[]>(2 * points * count);
  prefault(data.get(), 2 * points * count);
  fill({data.get(), 2 * points * count});
  const std::uint32_t block = addPointBlock(std::move(data), count);
  std::vector<Handle> handles;
  handles.reserve(count);
  objects_.reserve(objects_.size() + count);
  for (size_t k = 0; k < count; ++k) {
    Index i = allocate();
    Object& obj = objects_[i];
    obj.type = kLineT;
    obj.alive = true;
    obj.pointSet = true;
    obj.props = shared[styleOf[k]];
    sets_.addRef(obj.props);
    obj.inPlace = kPacked;
    obj.pointCount = static_cast<std::uint32_t>(points);
    obj.at.packed = {block, static_cast<std::uint32_t>(k)};
    ++live_;
    link(i, axes);
    notify(Change::Kind::Created, i);
    handles.push_back(static_cast<Handle>(i));
  }
  return handles;
}

std::uint32_t ObjectModel::addPointBlock(std::unique_ptr<double[]> data, size_t users) {
  PointBlock made{std::move(data), static_cast<std::uint32_t>(users)};
  if (!freePointBlocks_.empty()) {
    const std::uint32_t b = freePointBlocks_.back();
    freePointBlocks_.pop_back();
    pointBlocks_[b] = std::move(made);
    return b;
  }
  pointBlocks_.push_back(std::move(made));
  return static_cast<std::uint32_t>(pointBlocks_.size() - 1);
}

const double* ObjectModel::packedPoints(const Object& obj) const {
  return pointBlocks_[obj.at.packed.block].data.get() +
         2 * size_t{obj.pointCount} * obj.at.packed.set;
}

// A point set lets go of its coordinates; the array goes with the last set that used it.
void ObjectModel::releasePoints(Object& obj) {
  if (!(obj.inPlace & kPacked)) return;
  const std::uint32_t b = obj.at.packed.block;
  if (--pointBlocks_[b].users == 0) {
    pointBlocks_[b].data.reset();
    freePointBlocks_.push_back(b);
  }
  obj.inPlace &= static_cast<std::uint8_t>(~kPacked);
  obj.at.xy[0] = obj.at.xy[1] = 0;
  obj.pointCount = 0;
}

bool ObjectModel::isPointSet(Handle h) const {
  return object(h).pointSet;
}

// Before a point set's XData or YData is stored anew, both move from its packed array to the
// property set, as any line's coordinates are held.
void ObjectModel::unpackPoints(Index i) {
  Object& obj = objects_[i];
  const auto n = static_cast<Eigen::Index>(obj.pointCount);
  RowVector xs = Eigen::Map<const RowVector>(packedPoints(obj), n);
  RowVector ys = Eigen::Map<const RowVector>(packedPoints(obj) + n, n);
  releasePoints(obj);
  obj.inPlace = 0;
  store(i, tables().xdata, std::move(xs));
  store(i, tables().ydata, std::move(ys));
}

}  // namespace tessaly::platform
