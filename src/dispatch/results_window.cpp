#include "dispatch/results_window.h"

#include "core/error.h"
#include "dispatch/controls.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/window_files.h"

namespace tessaly::dispatch {

platform::Handle openResultsWindow() {
  const platform::Handle fig = platform::openfig("AuxBox", "reuse");
  // A window opened afresh (the person or an action closed it) shows the last report again.
  const auto found = findTag("AuxResults");
  const auto& remembered = analysisState().results;
  if (!found.empty() && !remembered.isEmpty() &&
      platform::model().get(found.front(), "String").toText().empty())
    platform::model().set(found.front(), "String", remembered);
  return fig;
}

platform::Handle resultsControl() {
  auto found = findTag("AuxResults");
  if (found.empty()) {
    openResultsWindow();
    found = findTag("AuxResults");
  }
  if (found.empty()) throw Error("The results window has no \"AuxResults\" text");
  return found.front();
}

void showResults(platform::Handle control, const platform::Value& report) {
  analysisState().results = report;
  platform::model().set(control, "String", report);
}

void setResults(const platform::Value& report) {
  showResults(resultsControl(), report);
}

}  // namespace tessaly::dispatch
