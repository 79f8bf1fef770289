#pragma once
// Confidence ellipses of two-dimensional scores under the normal model.
#include "core/matrix.h"

namespace tessaly::stats {

// The 95% quantile of the chi-square with 2 degrees of freedom, -2 ln 0.05: the squared
// Mahalanobis radius that holds 95% of a bivariate normal.
inline constexpr double kChi2Two95 = 5.991464547107979;

// The ellipse (x - centre)' S^-1 (x - centre) = c2 as `points` points (2 rows, x then y; the
// last point equals the first, so the outline closes). S must be positive definite: an Error
// otherwise.
Matrix ellipseOutline(const RowVector& centre, const Matrix& S, double c2, int points = 73);

// The 95% ellipses of the rows of xy (n-by-2, n >= 3): of the specimens (their sample
// covariance) and of their mean (that covariance divided by n).
struct GroupEllipses {
  Matrix scores, mean;
};
GroupEllipses groupEllipses95(const Matrix& xy);

}  // namespace tessaly::stats
