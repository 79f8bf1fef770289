#include "shape/superimposition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "core/error.h"
#include "shape/configuration.h"
#include "shape_testing.h"
#include "support/error_text.h"

namespace tessaly::shape {
namespace {

using test_support::errorText;

using cplx = std::complex<double>;

// Landmarks of a configuration row as complex numbers x + iy.
std::vector<cplx> landmarks(const Matrix& row) {
  std::vector<cplx> z((row.size() - 1) / 2);
  for (std::size_t j = 0; j < z.size(); ++j) z[j] = {row(0, 2 * j), row(0, 2 * j + 1)};
  return z;
}

// Partial Procrustes fit of one specimen onto a reference, one specimen at a time in complex
// arithmetic: centre, scale to unit size, rotate by the argument of sum(conj(z) w).
Matrix fitOne(const Matrix& row, const Matrix& ref) {
  std::vector<cplx> z = landmarks(row), w = landmarks(ref);
  cplx c = 0;
  for (auto p : z) c += p;
  c /= static_cast<double>(z.size());
  double ss = 0;
  for (auto& p : z) ss += std::norm(p -= c);
  cplx inner = 0;
  for (std::size_t j = 0; j < z.size(); ++j) inner += std::conj(z[j]) * w[j];
  const cplx turn = std::polar(1.0 / std::sqrt(ss), std::arg(inner));
  Matrix out = row;
  for (std::size_t j = 0; j < z.size(); ++j) {
    out(0, 2 * j) = (z[j] * turn).real();
    out(0, 2 * j + 1) = (z[j] * turn).imag();
  }
  return out;
}

// Generalised Procrustes fit specimen by specimen, following the same steps as getconsensus.
Consensus consensusOneByOne(const Matrix& x) {
  const Eigen::Index N = x.rows(), n = x.cols();
  Matrix y(N, n);
  for (Eigen::Index i = 0; i < N; ++i) y.row(i) = fitOne(x.row(i), x.row(i));
  Matrix xref = y.row(0);
  double xd = 1;
  while (xd > 7.450580596923829e-10) {
    for (Eigen::Index i = 0; i < N; ++i) y.row(i) = fitOne(y.row(i), xref);
    Matrix mean = Matrix::Zero(1, n);
    for (Eigen::Index i = 0; i < N; ++i) mean += y.row(i);
    mean /= static_cast<double>(N);
    mean /= mean.leftCols(n - 1).norm();
    xd = (mean - xref).leftCols(n - 1).squaredNorm();
    xref = mean;
  }
  return {xref, y};
}

TEST(Getpsup, SimilarCopiesLandOnTheReference) {
  std::mt19937_64 rng(1);
  for (int k : {3, 5, 12, 40}) {
    const Matrix ref = testing::randomReference(k, rng);
    Matrix x(3, 2 * k + 1);
    x.row(0) = testing::similarity(ref, 2.5, 30.0, 4.0, -1.0, 77.0);
    x.row(1) = testing::similarity(ref, -3.1, 0.01, -100.0, 2.0, 0.5);
    x.row(2) = ref;
    const Matrix y = getpsup(x, ref);
    for (int i = 0; i < 3; ++i) {
      EXPECT_LT((y.row(i).head(2 * k) - ref.leftCols(2 * k)).cwiseAbs().maxCoeff(), 1e-11) << k;
      EXPECT_EQ(y(i, 2 * k), x(i, 2 * k));
    }
  }
}

TEST(Getpsup, AgreesWithAFitInComplexArithmetic) {
  std::mt19937_64 rng(2);
  for (int k : {4, 9, 25}) {
    const Matrix x = testing::randomSample(30, k, 0.1, rng);
    const Matrix ref = testing::randomReference(k, rng);
    const Matrix y = getpsup(x, ref);
    for (int i = 0; i < 30; ++i)
      EXPECT_LT((y.row(i) - fitOne(x.row(i), ref)).cwiseAbs().maxCoeff(), 1e-12);
    // Each specimen keeps unit size and is not scaled onto the reference.
    EXPECT_LT((centsize(y).array() - 1).abs().maxCoeff(), 1e-14);
  }
}

TEST(Getpsup, DegenerateRowsAndShapes) {
  std::mt19937_64 rng(3);
  const Matrix ref = testing::randomReference(4, rng);
  Matrix x(2, 9);
  x.row(0) = testing::similarity(ref, 1, 2, 3, 4, 5);
  x.row(1) << 1, 1, 1, 1, 1, 1, 1, 1, 6;  // no size
  const Matrix y = getpsup(x, ref);
  EXPECT_TRUE(y.row(0).allFinite());
  EXPECT_TRUE(y.row(1).head(8).array().isNaN().all());
  EXPECT_EQ(y(1, 8), 6);
  EXPECT_EQ(errorText([&] { getpsup(Matrix::Zero(2, 8), ref); }),
            "getpsup needs configuration rows x1 y1 ... xk yk cs with at least 1 landmarks; the "
            "rows given have 8 columns.");  // no cs column
  EXPECT_EQ(
      errorText([&] { getpsup(Matrix::Zero(2, 11), ref.leftCols(8)); }),
      "getpsup needs a reference with as many landmarks as the specimens.");  // short reference
}

TEST(Getconsensus, CopiesOfOneShapeSettleInOnePass) {
  std::mt19937_64 rng(4);
  const Matrix one = testing::similarity(testing::randomRow(6, rng), 0.3, 5, 1, 2, 12.0);
  const Matrix x = one.replicate(5, 1);
  const Consensus c = getconsensus(x, 1);  // a second pass would be refused
  const Matrix expected = centerref(one);
  for (int i = 0; i < 5; ++i) EXPECT_LT((c.x.row(i) - expected).cwiseAbs().maxCoeff(), 1e-15);
  EXPECT_LT((c.xref.leftCols(12) - expected.leftCols(12)).cwiseAbs().maxCoeff(), 1e-15);
  EXPECT_NEAR(c.xref(0, 12), 12.0, 1e-12);  // mean cs, divided by the unit norm
}

TEST(Getconsensus, AgreesWithAFitSpecimenBySpecimen) {
  std::mt19937_64 rng(5);
  for (int k : {3, 8, 20}) {
    for (double noise : {0.02, 0.3}) {
      const Matrix x = testing::randomSample(25, k, noise, rng);
      const Consensus c = getconsensus(x);
      const Consensus expected = consensusOneByOne(x);
      EXPECT_LT((c.xref - expected.xref).cwiseAbs().maxCoeff(), 1e-12) << k << " " << noise;
      EXPECT_LT((c.x - expected.x).cwiseAbs().maxCoeff(), 1e-12) << k << " " << noise;
    }
  }
}

TEST(Getconsensus, ApesConsensusIsCentredUnitSizeAndSettled) {
  const Matrix x = testing::apes();
  ASSERT_EQ(x.rows(), 167);
  const Consensus c = getconsensus(x);
  EXPECT_LT(centpos(c.xref).cwiseAbs().maxCoeff(), 1e-15);
  EXPECT_NEAR(centsize(c.xref)(0), 1.0, 1e-14);
  // One more pass barely moves it.
  const Matrix again = getpsup(x, c.xref);
  Matrix mean = again.colwise().mean();
  mean /= mean.leftCols(16).norm();
  EXPECT_LT((mean - c.xref).leftCols(16).norm(), 3e-5);
  EXPECT_LT((c.xref - consensusOneByOne(x).xref).cwiseAbs().maxCoeff(), 1e-12);
  // The superimposed specimens are those fitted onto the previous consensus: close to it.
  EXPECT_LT((c.x - again).cwiseAbs().maxCoeff(), 1e-4);
}

TEST(Getconsensus, StartedFromTheConsensusOfMoreSpecimensSettlesFastAndKeepsItsTurn) {
  const Matrix x = testing::apes();
  const Matrix full = getconsensus(x).xref;
  const Matrix kept = x.topRows(150);
  // A start turned by 40 degrees gives the same shape turned by 40 degrees.
  Matrix turned = full;
  const double c = std::cos(0.7), s = std::sin(0.7);
  for (int j = 0; j < 8; ++j) {
    turned(0, 2 * j) = c * full(0, 2 * j) - s * full(0, 2 * j + 1);
    turned(0, 2 * j + 1) = s * full(0, 2 * j) + c * full(0, 2 * j + 1);
  }
  // Three passes are enough (a fourth would be refused).
  const Matrix fromFull = getconsensus(kept, full, 3).xref;
  const Matrix fromTurned = getconsensus(kept, turned, 3).xref;
  for (int j = 0; j < 8; ++j) {
    EXPECT_NEAR(fromTurned(0, 2 * j), c * fromFull(0, 2 * j) - s * fromFull(0, 2 * j + 1), 1e-6);
    EXPECT_NEAR(fromTurned(0, 2 * j + 1), s * fromFull(0, 2 * j) + c * fromFull(0, 2 * j + 1),
                1e-6);
  }
  // The shape is the consensus of the kept specimens, whatever the start.
  const Matrix own = getconsensus(kept).xref;
  EXPECT_LT((getpsup(own, fromFull) - fromFull).leftCols(16).cwiseAbs().maxCoeff(), 1e-6);
  EXPECT_EQ(errorText([&] { getconsensus(kept, full.leftCols(10)); }),
            "The consensus needs a starting configuration of the data's landmarks.");
}

TEST(Getconsensus, StopsWithAnErrorInsteadOfLoopingOrSpreadingNaN) {
  std::mt19937_64 rng(6);
  const Matrix x = testing::randomSample(10, 5, 0.3, rng);
  EXPECT_EQ(errorText([&] { getconsensus(x, 2); }),
            "The consensus did not settle after 2 passes; check the data for degenerate "
            "specimens");
  Matrix bad = x;
  bad.row(3).head(10).setConstant(2.0);  // all landmarks on one spot
  const std::string degenerate =
      " has coincident landmarks or coordinates that are not numbers; the consensus cannot be "
      "computed.";
  EXPECT_EQ(errorText([&] { getconsensus(bad); }), "Specimen 4" + degenerate);
  bad = x;
  bad(7, 3) = std::nan("");
  EXPECT_EQ(errorText([&] { getconsensus(bad); }), "Specimen 8" + degenerate);
  EXPECT_EQ(errorText([&] { getconsensus(Matrix(0, 11)); }),
            "The consensus needs at least one specimen.");
  // A NaN size column is carried, not refused.
  bad = x;
  bad(2, 10) = std::nan("");
  EXPECT_TRUE(std::isnan(getconsensus(bad).xref(0, 10)));
}

TEST(Basereg, PutsTheBaselineOnTheUnitInterval) {
  std::mt19937_64 rng(7);
  const Matrix x = testing::randomSample(6, 7, 0.2, rng);
  for (auto [b1, b2] : {std::pair{1, 2}, std::pair{5, 3}, std::pair{7, 1}}) {
    const Matrix y = basereg(x, b1, b2);
    for (int i = 0; i < 6; ++i) {
      EXPECT_NEAR(y(i, 2 * b1 - 2), 0.0, 1e-14);
      EXPECT_NEAR(y(i, 2 * b1 - 1), 0.0, 1e-14);
      EXPECT_NEAR(y(i, 2 * b2 - 2), 1.0, 1e-14);
      EXPECT_NEAR(y(i, 2 * b2 - 1), 0.0, 1e-14);
      EXPECT_EQ(y(i, 14), x(i, 14));
      // A similarity: the shape (sizes relative to the baseline) is kept.
      EXPECT_NEAR(centsize(y.row(i))(0),
                  centsize(x.row(i))(0) / std::hypot(x(i, 2 * b2 - 2) - x(i, 2 * b1 - 2),
                                                     x(i, 2 * b2 - 1) - x(i, 2 * b1 - 1)),
                  1e-12);
    }
  }
  // Without a cs column the last column is a y-coordinate and is registered like the others.
  const Matrix even = basereg(x.leftCols(14), 1, 7);
  EXPECT_NEAR(even(0, 12), 1.0, 1e-14);
  EXPECT_NEAR(even(0, 13), 0.0, 1e-14);

  for (auto baseline : {std::pair{0.0, 2.0}, {8.0, 2.0}, {1.5, 2.0}, {-1.0, 2.0}, {1.0, 8.0}})
    EXPECT_EQ(errorText([&] { basereg(x, baseline.first, baseline.second); }),
              "The baseline landmarks must be whole numbers from 1 to 7.")
        << baseline.first << " " << baseline.second;
  // Coincident baseline landmarks: no length, NaN coordinates.
  Matrix same = x;
  same(0, 2) = same(0, 0);
  same(0, 3) = same(0, 1);
  EXPECT_TRUE(std::isnan(basereg(same, 1, 2)(0, 4)));
}

TEST(Meth3sup, CentresOnlyTheXCoordinates) {
  std::mt19937_64 rng(8);
  const Matrix x = basereg(testing::randomSample(5, 6, 0.2, rng), 1, 2);
  const Matrix y = meth3sup(x);
  for (int i = 0; i < 5; ++i) {
    const double s = centsize(x.row(i))(0);
    EXPECT_NEAR(centsize(y.row(i))(0), 1.0, 1e-14);
    EXPECT_NEAR(centpos(y.row(i))(0), 0.0, 1e-15);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(y(i, 2 * j + 1) * s, x(i, 2 * j + 1), 1e-14);
    EXPECT_NEAR(y(i, 3), 0.0, 1e-15);  // the baseline stays on the x-axis
    EXPECT_EQ(y(i, 12), x(i, 12));
  }
}

TEST(Rftra, RecoversAnExactSimilarityAndReportsItsCoefficients) {
  std::mt19937_64 rng(9);
  for (int k : {3, 4, 9}) {
    const Matrix data = testing::randomRow(k, rng, 17.0);
    const Matrix target = testing::similarity(data, 0.05, 2.5, 3.0, -4.0, 99.0);
    testing::DiagnosticCapture capture;
    const Matrix y = rftra(data, target);
    EXPECT_LT((y.leftCols(2 * k) - target.leftCols(2 * k)).cwiseAbs().maxCoeff(), 1e-12) << k;
    EXPECT_EQ(y(0, 2 * k), 17.0);
    EXPECT_EQ(capture.text.find("scale = 2.5\n"), 0u) << capture.text;
    EXPECT_NE(capture.text.find("\nT = 3 -4 "), std::string::npos) << capture.text;
  }
  // Coincident landmarks give infinite ratios in the medians, not a crash.
  testing::DiagnosticCapture quiet;
  Matrix data(1, 9);
  data << 0, 0, 0, 0, 1, 0, 0, 1, 1;
  EXPECT_NO_THROW(rftra(data, data));
  EXPECT_EQ(errorText([&] { rftra(Matrix::Zero(2, 9), data); }),
            "rftra fits one configuration row at a time.");
}

}  // namespace
}  // namespace tessaly::shape
