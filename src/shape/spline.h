#pragma once
// Thin-plate spline, bending energy and partial warp scores.
//
// For a reference with landmarks p_1..p_k the spline matrix is L = [P Q; Q' 0] with
// P(i,j) = U(p_i, p_j), U(a, b) = r^2 ln r^2 (r = |b - a|, U = 0 at r = 0), and Q row i =
// [1 x_i y_i]. The upper-left k-by-k block of L^-1 is the bending energy matrix; its
// eigenvectors are the principal warps, and a specimen's partial warp scores are the
// projections of its x- and y-coordinates on the warps of non-zero energy.
//
// Eigenvectors are unit length with a fixed sign: the first element whose magnitude is at
// least half the largest magnitude of the vector is made positive. The same matrix therefore
// gives the same vectors on every call, so scores measured here and shapes rebuilt from them
// (reconstruction.h) refer to the same warps.
#include <array>

#include "core/matrix.h"

namespace tessaly::shape {

// Thin-plate spline kernel U(x1, x2) = r^2 ln(r^2), r^2 the squared distance of the two points
// (1-by-2 rows, read by linear position); 0 when the points coincide.
double uspline(const Matrix& x1, const Matrix& x2);

// Spline matrix L = [P Q; Q' zeros(3,3)], (k+3)-by-(k+3), of a 2-by-k coordinate matrix.
Matrix gettspl(const Matrix& x);

// Refuses a reference (2-by-k coordinates) whose spline is singular because landmarks
// coincide: an Error that names every set of landmarks at one point, numbered from 1.
void requireDistinctLandmarks(const Matrix& xy);

// The LU factorisation of a spline matrix, checked before use: an Error when L is singular to
// working precision (landmarks that coincide or that all lie on one line).
Eigen::PartialPivLU<Matrix> splineFactor(const Matrix& L);
// Coefficients of the thin-plate spline that carries the landmarks refxy (2-by-k) onto
// targetxy: L^-1 [ (targetxy - refxy)'; zeros(3,2) ], (k+3)-by-2, with L = gettspl(refxy).
Matrix splineWeights(const Matrix& refxy, const Matrix& targetxy);

// How far the spline of splineWeights(refxy, ...) moves the point (x, y): the affine part plus
// the landmark weights times U.
std::array<double, 2> splineDisplacement(const Matrix& refxy, const Matrix& weight, double x,
                                         double y);

// Principal warps of a spline matrix: Le = [V D], k-by-2k, the unit eigenvectors V of the
// bending energy matrix (upper-left k-by-k block of L^-1) and the diagonal matrix D of their
// eigenvalues. Negative eigenvalues (rounding around the three zero ones of the affine part)
// are made positive with their vectors negated, then the pairs are put in decreasing order of
// eigenvalue by exchange. A singular L (coincident landmarks) is an Error (splineFactor).
Matrix gettpse(const Matrix& L);

// Eigenvectors and eigenvalues in decreasing order of eigenvalue.
struct EigSorted {
  Matrix V;  // columns of the input V, reordered
  Matrix D;  // the matching diagonal matrix
};

// Reorders eigenvector columns by decreasing eigenvalue (a stable sort: equal eigenvalues keep
// their order). Signs are left as they are.
EigSorted eigsort(const Matrix& V, const Matrix& D);

// Value at the point yt (2-by-1) of the non-affine part of a spline with weights w on the
// landmarks of x (2-by-k): sum over i of w(i) U(x(:,i), yt).
double wsspline(const Matrix& x, const Matrix& yt, const Matrix& w);

// Partial warp scores of every specimen of x (superimposed on xref) on the principal warps of
// xref: an N-by-(2k-3) matrix whose row holds the x and y scores of warps 1..k-3 in pairs (in
// decreasing order of bending energy), the two uniform scores, then the specimen's cs. With
// fewer than four landmarks there are no warps (and with two, no uniform scores either).
// Throws tessaly::Error for fewer than two landmarks, rows that do not match xref, and a
// reference whose spline is singular (requireDistinctLandmarks, splineFactor).
Matrix getpw_arbit(const Matrix& xref, const Matrix& x);
// The third input is accepted and has no effect.
Matrix getpw_arbit(const Matrix& xref, const Matrix& x, const Matrix& unused);

// Scores of one specimen row x: a (k-2)-by-2 matrix, rows 1..k-3 the projections
// (e_r . X, e_r . Y) of its coordinates on the first k-3 principal warps in Le (from gettpse),
// last row the uniform scores [U1 U2] of x with respect to xref (uniform.h). testref is
// accepted and not used.
Matrix scpcoeff_arbrot(const Matrix& Le, const Matrix& x, const Matrix& xref,
                       const Matrix& testref);
Matrix scpcoeff_arbrot(const Matrix& Le, const Matrix& x, const Matrix& xref);

}  // namespace tessaly::shape
