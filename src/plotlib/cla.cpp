#include "core/error.h"
#include "platform/platform.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

int cla(Handle axes) {
  platform::ObjectModel& m = platform::model();
  if (m.type(axes) != "axes") throw Error("cla clears an axes.");
  // Each removal costs only the object removed, so clearing a plot of many points is linear.
  for (Handle child : m.children(axes)) {
    const std::string& type = m.type(child);
    if (type == "line" || type == "text" || type == "patch") m.remove(child);
  }
  // The titles go with the plot they were set for: the next display sets its own.
  for (const char* property : {"Title", "XLabel", "YLabel"})
    if (m.hasProperty(axes, property)) m.set(axes, property, std::string());
  return 1;
}

int cla() {
  return cla(platform::model().gca());
}

}  // namespace tessaly::plotlib
