#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "plotlib/contour_grid.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

RowVector contourLevels(const Matrix& z, int n) {
  if (n < 1) throw Error("The number of contour levels must be positive.");
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (Eigen::Index k = 0; k < z.size(); ++k)
    if (std::isfinite(z(k))) {
      lo = std::min(lo, z(k));
      hi = std::max(hi, z(k));
    }
  if (!(hi > lo)) return RowVector();
  // The smallest round step (1, 2, 2.5 or 5 times a power of ten) giving at most n levels.
  double raw = (hi - lo) / n;
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * power;
  for (double m : {1.0, 2.0, 2.5, 5.0})
    if (m * power >= raw) {
      step = m * power;
      break;
    }
  std::vector<double> levels;
  for (double k = std::floor(lo / step) + 1; k * step < hi; ++k)
    if (k * step > lo) levels.push_back(k * step);
  RowVector out(static_cast<Eigen::Index>(levels.size()));
  for (size_t k = 0; k < levels.size(); ++k) out(static_cast<Eigen::Index>(k)) = levels[k];
  return out;
}

namespace {

RowVector chosenLevels(const Matrix& z, const RowVector& levels) {
  if (levels.size() == 0) return contourLevels(z);
  if (levels.size() == 1) {
    double n = levels(0);
    if (!(n >= 1) || n != std::floor(n))
      throw Error("A single contour argument is the number of levels, a whole number from 1.");
    return contourLevels(z, static_cast<int>(n));
  }
  std::vector<double> sorted(levels.data(), levels.data() + levels.size());
  for (double v : sorted)
    if (!std::isfinite(v)) throw Error("Contour levels must be finite numbers.");
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  RowVector out(static_cast<Eigen::Index>(sorted.size()));
  for (size_t k = 0; k < sorted.size(); ++k) out(static_cast<Eigen::Index>(k)) = sorted[k];
  return out;
}

}  // namespace

ContourResult contours(const Matrix& x, const Matrix& y, const Matrix& z, const RowVector& levels) {
  detail::Grid grid = detail::makeGrid(x, y, z);
  ContourResult result;
  result.levels = chosenLevels(z, levels);
  std::vector<std::pair<double, std::vector<detail::Point>>> all;
  Eigen::Index columns = 0;
  for (Eigen::Index k = 0; k < result.levels.size(); ++k)
    for (auto& piece : detail::contourPieces(grid, result.levels(k))) {
      columns += 1 + static_cast<Eigen::Index>(piece.size());
      all.emplace_back(result.levels(k), std::move(piece));
    }
  result.C.resize(2, columns);
  Eigen::Index col = 0;
  for (const auto& [level, piece] : all) {
    result.C(0, col) = level;
    result.C(1, col) = static_cast<double>(piece.size());
    ++col;
    for (const auto& p : piece) {
      result.C(0, col) = p.x;
      result.C(1, col) = p.y;
      ++col;
    }
  }
  return result;
}

}  // namespace tessaly::plotlib
