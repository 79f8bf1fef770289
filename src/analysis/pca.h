#pragma once
// Principal components of shape: the eigen-decomposition of the covariance matrix (divisor
// N - 1) of the shape variables of the specimens. Other specimens (unknowns) are projected
// onto the same axes.
#include <string>

#include "core/matrix.h"

namespace tessaly::analysis {

struct Pca {
  RowVector mean;            // the specimens' mean of each variable
  ColVector eigenvalues;     // variance along each component, largest first
  ColVector percent;         // share of the total variance, in percent
  ColVector cumulative;      // running sum of percent
  Matrix loadings;           // one unit column per component, one row per variable
  Matrix scores;             // one row per specimen, centred on the mean (may be left empty)
  double totalVariance = 0;  // trace of the covariance matrix
};

// The components of the rows of X (specimens) on its columns (variables): min(p, N - 1) of
// them, since N centred specimens span at most N - 1 dimensions. Signs: the loading of
// largest absolute value of each component is positive (the first of equal ones), so that
// runs and platforms agree. An Error when there are fewer than two specimens or they do not
// vary. Without `withScores` the scores are left empty (componentScores gives them when they
// are wanted): a large data set then holds no matrix of them beside its shape variables.
Pca principalComponents(const Eigen::Ref<const Matrix>& X, bool withScores = true);

// The scores of the rows of X, the specimens the components were computed from, as
// principalComponents gives them.
Matrix componentScores(const Pca& pca, const Eigen::Ref<const Matrix>& X);

// Rows of other specimens (same variables) on the components: (rows - mean) * loadings.
Matrix projectOnComponents(const Pca& pca, const Matrix& rows);

// The fewest leading components whose cumulative share is at least `percent`.
Eigen::Index componentsHolding(const Pca& pca, double percent);

// The choice of principal components for a CVA: none (the shape variables themselves), a
// given count, or "auto" (the fewest that hold 95% of the variance, at most N - G - 1).
struct ComponentChoice {
  enum class Kind { None, Count, Auto };
  Kind kind = Kind::None;
  Eigen::Index count = 0;  // for Kind::Count
  bool used() const { return kind != Kind::None; }
};

// Reads "auto", "none" (or empty) or a whole number of at least 2; an Error naming the
// option otherwise.
ComponentChoice parseComponentChoice(const std::string& text);

// The number of components the choice gives for this PCA and N - G: a count must be within
// the components there are; auto is clamped to 2 .. N - G - 1 (and the components there are).
Eigen::Index componentsToUse(const ComponentChoice& choice, const Pca& pca, Eigen::Index nMinusG);

}  // namespace tessaly::analysis
