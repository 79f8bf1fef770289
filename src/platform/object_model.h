#pragma once
// The retained-mode object tree that every window, plot and control lives in: root, figure,
// axes, line, text, patch, uicontrol and uimenu objects, each a numeric handle with a parent,
// children and named properties. Property names are case-insensitive. Every change is
// announced to the listeners, so a front end (windows, renderer) can follow the model.
//
// Built for plots of millions of landmark points: objects sit in a vector indexed by handle
// whose slots are reused some time after their object is deleted; each type's defaults live in
// one shared table and an object stores only the properties that differ from them, as a
// reference to an interned set of them that objects of the same style share (a colour used by a
// million specimens is held once). The points of one style drawn together are one object, a
// point set, whose coordinates are packed in one array shared by the point sets made in the
// same call (a plot of a million specimens allocates it once); the coordinates of a one-point
// line are held in the object itself. Property names are interned to small integer
// ids, Tags are indexed, and removing an object costs only what it removes.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/property_sets.h"
#include "platform/value.h"

namespace tessaly::platform {

using Handle = double;
using PropertyList = std::vector<std::pair<std::string, Value>>;
using PropertyId = int;
// Properties named by interned id (see propertyId below): what fast paths build.
using PropertyIdList = std::vector<std::pair<PropertyId, Value>>;

struct Change {
  // Raised: a figure was brought to the front (`figure(h)`); a window face shows it on top.
  enum class Kind { Created, Property, Deleted, Raised };
  Kind kind;
  Handle handle;
  std::string property;  // lower case; empty unless kind is Property
};

// A property name interned to a small integer; -1 for a name no object type has.
PropertyId propertyId(std::string_view name);
// The lower-case name of an interned property.
const std::string& propertyName(PropertyId id);

class ObjectModel {
 public:
  ObjectModel();
  ~ObjectModel();
  ObjectModel(const ObjectModel&) = delete;
  ObjectModel& operator=(const ObjectModel&) = delete;

  static constexpr Handle kRoot = 0;

  // A new object of a type ("figure", "axes", "line", "text", "patch", "uicontrol",
  // "uimenu") under parent, with the type's default properties and then props. The listeners
  // hear one Created change once the object holds all of props; a bad property leaves no
  // object behind.
  Handle create(const std::string& type, Handle parent, const PropertyList& props = {});
  // The same with interned names; the values are moved out of props (whose storage the
  // caller may reuse). Ids that are not the type's properties are an Error.
  Handle create(const std::string& type, Handle parent, PropertyIdList&& props);
  // A point set under an axes: one line holding the points (x(k), y(k)) with one style (no
  // Tag, Parent or Children among it), what drawing the landmarks of a specimen makes. It has
  // the properties a create() of one-point lines of that style would have, its XData and YData
  // hold all the points (packed, read with coordinates() or get()), and it is drawn as those
  // one-point lines are: a marker at each point, never a line joining them, whatever its
  // LineStyle. No points make no object; the handle is the only element of the result.
  std::vector<Handle> createPoints(Handle axes, std::span<const double> x,
                                   std::span<const double> y, const PropertyIdList& style);
  // Writes the coordinates of point sets of n points each into their packed array: set k's
  // x values at 2nk, its y values at 2nk + n.
  using PointFill = std::function<void(std::span<double> coordinates)>;
  // `count` point sets of `points` points each under an axes, as createPoints of each in
  // order would make them: set k has the style styles[styleOf[k]] and the coordinates that
  // fill writes. Their coordinates are packed in one array allocated once; every style is
  // checked before anything is made. Returns the handles in order (none for no points).
  std::vector<Handle> createPointSets(Handle axes, size_t count, size_t points,
                                      std::span<const PropertyIdList> styles,
                                      std::span<const std::uint32_t> styleOf,
                                      const PointFill& fill);
  // Whether h is a point set, drawn as unjoined points.
  bool isPointSet(Handle h) const;
  // Sets property `to` of h to the value of its property `from` (say "MarkerFaceColor" to
  // the "Color"), sharing the stored value: the restyling tools over many lines.
  void copyProperty(Handle h, PropertyId from, PropertyId to);
  bool isHandle(Handle h) const;
  void remove(Handle h);  // the object and all below it

