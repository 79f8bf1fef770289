#pragma once
// Shared storage for property values. Hundreds of thousands of plot objects carry the same
// few colours, marker letters and sizes; the pool keeps one copy of each distinct value and
// counts the objects that use it, so an object holds a four-byte reference instead of a value
// with its own heap allocation. A value no object uses any more is freed.
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "platform/value.h"

namespace tessaly::platform {

class ValuePool {
 public:
  using Ref = std::uint32_t;

  // A reference to a value equal to v, counted once more; v is added when it is new.
  Ref acquire(const Value& v);
  Ref acquire(Value&& v);
  // One more (or n more) users of a value already held.
  void addRef(Ref r, std::uint32_t n = 1) { slots_[r].refs += n; }
  // One user fewer; the value goes when none is left.
  void release(Ref r);
  // The value; the reference stays valid while the value has users.
  const Value& operator[](Ref r) const { return slots_[r].value; }
  // Distinct values held.
  size_t size() const { return slots_.size() - free_.size(); }

 private:
  struct Slot {
    Value value;
    size_t hash = 0;
    std::uint32_t refs = 0;
  };
  Ref lookup(const Value& v, size_t hash) const;
  Ref insert(Value&& v, size_t hash);

  std::deque<Slot> slots_;  // a deque keeps values in place as it grows
  std::vector<Ref> free_;
  std::unordered_multimap<size_t, Ref> byHash_;
};

// A hash consistent with Value's equality for the values properties hold.
size_t hashValue(const Value& v);

}  // namespace tessaly::platform
