#include "analysis/fit.h"

#include <gtest/gtest.h>

#include "core/dload.h"
#include "core/error.h"
#include "shape/configuration.h"
#include "support/apes.h"

namespace tessaly::analysis {
namespace {

using test_support::Apes;

const Fit& apesFit() {
  static const Apes apes;
  static const Fit f = fit(apes.data, apes.codes, std::nullopt);
  return f;
}

TEST(Fit, ShapeVariablesAndGroupsOfTheApes) {
  const Fit& f = apesFit();
  const Eigen::Index k = 8;  // landmarks
  ASSERT_EQ(f.superimposed.rows(), 167);
  EXPECT_EQ(f.variables().cols(), 2 * k - 4);
  EXPECT_EQ(f.pwscores.cols(), 2 * k - 3);
  EXPECT_EQ(f.groups(), 6);
  EXPECT_EQ(f.groupCodes, (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(f.axes.cols(), f.variables().cols());
  for (Eigen::Index j = 0; j < f.axes.cols(); ++j) EXPECT_NEAR(f.axes.col(j).norm(), 1, 1e-14);
  // The CV scores are uncorrelated within groups: their pooled within-group cross-products
  // are diagonal (the canonical axes are W-orthogonal).
  Matrix centred = f.cvScores;
  for (int g = 1; g <= f.groups(); ++g) {
    RowVector mean = RowVector::Zero(centred.cols());
    int n = 0;
    for (size_t i = 0; i < f.ordinal.size(); ++i)
      if (f.ordinal[i] == g) mean += f.cvScores.row(static_cast<Eigen::Index>(i)), ++n;
    mean /= n;
    for (size_t i = 0; i < f.ordinal.size(); ++i)
      if (f.ordinal[i] == g) centred.row(static_cast<Eigen::Index>(i)) -= mean;
  }
  const Matrix w = centred.transpose() * centred;
  const Matrix offDiagonal = w - Matrix(w.diagonal().asDiagonal());
  EXPECT_LT(offDiagonal.cwiseAbs().maxCoeff(), 1e-9 * w.diagonal().maxCoeff());
}

// Scoring the fit's own specimens gives back what the fit holds, and their canonical scores
// are the MANOVA's own canonical variables.
TEST(Fit, ScoringTheSpecimensReproducesTheFit) {
  const Fit& f = apesFit();
  const Scores s = score(f, Apes().data);
  EXPECT_TRUE(s.superimposed.isApprox(f.superimposed, 1e-12));
  EXPECT_TRUE(s.pwscores.isApprox(f.pwscores, 1e-12));
  EXPECT_LT((s.cvScores - f.cvScores).cwiseAbs().maxCoeff(), 1e-10);
  EXPECT_LT((s.canonicalScores - f.manova.stats.canon).cwiseAbs().maxCoeff(), 1e-9);
}

// A data set of more rows than the scores are formed at a time: the scores are the centred
// variables times the axes in one product, to the last bit, in every block and at the ends.
TEST(Fit, ScoresOfManySpecimensEqualOneProductOfTheWholeMatrix) {
  const Apes apes;
  const Eigen::Index n = 20011;
  Matrix data(n, apes.data.cols()), codes(n, 1);
  for (Eigen::Index i = 0; i < n; ++i) {
    data.row(i) = apes.data.row(i % apes.data.rows()) * (1 + 1e-3 * static_cast<double>(i % 7));
    codes(i) = apes.codes(i % apes.codes.rows());
  }
  const Fit f = fit(data, codes, std::nullopt);
  const Eigen::Index p = f.variables().cols();
  const Matrix centred = f.variables().array() - f.variableMeans(p - 1);
  EXPECT_TRUE(f.cvScores == centred * f.axes);
}

TEST(Fit, AGivenReferenceIsCentredAndScaledWhateverItsPositionAndSize) {
  const Apes apes;
  Matrix moved = apes.data.row(3);
  for (Eigen::Index j = 0; j + 1 < moved.cols(); ++j) moved(j) = 2.5 * moved(j) + (j % 2 ? 7 : -3);
  const Fit a = fit(apes.data, apes.codes, Matrix(apes.data.row(3)));
  const Fit b = fit(apes.data, apes.codes, moved);
  EXPECT_NEAR(shape::centsize(a.reference)(0), 1, 1e-12);
  EXPECT_TRUE(a.reference.leftCols(16).isApprox(b.reference.leftCols(16), 1e-12));
  EXPECT_TRUE(a.eigenvalues.isApprox(b.eigenvalues, 1e-9));
  // The G - 1 axes of non-zero eigenvalues, up to sign (the others span a null space).
  EXPECT_TRUE(a.cvScores.leftCols(5).cwiseAbs().isApprox(b.cvScores.leftCols(5).cwiseAbs(), 1e-9));
  try {
    fit(apes.data, apes.codes, Matrix(apes.data.topRows(2)));
    FAIL() << "a reference of two rows was taken";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The reference has 2 rows of 17 numbers where one row of 17 is needed");
  }
}

}  // namespace
}  // namespace tessaly::analysis
