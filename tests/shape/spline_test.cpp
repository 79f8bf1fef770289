#include "shape/spline.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "shape/configuration.h"
#include "shape/reconstruction.h"
#include "shape/superimposition.h"
#include "shape_testing.h"
#include "support/error_text.h"

namespace tessaly::shape {
namespace {

Matrix point(double x, double y) {
  Matrix p(1, 2);
  p << x, y;
  return p;
}

TEST(Spline, KernelAndSplineMatrix) {
  EXPECT_EQ(uspline(point(3, 4), point(3, 4)), 0.0);
  EXPECT_EQ(uspline(point(0, 0), point(1, 0)), 0.0);
  EXPECT_NEAR(uspline(point(0, 0), point(2, 0)), 4 * std::log(4.0), 1e-15);
  EXPECT_NEAR(uspline(point(1, 1), point(2, 3)), 5 * std::log(5.0), 1e-15);

  std::mt19937_64 rng(1);
  const Matrix xy = vertxy(testing::randomRow(6, rng));
  const Matrix L = gettspl(xy);
  ASSERT_EQ(L.rows(), 9);
  ASSERT_EQ(L.cols(), 9);
  EXPECT_EQ(L, L.transpose());
  EXPECT_TRUE(L.diagonal().head(6).isZero(0));
  EXPECT_TRUE(L.bottomRightCorner(3, 3).isZero(0));
  EXPECT_TRUE(L.block(0, 6, 6, 1).isOnes(0));
  EXPECT_EQ(L.block(0, 7, 6, 2), xy.transpose());
  EXPECT_EQ(L(1, 4), uspline(xy.col(1).transpose(), xy.col(4).transpose()));

  // The non-affine part of the spline at a point is the weighted sum of kernels.
  Matrix w(6, 1);
  w << 1, -2, 0.5, 3, 0, -1;
  Matrix at(2, 1);
  at << 0.3, -0.2;
  double expected = 0;
  for (int i = 0; i < 6; ++i) expected += w(i) * uspline(xy.col(i).transpose(), at.transpose());
  EXPECT_NEAR(wsspline(xy, at, w), expected, 1e-15);
  EXPECT_EQ(test_support::errorText([&] { wsspline(xy, at, w.topRows(5)); }),
            "wsspline needs a 2-by-k coordinate matrix, a point and k weights.");
  EXPECT_EQ(test_support::errorText([] { gettspl(Matrix::Zero(3, 4)); }),
            "gettspl needs a 2-by-k coordinate matrix.");
}

TEST(Spline, PrincipalWarpsAreOrderedUnitAndRepeatable) {
  std::mt19937_64 rng(2);
  for (int k : {4, 7, 15, 50}) {
    const Matrix L = gettspl(vertxy(testing::randomReference(k, rng)));
    const Matrix Le = gettpse(L);
    ASSERT_EQ(Le.rows(), k);
    ASSERT_EQ(Le.cols(), 2 * k);
    const Matrix V = Le.leftCols(k), D = Le.rightCols(k);
    const ColVector d = D.diagonal();
    EXPECT_TRUE(D.isDiagonal(0));
    EXPECT_TRUE((V.transpose() * V).isIdentity(1e-12));
    for (int i = 0; i + 1 < k; ++i) EXPECT_GE(d(i), d(i + 1));
    EXPECT_GE(d.minCoeff(), 0.0);
    EXPECT_LT(d.tail(3).maxCoeff(), 1e-10 * d(0));
    EXPECT_GT(d(k - 4), 1e-6 * d(0));
    // They decompose the bending energy matrix.
    const Matrix energy = L.inverse().topLeftCorner(k, k);
    EXPECT_LT((V * D * V.transpose() - energy).cwiseAbs().maxCoeff(), 1e-9 * d(0));
    // Warps of non-zero energy are orthogonal to the affine part (1, x, y).
    EXPECT_LT((L.block(0, k, k, 3).transpose() * V.leftCols(k - 3)).cwiseAbs().maxCoeff(), 1e-10);
    // Same signs every time, and by the stated convention for the warps of non-zero energy
    // (the zero ones may come out negative and are turned round with their vectors).
    EXPECT_EQ(gettpse(L), Le);
    for (int c = 0; c < k - 3; ++c) {
      const double big = V.col(c).cwiseAbs().maxCoeff();
      int r = 0;
      while (std::abs(V(r, c)) < 0.5 * big) ++r;
      EXPECT_GT(V(r, c), 0.0);
    }
  }
}

TEST(Spline, EigsortOrdersByDecreasingEigenvalueStably) {
  Matrix V(2, 3);
  V << 1, 2, 3, 4, 5, 6;
  const Matrix D = Eigen::Vector3d(1, 3, 2).asDiagonal();
  const EigSorted s = eigsort(V, D);
  EXPECT_EQ(s.D, Matrix(Eigen::Vector3d(3, 2, 1).asDiagonal()));
  Matrix expectedV(2, 3);
  expectedV << 2, 3, 1, 5, 6, 4;
  EXPECT_EQ(s.V, expectedV);

  const EigSorted ties = eigsort(V, Eigen::Vector3d(2, -1, 2).asDiagonal());
  EXPECT_EQ(ties.V.col(0), V.col(0));
  EXPECT_EQ(ties.V.col(1), V.col(2));
  EXPECT_EQ(ties.D(2, 2), -1);  // signs are left alone
  const EigSorted withNan = eigsort(V, Eigen::Vector3d(1, std::nan(""), 2).asDiagonal());
  EXPECT_EQ(withNan.V.col(0), V.col(2));
  EXPECT_TRUE(std::isnan(withNan.D(2, 2)));
  EXPECT_EQ(test_support::errorText([&] { eigsort(V.leftCols(2), D); }),
            "eigsort needs a square eigenvalue matrix and one eigenvector per eigenvalue.");
}

TEST(PartialWarps, ReferenceScoresZeroAndCsTravelsLast) {
  std::mt19937_64 rng(3);
  for (int k : {4, 10, 23}) {
    const Matrix ref = testing::randomReference(k, rng);
    Matrix x = ref.replicate(3, 1);
    x.col(2 * k) << 5.5, 6.5, 7.5;
    const Matrix pw = getpw_arbit(ref, x);
    ASSERT_EQ(pw.rows(), 3);
    ASSERT_EQ(pw.cols(), 2 * k - 3);
    EXPECT_LT(pw.leftCols(2 * k - 4).cwiseAbs().maxCoeff(), 1e-11) << k;
    EXPECT_EQ(pw.col(2 * k - 4), x.col(2 * k));
    EXPECT_EQ(getpw_arbit(ref, x, Matrix::Ones(2, 2)), pw);
  }
}

TEST(PartialWarps, WholeSampleAgreesWithOneSpecimenAtATime) {
  std::mt19937_64 rng(4);
  for (int k : {3, 5, 12}) {
    const Matrix data = testing::randomSample(20, k, 0.1, rng);
    const Consensus c = getconsensus(data);
    const Matrix pw = getpw_arbit(c.xref, c.x);
    const Matrix Le = gettpse(gettspl(vertxy(c.xref)));
    for (int i = 0; i < 20; ++i) {
      const Matrix one = scpcoeff_arbrot(Le, c.x.row(i), c.xref, c.xref);
      ASSERT_EQ(one.rows(), std::max(k - 3, 0) + 1);
      const Matrix flat = one.transpose().reshaped(1, one.size());
      EXPECT_LT((pw.row(i).head(2 * k - 4) - flat).cwiseAbs().maxCoeff(), 1e-13);
      // The warp scores are plain projections on the eigenvectors.
      for (int j = 0; j < k - 3; ++j) {
        const Matrix xy = vertxy(c.x.row(i));
        EXPECT_NEAR(pw(i, 2 * j), xy.row(0).dot(Le.col(j)), 1e-13);
        EXPECT_NEAR(pw(i, 2 * j + 1), xy.row(1).dot(Le.col(j)), 1e-13);
      }
    }
  }
}

TEST(PartialWarps, SmallAndDegenerateConfigurations) {
  std::mt19937_64 rng(5);
  // Two landmarks: no warps and no uniform scores, only cs.
  const Matrix two = testing::randomReference(2, rng);
  EXPECT_EQ(getpw_arbit(two, two), two.rightCols(1));
  EXPECT_THROW(getpw_arbit(Matrix::Zero(1, 3), Matrix::Zero(1, 3)), Error);
  EXPECT_EQ(test_support::errorText([&] { getpw_arbit(two, Matrix::Zero(1, 7)); }),
            "getpw_arbit needs a reference with as many landmarks as the specimens.");
}

TEST(PartialWarps, ASingularSplineIsRefusedNamingTheLandmarksThatCoincide) {
  std::mt19937_64 rng(5);
  const Matrix base = testing::randomReference(6, rng);
  const std::string distinct =
      ": the thin-plate spline needs distinct landmarks; check the landmarks of the data";
  const struct {
    std::vector<std::pair<int, int>> moved;  // landmark (from 1) put on another
    bool collinear;
    std::string message;
  } cases[] = {
      {{{2, 1}}, false, "In the reference, landmarks 1 and 2 coincide" + distinct},
      {{{5, 3}, {6, 3}, {4, 2}},
       false,
       "In the reference, landmarks 2 and 4 coincide, and landmarks 3, 5 and 6 coincide" +
           distinct},
      {{},
       true,
       "The thin-plate spline of the reference cannot be solved: its landmarks coincide or all "
       "lie on one line"},
  };
  for (const auto& c : cases) {
    Matrix ref = base;
    for (auto [from, to] : c.moved) ref.middleCols(2 * from - 2, 2) = ref.middleCols(2 * to - 2, 2);
    if (c.collinear)
      for (int j = 0; j < 6; ++j) ref(0, 2 * j + 1) = 2 * ref(0, 2 * j);
    // Scores and shapes rebuilt from scores both need the spline of the reference.
    EXPECT_EQ(test_support::errorText([&] { getpw_arbit(ref, base); }), c.message);
    EXPECT_EQ(test_support::errorText([&] { reversepwarb(ref, Matrix::Zero(1, 9)); }), c.message);
  }
}

}  // namespace
}  // namespace tessaly::shape
