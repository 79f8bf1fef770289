#pragma once
// Shape reconstruction from scores, for the deformation display.
#include "core/matrix.h"

namespace tessaly::shape {

// Configuration rebuilt from a score row pw in the partial warp score layout (1-by-(2k-3):
// warp scores in x, y pairs, U1, U2, and a last element that is ignored): the reference plus
// the score-weighted sum of the basis patterns the scores were measured on (each principal
// warp moving the landmarks along x, then along y, then the uniform directions of
// UniArbitrary). The result ends with the reference's cs. Writes xm1 and xm2 as diagnostic
// lines. Throws tessaly::Error if pw does not have 2k-3 elements or the reference has fewer
// than three landmarks.
Matrix reversepwarb(const Matrix& reference, const Matrix& pw);

// Configuration obtained by moving each reference landmark p by the thin-plate spline with
// coefficients weight ((k+3)-by-2: the non-affine weights of landmarks 1..k, then the constant,
// x and y coefficients; column 1 for x, column 2 for y):
//   p' = p + sum_i w_i U(p_i, p) + a0 + ax x + ay y.
// The result ends with 1. Writes the landmark count as a diagnostic line. Throws
// tessaly::Error if weight has fewer than k+3 rows or fewer than two columns.
Matrix reversepw6u(const Matrix& reference, const Matrix& weight);

}  // namespace tessaly::shape
