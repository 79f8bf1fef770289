#include "stats/ellipse.h"

#include <Eigen/Cholesky>
#include <cmath>
#include <numbers>

#include "core/error.h"

namespace tessaly::stats {

Matrix ellipseOutline(const RowVector& centre, const Matrix& S, double c2, int points) {
  Eigen::LLT<Matrix> llt(S);
  if (S.rows() != 2 || S.cols() != 2 || llt.info() != Eigen::Success || !(c2 > 0))
    throw Error("The scores of a group have no spread in two directions: no ellipse can be drawn");
  // x = centre + sqrt(c2) L u for unit u, with S = L L': then (x - c)' S^-1 (x - c) = c2.
  const Matrix L = llt.matrixL();
  Matrix out(2, points);
  for (int k = 0; k < points; ++k) {
    const double t = 2 * std::numbers::pi * (k % (points - 1)) / (points - 1);
    const Eigen::Vector2d u(std::cos(t), std::sin(t));
    out.col(k) = centre.transpose() + std::sqrt(c2) * L * u;
  }
  return out;
}

GroupEllipses groupEllipses95(const Matrix& xy) {
  const auto n = static_cast<double>(xy.rows());
  if (xy.cols() != 2 || xy.rows() < 3)
    throw Error("A group needs three specimens or more for its ellipse");
  const RowVector mean = xy.colwise().mean();
  const Matrix centred = xy.rowwise() - mean;
  const Matrix S = centred.transpose() * centred / (n - 1);
  return {ellipseOutline(mean, S, kChi2Two95), ellipseOutline(mean, S / n, kChi2Two95)};
}

}  // namespace tessaly::stats
