#include "analysis/distance_tests.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace tessaly::analysis {
namespace {

// Groups of 3, 4 and 40: the first pair has 35 labellings, fewer than the rounds.
GroupedSample threeGroups() {
  RandomEngine engine(5);
  std::normal_distribution<double> normal;
  GroupedSample s;
  s.groups = 3;
  for (auto [g, n] : {std::pair{0, 3}, {1, 4}, {2, 40}}) s.ordinal.insert(s.ordinal.end(), n, g);
  const auto n = static_cast<Eigen::Index>(s.ordinal.size());
  s.variables = Matrix::NullaryExpr(n, 3, [&] { return normal(engine); });
  s.coordinates = Matrix::NullaryExpr(n, 4, [&] { return normal(engine); });
  for (Eigen::Index i = 0; i < n; ++i) s.variables(i, 0) += 0.5 * s.ordinal[static_cast<size_t>(i)];
  return s;
}

TEST(DistanceTests, SeededRunsAgreeAcrossThreadCounts) {
  const GroupedSample s = threeGroups();
  setThreads(1);
  const DistanceTests one = distanceTests(s, 1000, 42);
  setThreads(2);
  const DistanceTests two = distanceTests(s, 1000, 42);
  const DistanceTests other = distanceTests(s, 1000, 43);
  setThreads(0);
  ASSERT_EQ(one.pairs.size(), 3u);
  bool seedMatters = false;
  for (size_t i = 0; i < 3; ++i) {
    const PairResult &a = one.pairs[i], &b = two.pairs[i];
    EXPECT_EQ(a.pMahalanobis, b.pMahalanobis);
    EXPECT_EQ(a.pProcrustes, b.pProcrustes);
    EXPECT_EQ(a.pMahalanobisHolm, b.pMahalanobisHolm);
    seedMatters |= a.pMahalanobis != other.pairs[i].pMahalanobis;
    // Exact p-values count labellings, random ones rounds.
    const double denominator = a.exact ? 35 : 1001;
    EXPECT_EQ(a.exact, i == 0);
    EXPECT_DOUBLE_EQ(a.pMahalanobis * denominator, std::round(a.pMahalanobis * denominator));
    EXPECT_DOUBLE_EQ(a.pProcrustes * denominator, std::round(a.pProcrustes * denominator));
  }
  EXPECT_EQ(one.pairs[0].pMahalanobis, other.pairs[0].pMahalanobis);  // exact: no draws
  EXPECT_TRUE(seedMatters);
  EXPECT_EQ(one.pWilks, two.pWilks);
  EXPECT_EQ(one.pairs[0].labellings, 35u);
  EXPECT_EQ(one.pairs[0].na, 3);
  EXPECT_EQ(one.pairs[0].nb, 4);
}

TEST(DistanceTests, RefusalsAndStops) {
  GroupedSample one = threeGroups();
  one.groups = 1;
  std::fill(one.ordinal.begin(), one.ordinal.end(), 0);
  EXPECT_THROW(
      try { distanceTests(one, 10, 1); } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kTooFewGroups);
        throw;
      },
      Error);
  const ProgressHook stop = [](std::size_t done, std::size_t) { return done < 300; };
  EXPECT_THROW(distanceTests(threeGroups(), 1000, 1, stop), Cancelled);

  for (const char* good : {"1", "10000000", " 250 "}) EXPECT_NO_THROW(parseRounds(good)) << good;
  for (const char* bad : {"0", "10000001", "1.5", "-3", "", "1e3", "ten"})
    EXPECT_THROW(parseRounds(bad), Error) << bad;
}

}  // namespace
}  // namespace tessaly::analysis
