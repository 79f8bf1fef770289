#include "analysis/group_distances.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "stats/manova.h"

namespace tessaly::analysis {
namespace {

// Three groups of 4, 3 and 5 specimens, 3 shape variables and 4 coordinates, drawn once.
GroupedSample smallSample(std::uint64_t seed = 7) {
  RandomEngine engine(seed);
  std::normal_distribution<double> normal;
  GroupedSample s;
  s.ordinal = {0, 1, 0, 2, 1, 0, 2, 2, 1, 0, 2, 2};
  s.groups = 3;
  const auto n = static_cast<Eigen::Index>(s.ordinal.size());
  s.variables.resize(n, 3);
  s.coordinates.resize(n, 4);
  for (Eigen::Index i = 0; i < n; ++i) {
    const double shift = s.ordinal[static_cast<size_t>(i)];
    for (Eigen::Index j = 0; j < 3; ++j) s.variables(i, j) = normal(engine) + shift * (j == 1);
    for (Eigen::Index j = 0; j < 4; ++j) s.coordinates(i, j) = normal(engine) + shift * (j == 0);
  }
  return s;
}

// Both distances from scratch: the pooled matrix by its definition and an explicit inverse.
std::pair<double, double> bruteDistances(const GroupedSample& s, int a, int b) {
  const Eigen::Index p = s.variables.cols();
  Matrix W = Matrix::Zero(p, p);
  Matrix means = Matrix::Zero(s.groups, p), cmeans = Matrix::Zero(s.groups, s.coordinates.cols());
  std::vector<double> n(static_cast<size_t>(s.groups), 0);
  for (size_t i = 0; i < s.ordinal.size(); ++i) {
    means.row(s.ordinal[i]) += s.variables.row(static_cast<Eigen::Index>(i));
    cmeans.row(s.ordinal[i]) += s.coordinates.row(static_cast<Eigen::Index>(i));
    n[static_cast<size_t>(s.ordinal[i])] += 1;
  }
  for (int g = 0; g < s.groups; ++g) {
    means.row(g) /= n[static_cast<size_t>(g)];
    cmeans.row(g) /= n[static_cast<size_t>(g)];
  }
  for (size_t i = 0; i < s.ordinal.size(); ++i) {
    const RowVector d = s.variables.row(static_cast<Eigen::Index>(i)) - means.row(s.ordinal[i]);
    W += d.transpose() * d;
  }
  W /= static_cast<double>(s.ordinal.size()) - s.groups;
  const ColVector d = (means.row(a) - means.row(b)).transpose();
  return {std::sqrt(d.dot(W.inverse() * d)), (cmeans.row(a) - cmeans.row(b)).norm()};
}

TEST(GroupDistances, ObservedDistancesAgreeWithBruteForceAndAreInvariant) {
  const GroupedSample s = smallSample();
  // Any affine map of the variables keeps the Mahalanobis distance; a rotation of every
  // configuration keeps the Procrustes distance.
  GroupedSample moved = s;
  const GroupedSample* samples[] = {&s, &moved};
  Matrix A(3, 3);
  A << 2, 1, 0, 0, 1, -1, 1, 0, 3;
  moved.variables = (s.variables * A).rowwise() + RowVector::Constant(3, 5.0);
  const double c = std::cos(0.7), sn = std::sin(0.7);
  for (Eigen::Index j = 0; j < 4; j += 2) {
    moved.coordinates.col(j) = c * s.coordinates.col(j) - sn * s.coordinates.col(j + 1);
    moved.coordinates.col(j + 1) = sn * s.coordinates.col(j) + c * s.coordinates.col(j + 1);
  }
  for (auto [a, b] : {std::pair{0, 1}, {0, 2}, {1, 2}}) {
    const auto [m, p] = bruteDistances(s, a, b);
    for (const GroupedSample* sample : samples) {
      const WhitenedRows rows = whitenedRows(*sample, pooledWithin(*sample));
      const PairPermutation test(*sample, rows, a, b);
      EXPECT_NEAR(test.observedMahalanobis(), m, 1e-12 * m) << a << b;
      EXPECT_NEAR(test.observedProcrustes(), p, 1e-12 * p) << a << b;
    }
  }
}

// Every labelling of groups 0 and 2 (4 + 5 specimens), each judged by a refit from scratch.
TEST(GroupDistances, ExactEnumerationCountsWhatABruteForceCounts) {
  const GroupedSample s = smallSample();
  const auto [m0, p0] = bruteDistances(s, 0, 2);
  std::vector<size_t> pair;
  for (size_t i = 0; i < s.ordinal.size(); ++i)
    if (s.ordinal[i] != 1) pair.push_back(i);
  std::uint64_t labellings = 0, atLeastM = 0, atLeastP = 0;
  for (unsigned mask = 0; mask < (1u << pair.size()); ++mask) {
    if (__builtin_popcount(mask) != 4) continue;
    GroupedSample shuffled = s;
    for (size_t k = 0; k < pair.size(); ++k) shuffled.ordinal[pair[k]] = (mask >> k & 1) ? 0 : 2;
    const auto [m, p] = bruteDistances(shuffled, 0, 2);
    ++labellings;
    atLeastM += m >= m0 * (1 - 1e-10);
    atLeastP += p >= p0 * (1 - 1e-10);
  }
  const WhitenedRows rows = whitenedRows(s, pooledWithin(s));
  const PairPermutation test(s, rows, 0, 2);
  ASSERT_EQ(test.labellings(1000), labellings);
  ASSERT_EQ(labellings, 126u);
  // In one run and in blocks that start at any rank.
  PairCounts blocks = test.exactRounds(0, 50);
  blocks += test.exactRounds(50, 76);
  for (const PairCounts& counts : {test.exactRounds(0, labellings), blocks}) {
    EXPECT_EQ(counts.mahalanobis, atLeastM);
    EXPECT_EQ(counts.procrustes, atLeastP);
    EXPECT_EQ(counts.singular, 0u);
  }
  // Random labellings estimate the exact share within Monte Carlo error (4 sd).
  RandomEngine engine(11);
  const double rounds = 20000;
  const PairCounts random = test.randomRounds(engine, static_cast<std::uint64_t>(rounds));
  for (auto [hits, exact] :
       {std::pair{random.mahalanobis, atLeastM}, {random.procrustes, atLeastP}}) {
    const double share = static_cast<double>(exact) / 126.0;
    EXPECT_NEAR(static_cast<double>(hits) / rounds, share,
                4 * std::sqrt(share * (1 - share) / rounds));
  }
}

TEST(GroupDistances, WilksLambdaIsTheManovaLambda) {
  const GroupedSample s = smallSample();
  Matrix codes(static_cast<Eigen::Index>(s.ordinal.size()), 1);
  for (size_t i = 0; i < s.ordinal.size(); ++i)
    codes(static_cast<Eigen::Index>(i)) = s.ordinal[i] + 1;
  const double lambda = stats::manova1(s.variables, codes).stats.lambda(0);
  const WhitenedRows rows = whitenedRows(s, pooledWithin(s));
  const WilksPermutation test(s, rows);
  EXPECT_NEAR(test.observed(), lambda, 1e-12);
  RandomEngine engine(3);
  const std::uint64_t hits = test.randomRounds(engine, 2000);
  EXPECT_GT(hits, 0u);
  EXPECT_LT(hits, 2000u);
}

TEST(GroupDistances, HolmAdjustment) {
  const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
      {{0.01, 0.04, 0.03, 0.005}, {0.03, 0.06, 0.06, 0.02}},
      {{0.5, 0.6}, {1, 1}},
      {{0.02, 0.02, 0.5}, {0.06, 0.06, 0.5}},
      {{}, {}},
  };
  for (const auto& [p, expected] : cases) {
    const std::vector<double> got = holm(p);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-15) << i;
  }
}

TEST(GroupDistances, LabellingsAreCountedUpToACap) {
  struct Case {
    std::uint64_t n, k, cap, expected;
  };
  for (const Case& c : std::vector<Case>{{5, 2, 100, 10},
                                         {9, 4, 1000, 126},
                                         {60, 30, 10000000, 10000000},
                                         {167, 1, 10000000, 167},
                                         {3, 5, 10, 0}})
    EXPECT_EQ(binomialAtMost(c.n, c.k, c.cap), c.expected) << c.n << " " << c.k;
}

TEST(GroupDistances, SingularWithinGroupMatrixIsRefused) {
  GroupedSample collinear = smallSample();
  collinear.variables.col(2) = 2 * collinear.variables.col(0) - collinear.variables.col(1);
  GroupedSample tooFew = smallSample();
  tooFew.groups = 12;
  tooFew.ordinal = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  const GroupedSample* samples[] = {&collinear, &tooFew};
  for (const GroupedSample* s : samples) {
    try {
      pooledWithin(*s);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), stats::kSingularWithin);
    }
  }
}

}  // namespace
}  // namespace tessaly::analysis
