#include "shape/configuration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "shape_testing.h"
#include "support/error_text.h"

namespace tessaly::shape {
namespace {

using test_support::errorText;

Matrix row(std::initializer_list<double> values) {
  Matrix m(1, static_cast<Eigen::Index>(values.size()));
  Eigen::Index i = 0;
  for (double v : values) m(0, i++) = v;
  return m;
}

TEST(Configuration, CentroidAndSizeIgnoreTheTrailingCs) {
  EXPECT_EQ(centpos(row({0, 0, 2, 0, 2, 2, 0, 2, 7})), row({1, 1}));
  EXPECT_EQ(centpos(row({0, 0, 2, 0, 2, 2, 0, 2})), row({1, 1}));

  Matrix squares(2, 9);
  squares << 0, 0, 1, 0, 1, 1, 0, 1, 5,  //
      10, 10, 12, 10, 12, 12, 10, 12, -3;
  const Matrix s = centsize(squares);
  ASSERT_EQ(s.rows(), 2);
  ASSERT_EQ(s.cols(), 1);
  EXPECT_NEAR(s(0), std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(s(1), 2 * std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(centsize(squares.leftCols(8))(1), 2 * std::sqrt(2.0), 1e-15);
}

TEST(Configuration, VertxyAndXyfromvertAreInverse) {
  std::mt19937_64 rng(7);
  for (int k : {1, 4, 13}) {
    const Matrix x = testing::randomRow(k, rng, 42.5);
    const Matrix v = vertxy(x);
    ASSERT_EQ(v.rows(), 2);
    ASSERT_EQ(v.cols(), k);
    EXPECT_EQ(v(0, k - 1), x(0, 2 * k - 2));
    EXPECT_EQ(v(1, k - 1), x(0, 2 * k - 1));
    EXPECT_EQ(xyfromvert(v.transpose(), 42.5), x);
  }
  EXPECT_EQ(errorText([&] { xyfromvert(Matrix::Zero(3, 1), 1.0); }),
            "xyfromvert needs a landmark list with an x and a y column.");
}

TEST(Configuration, CenterrefCentresScalesAndKeepsCs) {
  std::mt19937_64 rng(11);
  Matrix x(3, 11);
  x.row(0) = testing::randomRow(5, rng, 123.456);
  x.row(1) = testing::similarity(x.row(0), 0.7, 40.0, 3.0, -8.0, 0.001);
  x.row(2) << 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 9;  // every landmark on one spot: no size
  const Matrix y = centerref(x);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(y(i, 10), x(i, 10));
    EXPECT_NEAR(centpos(y.row(i)).norm(), 0.0, 1e-15);
    EXPECT_NEAR(centsize(y.row(i))(0), 1.0, 1e-15);
  }
  // Same shape in another position, size and orientation: the same up to that rotation.
  EXPECT_NEAR(centsize(y.row(0) - testing::similarity(y.row(1), -0.7, 1, 0, 0, 0))(0), 0.0, 1e-13);
  EXPECT_TRUE(y.row(2).head(10).array().isNaN().all());
  EXPECT_EQ(y(2, 10), 9);
}

TEST(Configuration, Growvec3FitsLogSize) {
  // Column 1 lies exactly on 3 ln(size) + 2; column 2 scatters about -0.5 ln(size) + 1.
  std::mt19937_64 rng(3);
  std::normal_distribution<double> e(0.0, 0.2);
  const int N = 40;
  Matrix x(N, 3);
  for (int i = 0; i < N; ++i) {
    const double size = 1.0 + i * 0.37;
    x(i, 0) = 3 * std::log(size) + 2;
    x(i, 1) = -0.5 * std::log(size) + 1 + e(rng);
    x(i, 2) = size;
  }
  const Matrix g = growvec3(x);
  ASSERT_EQ(g.rows(), 2);
  ASSERT_EQ(g.cols(), 3);
  EXPECT_NEAR(g(0, 0), 3.0, 1e-12);
  EXPECT_NEAR(g(0, 1), 2.0, 1e-12);
  EXPECT_TRUE(std::isinf(g(0, 2)) || g(0, 2) > 50);

  // Independent least-squares fit and correlation for the noisy column.
  Matrix design(N, 2);
  design.col(0) = x.col(2).array().log();
  design.col(1).setOnes();
  const ColVector ab = design.householderQr().solve(x.col(1));
  EXPECT_NEAR(g(1, 0), ab(0), 1e-12);
  EXPECT_NEAR(g(1, 1), ab(1), 1e-12);
  const ColVector u = design.col(0), v = x.col(1);
  const double r =
      (N * u.dot(v) - u.sum() * v.sum()) / std::sqrt((N * u.squaredNorm() - u.sum() * u.sum()) *
                                                     (N * v.squaredNorm() - v.sum() * v.sum()));
  EXPECT_NEAR(g(1, 2), 0.5 * std::sqrt(N - 3.0) * std::log((1 + r) / (1 - r)), 1e-9);
  EXPECT_LT(g(1, 2), 0);

  // Two specimens leave no degrees of freedom for the z value; that is NaN, not a crash.
  EXPECT_TRUE(std::isnan(growvec3(x.topRows(2))(1, 2)));
  EXPECT_EQ(errorText([&] { growvec3(Matrix(3, 0)); }),
            "growvec3 needs a matrix whose last column holds the sizes.");
}

}  // namespace
}  // namespace tessaly::shape
