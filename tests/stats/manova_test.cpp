#include "stats/manova.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::stats {
namespace {

// n rows of m normal scores in g groups of equal size, group means shifted apart by `shift`.
struct Sample {
  Matrix X;
  Matrix group;
};
Sample makeSample(int g, int perGroup, int m, double shift, unsigned seed) {
  std::mt19937 engine(seed);
  std::normal_distribution<double> normal;
  Sample s{Matrix(g * perGroup, m), Matrix(g * perGroup, 1)};
  for (int i = 0; i < g * perGroup; ++i) {
    const int k = i % g;  // groups interleaved, so first appearance is 1, 2, ...
    s.group(i, 0) = 10 * (k + 1);
    for (int j = 0; j < m; ++j) s.X(i, j) = normal(engine) + (j == k % m ? shift * k : 0.0);
  }
  return s;
}

void expectError(const std::function<void()>& f, const std::string& text) {
  EXPECT_EQ(test_support::errorText(f), text);
}

TEST(Manova1, OneVariableTwoGroupsWorkedByHand) {
  // Groups {1,2,3} and {4,5,6}: W = 4, T = 17.5, B = 13.5, lambda = 4/17.5.
  Matrix X(6, 1);
  X << 1, 2, 3, 4, 5, 6;
  Matrix group(6, 1);
  group << 1, 1, 1, 2, 2, 2;
  const ManovaResult r = manova1(X, group);
  const ManovaStats& s = r.stats;
  EXPECT_NEAR(s.W(0, 0), 4, 1e-12);
  EXPECT_NEAR(s.T(0, 0), 17.5, 1e-12);
  EXPECT_NEAR(s.B(0, 0), 13.5, 1e-12);
  EXPECT_EQ(s.dfW, 4);
  EXPECT_EQ(s.dfB, 1);
  EXPECT_EQ(s.dfT, 5);
  ASSERT_EQ(s.lambda.rows(), 1);
  EXPECT_NEAR(s.lambda(0), 4 / 17.5, 1e-12);
  const double chisq = -(6 - 1 - (2 + 1) / 2.0) * std::log(4 / 17.5);
  EXPECT_NEAR(s.chisq(0), chisq, 1e-12);
  EXPECT_EQ(s.chisqdf(0), 1);
  // One degree of freedom: P(chi2 > x) = erfc(sqrt(x / 2)).
  EXPECT_NEAR(r.p(0), std::erfc(std::sqrt(chisq / 2)), 1e-12);
  EXPECT_EQ(r.d(0, 0), 1);
  EXPECT_NEAR(s.eigenval(0), 13.5 / 4, 1e-12);
  EXPECT_NEAR(s.eigenvec(0, 0), 1, 1e-12);  // unit pooled variance: W / (n - g) = 1
  Matrix canon(6, 1);
  canon << -2.5, -1.5, -0.5, 0.5, 1.5, 2.5;
  EXPECT_TRUE(s.canon.isApprox(canon, 1e-12));
  Matrix mdist(6, 1);
  mdist << 1, 0, 1, 1, 0, 1;
  EXPECT_TRUE(s.mdist.isApprox(mdist, 1e-12));
  EXPECT_NEAR(s.gmdist(0, 1), 9, 1e-12);
  EXPECT_EQ(s.gnames, (std::vector<std::string>{"1", "2"}));
}

TEST(Manova1, WilksLambdaAndCanonicalAxesAgreeWithDeterminantsAndMahalanobis) {
  for (unsigned seed : {1u, 2u, 3u}) {
    const Sample smp = makeSample(4, 15, 5, 1.5, seed);
    const ManovaResult r = manova1(smp.X, smp.group);
    const ManovaStats& s = r.stats;
    // Kept to the tested dimensions, the canonical variables are the leading ones.
    const ManovaStats tested = manova1(smp.X, smp.group, 0.05, CanonicalColumns::Tested).stats;
    ASSERT_EQ(tested.canon.cols(), 3);
    EXPECT_TRUE(tested.canon.isApprox(s.canon.leftCols(3), 1e-12));
    const double n = 60, g = 4, m = 5;
    EXPECT_TRUE((s.W + s.B).isApprox(s.T, 1e-12));
    // Over all dimensions, Wilks' lambda is det(W) / det(T).
    EXPECT_NEAR(s.lambda(0), s.W.determinant() / s.T.determinant(), 1e-10);
    ASSERT_EQ(s.lambda.rows(), 3);
    ASSERT_EQ(s.eigenval.rows(), 5);
    for (int i = 0; i < 3; ++i) {
      double product = 1;
      for (int k = i; k < 5; ++k) product /= 1 + s.eigenval(k);
      EXPECT_NEAR(s.lambda(i), product, 1e-12);
      EXPECT_NEAR(s.chisq(i), -(n - 1 - (g + m) / 2) * std::log(s.lambda(i)), 1e-9);
      EXPECT_EQ(s.chisqdf(i), (m - i) * (g - 1 - i));
    }
    for (int k = 1; k < 5; ++k) EXPECT_GE(s.eigenval(k - 1), s.eigenval(k));
    // Canonical coefficients: B c = e W c, unit pooled within-group variance, W-orthogonal,
    // and each column sums to a non-negative number.
    const Matrix pooled = s.eigenvec.transpose() * s.W * s.eigenvec / (n - g);
    EXPECT_TRUE(pooled.isApprox(Matrix::Identity(5, 5), 1e-9)) << pooled;
    for (int j = 0; j < 5; ++j) {
      EXPECT_TRUE(
          (s.B * s.eigenvec.col(j)).isApprox(s.eigenval(j) * s.W * s.eigenvec.col(j), 1e-8) ||
          s.eigenval(j) < 1e-10);
      EXPECT_GE(s.eigenvec.col(j).sum(), 0);
    }
    // With all m canonical variables, mdist is the squared Mahalanobis distance under the
    // pooled covariance W / (n - g).
    const Matrix Sinv = (s.W / (n - g)).inverse();
    for (int i = 0; i < 60; i += 7) {
      RowVector mean = RowVector::Zero(5);
      int count = 0;
      for (int k = 0; k < 60; ++k) {
        if (smp.group(k, 0) == smp.group(i, 0)) {
          mean += smp.X.row(k);
          ++count;
        }
      }
      const RowVector diff = smp.X.row(i) - mean / count;
      EXPECT_NEAR(s.mdist(i), (diff * Sinv * diff.transpose())(0, 0), 1e-8);
    }
    EXPECT_EQ(s.gmdist.rows(), 4);
    EXPECT_TRUE(s.gmdist.isApprox(s.gmdist.transpose()));
    EXPECT_EQ(s.gmdist.diagonal().norm(), 0);
    // Well separated groups: every tested dimension with a spread is significant.
    EXPECT_GE(r.d(0, 0), 1);
    EXPECT_LE(r.d(0, 0), 3);
  }
}

TEST(Manova1, GroupsWithEqualMeansGiveNoSignificantDimension) {
  Sample smp = makeSample(2, 10, 3, 0, 7);
  // Make the second group the first one's rows in another order: the same mean.
  for (int i = 0; i < 20; i += 2) smp.X.row(i + 1) = smp.X.row(18 - i);
  const ManovaResult r = manova1(smp.X, smp.group);
  EXPECT_NEAR(r.stats.lambda(0), 1, 1e-12);
  EXPECT_NEAR(r.p(0), 1, 1e-9);
  EXPECT_EQ(r.d(0, 0), 0);
  // No variables at all: nothing to test, no dimension, no crash.
  const ManovaResult none = manova1(Matrix(20, 0), smp.group);
  EXPECT_EQ(none.d(0, 0), 0);
  EXPECT_EQ(none.p.rows(), 0);
  EXPECT_EQ(none.stats.canon.rows(), 20);
}

TEST(Manova1, GroupNumbersFollowFirstAppearance) {
  const GroupIndex idx = grp2idx((Matrix(5, 1) << 5, 2, 5, 2, 7).finished());
  EXPECT_EQ(idx.g, (Matrix(5, 1) << 1, 2, 1, 2, 3).finished());
  EXPECT_EQ(idx.gn, (std::vector<std::string>{"5", "2", "7"}));
  // A row is read as a column; NaN codes form one missing group that is removed.
  const GroupIndex withNaN = grp2idx((Matrix(1, 5) << 3, kNaN, 1.5, kNaN, 3).finished());
  EXPECT_EQ(withNaN.gn, (std::vector<std::string>{"3", "1.5"}));
  EXPECT_EQ(withNaN.g(0), 1);
  EXPECT_TRUE(std::isnan(withNaN.g(1)));
  EXPECT_EQ(withNaN.g(2), 2);
  // Texts: the empty name is the missing group; group numbers above it move down.
  const GroupIndex texts = grp2idx(std::vector<std::string>{"b", "", "a", "b"});
  EXPECT_EQ(texts.gn, (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(texts.g(2), 2);
  EXPECT_TRUE(std::isnan(texts.g(1)));

  // In the MANOVA the group means are ordered the same way.
  Matrix X(6, 1);
  X << 10, 0, 11, 1, 50, 52;
  const ManovaResult r = manova1(X, (Matrix(6, 1) << 5, 2, 5, 2, 7, 7).finished());
  EXPECT_EQ(r.stats.gnames, (std::vector<std::string>{"5", "2", "7"}));
  const double scale = r.stats.eigenvec(0, 0) * r.stats.eigenvec(0, 0);
  EXPECT_NEAR(r.stats.gmdist(0, 1), 100 * scale, 1e-9);
  EXPECT_NEAR(r.stats.gmdist(1, 2), 50.5 * 50.5 * scale, 1e-6);
  // Text codes give the same analysis as the numbers they stand for.
  const ManovaResult t =
      manova1(X, std::vector<std::string>{"five", "two", "five", "two", "seven", "seven"});
  EXPECT_TRUE(t.stats.gmdist.isApprox(r.stats.gmdist));
  EXPECT_EQ(t.stats.gnames, (std::vector<std::string>{"five", "two", "seven"}));
}

TEST(Manova1, RowsWithMissingValuesOrGroupsAreLeftOut) {
  const Sample smp = makeSample(3, 8, 2, 2, 11);
  Matrix X = smp.X;
  Matrix group = smp.group;
  X(4, 1) = kNaN;
  group(9, 0) = kNaN;
  const ManovaResult r = manova1(X, group);
  // The same as the analysis of the 22 complete rows.
  Matrix Xc(22, 2), gc(22, 1);
  for (int i = 0, k = 0; i < 24; ++i) {
    if (i == 4 || i == 9) continue;
    Xc.row(k) = X.row(i);
    gc(k++, 0) = group(i, 0);
  }
  const ManovaResult c = manova1(Xc, gc);
  EXPECT_EQ(r.stats.dfT, 21);
  EXPECT_EQ(r.stats.dfW, 19);
  EXPECT_TRUE(r.stats.lambda.isApprox(c.stats.lambda));
  EXPECT_TRUE(r.p.isApprox(c.p));
  ASSERT_EQ(r.stats.canon.rows(), 24);
  for (int i : {4, 9}) {
    EXPECT_TRUE(r.stats.canon.row(i).array().isNaN().all());
    EXPECT_TRUE(std::isnan(r.stats.mdist(i)));
  }
  EXPECT_TRUE(r.stats.canon.row(10).isApprox(c.stats.canon.row(8)));
  EXPECT_NEAR(r.stats.mdist(23), c.stats.mdist(21), 1e-12);
}

TEST(Manova1, ErrorTexts) {
  const Sample smp = makeSample(2, 5, 2, 1, 3);
  for (double alpha : {0.0, 1.0, -0.5, 2.0, kNaN}) {
    expectError([&] { manova1(smp.X, smp.group, alpha); },
                "Significance level must satisfy 0 < ALPHA < 1.");
  }
  expectError([&] { manova1(smp.X, smp.group, Matrix::Constant(1, 2, 0.05)); },
              "Significance level must be a scalar.");
  expectError([&] { manova1(smp.X, smp.group.topRows(9)); },
              "Dimensions of X and GROUP must match.");
  expectError([&] { manova1(smp.X, std::vector<std::string>(3, "a")); },
              "Dimensions of X and GROUP must match.");
  // More variables than the observations can support.
  expectError([&] { manova1(smp.X.leftCols(2).replicate(1, 5), smp.group); },
              "The within-group sum of squares and cross products matrix is singular.");
  expectError([&] { manova1(smp.X.topRows(3), smp.group.topRows(3)); },
              "The within-group sum of squares and cross products matrix is singular.");
  // The level is checked before anything else.
  expectError([&] { manova1(smp.X, smp.group.topRows(2), 0.0); },
              "Significance level must satisfy 0 < ALPHA < 1.");
}

}  // namespace
}  // namespace tessaly::stats
