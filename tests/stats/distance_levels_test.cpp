#include "stats/distance_levels.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/binomial.hpp>
#include <cmath>
#include <limits>
#include <vector>

namespace tessaly::stats {
namespace {

ColVector spreadOf(const std::vector<double>& values) {
  return Eigen::Map<const ColVector>(values.data(), static_cast<Eigen::Index>(values.size()));
}

// P(D <= d) in closed form when the spreads come in pairs (a, a, b, b, ...): each pair adds an
// exponential of mean 2a to D^2, so D^2 is hypoexponential.
double pairedCdf(const std::vector<double>& means, double d) {
  double above = 0;
  for (size_t i = 0; i < means.size(); ++i) {
    double weight = 1;
    for (size_t j = 0; j < means.size(); ++j)
      if (j != i) weight *= means[i] / (means[i] - means[j]);
    above += weight * std::exp(-d * d / (2 * means[i]));
  }
  return 1 - above;
}

TEST(MemberDistance, AgreesWithClosedForms) {
  struct Case {
    std::vector<double> spread;
    double d, expected;
  };
  const std::vector<Case> cases = {
      {{4}, 3.0, std::erf(3.0 / std::sqrt(8.0))},           // one axis: |r| * 2
      {{2, 2, 2, 2}, 1.5, 1 - std::exp(-0.5625) * 1.5625},  // 2 chi-square(4) <= 2.25
      {{1, 1, 0.1, 0.1}, 0.4, pairedCdf({1, 0.1}, 0.4)},
      {{1, 1, 0.1, 0.1}, 3.2, pairedCdf({1, 0.1}, 3.2)},
      {{5, 5, 0.8, 0.8, 0.05, 0.05}, 2.0, pairedCdf({5, 0.8, 0.05}, 2.0)},
      {{5, 5, 0.8, 0.8, 0.05, 0.05}, 9.0, pairedCdf({5, 0.8, 0.05}, 9.0)},
      {{3, 3, 1e-20}, 2.5, pairedCdf({3}, 2.5)},  // a spread that rounds to nothing
  };
  for (const Case& c : cases) {
    const MemberDistance member(spreadOf(c.spread));
    ASSERT_TRUE(member.exact()) << c.d;
    EXPECT_NEAR(member.cdf(c.d), c.expected, 1e-9) << c.spread.size() << " " << c.d;
  }
  EXPECT_EQ(MemberDistance(spreadOf({1, 2})).cdf(0), 0);
  EXPECT_FALSE(MemberDistance(spreadOf({0, 0})).exact());
  EXPECT_FALSE(MemberDistance(spreadOf({1, 1e-6})).exact());  // the series would be too long
}

// The decision "within the 4750th of 5000 simulated distances" happens with probability
// P(fewer than 4750 of the 5000 fall below d) = binomial cdf at 4749 with success F(d).
TEST(WithinLevel05, FollowsTheOrderStatisticsOfTheSimulatedMembers) {
  // Code 3: covariance diag(1, 0.1); code 8: variance 4 on one axis only, so its distances
  // are 2 |r|.
  const double a = std::sqrt(1.5), b = std::sqrt(0.15), c = 2 * std::sqrt(1.5);
  const Matrix x = (Matrix(8, 2) << -a, 0, a, 0, 0, -b, 0, b, -c, 0, 0, 0, 0, 0, c, 0).finished();
  const Matrix codes = (Matrix(8, 1) << 3, 3, 3, 3, 8, 8, 8, 8).finished();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<TestedDistance> tested = {{0, 1.98}, {0, 2.0}, {1, 3.92}, {1, nan}};
  const MemberDistance first(spreadOf({1, 0.1}));
  const double f[] = {first.cdf(1.98), first.cdf(2.0), std::erf(3.92 / std::sqrt(8.0))};
  const int trials = 4000;
  int hits[3] = {0, 0, 0};
  RandomEngine engine(2024);
  for (int t = 0; t < trials; ++t) {
    const std::vector<bool> within = withinLevel05(x, codes, tested, engine);
    // One level per group: a farther distance of the group within it means a nearer one is.
    if (within[1]) {
      EXPECT_TRUE(within[0]);
    }
    EXPECT_TRUE(within[3]);  // not a number: taken in
    for (int i = 0; i < 3; ++i) hits[i] += within[static_cast<size_t>(i)];
  }
  for (int i = 0; i < 3; ++i) {
    const double p = boost::math::cdf(boost::math::binomial(5000, f[i]), 4749);
    const double se = std::sqrt(p * (1 - p) / trials);
    EXPECT_GT(p, 0.02) << i;  // a distance near the level, where the decision is random
    EXPECT_NEAR(hits[i] / static_cast<double>(trials), p, 4 * se + 1e-3) << i;
  }
}

}  // namespace
}  // namespace tessaly::stats
