#include "analysis/pca.h"

#include <gtest/gtest.h>

#include <random>

#include "core/error.h"

namespace tessaly::analysis {
namespace {

Matrix randomMatrix(Eigen::Index rows, Eigen::Index cols, unsigned seed) {
  std::mt19937 engine(seed);
  std::normal_distribution<double> normal;
  Matrix m(rows, cols);
  for (Eigen::Index i = 0; i < m.size(); ++i) m(i) = normal(engine);
  return m;
}

// Orthonormal columns (a Q factor) of a random matrix.
Matrix orthonormal(Eigen::Index rows, Eigen::Index cols, unsigned seed) {
  Eigen::HouseholderQR<Matrix> qr(randomMatrix(rows, cols, seed));
  return qr.householderQ() * Matrix::Identity(rows, cols);
}

double relative(double a, double b) {
  return std::abs(a - b) / std::max(std::abs(b), 1e-300);
}

// Columns equal up to the sign of each column.
void expectColumnsUpToSign(const Matrix& a, const Matrix& b, double tolerance) {
  ASSERT_EQ(a.rows(), b.rows());
  ASSERT_EQ(a.cols(), b.cols());
  for (Eigen::Index j = 0; j < a.cols(); ++j) {
    const double sign = a.col(j).dot(b.col(j)) < 0 ? -1 : 1;
    EXPECT_LE((a.col(j) - sign * b.col(j)).cwiseAbs().maxCoeff(),
              tolerance * b.col(j).cwiseAbs().maxCoeff())
        << "component " << j + 1;
  }
}

// Data built with known components: centred orthonormal scores S (N x r), spreads d and
// orthonormal axes Q (p x r), X = S diag(d) Q' + a mean. Its components are Q, with variances
// d^2 / (N - 1) and scores S diag(d).
TEST(PrincipalComponents, RecoverKnownComponentsOfTallAndWideData) {
  struct Case {
    Eigen::Index n, p;
  };
  // 5000 rows: more than one block of centred rows.
  for (const Case c : {Case{200, 6}, Case{12, 30}, Case{30, 76}, Case{5000, 7}}) {
    const Eigen::Index r = std::min(c.p, c.n - 1);
    Matrix raw = randomMatrix(c.n, r, 1);
    raw.rowwise() -= raw.colwise().mean();
    Eigen::HouseholderQR<Matrix> qr(raw);
    const Matrix S = qr.householderQ() * Matrix::Identity(c.n, r);
    const Matrix Q = orthonormal(c.p, r, 2);
    ColVector d = ColVector::LinSpaced(r, 3.0 * static_cast<double>(r), 3.0);
    const RowVector mean = RowVector::LinSpaced(c.p, -1, 2);
    const Matrix X = (S * d.asDiagonal() * Q.transpose()).rowwise() + mean;

    const Pca pca = principalComponents(X);
    ASSERT_EQ(pca.eigenvalues.size(), r);
    const ColVector expected = d.array().square() / static_cast<double>(c.n - 1);
    for (Eigen::Index j = 0; j < r; ++j)
      EXPECT_LT(relative(pca.eigenvalues(j), expected(j)), 1e-10) << c.n << "x" << c.p;
    EXPECT_LT(relative(pca.totalVariance, expected.sum()), 1e-10);
    EXPECT_NEAR(pca.cumulative(r - 1), 100, 1e-9);
    EXPECT_NEAR(pca.percent(0), 100 * expected(0) / expected.sum(), 1e-9);
    expectColumnsUpToSign(pca.loadings, Q, 1e-10);
    expectColumnsUpToSign(pca.scores, S * d.asDiagonal(), 1e-10);
    // A specimen given again as an unknown lands on its own scores.
    EXPECT_LT((projectOnComponents(pca, X.topRows(3)) - pca.scores.topRows(3)).norm(), 1e-10);
  }
}

// A route of its own: the singular value decomposition of the centred data.
TEST(PrincipalComponents, AgreeWithTheSingularValuesOfTheCentredData) {
  Matrix X = randomMatrix(150, 12, 3) * randomMatrix(12, 12, 4);
  const Matrix centred = X.rowwise() - X.colwise().mean();
  Eigen::JacobiSVD<Matrix> svd(centred, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const ColVector values = svd.singularValues().array().square() / 149.0;

  const Pca pca = principalComponents(X);
  for (Eigen::Index j = 0; j < 12; ++j) EXPECT_LT(relative(pca.eigenvalues(j), values(j)), 1e-10);
  EXPECT_LT(relative(pca.totalVariance, values.sum()), 1e-12);
  expectColumnsUpToSign(pca.scores, svd.matrixU() * svd.singularValues().asDiagonal(), 1e-9);
}

// The sign rule makes the axes a property of the data, not of the decomposition: the same
// specimens in another order, or reflected through the mean, give the same loadings.
TEST(PrincipalComponents, SignsFollowTheLargestLoading) {
  const Matrix X = randomMatrix(40, 8, 5) * randomMatrix(8, 8, 6);
  const Pca pca = principalComponents(X);
  for (Eigen::Index j = 0; j < pca.loadings.cols(); ++j) {
    Eigen::Index largest = 0;
    pca.loadings.col(j).cwiseAbs().maxCoeff(&largest);
    EXPECT_GT(pca.loadings(largest, j), 0);
  }
  const Matrix reversed = X.colwise().reverse();
  const Matrix reflected = (-X).rowwise() + 2 * X.colwise().mean();
  for (const Matrix& other : {reversed, reflected})
    EXPECT_LT((principalComponents(other).loadings - pca.loadings).norm(), 1e-10);
  EXPECT_LT((principalComponents(reflected).scores + pca.scores).norm(), 1e-9);
}

TEST(PrincipalComponents, RefuseDataWithoutVariation) {
  EXPECT_THROW(principalComponents(Matrix::Ones(1, 4)), Error);
  EXPECT_THROW(principalComponents(Matrix::Ones(5, 4)), Error);
}

TEST(ComponentChoice, ReadsAutoNoneAndCounts) {
  using Kind = ComponentChoice::Kind;
  struct Case {
    const char* text;
    Kind kind;
    Eigen::Index count;
  };
  for (const Case c : {Case{"", Kind::None, 0}, Case{"none", Kind::None, 0},
                       Case{"auto", Kind::Auto, 0}, Case{"7", Kind::Count, 7}}) {
    const ComponentChoice choice = parseComponentChoice(c.text);
    EXPECT_EQ(choice.kind, c.kind) << c.text;
    EXPECT_EQ(choice.count, c.count) << c.text;
  }
  for (const char* bad : {"1", "0", "-3", "2.5", "five", "3 "})
    EXPECT_THROW(parseComponentChoice(bad), Error) << bad;
}

TEST(ComponentChoice, AutoHolds95PercentWithinTheDegreesOfFreedom) {
  Pca pca;
  pca.eigenvalues = ColVector{{50, 30, 15, 4, 1}};
  pca.cumulative = ColVector{{50, 80, 95, 99, 100}};
  const ComponentChoice autoChoice = parseComponentChoice("auto");
  struct Case {
    Eigen::Index nMinusG, expected;
  };
  for (const Case c : {Case{20, 3}, Case{3, 2}, Case{2, 2}})
    EXPECT_EQ(componentsToUse(autoChoice, pca, c.nMinusG), c.expected) << c.nMinusG;
  EXPECT_EQ(componentsToUse(parseComponentChoice("5"), pca, 20), 5);
  EXPECT_THROW(componentsToUse(parseComponentChoice("6"), pca, 20), Error);
}

}  // namespace
}  // namespace tessaly::analysis
