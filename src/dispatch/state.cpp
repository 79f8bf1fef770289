#include "dispatch/state.h"

#include "core/error.h"
#include "core/groups.h"
#include "dispatch/cva_run.h"

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

namespace {

std::string counted(Eigen::Index n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string loadedSummary() {
  const AnalysisState& s = analysisState();
  if (s.DATA.rows() == 0) return "No data loaded";
  std::string text = counted(s.DATA.rows(), "specimen", "specimens") + ", " +
                     counted((s.DATA.cols() - 1) / 2, "landmark", "landmarks");
  if (s.GLIST.size() == s.DATA.rows()) {
    const Eigen::Index groups = static_cast<Eigen::Index>(numberGroups(s.GLIST).codes.size());
    text += ", " + counted(groups, "group", "groups");
  }
  if (s.resultsStale)
    text += ", CVA to be run again";
  else if (s.hasVstats && s.Dmatrix.size() > 0)
    text += ", CVA of " + counted(nonZeroAxes(s.Dmatrix), "axis", "axes");
  if (isTrue(s.UNKNOWNACTIVE) && s.UDATA.rows() > 0)
    text += ", " + counted(s.UDATA.rows(), "unknown", "unknowns");
  return text;
}

bool isTrue(const Matrix& m) {
  return m.size() > 0 && (m.array() != 0).all();
}

}  // namespace tessaly::dispatch
