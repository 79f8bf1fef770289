#pragma once
// The jackknife test of the canonical variates assignment on all cores: trial t (from 0) draws
// from its own stream, blockEngine(seed, t), so a seeded test gives one report whatever the
// number of threads.
#include <cstdint>

#include "analysis/resampling.h"
#include "core/matrix.h"
#include "stats/jackknife.h"

namespace tessaly::analysis {

// njack trials (whole ones) of stats::jackknifeTrial, each setting aside ceil(nspec * pjack)
// specimens of jpwscores (partial warp scores, the last column not analysed) with group codes
// jglist; the counts are summed in trial order and reported.
stats::JackknifeResult jacknife_assignments(const Matrix& jpwscores, const Matrix& jglist,
                                            double njack, double pjack, std::uint64_t seed,
                                            const ProgressHook& progress = {});

}  // namespace tessaly::analysis
