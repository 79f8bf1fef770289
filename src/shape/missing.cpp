#include "shape/missing.h"

#include <cmath>
#include <complex>
#include <string>

#include "core/error.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace tessaly::shape {

namespace {

using Point = std::complex<double>;

Point landmark(const Matrix& row, Eigen::Index i, Eigen::Index j) {
  return {row(i, 2 * j), row(i, 2 * j + 1)};
}

// The mean carried onto the present landmarks of row i by the similarity that fits it best in
// the least-squares sense: with both centred on the present landmarks, s = b m, b complex.
std::vector<Point> fittedMean(const RowVector& mean, const Matrix& rows, Eigen::Index i,
                              const std::vector<bool>& present) {
  const Eigen::Index k = static_cast<Eigen::Index>(present.size());
  Point mc = 0, sc = 0;
  double p = 0;
  for (Eigen::Index j = 0; j < k; ++j)
    if (present[static_cast<size_t>(j)]) {
      mc += Point(mean(2 * j), mean(2 * j + 1));
      sc += landmark(rows, i, j);
      ++p;
    }
  mc /= p;
  sc /= p;
  Point num = 0;
  double den = 0;
  for (Eigen::Index j = 0; j < k; ++j)
    if (present[static_cast<size_t>(j)]) {
      const Point m = Point(mean(2 * j), mean(2 * j + 1)) - mc;
      num += std::conj(m) * (landmark(rows, i, j) - sc);
      den += std::norm(m);
    }
  const Point b = num / den;
  std::vector<Point> fitted(static_cast<size_t>(k));
  for (Eigen::Index j = 0; j < k; ++j)
    fitted[static_cast<size_t>(j)] = b * (Point(mean(2 * j), mean(2 * j + 1)) - mc) + sc;
  return fitted;
}

double centroidSizeOf(const Matrix& rows, Eigen::Index i, Eigen::Index k) {
  Point c = 0;
  for (Eigen::Index j = 0; j < k; ++j) c += landmark(rows, i, j);
  c /= static_cast<double>(k);
  double ss = 0;
  for (Eigen::Index j = 0; j < k; ++j) ss += std::norm(landmark(rows, i, j) - c);
  return std::sqrt(ss);
}

void estimateRow(Matrix& rows, Eigen::Index i, const std::vector<Eigen::Index>& missing,
                 const RowVector& mean) {
  const Eigen::Index k = (rows.cols() - 1) / 2;
  std::vector<bool> present(static_cast<size_t>(k), true);
  for (Eigen::Index j : missing) present[static_cast<size_t>(j)] = false;
  const Eigen::Index p = k - static_cast<Eigen::Index>(missing.size());
  const std::string who = "Specimen " + std::to_string(i + 1);
  if (p < 3)
    throw Error(who +
                " has fewer than three landmarks present; its missing landmarks cannot "
                "be estimated");
  const std::vector<Point> fitted = fittedMean(mean, rows, i, present);
  Matrix from(2, p), to(2, p);
  for (Eigen::Index j = 0, c = 0; j < k; ++j) {
    if (!present[static_cast<size_t>(j)]) continue;
    from(0, c) = fitted[static_cast<size_t>(j)].real();
    from(1, c) = fitted[static_cast<size_t>(j)].imag();
    to(0, c) = rows(i, 2 * j);
    to(1, c) = rows(i, 2 * j + 1);
    ++c;
  }
  const Matrix weight = splineWeights(from, to);
  for (Eigen::Index j : missing) {
    const Point m = fitted[static_cast<size_t>(j)];
    const auto [dx, dy] = splineDisplacement(from, weight, m.real(), m.imag());
    rows(i, 2 * j) = m.real() + dx;
    rows(i, 2 * j + 1) = m.imag() + dy;
    if (!std::isfinite(rows(i, 2 * j)) || !std::isfinite(rows(i, 2 * j + 1)))
      throw Error(who +
                  ": its present landmarks lie on one line or coincide; its missing "
                  "landmarks cannot be estimated");
  }
  rows(i, rows.cols() - 1) = centroidSizeOf(rows, i, k);
}

}  // namespace

void estimateMissing(Matrix& rows, const std::vector<std::vector<Eigen::Index>>& missing) {
  std::vector<Eigen::Index> complete;
  for (size_t i = 0; i < missing.size(); ++i)
    if (missing[i].empty()) complete.push_back(static_cast<Eigen::Index>(i));
  if (complete.size() == missing.size()) return;
  if (complete.empty())
    throw Error("Missing landmarks cannot be estimated: no specimen is complete");
  const RowVector mean = getconsensus(rows(complete, Eigen::all)).xref;
  for (size_t i = 0; i < missing.size(); ++i)
    if (!missing[i].empty()) estimateRow(rows, static_cast<Eigen::Index>(i), missing[i], mean);
}

}  // namespace tessaly::shape
