#include "platform/platform.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

// The label under the x axis of the current axes.
int xlabel(const std::string& text) {
  platform::ObjectModel& m = platform::model();
  m.set(m.gca(), "XLabel", text);
  return 1;
}

}  // namespace tessaly::plotlib
