#include "dispatch/analysed.h"

#include "core/error.h"
#include "core/format.h"
#include "core/groups.h"
#include "dispatch/input_files.h"
#include "dispatch/state.h"

namespace tessaly::dispatch {

AnalysedSpecimens analysedSpecimens() {
  const auto& s = analysisState();
  const Eigen::Index n = s.variables.rows();
  if (!s.hasVstats || n == 0 || s.GLIST.size() != n || s.DATA.rows() != n)
    throw Error("There are no CVA results yet: load a group list first");
  AnalysedSpecimens out;
  out.sample.variables = s.variables;
  out.sample.coordinates = s.DATA.leftCols(s.DATA.cols() - 1);
  GroupNumbering groups = numberGroups(s.GLIST);
  for (int g : groups.ordinal) out.sample.ordinal.push_back(g - 1);
  out.groupCodes = std::move(groups.codes);
  out.sample.groups = static_cast<int>(out.groupCodes.size());
  return out;
}

std::string groupCell(double code) {
  const std::string name = groupNameOf(code);
  return name.empty() ? num2str(code) : name;
}

}  // namespace tessaly::dispatch
