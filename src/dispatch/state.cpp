#include "dispatch/state.h"

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

bool isTrue(const Matrix& m) {
  return m.size() > 0 && (m.array() != 0).all();
}

}  // namespace tessaly::dispatch
