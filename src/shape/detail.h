#pragma once
// Building blocks shared by the shape routines. Data matrices are stored column by column, so
// the x-coordinates of all specimens (columns 1, 3, ..., 2k-1) form an N-by-k matrix with an
// outer stride of 2N, and the y-coordinates likewise one column further on: the routines work
// on these views a whole landmark column at a time instead of specimen by specimen.
#include <string>

#include "core/matrix.h"

namespace tessaly::shape::detail {

using Index = Eigen::Index;
using Strided = Eigen::Map<Matrix, 0, Eigen::OuterStride<>>;
using ConstStrided = Eigen::Map<const Matrix, 0, Eigen::OuterStride<>>;
// A band of consecutive rows of a data matrix, worked on in place.
using Rows = Eigen::Ref<Matrix, 0, Eigen::OuterStride<>>;
using ConstRows = Eigen::Ref<const Matrix, 0, Eigen::OuterStride<>>;

inline Strided xColumns(Rows x, Index k) {
  return Strided(x.data(), x.rows(), k, Eigen::OuterStride<>(2 * x.outerStride()));
}
inline Strided yColumns(Rows x, Index k) {
  return Strided(x.data() + x.outerStride(), x.rows(), k,
                 Eigen::OuterStride<>(2 * x.outerStride()));
}
inline ConstStrided xColumns(const ConstRows& x, Index k) {
  return ConstStrided(x.data(), x.rows(), k, Eigen::OuterStride<>(2 * x.outerStride()));
}
inline ConstStrided yColumns(const ConstRows& x, Index k) {
  return ConstStrided(x.data() + x.outerStride(), x.rows(), k,
                      Eigen::OuterStride<>(2 * x.outerStride()));
}
inline Strided xColumns(Matrix& x, Index k) {
  return xColumns(Rows(x), k);
}
inline Strided yColumns(Matrix& x, Index k) {
  return yColumns(Rows(x), k);
}
inline ConstStrided xColumns(const Matrix& x, Index k) {
  return xColumns(ConstRows(x), k);
}
inline ConstStrided yColumns(const Matrix& x, Index k) {
  return yColumns(ConstRows(x), k);
}

// Centroid of the first p landmarks of every row (sums in landmark order, then divided by p).
void rowCentroids(const ConstRows& x, Index p, ColVector& cx, ColVector& cy);

// Centroid size of the first p landmarks of every row.
ColVector rowCentroidSizes(const ConstRows& x, Index p);

// Every row centred at its centroid (the y-coordinates only when centreY) and divided by its
// centroid size; the last column copied unscaled.
Matrix centredUnitRows(const Matrix& x, bool centreY);

// Throws tessaly::Error unless x has an odd number of columns n = 2k+1 with k >= minLandmarks.
void requireConfigurationRows(const Matrix& x, Index minLandmarks, const char* routine);

// Centring and scaling step of the Procrustes fits: every row centred at its centroid, then
// its coordinate columns divided by its centroid size; the cs column is kept.
void centreAndScale(Rows x);

// Rotation step: every row turned by the angle that best fits it onto the reference whose
// coordinates are xref[0..2k-1] (x1 y1 ... xk yk), without scaling.
void rotateOnto(Rows x, const double* xref);

// Unit eigenvectors (columns of V) and eigenvalues d of a symmetric matrix, eigenvalues
// ascending, each vector signed so that its first element of at least half the largest
// magnitude is positive. A matrix with non-finite elements gives NaN throughout.
void symmetricEigen(const Matrix& a, Matrix& V, ColVector& d);

// The raw uniform directions of a reference (rows U1, U2; 2-by-n with n the row length used):
// xref rotated to its principal axes, displaced by 0.05 times each uniform pattern, the last
// element e appended, turned back, and then either the whole of xref (subtractAll) or its
// first n-1 elements subtracted, and each row divided by the length of its first n-1 elements.
Matrix uniformDirections(const RowVector& xref, Index n, double e, bool subtractAll);

// "name = v1 v2 ...\n" for diagnostic output.
std::string diagnosticLine(const std::string& name, const Matrix& values);

}  // namespace tessaly::shape::detail
