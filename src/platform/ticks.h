#pragma once
// Tick spacing at "nice" values (1, 2 or 5 times a power of ten): shared by the automatic axis
// limits, which round out to a tick, and the renderer, which draws the ticks.
#include <vector>

namespace tessaly::platform {

// How many ticks fit along an axis of `length` pixels with labels `spacing` pixels apart:
// between 2 and 11.
int maxTicks(double length, double spacing);

// The spacing of at most maxTicks ticks over [lo, hi]: 1, 2 or 5 times a power of ten.
double niceStep(double lo, double hi, int maxTicks);

// Tick values inside [lo, hi] (ends included, allowing for rounding) at multiples of a nice
// step chosen for at most maxTicks ticks. Empty for an empty or non-finite range.
std::vector<double> niceTicks(double lo, double hi, int maxTicks);

}  // namespace tessaly::platform
