#include "core/numbers.h"

#include <charconv>
#include <system_error>

namespace tessaly {

const char* parseNumberPrefix(const char* first, const char* last, double& x) {
  const char* p = first;
  bool negative = false;
  if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  // from_chars takes a minus of its own but no plus: the sign is read here, once.
  if (p == last || *p == '+' || *p == '-') return nullptr;
  double value = 0;
  auto [end, ec] = std::from_chars(p, last, value, std::chars_format::general);
  if (ec != std::errc()) return nullptr;
  x = negative ? -value : value;
  return end;
}

bool parseNumber(std::string_view word, double& x) {
  if (word.empty()) return false;  // its data may be null, as a failed parse's end is
  const char* first = word.data();
  const char* last = first + word.size();
  double value = 0;
  const char* end = parseNumberPrefix(first, last, value);
  if (end != last) return false;
  x = value;
  return true;
}

bool parseCount(std::string_view word, std::uint64_t& n) {
  if (word.empty()) return false;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
  }
  std::uint64_t value = 0;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) return false;
  n = value;
  return true;
}

}  // namespace tessaly
