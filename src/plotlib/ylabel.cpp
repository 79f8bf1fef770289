#include "platform/platform.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

// The label beside the y axis of the current axes.
int ylabel(const std::string& text) {
  platform::ObjectModel& m = platform::model();
  m.set(m.gca(), "YLabel", text);
  return 1;
}

}  // namespace tessaly::plotlib
