#include "shape/missing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "shape/spline.h"
#include "shape_testing.h"

namespace tessaly::shape {
namespace {

using Missing = std::vector<std::vector<Eigen::Index>>;

// Rows of the mean itself and of two similarity images of it: their consensus has its shape.
Matrix completeRows(const Matrix& mean) {
  Matrix rows(3, mean.cols());
  rows.row(0) = mean;
  const Eigen::Index k = (mean.cols() - 1) / 2;
  for (Eigen::Index j = 0; j < k; ++j) {
    const double x = mean(2 * j), y = mean(2 * j + 1);
    rows(1, 2 * j) = 2 * (0.8 * x - 0.6 * y) + 5;
    rows(1, 2 * j + 1) = 2 * (0.6 * x + 0.8 * y) - 1;
    rows(2, 2 * j) = -0.5 * y;
    rows(2, 2 * j + 1) = 0.5 * x + 3;
  }
  return rows;
}

Matrix withSpecimen(const Matrix& complete, const RowVector& specimen) {
  Matrix rows(complete.rows() + 1, complete.cols());
  rows << complete, specimen;
  return rows;
}

TEST(EstimateMissing, AnAffineImageOfTheMeanIsEstimatedExactly) {
  std::mt19937_64 rng(3);
  const Matrix mean = testing::randomRow(7, rng);
  RowVector affine = mean;
  for (Eigen::Index j = 0; j < 7; ++j) {
    const double x = mean(2 * j), y = mean(2 * j + 1);
    affine(2 * j) = 1.3 * x + 0.4 * y + 2;
    affine(2 * j + 1) = -0.2 * x + 0.8 * y - 7;
  }
  RowVector specimen = affine;
  for (Eigen::Index j : {1, 4}) specimen(2 * j) = specimen(2 * j + 1) = std::nan("");
  Matrix rows = withSpecimen(completeRows(mean), specimen);
  Missing missing(4);
  missing[3] = {1, 4};
  estimateMissing(rows, missing);
  EXPECT_LT((rows.row(3).head(14) - affine.head(14)).cwiseAbs().maxCoeff(), 1e-9);
  // The size is that of the completed configuration.
  EXPECT_NEAR(rows(3, 14), centsize(affine)(0), 1e-9);
}

TEST(EstimateMissing, ALandmarkRemovedFromASplineImageOfTheMeanIsRecovered) {
  std::mt19937_64 rng(5);
  const Matrix mean = testing::randomRow(8, rng);
  // A spline through every landmark but the sixth carries the mean; the sixth goes where the
  // spline takes it, so the spline through the other seven recovers it.
  Matrix from(2, 7), to(2, 7);
  std::uniform_real_distribution<double> shift(-0.1, 0.1);
  for (Eigen::Index j = 0, c = 0; j < 8; ++j) {
    if (j == 5) continue;
    from(0, c) = mean(2 * j), from(1, c) = mean(2 * j + 1);
    to(0, c) = from(0, c) + shift(rng), to(1, c) = from(1, c) + shift(rng);
    ++c;
  }
  const Matrix w = splineWeights(from, to);
  RowVector image = mean;
  for (Eigen::Index j = 0; j < 8; ++j) {
    const auto [dx, dy] = splineDisplacement(from, w, mean(2 * j), mean(2 * j + 1));
    image(2 * j) += dx, image(2 * j + 1) += dy;
  }
  RowVector specimen = image;
  specimen(10) = specimen(11) = std::nan("");
  Matrix rows = withSpecimen(completeRows(mean), specimen);
  estimateMissing(rows, Missing{{}, {}, {}, {5}});
  EXPECT_NEAR(rows(3, 10), image(10), 1e-9);
  EXPECT_NEAR(rows(3, 11), image(11), 1e-9);
}

TEST(EstimateMissing, RefusesWhatCannotBeEstimated) {
  std::mt19937_64 rng(7);
  Matrix rows = testing::randomRow(4, rng);
  rows(0, 0) = rows(0, 1) = std::nan("");
  EXPECT_THROW(estimateMissing(rows, Missing{{0}}), Error);  // no complete specimen
  Matrix two = withSpecimen(testing::randomRow(4, rng), rows.row(0));
  for (Eigen::Index c = 2; c < 4; ++c) two(1, c) = std::nan("");
  EXPECT_THROW(estimateMissing(two, Missing{{}, {0, 1}}), Error);  // two landmarks present
}

}  // namespace
}  // namespace tessaly::shape
