#pragma once
// One-way multivariate analysis of variance with its canonical analysis (canonical variates):
// the within- and between-group matrices, Wilks' lambda and Bartlett's chi-square test of each
// canonical dimension, and the canonical coefficients, scores and Mahalanobis distances.
#include <string>
#include <vector>

#include "core/matrix.h"

namespace tessaly::stats {

// The record of a MANOVA, fields in the order the program shows and stores them.
struct ManovaStats {
  Matrix W;         // within-group SSCP matrix, m-by-m
  Matrix B;         // between-groups SSCP matrix, T - W
  Matrix T;         // total SSCP matrix about the grand mean
  double dfW = 0;   // n - g
  double dfB = 0;   // g - 1
  double dfT = 0;   // n - 1
  Matrix lambda;    // Wilks' lambda of each tested dimension (column of length r)
  Matrix chisq;     // Bartlett's chi-square of each tested dimension
  Matrix chisqdf;   // its degrees of freedom
  Matrix eigenval;  // all m eigenvalues of W^-1 B, decreasing (column)
  Matrix eigenvec;  // canonical coefficients, column j for eigenvalue j, unit pooled variance
  Matrix canon;     // canonical variables, one row per input row (NaN rows for dropped rows)
  Matrix mdist;     // squared Mahalanobis distance of each row to its group mean (column)
  Matrix gmdist;    // g-by-g squared Mahalanobis distances between group means
  std::vector<std::string> gnames;  // group names in group-number order
};

struct ManovaResult {
  Matrix d;  // 1-by-1: the number of leading canonical dimensions that are significant
  Matrix p;  // p-value of each dimension test (column of length r)
  ManovaStats stats;
};

// The message of a within-group matrix that is singular to working precision.
inline constexpr const char* kSingularWithin =
    "The within-group sum of squares and cross products matrix is singular.";

// True when every pivot of the Cholesky factor of W lies above round-off relative to its
// variable's sum of squares; a matrix that fails is singular to working precision.
bool pivotsAboveRoundOff(const Eigen::LLT<Matrix>& chol, const Matrix& W);

// Group numbers and names of a grouping variable.
struct GroupIndex {
  Matrix g;                     // column of group numbers 1..G, NaN for a missing group
  std::vector<std::string> gn;  // the G group names
};

// Numbers the groups in the order their values first appear. Numeric names are the values
// written as num2str writes a column; a group named "" or "NaN" is missing (NaN numbers).
// A row of codes is taken as a column.
GroupIndex grp2idx(const Matrix& s);
GroupIndex grp2idx(const std::vector<std::string>& s);

// MANOVA of the rows of X (n-by-m) grouped by `group` (n codes, numbers or texts), testing at
// significance level alpha (default 0.05). Rows holding a NaN and rows of a missing group are
// left out. Throws tessaly::Error with the user-facing text on bad arguments or a singular
// within-group matrix.
ManovaResult manova1(const Matrix& X, const Matrix& group);
ManovaResult manova1(const Eigen::Ref<const Matrix>& X, const Matrix& group, const Matrix& alpha);
ManovaResult manova1(const Eigen::Ref<const Matrix>& X, const Matrix& group, double alpha);

// What a MANOVA gives of the specimens: all m canonical variables in `canon` with the squared
// distances to the group means (`mdist`), or only the canonical variables of the tested
// dimensions, min(G - 1, m), the only ones that vary between the groups, and no distances (a
// large data set is then spared the rest).
enum class CanonicalColumns { All, Tested };
ManovaResult manova1(const Eigen::Ref<const Matrix>& X, const Matrix& group, double alpha,
                     CanonicalColumns kept);
ManovaResult manova1(const Matrix& X, const std::vector<std::string>& group);
ManovaResult manova1(const Matrix& X, const std::vector<std::string>& group, const Matrix& alpha);

}  // namespace tessaly::stats
