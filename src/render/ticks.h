#pragma once
// Tick marks at "nice" values (1, 2 or 5 times a power of ten) and their labels.
#include <string>
#include <vector>

namespace tessaly::render {

// The spacing of at most maxTicks ticks over [lo, hi]: 1, 2 or 5 times a power of ten.
double niceStep(double lo, double hi, int maxTicks);

// How many ticks fit along an axis of `length` pixels with labels `spacing` pixels apart:
// between 2 and 11.
int maxTicks(double length, double spacing);

// Tick values inside [lo, hi] (ends included, allowing for rounding) at multiples of a nice
// step chosen for at most maxTicks ticks. Empty for an empty or non-finite range.
std::vector<double> niceTicks(double lo, double hi, int maxTicks);

// A tick label: as many decimals as the step needs, C-locale, never "-0".
std::string tickLabel(double value, double step);

}  // namespace tessaly::render
