#include "shape/reconstruction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/error.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "shape/superimposition.h"
#include "shape/uniform.h"
#include "shape_testing.h"
#include "support/error_text.h"

namespace tessaly::shape {
namespace {

// A regular polygon: a reference whose bending energy has repeated eigenvalues.
Matrix regularPolygon(int k) {
  Matrix ref(1, 2 * k + 1);
  for (int j = 0; j < k; ++j) {
    ref(0, 2 * j) = std::round(1e4 * std::cos(2 * std::numbers::pi * j / k) / std::sqrt(k)) / 1e4;
    ref(0, 2 * j + 1) =
        std::round(1e4 * std::sin(2 * std::numbers::pi * j / k) / std::sqrt(k)) / 1e4;
  }
  ref(0, 2 * k) = 1;
  return ref;
}

TEST(Reversepwarb, ZeroAndUniformScores) {
  testing::DiagnosticCapture capture;
  std::mt19937_64 rng(1);
  const Matrix ref = testing::randomReference(6, rng);
  EXPECT_LT((reversepwarb(ref, Matrix::Zero(1, 9)) - ref).cwiseAbs().maxCoeff(), 1e-15);
  Matrix pw = Matrix::Zero(1, 9);
  pw(0, 6) = 0.3;
  pw(0, 8) = 123;  // the trailing cs is ignored
  Matrix expected = ref;
  expected.leftCols(12) += 0.3 * UniArbitrary(ref).row(0);
  EXPECT_LT((reversepwarb(ref, pw) - expected).cwiseAbs().maxCoeff(), 1e-15);
  EXPECT_NE(capture.text.find("xm1 = "), std::string::npos);
  EXPECT_NE(capture.text.find("xm2 = "), std::string::npos);

  EXPECT_THROW(reversepwarb(ref, Matrix::Zero(1, 8)), Error);
  EXPECT_EQ(test_support::errorText([&] { reversepwarb(ref, Matrix::Zero(1, 10)); }),
            "The score row has 10 values; shapes on a reference of 6 landmarks are rebuilt "
            "from 9.");
  EXPECT_THROW(reversepwarb(testing::randomReference(2, rng), Matrix::Zero(1, 1)), Error);
}

TEST(Reversepwarb, RebuildsASpecimenFromItsOwnScores) {
  testing::DiagnosticCapture quiet;
  std::mt19937_64 rng(2);
  std::normal_distribution<double> e(0.0, 0.05);
  for (const Matrix& ref :
       {testing::roundedReference(3, rng), testing::roundedReference(5, rng),
        testing::roundedReference(14, rng), regularPolygon(8), regularPolygon(12)}) {
    const int k = static_cast<int>(ref.cols() - 1) / 2;
    // Specimens that differ from the reference within the warps and uniform directions.
    const Matrix V = gettpse(gettspl(vertxy(ref))).leftCols(k);
    const Matrix u = UniArbitrary(ref);
    Matrix x = ref.replicate(4, 1);
    for (int i = 0; i < 4; ++i) {
      for (int w = 0; w < k - 3; ++w) {
        const double sx = e(rng), sy = e(rng);
        for (int j = 0; j < k; ++j) {
          x(i, 2 * j) += sx * V(j, w);
          x(i, 2 * j + 1) += sy * V(j, w);
        }
      }
      x.row(i).head(2 * k) += e(rng) * u.row(0) + e(rng) * u.row(1);
      x(i, 2 * k) = 10 + i;
    }
    const Matrix pw = getpw_arbit(ref, x);
    for (int i = 0; i < 4; ++i) {
      const Matrix back = reversepwarb(ref, pw.row(i));
      EXPECT_LT((back.leftCols(2 * k) - x.row(i).leftCols(2 * k)).cwiseAbs().maxCoeff(), 1e-12)
          << k;
      EXPECT_EQ(back(0, 2 * k), ref(0, 2 * k));
    }
  }
}

TEST(Reversepw6u, InterpolatesTheTargetAtTheLandmarks) {
  std::mt19937_64 rng(3);
  for (int k : {3, 8, 30}) {
    const Matrix ref = testing::randomReference(k, rng);
    const Matrix target = getpsup(testing::randomSample(1, k, 0.1, rng), ref);
    Matrix rhs = Matrix::Zero(k + 3, 2);
    rhs.topRows(k) = (vertxy(target) - vertxy(ref)).transpose();
    const Matrix weight = gettspl(vertxy(ref)).inverse() * rhs;
    testing::DiagnosticCapture capture;
    const Matrix y = reversepw6u(ref, weight);
    EXPECT_LT((y.leftCols(2 * k) - target.leftCols(2 * k)).cwiseAbs().maxCoeff(), 1e-10) << k;
    EXPECT_EQ(y(0, 2 * k), 1.0);
    EXPECT_EQ(capture.text, "pwarps = " + std::to_string(k) + "\n");

    const Matrix still = reversepw6u(ref, Matrix::Zero(k + 3, 2));
    EXPECT_EQ(still.leftCols(2 * k), ref.leftCols(2 * k));
    EXPECT_EQ(still(0, 2 * k), 1.0);
  }
  testing::DiagnosticCapture quiet;
  std::mt19937_64 rng2(4);
  const Matrix ref = testing::randomReference(5, rng2);
  EXPECT_THROW(reversepw6u(ref, Matrix::Zero(7, 2)), Error);
  EXPECT_THROW(reversepw6u(ref, Matrix::Zero(8, 1)), Error);
}

}  // namespace
}  // namespace tessaly::shape
