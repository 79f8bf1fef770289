#pragma once
// Shared storage for property values. Hundreds of thousands of plot objects carry the same
// few colours, marker letters and sizes; the pool keeps one copy of each distinct value and
// counts the property sets that use it, so a set holds a four-byte reference instead of a value
// with its own heap allocation. A value nothing uses any more is freed.
#include <cstdint>

#include "platform/intern_table.h"
#include "platform/value.h"

namespace tessaly::platform {

class ValuePool {
 public:
  using Ref = InternTable<Value>::Ref;

  // A reference to a value equal to v, counted once more; v is added when it is new.
  Ref acquire(const Value& v);
  Ref acquire(Value&& v);
  // One more (or n more) users of a value already held.
  void addRef(Ref r, std::uint32_t n = 1) { values_.addRef(r, n); }
  // One user fewer; the value goes when none is left.
  void release(Ref r) {
    values_.release(r, [](const Value&) {});
  }
  // The value; the reference stays valid while the value has users.
  const Value& operator[](Ref r) const { return values_[r]; }
  // Distinct values held.
  size_t size() const { return values_.size(); }

 private:
  InternTable<Value> values_;
};

// A hash consistent with Value's equality for the values properties hold.
size_t hashValue(const Value& v);

}  // namespace tessaly::platform
