#pragma once
// The stored properties of an object as one shared, immutable set. Hundreds of thousands of
// plotted points carry the same colour, marker, size and line style: they all refer to one
// interned set of (property, value) pairs, so an object holds a four-byte reference instead of
// a list of its own. Changing a property of one object moves that object to another set (made
// when no object has it yet); a set no object uses any more is freed. The values themselves
// live in the ValuePool, each set counting once for each value it holds.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/intern_table.h"
#include "platform/value_pool.h"

namespace tessaly::platform {

class PropertySets {
 public:
  using Id = std::uint32_t;
  struct Entry {
    std::uint16_t property = 0;
    ValuePool::Ref value = 0;
    bool operator==(const Entry&) const = default;
  };
  // The set of no stored properties: every object starts in it. It is never freed.
  static constexpr Id kEmpty = 0;

  explicit PropertySets(ValuePool& pool);
  PropertySets(const PropertySets&) = delete;
  PropertySets& operator=(const PropertySets&) = delete;

  // The entries of a set, ordered by property.
  std::span<const Entry> entries(Id s) const { return sets_[s]; }
  const Entry* find(Id s, std::uint16_t property) const;
  // The set holding the given entries (any order; a property listed twice keeps its last
  // value), counted once for the caller. The caller's own counts of the values are untouched.
  Id intern(std::vector<Entry> entries);
  // The set of s with the property holding value, or without the property; counted once for
  // the caller, s is untouched.
  Id with(Id s, std::uint16_t property, ValuePool::Ref value);
  Id without(Id s, std::uint16_t property);
  // One more (or n more) users of a set already held.
  void addRef(Id s, std::uint32_t n = 1);
  // One user fewer; the set and its counts of its values go when none is left.
  void release(Id s);
  // Distinct sets held, the empty one included.
  size_t size() const { return sets_.size(); }

 private:
  // A change of one property: the set it starts from, the entry set, and the set reached.
  struct Step {
    Id from = kEmpty;
    Entry entry{0xffff, 0};
    Id to = kEmpty;
  };
  static size_t hashEntries(const std::vector<Entry>& entries);
  Id internSorted(std::vector<Entry> entries);  // ordered by property, each once

  ValuePool& pool_;
  InternTable<std::vector<Entry>> sets_;
  std::array<Step, 16> steps_;  // the steps taken last
  size_t nextStep_ = 0;
};

}  // namespace tessaly::platform
