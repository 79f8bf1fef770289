// The window-file reader on any bytes: it builds one window, or refuses the file and leaves
// no part of a window behind.
#include <cstdlib>

#include "core/error.h"
#include "fuzz_file.h"
#include "platform/platform.h"
#include "platform/window_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaly::platform;
  const std::string path = tessaly::fuzz::writeInput(data, size, ".fig");
  ObjectModel& m = model();
  const std::vector<Handle> before = m.children(ObjectModel::kRoot);
  try {
    Handle fig = hgload(path);
    if (m.type(fig) != "figure" || m.children(ObjectModel::kRoot).size() != before.size() + 1)
      std::abort();
    m.remove(fig);
  } catch (const tessaly::Error&) {
  }
  if (m.children(ObjectModel::kRoot) != before) std::abort();
  return 0;
}
