#include "shape/configuration.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "core/format.h"
#include "shape/detail.h"

namespace tessaly::shape {

using detail::Index;

namespace detail {

void rowCentroids(const ConstRows& x, Index p, ColVector& cx, ColVector& cy) {
  cx = ColVector::Zero(x.rows());
  cy = ColVector::Zero(x.rows());
  for (Index j = 0; j < p; ++j) {
    cx += x.col(2 * j);
    cy += x.col(2 * j + 1);
  }
  cx /= static_cast<double>(p);
  cy /= static_cast<double>(p);
}

ColVector rowCentroidSizes(const ConstRows& x, Index p) {
  ColVector cx, cy;
  rowCentroids(x, p, cx, cy);
  ColVector s = ColVector::Zero(x.rows());
  for (Index j = 0; j < p; ++j)
    s.array() += (x.col(2 * j) - cx).array().square() + (x.col(2 * j + 1) - cy).array().square();
  return s.array().sqrt();
}

void requireConfigurationRows(const Matrix& x, Index minLandmarks, const char* routine) {
  const Index n = x.cols();
  if (n % 2 == 0 || (n - 1) / 2 < minLandmarks)
    throw Error(formatText(
        "%s needs configuration rows x1 y1 ... xk yk cs with at least %d "
        "landmarks; the rows given have %d columns.",
        {std::string(routine), static_cast<double>(minLandmarks), static_cast<double>(n)}));
}

std::string diagnosticLine(const std::string& name, const Matrix& values) {
  std::string line = name + " =";
  for (Index i = 0; i < values.size(); ++i) line += " " + num2str(values.data()[i]);
  return line + "\n";
}

}  // namespace detail

Matrix vertxy(const Matrix& x) {
  const Index k = x.size() / 2;
  Matrix y(2, k);
  for (Index i = 0; i < k; ++i) {
    y(0, i) = x.data()[2 * i];
    y(1, i) = x.data()[2 * i + 1];
  }
  return y;
}

Matrix xyfromvert(const Matrix& data, double cs) {
  if (data.cols() < 2) throw Error("xyfromvert needs a landmark list with an x and a y column.");
  const Index m = data.rows();
  Matrix y(1, 2 * m + 1);
  for (Index i = 0; i < m; ++i) {
    y(0, 2 * i) = data(i, 0);
    y(0, 2 * i + 1) = data(i, 1);
  }
  y(0, 2 * m) = cs;
  return y;
}

Matrix centpos(const Matrix& x) {
  const Index p = x.size() / 2;
  double sx = 0.0, sy = 0.0;
  for (Index i = 0; i < p; ++i) {
    sx += x.data()[2 * i];
    sy += x.data()[2 * i + 1];
  }
  Matrix c(1, 2);
  c << sx / static_cast<double>(p), sy / static_cast<double>(p);
  return c;
}

Matrix centsize(const Matrix& x) {
  return detail::rowCentroidSizes(x, x.cols() / 2);
}

Matrix detail::centredUnitRows(const Matrix& x, bool centreY) {
  const Index n = x.cols();
  Matrix y = Matrix::Zero(x.rows(), n);
  if (n == 0) return y;
  ColVector cx, cy;
  rowCentroids(x, n / 2, cx, cy);
  for (Index j = 0; j < (n - 1) / 2; ++j) {
    y.col(2 * j) = x.col(2 * j) - cx;
    y.col(2 * j + 1) = centreY ? ColVector(x.col(2 * j + 1) - cy) : ColVector(x.col(2 * j + 1));
  }
  const ColVector size = rowCentroidSizes(y, n / 2);
  y.array().colwise() /= size.array();
  y.col(n - 1) = x.col(n - 1);
  return y;
}

Matrix centerref(const Matrix& x) {
  return detail::centredUnitRows(x, true);
}

Matrix growvec3(const Matrix& x) {
  const Index N = x.rows(), m = x.cols();
  if (m == 0) throw Error("growvec3 needs a matrix whose last column holds the sizes.");
  const ColVector u = x.col(m - 1).array().log();
  const ColVector du = u.array() - u.mean();
  const double suu = du.squaredNorm();
  const double fisherScale = 0.5 * std::sqrt(static_cast<double>(N) - 3.0);
  Matrix y(m - 1, 3);
  for (Index i = 0; i < m - 1; ++i) {
    const ColVector dv = x.col(i).array() - x.col(i).mean();
    const double suv = du.dot(dv);
    const double slope = suv / suu;
    y(i, 0) = slope;
    y(i, 1) = x.col(i).mean() - slope * u.mean();
    double r = suv / std::sqrt(suu * dv.squaredNorm());
    if (std::isfinite(r)) r = std::clamp(r, -1.0, 1.0);  // rounding can step past +-1
    y(i, 2) = fisherScale * std::log((1.0 + r) / (1.0 - r));
  }
  return y;
}

}  // namespace tessaly::shape
