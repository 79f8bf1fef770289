#pragma once
// The specimens of the CVA run as the group analyses and the tidy tables see them: their
// analysed shape variables, superimposed coordinates and ordinal groups.
#include <string>
#include <vector>

#include "analysis/group_distances.h"

namespace tessaly::dispatch {

struct AnalysedSpecimens {
  analysis::GroupedSample sample;
  std::vector<double> groupCodes;  // the code of each ordinal group
};

// An Error when there are no CVA results yet.
AnalysedSpecimens analysedSpecimens();

// A group in a table: its name when the groups are named, else its code.
std::string groupCell(double code);

}  // namespace tessaly::dispatch