  // "Type", "Parent" and "Children" (newest first) are read like any property. An unknown
  // object or property is an Error. An axes' "XLim" and "YLim" read the limits shown (see
  // axis.h), whatever their mode.
  Value get(Handle h, std::string_view name) const;
  Value get(Handle h, PropertyId id) const;
  // The stored value itself, without copying and without the computed limits: what the
  // renderer reads for every object it draws. The "XData" and "YData" of a line or patch may
  // be held packed: read them with coordinates() (or get()); peek of them is an Error.
  const Value& peek(Handle h, PropertyId id) const;
  // The numbers of a numeric property in column order, without copying; empty for a text.
  // Valid until the property or the object changes.
  std::span<const double> coordinates(Handle h, PropertyId id) const;
  // Setting a value equal to the present one changes nothing and notifies nothing. Setting
  // "Parent" moves the object (it becomes its new parent's newest child); setting
  // "Children" to a reordering of the children restacks them; "Type" cannot be set. Setting
  // "XLim"/"YLim" makes that limit manual; setting "Units" of a figure, axes or uicontrol
  // converts its "Position" to the new units.
  void set(Handle h, std::string_view name, const Value& value);
  void set(Handle h, PropertyId id, const Value& value);
  void set(Handle h, const PropertyList& props);
  bool hasProperty(Handle h, std::string_view name) const;
  // Objects of one type whose keys are equal hold equal properties, XData and YData aside:
  // a renderer works out the style of the first and reuses it for the rest. Valid while the
  // model is unchanged.
  std::uint64_t styleKey(Handle h) const;
  // Names of every property the object has, lower case, in the type's order.
  std::vector<std::string> propertyNames(Handle h) const;

  const std::string& type(Handle h) const;
  Handle parent(Handle h) const;
  std::vector<Handle> children(Handle h) const;  // newest first
  size_t childCount(Handle h) const;
  // The figure an object belongs to, or nothing (-1) when it is not inside one.
  Handle figureOf(Handle h) const;
  // Live objects, the root included.
  size_t objectCount() const { return live_; }
  // Object slots allocated, live or waiting for reuse: grows only when more objects live at
  // once than ever before.
  size_t slotCount() const { return objects_.size(); }

  // h and every object below it, depth first, h first, children newest first.
  std::vector<Handle> findall(Handle h = kRoot) const;
  // Objects whose property equals value (texts compared exactly), searched from the root, in
  // findall order. A search by a non-empty Tag uses the Tag index and walks nothing.
  std::vector<Handle> findobj(std::string_view name, const Value& value) const;

  void setAppData(Handle h, const std::string& name, const Value& value);
  Value getAppData(Handle h, const std::string& name) const;  // empty when not set
  bool hasAppData(Handle h, const std::string& name) const;
  void removeAppData(Handle h, const std::string& name);

  // Current figure and axes, made when there are none (as plotting does).
  Handle gcf();
  Handle gca();
  // The current figure, or -1 when there is none; never makes one.
  Handle currentFigure() const;
  // The current axes of the current figure, or -1; never makes one.
  Handle currentAxes() const;
  void setCurrentFigure(Handle figure);
  void setCurrentAxes(Handle axes);  // also makes its figure current
  // Tells the listeners to bring a figure to the front.
  void raise(Handle figure);

  using Listener = std::function<void(const Change&)>;
  int subscribe(Listener listener);
  void unsubscribe(int id);

 private:
  using Index = std::uint32_t;
  static constexpr Index kNone = 0xffffffffu;
  struct Object {
    std::uint8_t type = 0;
    bool alive = false;
    // Which coordinates are held in the object rather than in the property set: those of a
    // one-point line in x and y (kXInPlace, kYInPlace), both of a point set in points
    // (kPacked).
    std::uint8_t inPlace = 0;
    bool pointSet = false;
    Index parent = kNone;
    Index firstChild = kNone, lastChild = kNone;  // oldest, newest
    Index prevSibling = kNone, nextSibling = kNone;
    Index childCount = 0;
    // The properties that differ from the type's defaults, shared with every object that
    // stores the same ones.
    PropertySets::Id props = PropertySets::kEmpty;
    std::uint32_t pointCount = 0;  // of a point set
    std::uint64_t stamp = 0;       // order among siblings: larger is newer
    // The coordinates of a one-point line (xy), or where a point set's are: set number `set`
    // of the point block `block`, pointCount x values, then as many y values.
    struct PackedAt {
      std::uint32_t block, set;
    };
    union At {
      double xy[2] = {0, 0};
      PackedAt packed;
    } at;
  };
  // The coordinates of point sets made together, freed with the last of them.
  struct PointBlock {
    std::unique_ptr<double[]> data;
    std::uint32_t users = 0;
  };
  static constexpr std::uint8_t kXInPlace = 1, kYInPlace = 2, kPacked = 4;

