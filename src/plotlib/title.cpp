#include "platform/platform.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

// The title of the current axes.
int title(const std::string& text) {
  platform::ObjectModel& m = platform::model();
  m.set(m.gca(), "Title", text);
  return 1;
}

}  // namespace tessaly::plotlib
