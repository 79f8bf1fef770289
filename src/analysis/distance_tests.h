#pragma once
// The group distances of an analysis with their permutation tests: every pair of groups in
// ordinal order, each with its Mahalanobis and Procrustes distance, the permutation p-values
// and their Holm adjustment over the pairs, and the permutation test of Wilks' lambda.
//
// p = (1 + rounds at least as extreme as observed) / (1 + rounds). A pair with no more
// labellings than rounds has every labelling counted once instead: p = (labellings at least as
// extreme) / labellings, which is exact. Each test runs its rounds in blocks with streams
// derived from the seed and the test's number, so the p-values do not depend on the number of
// threads.
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/group_distances.h"
#include "analysis/resampling.h"

namespace tessaly::analysis {

inline constexpr std::uint64_t kMaxRounds = 10000000;

struct PairResult {
  int a = 0, b = 0;  // ordinal groups, a < b
  Eigen::Index na = 0, nb = 0;
  double mahalanobis = 0, pMahalanobis = 1, pMahalanobisHolm = 1;
  double procrustes = 0, pProcrustes = 1, pProcrustesHolm = 1;
  bool exact = false;            // every labelling was counted
  std::uint64_t labellings = 0;  // the labellings counted when exact
};

struct DistanceTests {
  std::vector<PairResult> pairs;  // (0,1), (0,2), ..., (1,2), ...
  double wilks = 0, pWilks = 1;
  std::uint64_t rounds = 0, seed = 0;
};

// Runs every test with `rounds` rounds (1 .. kMaxRounds). An Error with the user's message for
// fewer than two groups or a singular within-group matrix (observed or in a round); Cancelled
// when the progress hook stops the run.
DistanceTests distanceTests(const GroupedSample& sample, std::uint64_t rounds, std::uint64_t seed,
                            const ProgressHook& progress = {});

// The number of rounds typed by a person: a whole number from 1 to kMaxRounds, else an Error.
std::uint64_t parseRounds(std::string_view text);

// The message for an analysis of fewer than two groups.
inline constexpr const char* kTooFewGroups =
    "The group distances need at least two groups of specimens";

}  // namespace tessaly::analysis
