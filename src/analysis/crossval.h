#pragma once
// Cross-validated classification: each specimen is classified by a classifier fitted without
// its fold, either leave-one-out or K folds dealt at random within each group (seeded), and
// scored on its fold's canonical axes.
//
// Refit `cva` keeps the shape variables of the full analysis and refits only the group means
// and W without the fold (for leave-one-out by rank-one downdates of the full fit). Refit
// `all` repeats the whole analysis on the kept specimens (consensus, superimposition, partial
// warps) through a fold fitter, so nothing of the held-out specimens reaches their fold's fit.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/classifier.h"
#include "analysis/fit.h"
#include "analysis/resampling.h"
#include "core/matrix.h"

namespace tessaly::analysis {

enum class Refit { All, Cva };

// What the fit of one fold gives: the shape variables and canonical scores of the kept and of
// the held-out specimens, in the order of their index lists.
struct FoldFit {
  Matrix keptVariables, keptScores;
  Matrix heldVariables, heldScores;
};
using FoldFitter = std::function<FoldFit(const std::vector<Eigen::Index>& kept,
                                         const std::vector<Eigen::Index>& held)>;

struct CrossValidationSetup {
  Matrix variables;                      // N-by-p shape variables of the full analysis
  Matrix scores;                         // N-by-m (at least) canonical scores of the full analysis
  std::vector<int> group;                // 0-based ordinal group of each specimen
  std::vector<std::string> groupLabels;  // name or code of each ordinal group, for messages
  int folds = 0;                         // 0: leave-one-out
  Refit refit = Refit::All;
  Priors priors = Priors::Equal;
  std::uint64_t seed = 0;  // deals the specimens to K folds
  FoldFitter refitAll;     // the whole analysis on kept specimens (refit `all`)
  ProgressHook progress;   // between folds; asking to stop throws Cancelled
};

struct CrossValidation {
  Classification held;    // each specimen as its fold's classifier sees it
  Matrix scores;          // N-by-m cross-validated canonical scores
  std::vector<int> fold;  // 0-based fold of each specimen
  int folds = 0;
  std::vector<std::string> warnings;
  bool typicalityUndefined = false;  // some fold had too few degrees of freedom for it
};

// The fold fitter of refit `all`: the whole analysis fitted to the kept rows of data with
// their codes (a given reference kept, else the consensus started from `start`, the full
// analysis's consensus), and the held-out rows superimposed and scored on that fit.
FoldFitter wholeAnalysisRefit(const Matrix& data, const Matrix& codes,
                              const std::optional<Matrix>& reference, const Matrix& start,
                              const FitOptions& options);

// The specimens of each group in a seeded random order dealt in turn to K folds, the dealing
// carried on from group to group, so every fold holds about 1/K of each group and of all.
std::vector<int> stratifiedFolds(const std::vector<int>& group, int G, int K, std::uint64_t seed);

// Refuses a scheme that cannot be run: K < 2, K above the smallest group, a group of fewer
// than two specimens. The message names the group.
void checkScheme(const CrossValidationSetup& setup);

// The number of canonical axes given: those that carry between-group variation, min(G - 1, p),
// and two at least (as the plots need) where p allows.
Eigen::Index canonicalAxisCount(int G, Eigen::Index p);

// Runs the validation on all cores; a seeded run gives the same result for any thread count.
// Throws tessaly::Error for a scheme checkScheme refuses and for a fold whose W is singular.
CrossValidation crossValidate(const CrossValidationSetup& setup);

// Resubstitution: the classifier of all specimens applied to each of them.
Classification resubstitute(const Matrix& variables, const std::vector<int>& group, int G,
                            Priors priors);

// The table of given (rows) against assigned (columns) groups.
Matrix confusionTable(const std::vector<int>& group, const std::vector<int>& assigned, int G);

}  // namespace tessaly::analysis
