#include "dispatch/exaggeration.h"

#include <algorithm>
#include <cmath>

#include "core/format.h"
#include "dispatch/controls.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "shape/reconstruction.h"

namespace tessaly::dispatch {

namespace {

double largestMove(const Matrix& reference, const Matrix& moved) {
  double largest = 0;
  for (Eigen::Index j = 0; j + 1 < reference.cols(); j += 2)
    largest =
        std::max(largest, std::hypot(moved(j) - reference(j), moved(j + 1) - reference(j + 1)));
  return largest;
}

double extent(const Matrix& reference) {
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (Eigen::Index j = 0; j + 1 < reference.cols(); j += 2) {
    x0 = std::min(x0, reference(j));
    x1 = std::max(x1, reference(j));
    y0 = std::min(y0, reference(j + 1));
    y1 = std::max(y1, reference(j + 1));
  }
  return std::max(x1 - x0, y1 - y0);
}

double standardDeviation(const Matrix& scores) {
  const double n = static_cast<double>(scores.size());
  if (n < 2) return 0;
  const double mean = scores.mean();
  return std::sqrt((scores.array() - mean).square().sum() / (n - 1));
}

}  // namespace

Exaggeration visibleExaggeration(const Matrix& reference, const Matrix& axis,
                                 const Matrix& scores) {
  Exaggeration e;
  e.spread = standardDeviation(scores);
  RowVector row(axis.size() + 1);
  row << e.spread * axis.reshaped().transpose(), e.spread;
  const double moved = largestMove(reference, shape::reversepwarb(reference, row));
  // Enough to see, not so much that the grid folds over itself.
  const double most = 0.08 * extent(reference);
  e.times = 1;
  for (double times : {2, 3, 5, 10, 20, 50, 100, 200, 500, 1000})
    if (times * moved <= most) e.times = times;
  return e;
}

void setDefaultExaggeration() {
  const auto& s = analysisState();
  if (s.Vmatrix.cols() == 0 || s.CVAScores.cols() == 0 || s.reference.size() == 0) return;
  const Exaggeration e = visibleExaggeration(s.reference, s.Vmatrix.col(0), s.CVAScores.col(0));
  if (!(e.factor() > 0)) return;
  setString("ExagerationBox", formatText("%.4g", {e.factor()}));
  const auto found = findTag("ExagerationBox");
  if (found.empty()) return;
  platform::model().set(
      found.front(), "TooltipString",
      platform::Value(formatText(
          "Distance along the canonical axis in score units; the default, %g standard "
          "deviations of the scores on axis 1 (%.3g each), moves no landmark more than 8%% of "
          "the reference's extent",
          {e.times, e.spread})));
}

}  // namespace tessaly::dispatch
