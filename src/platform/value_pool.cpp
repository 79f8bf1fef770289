#include "platform/value_pool.h"

#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

namespace tessaly::platform {

namespace {

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

namespace {

// The reference to a value equal to v, counted once more; a copy of v (or v itself, moved) is
// added only when the value is new.
template <typename V>
ValuePool::Ref acquireIn(InternTable<Value>& values, V&& v) {
  size_t hash = hashValue(v);
  ValuePool::Ref r = values.find(v, hash);
  if (r == InternTable<Value>::kMissing) return values.insert(Value(std::forward<V>(v)), hash);
  values.addRef(r);
  return r;
}

}  // namespace

ValuePool::Ref ValuePool::acquire(const Value& v) {
  return acquireIn(values_, v);
}

ValuePool::Ref ValuePool::acquire(Value&& v) {
  return acquireIn(values_, std::move(v));
}

}  // namespace tessaly::platform
