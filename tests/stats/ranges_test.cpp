#include "stats/ranges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/random/normal_distribution.hpp>
#include <cmath>
#include <random>
#include <vector>

#include "core/random.h"

namespace tessaly::stats {
namespace {

TEST(RangeCVADist, OneDimensionalNormalQuantiles) {
  setRandomSeed(12345);
  // One group with standard deviation 2 exactly: the distances are |r| * 2.
  Matrix x(4, 1);
  x << -2 * std::sqrt(1.5), 0, 0, 2 * std::sqrt(1.5);  // sample variance 4
  const Matrix drange = rangeCVADist(x, Matrix::Ones(4, 1), randomEngine());
  ASSERT_EQ(drange.rows(), 1);
  ASSERT_EQ(drange.cols(), 5);
  // Half-normal quantiles 0.95, 0.99, 0.999 of |Z|: 1.960, 2.576, 3.291; mean sqrt(2/pi) and
  // sd sqrt(1 - 2/pi). Allow about four standard errors of the simulation.
  EXPECT_NEAR(drange(0, 2), 2 * 1.959964, 0.2);
  EXPECT_NEAR(drange(0, 1), 2 * 2.575829, 0.35);
  EXPECT_NEAR(drange(0, 0), 2 * 3.290527, 0.9);
  EXPECT_NEAR(drange(0, 4), 2 * std::sqrt(2 / M_PI), 0.06);
  EXPECT_NEAR(drange(0, 3), 2 * std::sqrt(1 - 2 / M_PI), 0.06);
}

TEST(RangeCVADist, OrderStatisticsAreTheExactRanksOfTheSortedDraws) {
  // Replay the generator: with one score column each simulated distance is sd * |r|.
  setRandomSeed(31);
  RandomEngine replay = randomEngine();
  Matrix x(3, 1);
  x << 1, 2, 6;  // sample variance 7
  const Matrix drange = rangeCVADist(x, Matrix::Constant(3, 1, 8), randomEngine());
  boost::random::normal_distribution<double> normal;
  std::vector<double> d;
  for (int k = 0; k < 5000; ++k) d.push_back(std::sqrt(7.0) * std::fabs(normal(replay)));
  std::sort(d.begin(), d.end());
  EXPECT_NEAR(drange(0, 0), d[4994], 1e-12);
  EXPECT_NEAR(drange(0, 1), d[4949], 1e-12);
  EXPECT_NEAR(drange(0, 2), d[4749], 1e-12);
  double mean = 0, ss = 0;
  for (double v : d) mean += v / 5000;
  for (double v : d) ss += (v - mean) * (v - mean);
  EXPECT_NEAR(drange(0, 4), mean, 1e-12);
  EXPECT_NEAR(drange(0, 3), std::sqrt(ss / 4999), 1e-12);
}

TEST(RangeCVADist, RowsFollowFirstAppearanceAndLevelsDecrease) {
  setRandomSeed(7);
  std::mt19937 engine(3);
  std::normal_distribution<double> normal;
  // Code 9 (wide, first) then code 1 (narrow) then code 4 (all at one point).
  Matrix x(30, 3);
  Matrix codes(30, 1);
  for (int i = 0; i < 30; ++i) {
    const int k = i % 3;
    codes(i) = k == 0 ? 9 : (k == 1 ? 1 : 4);
    for (int j = 0; j < 3; ++j) x(i, j) = k == 2 ? 5.0 : normal(engine) * (k == 0 ? 10 : 0.1);
  }
  const Matrix drange = rangeCVADist(x, codes, randomEngine());
  ASSERT_EQ(drange.rows(), 3);
  EXPECT_GT(drange(0, 2), 20 * drange(1, 2));
  EXPECT_EQ(drange.row(2), Matrix::Zero(1, 5));  // no spread, no distance
  for (int j = 0; j < 2; ++j) {
    EXPECT_GE(drange(j, 0), drange(j, 1));
    EXPECT_GE(drange(j, 1), drange(j, 2));
    EXPECT_GT(drange(j, 2), drange(j, 4));
  }
  // The same seed gives the same table.
  setRandomSeed(7);
  EXPECT_EQ(rangeCVADist(x, codes, randomEngine()), drange);
}

TEST(RangeCVADist, SingleSpecimenGroupsAndRankDeficientGroups) {
  setRandomSeed(99);
  // Code 2 has one member: it takes the pooled spread of the other groups, here that of
  // groups 1 and 3 (both with variance 1 on each axis), so its row is like theirs.
  Matrix x(7, 2);
  x << -1, -1, 1, 1, -1, 1, 1, -1,  // code 1: variance 4/3 on each axis
      3, 3,                         // code 2
      -1, 0, 1, 0;                  // code 3: two members on a line, q = 2 > members - 1
  const Matrix codes = (Matrix(7, 1) << 1, 1, 1, 1, 2, 3, 3).finished();
  const Matrix drange = rangeCVADist(x, codes, randomEngine());
  ASSERT_EQ(drange.rows(), 3);
  EXPECT_TRUE(drange.allFinite());
  EXPECT_GE(drange.minCoeff(), 0);
  EXPECT_GT(drange(1, 2), 0);
  // Pooled covariance: (3 * diag(4/3) + 1 * diag(2, 0)) / 4 = diag(1.5, 1).
  // Its median distance lies between those of the two groups.
  EXPECT_GT(drange(1, 4), drange(2, 4) * 0.9);
  // Group 3 spreads along one axis only (variance 2): distances are |r| * sqrt(2).
  EXPECT_NEAR(drange(2, 2), std::sqrt(2.0) * 1.96, 0.15);

  // All groups of one: nothing to pool, all zeros (finite, non-negative).
  const Matrix lone = rangeCVADist(x.topRows(2), (Matrix(2, 1) << 1, 2).finished(), randomEngine());
  EXPECT_EQ(lone, Matrix::Zero(2, 5));
  // No score columns (no canonical variate kept): every distance is 0.
  EXPECT_EQ(rangeCVADist(Matrix(7, 0), codes, randomEngine()), Matrix::Zero(3, 5));
}

}  // namespace
}  // namespace tessaly::stats
