// The CVA on principal components, against a MANOVA of component scores worked out here.
#include <gtest/gtest.h>

#include "analysis/crossval.h"
#include "analysis/fit.h"
#include "core/dload.h"
#include "core/error.h"
#include "support/apes.h"
#include "support/sscp.h"

namespace tessaly::analysis {
namespace {

using test_support::Apes;

FitOptions onComponents(const std::string& choice) {
  FitOptions options;
  options.components = parseComponentChoice(choice);
  return options;
}

using test_support::sscp;

TEST(FitOnComponents, IsTheManovaOfTheLeadingComponentScores) {
  const Apes apes;
  const Eigen::Index m = 4;
  const Fit f = fit(apes.data, apes.codes, std::nullopt, onComponents("4"));
  ASSERT_TRUE(f.pca.has_value());
  EXPECT_EQ(f.components, m);

  // The components of the shape variables by an SVD of their centred values.
  const Matrix shape = f.pwscores.leftCols(f.pwscores.cols() - 1);
  const Matrix centred = shape.rowwise() - shape.colwise().mean();
  Eigen::JacobiSVD<Matrix> svd(centred, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const Matrix loadings = svd.matrixV().leftCols(m);
  const Matrix y = centred * loadings;
  for (Eigen::Index j = 0; j < m; ++j)
    EXPECT_NEAR(std::abs(f.variables().col(j).dot(y.col(j))), y.col(j).squaredNorm(),
                1e-10 * y.col(j).squaredNorm());

  Matrix W, B;
  sscp(y, apes.codes, W, B);
  Eigen::GeneralizedSelfAdjointEigenSolver<Matrix> canonical(B, W);
  const ColVector expected = canonical.eigenvalues().reverse();
  ASSERT_EQ(f.eigenvalues.size(), m);
  double lambda = 1;
  for (Eigen::Index j = 0; j < m; ++j) {
    EXPECT_NEAR(f.eigenvalues(j), expected(j), 1e-9 * expected(0));
    lambda /= 1 + expected(j);
  }
  EXPECT_NEAR(f.manova.stats.lambda(0), lambda, 1e-10);

  // The axes are the canonical directions mapped back into the shape variables: unit
  // vectors in the span of the m loadings, along the loadings times the coefficients.
  ASSERT_EQ(f.axes.rows(), shape.cols());
  for (Eigen::Index j = 0; j < m; ++j) {
    const ColVector mapped = (loadings * canonical.eigenvectors().col(m - 1 - j)).normalized();
    EXPECT_NEAR(std::abs(f.axes.col(j).dot(mapped)), 1, 1e-9) << "axis " << j + 1;
  }
  // Unknowns are projected onto the same components: a specimen scores as in the fit.
  const Scores again = score(f, apes.data.topRows(5));
  EXPECT_LT((again.cvScores - f.cvScores.topRows(5)).cwiseAbs().maxCoeff(), 1e-9);
  EXPECT_LT((again.canonicalScores - f.manova.stats.canon.topRows(5)).cwiseAbs().maxCoeff(), 1e-9);
}

TEST(FitOnComponents, AutoHoldsNinetyFivePercentAndShapeVariablesStayWithout) {
  const Apes apes;
  const Fit plain = fit(apes.data, apes.codes, std::nullopt);
  EXPECT_FALSE(plain.pca.has_value());
  EXPECT_EQ(plain.components, 0);
  const Fit automatic = fit(apes.data, apes.codes, std::nullopt, onComponents("auto"));
  const Eigen::Index m = automatic.components;
  ASSERT_GE(m, 2);
  EXPECT_GE(automatic.pca->cumulative(m - 1), 95);
  EXPECT_LT(automatic.pca->cumulative(m - 2), 95);
  EXPECT_EQ(automatic.variables().cols(), m);
  EXPECT_THROW(fit(apes.data, apes.codes, std::nullopt, onComponents("13")), Error);
}

// A refit of the whole analysis on components takes the components of the fold's kept
// specimens (by an SVD of their shape variables) and projects the held-out ones onto them.
TEST(FitOnComponents, AFoldRefitTakesTheComponentsOfItsKeptSpecimens) {
  const Apes apes;
  const Fit full = fit(apes.data, apes.codes, std::nullopt);
  std::vector<Eigen::Index> kept, held;
  for (Eigen::Index i = 0; i < apes.data.rows(); ++i) (i % 4 ? kept : held).push_back(i);
  const FoldFit fold = wholeAnalysisRefit(apes.data, apes.codes, std::nullopt, full.reference,
                                          onComponents("5"))(kept, held);

  FitOptions start;
  start.consensusStart = full.reference;
  const Fit plain =
      fit(apes.data(kept, Eigen::all), apes.codes(kept, Eigen::all), std::nullopt, start);
  const Eigen::Index p = plain.pwscores.cols() - 1;
  const RowVector mean = plain.pwscores.leftCols(p).colwise().mean();
  const Matrix centred = plain.pwscores.leftCols(p).rowwise() - mean;
  Eigen::JacobiSVD<Matrix> svd(centred, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const Matrix loadings = svd.matrixV().leftCols(5);
  const Matrix heldShape = score(plain, apes.data(held, Eigen::all)).pwscores.leftCols(p);
  const Matrix expected[] = {centred * loadings, (heldShape.rowwise() - mean) * loadings};
  const Matrix* got[] = {&fold.keptVariables, &fold.heldVariables};
  ASSERT_EQ(fold.keptVariables.cols(), 5);
  ASSERT_EQ(fold.heldVariables.cols(), 5);
  for (Eigen::Index j = 0; j < 5; ++j) {
    // One sign per component, from the kept specimens, for both sets.
    const double sign = fold.keptVariables.col(j).dot(expected[0].col(j)) < 0 ? -1 : 1;
    for (int set = 0; set < 2; ++set) {
      EXPECT_LT((got[set]->col(j) - sign * expected[set].col(j)).norm(),
                1e-8 * expected[set].col(j).norm())
          << "set " << set << ", component " << j + 1;
    }
  }
}

}  // namespace
}  // namespace tessaly::analysis
