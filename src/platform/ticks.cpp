#include "platform/ticks.h"

#include <algorithm>
#include <cmath>

namespace tessaly::platform {

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

}  // namespace tessaly::platform
