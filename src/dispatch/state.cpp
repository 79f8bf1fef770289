#include "dispatch/state.h"

#include "core/error.h"

namespace tessaly::dispatch {

AnalysisState& analysisState() {
  static AnalysisState state;
  return state;
}

void resetAnalysisState() {
  analysisState() = AnalysisState();
}

const std::vector<std::string>& defaultColorList() {
  static const std::vector<std::string> list = {"ko", "bx", "rp", "ms", "c+", "g*", "y>",
                                                "k>", "bo", "rs", "mp", "co", "g^"};
  return list;
}

void requireCurrentResults() {
  if (analysisState().resultsStale)
    throw Error(
        "The CVA results belong to data that is no longer loaded: load the group list to run "
        "the CVA again");
}

bool isTrue(const Matrix& m) {
  return m.size() > 0 && (m.array() != 0).all();
}

}  // namespace tessaly::dispatch
