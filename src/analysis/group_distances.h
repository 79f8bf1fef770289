#pragma once
// Distances between group means and their permutation tests.
//
// With X the shape variables (N-by-p), G groups and W = (sum over groups of the cross-products
// about the group mean) / (N - G), the Mahalanobis distance of groups a and b is
// sqrt((m_a - m_b)' W^-1 (m_a - m_b)), solved through the Cholesky factor of W. The Procrustes
// distance is the Euclidean distance between the mean superimposed configurations.
//
// A permutation round of a pair shuffles the labels of the n_a + n_b specimens of a and b
// (sizes kept). With s the sum, over the specimens labelled a, of their variables centred on
// the pair's mean and c = 1/n_a + 1/n_b, the difference of the means is c s and the within-group
// cross-products become W0 (N - G) - c s s', where W0 = W + c/(N - G) s_obs s_obs' does not
// depend on the labels. With every row whitened once by the Cholesky factor of W (W = L L',
// z = L^-1 x) and alpha = c/(N - G), the Sherman-Morrison identity gives q = s' W0^-1 s =
// |z_s|^2 - alpha (z_s . z_obs)^2 / (1 + alpha |z_obs|^2), and the squared distance of the round
// is c^2 q / (1 - alpha q). A round costs one sum over the smaller group: O(n_a p).
#include <cstdint>
#include <vector>

#include "core/matrix.h"
#include "core/random.h"

namespace tessaly::analysis {

// The specimens of the analysis as the tests see them.
struct GroupedSample {
  Matrix variables;          // N-by-p shape variables
  Matrix coordinates;        // N-by-2k superimposed coordinates
  std::vector<int> ordinal;  // group of each specimen, 0 .. G-1
  int groups = 0;            // G
};

// The pooled within-group covariance matrix W (p-by-p). Throws the program's message for a
// singular within-group matrix when N - G < 1 or W is not positive definite to working
// precision.
Matrix pooledWithin(const GroupedSample& sample);

// sqrt(d' W^-1 d) through the Cholesky factor of W; throws the program's message for a
// singular within-group matrix when W is not positive definite to working precision.
double mahalanobis(const Matrix& W, const ColVector& d);

// The mean of each group's rows of m (G rows).
Matrix groupMeans(const Matrix& m, const GroupedSample& sample);

// Holm's step-down adjustment of p-values, in their given order: the i-th smallest becomes
// max over j <= i of min(1, (m - j + 1) p_(j)).
std::vector<double> holm(const std::vector<double>& p);

// n choose k, or `cap` when it is larger than cap.
std::uint64_t binomialAtMost(std::uint64_t n, std::uint64_t k, std::uint64_t cap);

// A value counts as at least the observed one within a relative 1e-10.
bool atLeast(double value, double observed);
bool atMost(double value, double observed);

// The rows that the tests sum: each specimen's shape variables whitened by W (x' L^-T) and
// its coordinates, side by side.
struct WhitenedRows {
  Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> rows;
  Eigen::Index variables = 0;  // p: the whitened columns come first
  double df = 0;               // N - G
};
// W is pooledWithin(sample).
WhitenedRows whitenedRows(const GroupedSample& sample, const Matrix& W);

// Counts of the rounds (or labellings) whose distances are at least the observed ones.
struct PairCounts {
  std::uint64_t mahalanobis = 0;
  std::uint64_t procrustes = 0;
  std::uint64_t singular = 0;  // rounds whose within-group matrix was singular
  PairCounts& operator+=(const PairCounts& o);
};

// The permutation test of one pair of groups a != b.
class PairPermutation {
 public:
  PairPermutation(const GroupedSample& sample, const WhitenedRows& rows, int a, int b);

  std::uint64_t labellings(std::uint64_t cap) const;  // (n_a + n_b choose n_a), capped
  double observedMahalanobis() const { return observedM_; }
  double observedProcrustes() const { return observedP_; }

  // `rounds` random labellings drawn from the engine.
  PairCounts randomRounds(RandomEngine& engine, std::uint64_t rounds) const;
  // The labellings of lexicographic ranks first .. first + count - 1.
  PairCounts exactRounds(std::uint64_t first, std::uint64_t count) const;

 private:
  struct Distances {
    double mahalanobis = 0, procrustes = 0;
    bool singular = false;
  };
  // The distances when the pair's rows chosen[0 .. m-1] get the smaller group's label.
  Distances distances(const std::vector<int>& chosen) const;
  PairCounts count(const std::vector<int>& chosen) const;

  // The pair's rows centred on their mean, the smaller group's first: whitened variables,
  // then coordinates.
  Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> rows_;
  Eigen::Index p_ = 0;
  RowVector zObserved_;  // the whitened s of the observed labelling
  int m_ = 0;            // size of the smaller group
  double c_ = 0, alpha_ = 0, shrink_ = 0, observedM_ = 0, observedP_ = 0;
};

// The permutation test of Wilks' lambda over all groups: lambda = det(W) / det(T), computed
// per round in the whitened variables as 1 / det(I + M M'), M (G-by-p) holding each group's
// sqrt(n_g / (N - G)) (mean - grand mean).
class WilksPermutation {
 public:
  WilksPermutation(const GroupedSample& sample, const WhitenedRows& rows);
  double observed() const { return observed_; }
  // The number of `rounds` shuffles whose lambda is at most the observed one.
  std::uint64_t randomRounds(RandomEngine& engine, std::uint64_t rounds) const;

 private:
  double lambda(const std::vector<int>& ordinal) const;

  // The whitened variables centred on their grand mean, compact for the sums of the rounds.
  Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> y_;
  std::vector<int> ordinal_;
  std::vector<double> sizes_;
  int groups_ = 0, largest_ = 0;  // the largest group's sum is minus the others'
  double df_ = 0;
  double observed_ = 0;
};

}  // namespace tessaly::analysis
