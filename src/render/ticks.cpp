#include "render/ticks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tessaly::render {

std::string tickLabel(double value, double step) {
  if (value == 0) return "0";
  char buf[64];
  double magnitude = std::max(std::abs(value), step);
  std::to_chars_result r;
  if (magnitude >= 1e6 || magnitude < 1e-4) {
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  } else {
    int decimals =
        step > 0 ? std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9))) : 4;
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  }
  return std::string(buf, r.ptr);
}

}  // namespace tessaly::render
