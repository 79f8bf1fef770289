#pragma once
// The text of the results window (Tag "AuxResults"), opened when it is not shown.
#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::dispatch {

// openfig("AuxBox", "reuse"); a window opened afresh shows the report last shown.
platform::Handle openResultsWindow();
// The "AuxResults" control: found by Tag, else the results window is opened with
// openResultsWindow() and searched again. An Error when it still cannot be found.
platform::Handle resultsControl();
// Replaces the report shown in the results window.
void setResults(const platform::Value& report);
// The same on a control already found; the report is kept for a reopened window.
void showResults(platform::Handle control, const platform::Value& report);

}  // namespace tessaly::dispatch
