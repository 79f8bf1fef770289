#include "shape/sliding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "shape/superimposition.h"
#include "shape_testing.h"

namespace tessaly::shape {
namespace {

constexpr double kPi = 3.141592653589793;

// Four fixed corners and one curve of n points from (0.5, 1) to (3.5, 1), bulging by `bend`;
// the points sit at parameters s^skew (skew 1: equally spaced), each moved by up to `jitter`.
Matrix specimen(int n, double bend, double skew, double jitter, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-jitter, jitter);
  Matrix row(1, 2 * (4 + n) + 1);
  const double corners[] = {0, 0, 4, 0, 4, 3, 0, 3};
  for (int q = 0; q < 8; ++q) row(0, q) = corners[q] + u(rng);
  for (int p = 0; p < n; ++p) {
    const double s = std::pow(static_cast<double>(p) / (n - 1), skew);
    row(0, 8 + 2 * p) = 0.5 + 3 * s + u(rng);
    row(0, 9 + 2 * p) = 1 + bend * std::sin(kPi * s) + u(rng);
  }
  row(0, row.cols() - 1) = 1;
  return row;
}

SlideKinds kindsOf(int n) {
  SlideKinds kinds(4, 0);
  kinds.insert(kinds.end(), static_cast<size_t>(n), 1);
  return kinds;
}

// Every landmark of `slid` lies on the line through its place in `from` along its tangent.
void expectOnTangents(const Matrix& from, const Matrix& slid, const SlideKinds& kinds) {
  for (Eigen::Index i = 0; i < from.rows(); ++i) {
    const Matrix u = slideTangents(from, i, kinds);
    for (Eigen::Index j = 0; j < u.rows(); ++j) {
      const double dx = slid(i, 2 * j) - from(i, 2 * j),
                   dy = slid(i, 2 * j + 1) - from(i, 2 * j + 1);
      EXPECT_NEAR(dx * u(j, 1) - dy * u(j, 0), 0, 1e-12) << "specimen " << i << " point " << j;
      if (u(j, 0) == 0 && u(j, 1) == 0) {
        EXPECT_EQ(dx * dx + dy * dy, 0) << "fixed point " << j;
      }
    }
  }
}

TEST(SlideOnto, ReachesTheLeastBendingEnergyAlongTheTangents) {
  struct Case {
    int points;
    double bend, skew, jitter;
  };
  const Case cases[] = {{3, 0.5, 1.0, 0.1}, {8, 0.8, 2.0, 0.05}, {20, 0.3, 0.5, 0.02}};
  std::mt19937_64 rng(7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    const Matrix reference = centerref(specimen(c.points, 0.5, 1, 0, rng));
    Matrix from(3, reference.cols());
    for (int i = 0; i < 3; ++i) from.row(i) = specimen(c.points, c.bend, c.skew, c.jitter, rng);
    const SlideKinds kinds = kindsOf(c.points);
    const Matrix slid = slideOnto(from, kinds, reference);
    expectOnTangents(from, slid, kinds);
    const ColVector before = bendingEnergy(reference, from), after = bendingEnergy(reference, slid);
    for (Eigen::Index i = 0; i < 3; ++i) {
      EXPECT_LE(after(i), before(i));
      EXPECT_NEAR(slid(i, slid.cols() - 1), centsize(slid.row(i))(0), 1e-12);
      // No single point moved a little further either way along its tangent bends less.
      const Matrix u = slideTangents(from, i, kinds);
      for (Eigen::Index j = 5; j + 1 < 4 + c.points; ++j)
        for (double step : {-1e-4, 1e-4}) {
          Matrix moved = slid.row(i);
          moved(0, 2 * j) += step * u(j, 0);
          moved(0, 2 * j + 1) += step * u(j, 1);
          EXPECT_GE(bendingEnergy(reference, moved)(0), after(i) - 1e-12) << j;
        }
    }
  }
}

TEST(SlideOnto, ASpecimenWithoutBendingStaysPut) {
  // Similarity and affine images of the reference, curved or straight, are already at zero
  // bending energy.
  std::mt19937_64 rng(3);
  for (double bend : {0.0, 0.6}) {
    const Matrix base = specimen(9, bend, 1, 0, rng);
    const Matrix reference = centerref(base);
    Matrix images(3, base.cols());
    images.row(0) = testing::similarity(base, 0.7, 2.5, -3, 4, 1);
    images.row(1) = base;
    for (Eigen::Index j = 0; j < 13; ++j) {
      images(1, 2 * j) = 1.2 * base(0, 2 * j) + 0.3 * base(0, 2 * j + 1) + 1;
      images(1, 2 * j + 1) = -0.4 * base(0, 2 * j) + 0.9 * base(0, 2 * j + 1);
    }
    images.row(2) = testing::similarity(base, -2, 0.1, 0, 0, 1);
    images.col(images.cols() - 1) = centsize(images);
    const Matrix slid = slideOnto(images, kindsOf(9), reference);
    EXPECT_LT((slid - images).cwiseAbs().maxCoeff(), 1e-9) << bend;
  }
}

TEST(SlideSemilandmarks, SimilarityImagesOfAStraightEvenCurveStayPut) {
  std::mt19937_64 rng(11);
  const Matrix base = specimen(10, 0, 1, 0, rng);
  Matrix rows(4, base.cols());
  for (int i = 0; i < 4; ++i) rows.row(i) = testing::similarity(base, i, 1 + i, i, -i, 1);
  rows.col(rows.cols() - 1) = centsize(rows);
  const Matrix before = rows;
  slideSemilandmarks(rows, kindsOf(10));
  EXPECT_LT((rows - before).cwiseAbs().maxCoeff(), 1e-9);
}

TEST(SlideSemilandmarks, SettlesWithEveryPointOnItsTangentAndLessBending) {
  std::mt19937_64 rng(5);
  Matrix rows(12, 2 * (4 + 12) + 1);
  for (int i = 0; i < 12; ++i)
    rows.row(i) = testing::similarity(specimen(12, 0.4 + 0.05 * i, 0.9 + 0.02 * i, 0.05, rng), i,
                                      1 + 0.1 * i, i, 0, 1);
  const Matrix unslid = rows;
  const SlideResult result = slideSemilandmarks(rows, kindsOf(12));
  EXPECT_TRUE(result.settled);
  EXPECT_LE(result.change, kSlideTolerance);
  expectOnTangents(unslid, rows, kindsOf(12));
  const Matrix consensus = getconsensus(rows).xref;
  EXPECT_LT(bendingEnergy(consensus, rows).sum(), bendingEnergy(consensus, unslid).sum());
}

}  // namespace
}  // namespace tessaly::shape
