#pragma once
// Jackknife test of the canonical variates assignment: in each trial a random fraction of the
// specimens is set aside, the MANOVA and canonical analysis are rerun on the rest, and each
// set-aside specimen is assigned to the nearest group mean and judged correct or not and
// significant or not. Here are one trial and the report; the trials are run on all cores by
// analysis::jacknife_assignments.
#include <string>

#include "core/matrix.h"
#include "core/random.h"

namespace tessaly::stats {

struct JackknifeResult {
  // 1-by-6: njack, pjack, correct_s, correct_ns, incorrect_ns, incorrect_s
  Matrix mambo;
  std::string out_text;  // the report shown in the results window
};

// The assignments of the set-aside specimens of one trial, or of several trials summed.
struct JackknifeCounts {
  double correct_s = 0, correct_ns = 0, incorrect_ns = 0, incorrect_s = 0;
  double tested_trials = 0;  // trials that found a significant canonical variate
  JackknifeCounts& operator+=(const JackknifeCounts& other);
};

// The number of whole trials of njack and the specimens set aside in each, ceil(nspec *
// pjack); an Error when the fraction is not a number from 0 to 1 or the codes are not one per
// specimen.
struct JackknifePlan {
  double trials = 0;
  Eigen::Index leaveOut = 0;
};
JackknifePlan planJackknife(const Matrix& jpwscores, const Matrix& jglist, double njack,
                            double pjack);

// One trial: jpwscores are specimens by partial warp scores (the last column, centroid size,
// is not analysed), jglist their group codes; `leaveOut` specimens drawn with `engine` are set
// aside and assigned on the analysis of the others.
JackknifeCounts jackknifeTrial(const Matrix& jpwscores, const Matrix& jglist, Eigen::Index leaveOut,
                               RandomEngine& engine);

// The result of the trials of a plan whose counts add up to `total`.
JackknifeResult jackknifeReport(Eigen::Index nspec, const JackknifePlan& plan, double pjack,
                                const JackknifeCounts& total);

}  // namespace tessaly::stats
