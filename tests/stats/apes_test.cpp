// Wilks' lambda of the example great-ape skulls, from shape variables built here by a
// Procrustes fit of their own (independent of the program's superimposition), checked against
// the figure that another program gives for the same data.
#include <gtest/gtest.h>

#include <cmath>

#include "core/dload.h"
#include "stats/manova.h"

namespace tessaly::stats {
namespace {

// Centred configuration of row i (k landmarks, x y pairs) as a k-by-2 matrix of unit size.
Matrix unitConfiguration(const Matrix& data, Eigen::Index i, Eigen::Index k) {
  Matrix c(k, 2);
  for (Eigen::Index l = 0; l < k; ++l) c.row(l) << data(i, 2 * l), data(i, 2 * l + 1);
  c.rowwise() -= c.colwise().mean();
  return c / c.norm();
}

// c rotated (no reflection) to fit the target best in the least-squares sense.
Matrix rotatedOnto(const Matrix& c, const Matrix& target) {
  Eigen::JacobiSVD<Matrix> svd(c.transpose() * target, Eigen::ComputeFullU | Eigen::ComputeFullV);
  Matrix R = svd.matrixU() * svd.matrixV().transpose();
  if (R.determinant() < 0) {
    Matrix V = svd.matrixV();
    V.col(1) *= -1;
    R = svd.matrixU() * V.transpose();
  }
  return c * R;
}

TEST(ApesExample, WilksLambdaOverAllDimensionsMatchesTheReferenceFigure) {
  const Matrix data = dload(std::string(TESSALY_EXAMPLES "/apes/apes.txt"));
  const Matrix groups = dload(std::string(TESSALY_EXAMPLES "/apes/apes-groups.txt"));
  const Eigen::Index n = data.rows();
  const Eigen::Index k = (data.cols() - 1) / 2;
  ASSERT_EQ(n, 167);
  ASSERT_EQ(k, 8);

  std::vector<Matrix> shapes;
  for (Eigen::Index i = 0; i < n; ++i) shapes.push_back(unitConfiguration(data, i, k));
  Matrix mean = shapes[0];
  for (int pass = 0; pass < 50; ++pass) {
    Matrix next = Matrix::Zero(k, 2);
    for (auto& s : shapes) next += (s = rotatedOnto(s, mean));
    next /= next.norm();
    const double change = (next - mean).norm();
    mean = next;
    if (change < 1e-14) break;
  }
  // Tangent coordinates at the mean shape, then the 12 leading principal components (the
  // shape space of 8 landmarks has 2k - 4 = 12 dimensions).
  const Eigen::Map<const ColVector> mu(mean.data(), 2 * k);
  Matrix tangent(n, 2 * k);
  for (Eigen::Index i = 0; i < n; ++i) {
    const Eigen::Map<const ColVector> x(shapes[static_cast<size_t>(i)].data(), 2 * k);
    tangent.row(i) = (x - mu * mu.dot(x)).transpose();
  }
  const Matrix centred = tangent.rowwise() - tangent.colwise().mean();
  Eigen::SelfAdjointEigenSolver<Matrix> pca(centred.transpose() * centred);
  const Matrix scores = centred * pca.eigenvectors().rightCols(12);

  const ManovaResult r = manova1(scores, groups);
  EXPECT_NEAR(r.stats.lambda(0), 0.004014, 5e-7);  // the figure to its four digits
  EXPECT_NEAR(r.stats.lambda(0), r.stats.W.determinant() / r.stats.T.determinant(), 1e-12);
  EXPECT_EQ(r.stats.gnames, (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(r.stats.dfW, 161);
  // The fifth dimension test is the first with p > 0.05 (about 0.10).
  EXPECT_LE(r.p(3), 0.05);
  EXPECT_GT(r.p(4), 0.05);
  EXPECT_EQ(r.d(0, 0), 4);
}

}  // namespace
}  // namespace tessaly::stats
