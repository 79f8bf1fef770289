#include "dispatch/results_window.h"

#include "core/error.h"
#include "dispatch/controls.h"
#include "platform/platform.h"
#include "platform/window_files.h"

namespace tessaly::dispatch {

platform::Handle resultsControl() {
  auto found = findTag("AuxResults");
  if (found.empty()) {
    platform::openfig("AuxBox", "reuse");
    found = findTag("AuxResults");
  }
  if (found.empty()) throw Error("The results window has no \"AuxResults\" text");
  return found.front();
}

void setResults(const platform::Value& report) {
  platform::model().set(resultsControl(), "String", report);
}

}  // namespace tessaly::dispatch
