#include "stats/descriptive.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::stats {
namespace {

TEST(Var, NormalisationAndShapes) {
  const Matrix v = (Matrix(1, 4) << 1, 2, 3, 4).finished();
  EXPECT_NEAR(var(v)(0), 5.0 / 3, 1e-15);
  EXPECT_NEAR(var(v, 1)(0), 1.25, 1e-15);
  EXPECT_NEAR(var(Matrix(v.transpose()))(0), 5.0 / 3, 1e-15);
  EXPECT_EQ(var(scalar(7))(0), 0);  // one value: no spread, not 0/0
  const Matrix m = (Matrix(3, 2) << 1, 10, 2, 10, 3, 40).finished();
  EXPECT_TRUE(var(m).isApprox((Matrix(1, 2) << 1, 300).finished()));
  EXPECT_THROW(var(m, 2), Error);
}

TEST(PdistSquareform, CondensedOrderAndRoundTrip) {
  const Matrix X = (Matrix(4, 2) << 0, 0, 3, 4, 0, 1, 6, 8).finished();
  const Matrix d = pdist(X);
  // Pairs (1,2) (1,3) (1,4) (2,3) (2,4) (3,4).
  const Matrix expected =
      (Matrix(1, 6) << 5, 1, 10, std::sqrt(18.0), 5, std::sqrt(85.0)).finished();
  EXPECT_TRUE(d.isApprox(expected, 1e-14));
  EXPECT_TRUE(pdist(X, "CityBlock").isApprox((Matrix(1, 6) << 7, 1, 14, 6, 7, 13).finished()));
  EXPECT_TRUE(pdist(X, "chebychev").isApprox((Matrix(1, 6) << 4, 1, 8, 3, 4, 7).finished()));
  EXPECT_TRUE(pdist(X, "minkowski", 1).isApprox(pdist(X, "cityblock")));
  EXPECT_TRUE(pdist(X, "sqeuclidean").isApprox(expected.cwiseProduct(expected)));
  // Rows (3,4) and (6,8) point the same way.
  EXPECT_NEAR(pdist((Matrix(2, 2) << 3, 4, 6, 8).finished(), "cosine")(0), 0, 1e-15);
  EXPECT_THROW(pdist(X, "nearest"), Error);

  // Uncorrelated columns of variances 2/3 and 8/3: the distances in closed form.
  const Matrix Y = (Matrix(4, 2) << 1, 0, -1, 0, 0, 2, 0, -2).finished();
  const double r3 = std::sqrt(3.0), r6 = std::sqrt(6.0);
  EXPECT_TRUE(
      pdist(Y, "mahalanobis").isApprox((Matrix(1, 6) << r6, r3, r3, r3, r3, r6).finished()));
  // A column that is a multiple of another: a singular covariance, refused before its use.
  Matrix Z = Y;
  Z.col(1) = 2 * Z.col(0);
  EXPECT_EQ(test_support::errorText([&] { pdist(Z, "mahalanobis"); }),
            "The covariance of the rows is singular: the Mahalanobis distance needs more rows "
            "than columns and no column that is a combination of others.");

  const Matrix square = squareform(d);
  ASSERT_EQ(square.rows(), 4);
  EXPECT_EQ(square(1, 3), 5);
  EXPECT_EQ(square(3, 1), 5);
  EXPECT_EQ(square.diagonal().norm(), 0);
  EXPECT_EQ(squareform(square), d);
  EXPECT_EQ(squareform(scalar(2.5)), (Matrix(2, 2) << 0, 2.5, 2.5, 0).finished());
  EXPECT_THROW(squareform(Matrix::Ones(1, 4)), Error);
  EXPECT_THROW(squareform(Matrix::Ones(3, 3)), Error);
}

TEST(Grpstats, GroupsInFirstAppearanceOrder) {
  const Matrix x = (Matrix(5, 2) << 1, 10, 5, 50, 3, 30, 7, 70, 9, 90).finished();
  const Matrix g = (Matrix(5, 1) << 4, 2, 4, 2, 2).finished();
  const GroupStats s = grpstats(x, g);
  EXPECT_EQ(s.gname, (std::vector<std::string>{"4", "2"}));
  EXPECT_TRUE(s.means.isApprox((Matrix(2, 2) << 2, 20, 7, 70).finished()));
  EXPECT_TRUE(s.counts.isApprox((Matrix(2, 2) << 2, 2, 3, 3).finished()));
  // Standard error: sd / sqrt(n); group 2 has sd 2.
  EXPECT_NEAR(s.sem(1, 0), 2 / std::sqrt(3.0), 1e-14);
  EXPECT_NEAR(s.sem(0, 1), std::sqrt(200.0) / std::sqrt(2.0), 1e-12);

  // Two grouping variables: every combination that occurs is a group.
  const Matrix a = (Matrix(5, 1) << 1, 1, 2, 2, 1).finished();
  const Matrix b = (Matrix(5, 1) << 7, 8, 7, 7, 7).finished();
  const MultiGroupIndex m = mgrp2idx({a, b}, 5, ",");
  EXPECT_EQ(m.ogroup, (Matrix(5, 1) << 1, 2, 3, 3, 1).finished());
  EXPECT_EQ(m.glabel, (std::vector<std::string>{"1,7", "1,8", "2,7"}));
  EXPECT_EQ(m.gname[1], (std::vector<std::string>{"1", "8"}));
  EXPECT_TRUE(m.multigroup);
  EXPECT_THROW(mgrp2idx({a, b.topRows(3)}, 5), Error);
}

}  // namespace
}  // namespace tessaly::stats
