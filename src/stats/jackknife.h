#pragma once
// Jackknife test of the canonical variates assignment: in each trial a random fraction of the
// specimens is set aside, the MANOVA and canonical analysis are rerun on the rest, and each
// set-aside specimen is assigned to the nearest group mean and judged correct or not and
// significant or not.
#include <string>

#include "core/matrix.h"
#include "core/random.h"

namespace tessaly::stats {

struct JackknifeResult {
  // 1-by-6: njack, pjack, correct_s, correct_ns, incorrect_ns, incorrect_s
  Matrix mambo;
  std::string out_text;  // the report shown in the results window
};

// jpwscores: specimens by partial warp scores (the last column, centroid size, is not
// analysed); jglist: their group codes; njack trials, setting aside ceil(nspec * pjack)
// specimens in each, drawing from `engine`.
JackknifeResult jacknife_assignments(const Matrix& jpwscores, const Matrix& jglist, double njack,
                                     double pjack, RandomEngine& engine);

}  // namespace tessaly::stats