  Index index(Handle h) const;  // Error for a handle that is not a live object
  const Object& object(Handle h) const { return objects_[index(h)]; }
  Object& object(Handle h) { return objects_[index(h)]; }
  const Value* findValue(const Object& obj, PropertyId id) const;
  std::optional<std::span<const double>> inPlaceData(const Object& obj, PropertyId id) const;
  void unpackPoints(Index i);
  PropertySets::Id internPointStyle(const PropertyIdList& style);
  std::vector<Handle> placePointSets(Index axes, size_t count, size_t points,
                                     const std::vector<PropertySets::Id>& shared,
                                     std::span<const std::uint32_t> styleOf, const PointFill& fill);
  std::uint32_t addPointBlock(std::unique_ptr<double[]> data, size_t users);
  const double* packedPoints(const Object& obj) const;
  void releasePoints(Object& obj);
  void storeInSet(Object& obj, PropertyId id, std::optional<ValuePool::Ref> value);
  bool holds(const Object& obj, PropertyId id, const Value& v) const;
  static bool packed(std::uint8_t type, PropertyId id);
  Index allocate();
  void releaseEntries(Object& obj);
  void freeSlot(Index i);
  PropertyId checkedId(const Object& obj, std::string_view name) const;
  void store(Index i, PropertyId id, Value value);
  void link(Index child, Index parent);
  void unlink(Index child);
  void removeTree(Index i);
  void indexTag(Index i, const Value& tag, bool add);
  void forgetCurrent(Index i);
  bool setSpecial(Handle h, PropertyId id, const Value& value);
  Index currentOf(Index holder, PropertyId id, std::uint8_t type) const;
  void convertUnits(Handle h, const Value& units);
  bool treeOrderLess(Index a, Index b) const;
  void notify(Change::Kind kind, Handle h, PropertyId id = -1);

  // Objects indexed by handle, in fixed blocks so that growing never moves an object.
  class Store {
   public:
    Object& operator[](Index i) { return blocks_[i >> kShift][i & kMask]; }
    const Object& operator[](Index i) const { return blocks_[i >> kShift][i & kMask]; }
    size_t size() const { return size_; }
    void reserve(size_t n) { blocks_.reserve((n + kMask) >> kShift); }
    Object& emplace_back() {
      if (size_ == blocks_.size() << kShift)
        blocks_.push_back(std::make_unique<Object[]>(size_t{1} << kShift));
      return (*this)[static_cast<Index>(size_++)];
    }

   private:
    static constexpr unsigned kShift = 12;
    static constexpr Index kMask = (Index{1} << kShift) - 1;
    std::vector<std::unique_ptr<Object[]>> blocks_;
    size_t size_ = 0;
  };
  Store objects_;
  static constexpr size_t kQuarantine = 4096;
  std::deque<Index> freeSlots_;  // slots of deleted objects, oldest first
  std::vector<PointBlock> pointBlocks_;
  std::vector<std::uint32_t> freePointBlocks_;
  ValuePool pool_;
  PropertySets sets_{pool_};
  std::unordered_map<Index, std::map<std::string, Value>> appdata_;
  size_t live_ = 0;
  Index creating_ = kNone;  // the object create() is filling in
  std::uint64_t nextStamp_ = 1;
  std::unordered_map<std::string, std::vector<Index>> tags_;
  std::map<int, Listener> listeners_;
  int nextListener_ = 1;
};

// Lower case of a property name, as the model stores it.
std::string propertyKey(std::string_view name);

// Size in pixels of one unit of a position measured in units ("pixels", "points", "inches",
// "centimeters", "characters"; "normalized" is relative to the parent and not handled here):
// horizontal and vertical factors. An Error for an unknown unit.
std::pair<double, double> pixelsPerUnit(const std::string& units);

// The box of a figure, axes or uicontrol, [left bottom width height], in pixels; for the root,
// its ScreenSize. "normalized" units are fractions of the enclosing figure (of the screen for
// a figure).
RowVector pixelPosition(const ObjectModel& m, Handle h);

}  // namespace tessaly::platform
