#include "stats/distributions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::stats {
namespace {

Matrix row(std::initializer_list<double> v) {
  Matrix m(1, static_cast<Eigen::Index>(v.size()));
  Eigen::Index j = 0;
  for (double x : v) m(0, j++) = x;
  return m;
}

using test_support::errorText;

TEST(Chi2cdf, KnownValues) {
  EXPECT_NEAR(chi2cdf(scalar(2), scalar(2))(0), 1 - std::exp(-1.0), 1e-15);
  EXPECT_EQ(chi2cdf(scalar(0), scalar(3))(0), 0);
  EXPECT_EQ(chi2cdf(scalar(-1), scalar(3))(0), 0);
  EXPECT_TRUE(std::isnan(chi2cdf(scalar(4), scalar(0))(0)));
  EXPECT_TRUE(std::isnan(chi2cdf(scalar(0), scalar(0))(0)));
  // A huge statistic is certain to be exceeded by nothing: p-value 0 to double precision.
  EXPECT_EQ(chi2cdf(scalar(1e6), scalar(12))(0), 1);
  EXPECT_EQ(chi2cdf(scalar(INFINITY), scalar(12))(0), 1);
}

TEST(Chi2cdf, EvenDegreesOfFreedomMatchThePoissonSum) {
  // For v = 2k: P(chi2 <= x) = 1 - exp(-x/2) * sum_{j<k} (x/2)^j / j!.
  for (int k : {1, 3, 10, 50, 150}) {
    for (double x : {0.5 * k, 2.0 * k, 3.0 * k}) {
      const double h = x / 2;
      double tail = 0;
      for (int j = 0; j < k; ++j) tail += std::exp(-h + j * std::log(h) - std::lgamma(j + 1.0));
      EXPECT_NEAR(chi2cdf(scalar(x), scalar(2 * k))(0), 1 - tail, 1e-13) << k << " " << x;
    }
  }
}

TEST(Chi2cdf, ElementWiseWithScalarExpansion) {
  const Matrix p = chi2cdf(row({1, 2, 3}), row({1, 2, 3}));
  EXPECT_NEAR(p(1), 1 - std::exp(-1.0), 1e-15);
  EXPECT_NEAR(p(0), std::erf(std::sqrt(0.5)), 1e-15);
  const Matrix q = chi2cdf(row({1, 2, 3}), scalar(2));
  for (int j = 0; j < 3; ++j) EXPECT_NEAR(q(j), 1 - std::exp(-(j + 1) / 2.0), 1e-15);
  EXPECT_EQ(errorText([] {
              chi2cdf(row({1, 2, 3}), row({1, 2}));
            }),
            "Requires non-scalar arguments to match in size.");
  EXPECT_EQ(errorText([] { chi2cdf(std::vector<Matrix>{scalar(1)}); }),
            "Requires two input arguments.");
}

TEST(Gamcdf, ClosedFormsAndInvalidParameters) {
  // Shape 1 is the exponential distribution; shape 3 has a finite Poisson sum.
  for (double x : {0.1, 1.0, 7.5}) {
    EXPECT_NEAR(gamcdf(scalar(x), scalar(1), scalar(2))(0), 1 - std::exp(-x / 2), 1e-15);
    EXPECT_NEAR(gamcdf(scalar(x), scalar(3))(0), 1 - std::exp(-x) * (1 + x + x * x / 2), 1e-14);
  }
  const Matrix p = gamcdf(row({1, 1, 1, -1}), row({-1, 2, 2, 2}), row({1, 0, 1, 1}));
  EXPECT_TRUE(std::isnan(p(0)));
  EXPECT_TRUE(std::isnan(p(1)));
  EXPECT_GT(p(2), 0);
  EXPECT_EQ(p(3), 0);
  // A missing value has no probability.
  EXPECT_TRUE(std::isnan(gamcdf(scalar(NAN), scalar(2))(0)));
  EXPECT_EQ(errorText([] { gamcdf(std::vector<Matrix>{scalar(1)}); }),
            "Requires at least two input arguments.");
  EXPECT_EQ(errorText([] {
              gamcdf(row({1, 2}), scalar(1), row({1, 2, 3}));
            }),
            "Requires non-scalar arguments to match in size.");
  EXPECT_NEAR(gamcdf(std::vector<Matrix>{scalar(2), scalar(1)})(0), 1 - std::exp(-2.0), 1e-15);
}

TEST(Distchck, ExpandsScalarsToTheFirstNonScalarSize) {
  const Matrix a = Matrix::Ones(2, 3);
  Expanded e = distchck(3, {scalar(4), a, scalar(5)});
  EXPECT_EQ(e.errorcode, 0);
  EXPECT_EQ(e.out[0], Matrix::Constant(2, 3, 4));
  EXPECT_EQ(e.out[2], Matrix::Constant(2, 3, 5));
  EXPECT_EQ(distchck(2, {a, Matrix::Ones(3, 2)}).errorcode, 1);
  EXPECT_EQ(distchck(2, {scalar(1), scalar(2)}).out[1], scalar(2));
}

TEST(OtherDistributions, QuantilesDensitiesAndEnds) {
  EXPECT_NEAR(tinv(scalar(0.975), scalar(10))(0), 2.228138851986274, 1e-12);
  EXPECT_NEAR(tinv(scalar(0.5), scalar(3))(0), 0, 1e-15);
  EXPECT_EQ(tinv(scalar(1), scalar(3))(0), INFINITY);
  EXPECT_TRUE(std::isnan(tinv(scalar(0.5), scalar(0))(0)));
  EXPECT_NEAR(norminv(scalar(0.975))(0), 1.959963984540054, 1e-12);
  EXPECT_NEAR(norminv(scalar(0.975), scalar(10), scalar(2))(0), 10 + 2 * 1.959963984540054, 1e-12);
  EXPECT_EQ(norminv(scalar(0))(0), -INFINITY);
  EXPECT_TRUE(std::isnan(norminv(scalar(1.5))(0)));
  // I_0.5(2, 3) = 11/16; the density of Beta(2, 2) at 0.5 is 1.5.
  EXPECT_NEAR(betacdf(scalar(0.5), scalar(2), scalar(3))(0), 11.0 / 16, 1e-15);
  EXPECT_NEAR(betapdf(scalar(0.5), scalar(2), scalar(2))(0), 1.5, 1e-14);
  const Matrix x = row({0.05, 0.3, 0.77});
  EXPECT_TRUE(
      betainv(betacdf(x, scalar(2.5), scalar(0.7)), scalar(2.5), scalar(0.7)).isApprox(x, 1e-12));
  EXPECT_EQ(betacdf(row({-1, 2}), scalar(2), scalar(2)), row({0, 1}));
  EXPECT_EQ(betapdf(row({0, 1, 1.5}), scalar(0.5), scalar(1)), row({INFINITY, 0.5, 0}));
  EXPECT_TRUE(std::isnan(betainv(scalar(0.5), scalar(-1), scalar(1))(0)));
}

}  // namespace
}  // namespace tessaly::stats
