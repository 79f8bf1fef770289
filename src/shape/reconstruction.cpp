#include "shape/reconstruction.h"

#include "core/diagnostics.h"
#include "core/error.h"
#include "core/format.h"
#include "shape/configuration.h"
#include "shape/detail.h"
#include "shape/spline.h"
#include "shape/uniform.h"

namespace tessaly::shape {

using detail::Index;

Matrix reversepwarb(const Matrix& reference, const Matrix& pw) {
  const Index n = reference.size();
  if (reference.rows() != 1 || n % 2 == 0 || n < 7)
    throw Error(
        "reversepwarb needs a reference row x1 y1 ... xk yk cs with at least three "
        "landmarks.");
  const Index k = (n - 1) / 2;
  if (pw.size() != 2 * k - 3)
    throw Error(formatText(
        "The score row has %d values; shapes on a reference of %d landmarks "
        "are rebuilt from %d.",
        {static_cast<double>(pw.size()), static_cast<double>(k), static_cast<double>(2 * k - 3)}));
  const Matrix b1 = UniArbitrary(reference);
  RowVector xm1 = RowVector::Zero(n), xm2 = RowVector::Zero(n);
  xm1.head(n - 1) = b1.row(0);
  xm2.head(n - 1) = b1.row(1);
  diagnostic(detail::diagnosticLine("xm1", xm1));
  diagnostic(detail::diagnosticLine("xm2", xm2));

  requireDistinctLandmarks(vertxy(reference));
  const Matrix IL = splineFactor(gettspl(vertxy(reference))).inverse();
  Matrix V;
  ColVector d;
  detail::symmetricEigen(IL.topLeftCorner(k, k), V, d);
  const EigSorted sorted = eigsort(V, d.asDiagonal().toDenseMatrix());

  // Basis patterns in the order of the scores: each warp along x, then along y, then the two
  // uniform directions.
  Matrix basis = Matrix::Zero(2 * k - 4, n);
  for (Index i = 0; i < k - 3; ++i) {
    for (Index j = 0; j < k; ++j) {
      basis(2 * i, 2 * j) = sorted.V(j, i);
      basis(2 * i + 1, 2 * j + 1) = sorted.V(j, i);
    }
  }
  basis.row(2 * k - 6) = xm1;
  basis.row(2 * k - 5) = xm2;
  const ColVector scores = pw.reshaped(pw.size(), 1).topRows(2 * k - 4);
  return (basis.transpose() * scores).transpose() + reference;
}

Matrix reversepw6u(const Matrix& reference, const Matrix& weight) {
  const Index rn = reference.size();
  if (rn % 2 == 0) throw Error("reversepw6u needs a reference row x1 y1 ... xk yk cs.");
  const Index pwarps = (rn - 1) / 2;
  if (weight.rows() < pwarps + 3 || weight.cols() < 2)
    throw Error(formatText("reversepw6u needs %d rows of spline coefficients in two columns.",
                           {static_cast<double>(pwarps + 3)}));
  diagnostic(detail::diagnosticLine("pwarps", scalar(static_cast<double>(pwarps))));
  const Matrix refxy = vertxy(reference);
  const Matrix wx = weight.col(0).head(pwarps), wy = weight.col(1).head(pwarps);
  Matrix y(1, rn);
  Matrix point(2, 1);
  for (Index i = 0; i < pwarps; ++i) {
    const double xn = refxy(0, i), yn = refxy(1, i);
    const double xmap = weight(pwarps, 0) + weight(pwarps + 1, 0) * xn + weight(pwarps + 2, 0) * yn;
    const double ymap = weight(pwarps, 1) + weight(pwarps + 1, 1) * xn + weight(pwarps + 2, 1) * yn;
    point << xn, yn;
    y(0, 2 * i) = xn + wsspline(refxy, point, wx) + xmap;
    y(0, 2 * i + 1) = yn + wsspline(refxy, point, wy) + ymap;
  }
  y(0, rn - 1) = 1.0;
  return y;
}

}  // namespace tessaly::shape
