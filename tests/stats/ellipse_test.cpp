// Confidence ellipses: every outline point lies on the ellipse of the sample covariance, worked
// out with the explicit inverse of a 2-by-2 matrix; the mean's ellipse is that one shrunk by
// sqrt(n) about the mean.
#include "stats/ellipse.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"

namespace tessaly::stats {
namespace {

TEST(GroupEllipses, OutlinesLieOnTheCovarianceEllipses) {
  Matrix xy(5, 2);
  xy << 1, 2, 3, 3, 2, 7, 6, 5, 4, 4;
  const double n = 5, mx = 3.2, my = 4.2;
  double sxx = 0, syy = 0, sxy = 0;
  for (Eigen::Index i = 0; i < 5; ++i) {
    sxx += (xy(i, 0) - mx) * (xy(i, 0) - mx) / (n - 1);
    syy += (xy(i, 1) - my) * (xy(i, 1) - my) / (n - 1);
    sxy += (xy(i, 0) - mx) * (xy(i, 1) - my) / (n - 1);
  }
  const double det = sxx * syy - sxy * sxy;
  const GroupEllipses e = groupEllipses95(xy);
  ASSERT_EQ(e.scores.rows(), 2);
  for (Eigen::Index k = 0; k < e.scores.cols(); ++k) {
    const double dx = e.scores(0, k) - mx, dy = e.scores(1, k) - my;
    EXPECT_NEAR((syy * dx * dx - 2 * sxy * dx * dy + sxx * dy * dy) / det, -2 * std::log(0.05),
                1e-9);
    EXPECT_NEAR(e.mean(0, k) - mx, dx / std::sqrt(n), 1e-12);
    EXPECT_NEAR(e.mean(1, k) - my, dy / std::sqrt(n), 1e-12);
  }
  EXPECT_EQ(e.scores.col(0), e.scores.col(e.scores.cols() - 1));

  // Three points on a line have no spread across it; two points are too few.
  EXPECT_THROW(groupEllipses95((Matrix(3, 2) << 0, 0, 1, 1, 2, 2).finished()), Error);
  EXPECT_THROW(groupEllipses95(Matrix::Identity(2, 2)), Error);
}

}  // namespace
}  // namespace tessaly::stats
