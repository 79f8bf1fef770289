#include "render/ticks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tessaly::render {

int maxTicks(double length, double spacing) {
  return std::clamp(static_cast<int>(length / spacing) + 1, 2, 11);
}

double niceStep(double lo, double hi, int maxTicks) {
  double span = hi - lo;
  if (!(span > 0) || !std::isfinite(span)) return 0;
  maxTicks = std::max(maxTicks, 2);
  // The smallest of 1, 2, 5 times a power of ten that puts at most maxTicks ticks in range.
  double power = std::pow(10.0, std::floor(std::log10(span / maxTicks)));
  for (double mult : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0}) {
    double step = mult * power, eps = step * 1e-6;
    double count = std::floor((hi + eps) / step) - std::ceil((lo - eps) / step) + 1;
    if (count <= maxTicks) return step;
  }
  return 100 * power;
}

std::vector<double> niceTicks(double lo, double hi, int maxTicks) {
  std::vector<double> ticks;
  double step = niceStep(lo, hi, maxTicks);
  if (step <= 0) return ticks;
  double eps = step * 1e-6;
  double first = std::ceil((lo - eps) / step);
  double last = std::floor((hi + eps) / step);
  for (double k = first; k <= last; ++k) {
    double v = k * step;
    if (std::abs(v) < eps) v = 0;  // no "-0" and no 1e-17 at the origin
    ticks.push_back(v);
  }
  return ticks;
}

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
