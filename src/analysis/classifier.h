#pragma once
// The linear discriminant classifier of the shape variables: the group means and the pooled
// within-group covariance W (divisor n - G) of the specimens it is fitted on; for every other
// specimen x the squared Mahalanobis distance D2_g = (x - m_g)' W^-1 (x - m_g) to each group,
// the posterior probabilities pi_g exp(-D2_g / 2) / sum_h pi_h exp(-D2_h / 2), the assigned
// group (largest posterior, a tie to the lower ordinal group) and the typicality
// probabilities, the predictive F test of x as a new member of the group.
#include <Eigen/Cholesky>
#include <string>
#include <vector>

#include "core/matrix.h"

namespace tessaly::analysis {

enum class Priors {
  Equal,         // 1/G for each group
  Proportional,  // the group's share of all specimens
};

// The size of a fit: the specimens of each group (0 for a group left out of the fit) and the
// number of shape variables.
struct FitSize {
  std::vector<double> counts;
  Eigen::Index variables = 0;
  double specimens() const;
  double groups() const;  // groups with at least one specimen
  double dfW() const { return specimens() - groups(); }
};

// A fitted classifier. `within` is the Cholesky factor of the within-group cross-products
// S = (n - G) W; `whitenedMeans` the group means as columns, multiplied by L^-1.
struct Classifier {
  FitSize size;
  Matrix means;  // G-by-p; rows of empty groups are zero
  Eigen::LLT<Matrix> within;
  Matrix whitenedMeans;  // p-by-G
};

// What a classifier says of each of a set of specimens (one row per specimen, one column per
// ordinal group). A typicality that is not defined is NaN.
struct Classification {
  Matrix d2, posterior, typicality;
  std::vector<int> assigned;  // 0-based ordinal group
};

// The classifier of the rows of x, row i in ordinal group group[i] (0-based) of G. Throws
// tessaly::Error when W is singular (the message says why and suggests a remedy).
Classifier fitClassifier(const Matrix& x, const std::vector<int>& group, int G);
// Completes a classifier whose size, means and factor are set: checks the factor and fills
// the whitened means.
void finishClassifier(Classifier& c);

// The message for a within-group matrix that is singular; `where` names the fit ("" for the
// fit on all specimens, "fold 3 of the cross-validation" for a fold).
std::string singularWithinMessage(const FitSize& size, const std::string& where);

// The prior of each group.
std::vector<double> priorWeights(Priors priors, const std::vector<double>& allCounts);

// Squared distances of the rows of x to the group means (infinite for empty groups).
Matrix squaredDistances(const Classifier& c, const Matrix& x);

// Posteriors, assignments and typicalities from the squared distances of specimens to the
// group means of a fit of the given size.
Classification assess(const Matrix& d2, const FitSize& size, const std::vector<double>& priors);

// The typicality of a squared distance d2 to a group of ng fitting specimens; NaN when the
// F distribution has fewer than one denominator degree of freedom or the group is empty.
double typicality(double d2, double ng, const FitSize& size);

// Cohen's kappa of a table of given (rows) against assigned (columns) counts; NaN when the
// agreement expected by chance is complete.
double cohenKappa(const Matrix& table);

}  // namespace tessaly::analysis
