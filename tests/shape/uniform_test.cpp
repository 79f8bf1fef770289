#include "shape/uniform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/error.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "shape_testing.h"
#include "support/error_text.h"

namespace tessaly::shape {
namespace {

TEST(Uniform, FormrotateAndUniparmproc) {
  std::mt19937_64 rng(1);
  const Matrix x = testing::randomRow(5, rng, 3.25);
  EXPECT_EQ(formrotate(x, 0.0), x);
  Matrix unit(1, 5);
  unit << 1, 0, 2, 3, 8;
  Matrix turned = formrotate(unit, std::numbers::pi / 2);
  Matrix expected(1, 5);
  expected << 0, 1, -3, 2, 8;
  EXPECT_LT((turned - expected).cwiseAbs().maxCoeff(), 1e-15);
  EXPECT_EQ(formrotate(formrotate(x, 0.8), -0.8).cols(), 11);
  EXPECT_LT((formrotate(formrotate(x, 0.8), -0.8) - x).cwiseAbs().maxCoeff(), 1e-15);

  Matrix p(1, 5);
  p << 1, 2, 3, 4, 9;
  EXPECT_EQ(uniparmproc(p), Matrix(Eigen::RowVector2d(10, 20)));
}

TEST(Uniform, DirectionsAreUnitAffineAndFreeOfSimilarity) {
  std::mt19937_64 rng(2);
  for (int k : {3, 6, 20}) {
    const Matrix ref = testing::roundedReference(k, rng);
    const Matrix u = UniArbitrary(ref);
    ASSERT_EQ(u.rows(), 2);
    ASSERT_EQ(u.cols(), 2 * k);
    EXPECT_NEAR(u.row(0).norm(), 1.0, 1e-14);
    EXPECT_NEAR(u.row(1).norm(), 1.0, 1e-14);
    EXPECT_NEAR(u.row(0).dot(u.row(1)), 0.0, 1e-12);
    // Orthogonal to the translations, the rotation and the scaling of the reference.
    Matrix similar = Matrix::Zero(4, 2 * k);
    for (int j = 0; j < k; ++j) {
      similar(0, 2 * j) = 1;
      similar(1, 2 * j + 1) = 1;
      similar(2, 2 * j) = -ref(0, 2 * j + 1);
      similar(2, 2 * j + 1) = ref(0, 2 * j);
      similar(3, 2 * j) = ref(0, 2 * j);
      similar(3, 2 * j + 1) = ref(0, 2 * j + 1);
    }
    EXPECT_LT((similar * u.transpose()).cwiseAbs().maxCoeff(), 1e-13);
    // Each direction moves the landmarks by an affine map of their positions.
    Matrix design(k, 3);
    design.col(0).setOnes();
    design.col(1) = vertxy(ref).row(0).transpose();
    design.col(2) = vertxy(ref).row(1).transpose();
    for (int r = 0; r < 2; ++r) {
      const Matrix moves = vertxy(u.row(r)).transpose();
      const Matrix fit = design * design.colPivHouseholderQr().solve(moves);
      EXPECT_LT((fit - moves).cwiseAbs().maxCoeff(), 1e-12);
    }
  }
}

TEST(Uniform, RoundingToFourPlacesAndDegenerateReferences) {
  std::mt19937_64 rng(3);
  const Matrix ref = testing::roundedReference(7, rng);
  Matrix nudged = ref;
  nudged.array() += 3e-5;  // still rounds to ref
  EXPECT_EQ(UniArbitrary(nudged), UniArbitrary(ref));

  // Already on its principal axes (sum of x y is 0): the directions are the raw patterns.
  Matrix axes(1, 9);
  axes << 0.6, 0, -0.6, 0, 0, 0.3, 0, -0.3, 1;
  const Matrix u = UniArbitrary(axes);
  const double a = 0.72, g = 0.18;
  Matrix u1(1, 8);
  u1 << 0, 0.6 * std::sqrt(g / a), 0, -0.6 * std::sqrt(g / a), 0.3 * std::sqrt(a / g), 0,
      -0.3 * std::sqrt(a / g), 0;
  EXPECT_LT((u.row(0) - u1 / u1.norm()).cwiseAbs().maxCoeff(), 1e-14);

  // Landmarks on one line: no spread across it, directions that are not finite.
  Matrix line(1, 7);
  line << -1, 0, 0, 0, 1, 0, 1;
  EXPECT_FALSE(UniArbitrary(line).allFinite());
  EXPECT_EQ(test_support::errorText([&] { UniArbitrary(Matrix::Zero(1, 8)); }),
            "UniArbitrary needs a reference row x1 y1 ... xk yk cs with at least two landmarks.");
}

TEST(Uniform, ScoresAreProjectionsOnTheDirections) {
  std::mt19937_64 rng(4);
  for (int k : {4, 9}) {
    const Matrix ref = testing::roundedReference(k, rng);
    const Matrix u = UniArbitrary(ref);
    const Matrix Le = gettpse(gettspl(vertxy(ref)));
    for (double t : {0.01, -0.2}) {
      Matrix x = ref;
      x.leftCols(2 * k) += t * u.row(0);
      const Matrix s = scpcoeff_arbrot(Le, x, ref);
      EXPECT_NEAR(s(k - 3, 0), t, 1e-13);
      EXPECT_NEAR(s(k - 3, 1), t * u.row(0).dot(u.row(1)), 1e-13);
      // A uniform change leaves every partial warp score at zero.
      EXPECT_LT(s.topRows(k - 3).cwiseAbs().maxCoeff(), 1e-13);
    }
    EXPECT_EQ(scpcoeff_arbrot(Le, ref, ref).bottomRows(1), Matrix::Zero(1, 2));
  }
}

}  // namespace
}  // namespace tessaly::shape
