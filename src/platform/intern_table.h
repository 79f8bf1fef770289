#pragma once
// Distinct values each kept once, with a count of their users, found again by a hash: what
// lets a million plot objects share the few colours and styles they carry. A reference stays
// valid, and the value in place, while the value has users; the slot of a value that lost its
// last user is given to the next new value.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

namespace tessaly::platform {

template <typename T>
class InternTable {
 public:
  using Ref = std::uint32_t;
  static constexpr Ref kMissing = 0xffffffffu;

  const T& operator[](Ref r) const { return slots_[r].value; }
  // The value equal to v with this hash, or kMissing; it gains no user.
  Ref find(const T& v, size_t hash) const {
    auto [first, last] = byHash_.equal_range(hash);
    for (auto it = first; it != last; ++it)
      if (slots_[it->second].value == v) return it->second;
    return kMissing;
  }
  // A value that find() did not find, with its first user.
  Ref insert(T&& v, size_t hash) {
    Ref r;
    if (!free_.empty()) {
      r = free_.back();
      free_.pop_back();
    } else {
      r = static_cast<Ref>(slots_.size());
      slots_.emplace_back();
    }
    slots_[r] = Slot{std::move(v), hash, 1};
    byHash_.emplace(hash, r);
    return r;
  }
  void addRef(Ref r, std::uint32_t n = 1) { slots_[r].refs += n; }
  // One user fewer. When none is left, gone(value) is called and the value is dropped.
  template <typename Gone>
  void release(Ref r, Gone gone) {
    Slot& slot = slots_[r];
    if (--slot.refs > 0) return;
    auto [first, last] = byHash_.equal_range(slot.hash);
    for (auto it = first; it != last; ++it)
      if (it->second == r) {
        byHash_.erase(it);
        break;
      }
    gone(slot.value);
    slot = Slot();
    free_.push_back(r);
  }
  // Distinct values held.
  size_t size() const { return slots_.size() - free_.size(); }

 private:
  struct Slot {
    T value{};
    size_t hash = 0;
    std::uint32_t refs = 0;
  };
  std::deque<Slot> slots_;  // a deque keeps values in place as it grows
  std::vector<Ref> free_;
  std::unordered_multimap<size_t, Ref> byHash_;
};

}  // namespace tessaly::platform
