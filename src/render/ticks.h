#pragma once
// Tick labels; the tick values themselves come from platform/ticks.h.
#include <string>
#include <vector>

#include "platform/ticks.h"

namespace tessaly::render {

using platform::maxTicks;
using platform::niceStep;
using platform::niceTicks;

// A tick label: as many decimals as the step needs, C-locale, never "-0".
std::string tickLabel(double value, double step);

}  // namespace tessaly::render
