#include "platform/value_pool.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace tessaly::platform {

namespace {

constexpr ValuePool::Ref kMissing = 0xffffffffu;

size_t mix(size_t seed, size_t h) {
  return seed ^ (h + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
}

size_t hashDouble(double x) {
  if (x == 0) x = 0;  // -0 equals +0
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return std::hash<std::uint64_t>{}(bits);
}

}  // namespace

size_t hashValue(const Value& v) {
  if (v.isNumeric()) {
    const Matrix& m = v.matrix();
    size_t h = mix(static_cast<size_t>(m.rows()), static_cast<size_t>(m.cols()));
    for (Eigen::Index k = 0; k < m.size(); ++k) h = mix(h, hashDouble(m.data()[k]));
    return h;
  }
  if (v.isText()) return mix(1, std::hash<std::string>{}(v.text()));
  if (v.isTexts()) {
    size_t h = 2;
    for (const std::string& s : v.texts()) h = mix(h, std::hash<std::string>{}(s));
    return h;
  }
  return mix(3, std::hash<const void*>{}(&v.record()));  // records are equal only to themselves
}

ValuePool::Ref ValuePool::lookup(const Value& v, size_t hash) const {
  auto [first, last] = byHash_.equal_range(hash);
  for (auto it = first; it != last; ++it)
    if (slots_[it->second].value == v) return it->second;
  return kMissing;
}

ValuePool::Ref ValuePool::insert(Value&& v, size_t hash) {
  Ref r;
  if (!free_.empty()) {
    r = free_.back();
    free_.pop_back();
  } else {
    r = static_cast<Ref>(slots_.size());
    slots_.emplace_back();
  }
  slots_[r].value = std::move(v);
  slots_[r].hash = hash;
  slots_[r].refs = 1;
  byHash_.emplace(hash, r);
  return r;
}

ValuePool::Ref ValuePool::acquire(const Value& v) {
  size_t hash = hashValue(v);
  Ref r = lookup(v, hash);
  if (r != kMissing) {
    ++slots_[r].refs;
    return r;
  }
  return insert(Value(v), hash);
}

ValuePool::Ref ValuePool::acquire(Value&& v) {
  size_t hash = hashValue(v);
  Ref r = lookup(v, hash);
  if (r != kMissing) {
    ++slots_[r].refs;
    return r;
  }
  return insert(std::move(v), hash);
}

void ValuePool::release(Ref r) {
  Slot& slot = slots_[r];
  if (--slot.refs > 0) return;
  auto [first, last] = byHash_.equal_range(slot.hash);
  for (auto it = first; it != last; ++it)
    if (it->second == r) {
      byHash_.erase(it);
      break;
    }
  slot.value = Value();
  free_.push_back(r);
}

}  // namespace tessaly::platform
