#pragma once
// Configurations for the shape tests: seeded random specimens, similarity transforms, and the
// apes example data.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/diagnostics.h"
#include "core/dload.h"
#include "core/matrix.h"
#include "shape/configuration.h"

namespace tessaly::shape::testing {

// k random landmarks in the unit square, as a configuration row ending with cs.
inline Matrix randomRow(int k, std::mt19937_64& rng, double cs = 1.0) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Matrix row(1, 2 * k + 1);
  for (int i = 0; i < 2 * k; ++i) row(0, i) = u(rng);
  row(0, 2 * k) = cs;
  return row;
}

// A centred reference of unit centroid size, cs 1.
inline Matrix randomReference(int k, std::mt19937_64& rng) {
  Matrix ref = centerref(randomRow(k, rng));
  ref(0, 2 * k) = 1.0;
  return ref;
}

// A centred reference of about unit size whose coordinates have four decimal places, so that
// the uniform directions of UniArbitrary (which rounds the reference to four places) and those
// of the score computation coincide.
inline Matrix roundedReference(int k, std::mt19937_64& rng) {
  std::uniform_int_distribution<int> u(-5000, 5000);
  Matrix ref(1, 2 * k + 1);
  int sx = 0, sy = 0;
  for (int j = 0; j + 1 < k; ++j) {
    const int x = u(rng), y = u(rng);
    sx += x;
    sy += y;
    ref(0, 2 * j) = x / 1e4;
    ref(0, 2 * j + 1) = y / 1e4;
  }
  ref(0, 2 * k - 2) = -sx / 1e4;
  ref(0, 2 * k - 1) = -sy / 1e4;
  ref(0, 2 * k) = 1.0;
  return ref;
}

// Row turned by theta, enlarged by scale and shifted by (dx, dy); the last element becomes cs.
inline Matrix similarity(const Matrix& row, double theta, double scale, double dx, double dy,
                         double cs) {
  const Eigen::Index k = (row.cols() - 1) / 2;
  Matrix out(1, row.cols());
  const double c = std::cos(theta), s = std::sin(theta);
  for (Eigen::Index j = 0; j < k; ++j) {
    const double x = row(0, 2 * j), y = row(0, 2 * j + 1);
    out(0, 2 * j) = scale * (c * x - s * y) + dx;
    out(0, 2 * j + 1) = scale * (s * x + c * y) + dy;
  }
  out(0, row.cols() - 1) = cs;
  return out;
}

// N noisy copies of a random mean shape, each in a random position, size and orientation.
inline Matrix randomSample(int N, int k, double noise, std::mt19937_64& rng) {
  const Matrix mean = randomRow(k, rng);
  std::normal_distribution<double> e(0.0, noise);
  std::uniform_real_distribution<double> angle(-3.0, 3.0), scale(0.5, 3.0), shift(-5.0, 5.0);
  Matrix x(N, 2 * k + 1);
  for (int i = 0; i < N; ++i) {
    Matrix row = mean;
    for (int q = 0; q < 2 * k; ++q) row(0, q) += e(rng);
    x.row(i) = similarity(row, angle(rng), scale(rng), shift(rng), shift(rng), scale(rng) * 100);
  }
  return x;
}

inline Matrix apes() {
  return dload(std::string(TESSALY_EXAMPLES "/apes/apes.txt"));
}

// Collects diagnostic output for the life of the object.
class DiagnosticCapture {
 public:
  DiagnosticCapture() {
    setDiagnosticSink([this](const std::string& t) { text += t; });
  }
  ~DiagnosticCapture() { setDiagnosticSink({}); }
  std::string text;
};

}  // namespace tessaly::shape::testing
