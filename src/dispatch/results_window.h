#pragma once
// The text of the results window (Tag "AuxResults"), opened when it is not shown.
#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::dispatch {

// The "AuxResults" control: found by Tag, else the results window is opened with
// openfig("AuxBox", "reuse") and searched again. An Error when it still cannot be found.
platform::Handle resultsControl();
// Replaces the report shown in the results window.
void setResults(const platform::Value& report);

}  // namespace tessaly::dispatch
