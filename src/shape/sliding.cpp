#include "shape/sliding.h"

#include <cmath>
#include <string>

#include "core/error.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace tessaly::shape {

namespace {

using Index = Eigen::Index;

// The landmarks that may slide: inner points of a curve.
std::vector<Index> sliders(const SlideKinds& kinds) {
  std::vector<Index> out;
  for (size_t j = 1; j + 1 < kinds.size(); ++j)
    if (kinds[j] > 0 && kinds[j - 1] == kinds[j] && kinds[j + 1] == kinds[j])
      out.push_back(static_cast<Index>(j));
  return out;
}

// The bending energy matrix of a reference row: the upper-left k-by-k block of L^-1.
Matrix bendingEnergyMatrix(const Matrix& reference) {
  const Matrix xy = vertxy(reference);
  try {
    requireDistinctLandmarks(xy);
    return splineFactor(gettspl(xy)).inverse().topLeftCorner(xy.cols(), xy.cols());
  } catch (const Error& e) {
    throw Error(std::string("The semilandmarks cannot be slid: ") + e.what());
  }
}

void checkKinds(const Matrix& rows, const SlideKinds& kinds) {
  if (static_cast<Index>(kinds.size()) != (rows.cols() - 1) / 2)
    throw Error("The landmark kinds do not match the rows: " + std::to_string(kinds.size()) +
                " kinds for " + std::to_string((rows.cols() - 1) / 2) + " landmarks");
}

}  // namespace

Matrix slideTangents(const Matrix& rows, Index i, const SlideKinds& kinds) {
  Matrix u = Matrix::Zero(static_cast<Index>(kinds.size()), 2);
  for (Index j : sliders(kinds)) {
    const double dx = rows(i, 2 * j + 2) - rows(i, 2 * j - 2);
    const double dy = rows(i, 2 * j + 3) - rows(i, 2 * j - 1);
    const double length = std::hypot(dx, dy);
    if (length > 0) u.row(j) << dx / length, dy / length;
  }
  return u;
}

ColVector bendingEnergy(const Matrix& reference, const Matrix& rows) {
  const Matrix be = bendingEnergyMatrix(reference);
  ColVector energy(rows.rows());
  for (Index i = 0; i < rows.rows(); ++i) {
    const Matrix xy = vertxy(Matrix(rows.row(i))).transpose();
    energy(i) = (xy.transpose() * be * xy).trace();
  }
  return energy;
}

Matrix slideOnto(const Matrix& from, const SlideKinds& kinds, const Matrix& reference) {
  checkKinds(from, kinds);
  const std::vector<Index> moving = sliders(kinds);
  if (moving.empty()) return from;
  const Matrix be = bendingEnergyMatrix(reference);
  const Index k = be.rows(), m = static_cast<Index>(moving.size());
  const Matrix beMoving = be(moving, moving);
  const Matrix beRows = be(moving, Eigen::all);
  Matrix out = from;
  ColVector x(k), y(k), ux(m), uy(m);
  for (Index i = 0; i < from.rows(); ++i) {
    const Matrix u = slideTangents(from, i, kinds);
    for (Index j = 0; j < k; ++j) {
      x(j) = from(i, 2 * j);
      y(j) = from(i, 2 * j + 1);
    }
    for (Index a = 0; a < m; ++a) {
      ux(a) = u(moving[static_cast<size_t>(a)], 0);
      uy(a) = u(moving[static_cast<size_t>(a)], 1);
    }
    const Matrix M = beMoving.cwiseProduct(ux * ux.transpose() + uy * uy.transpose());
    const ColVector r = ux.cwiseProduct(beRows * x) + uy.cwiseProduct(beRows * y);
    // A point without a tangent has a zero row and column; its slide is held at 0.
    Matrix held = M;
    for (Index a = 0; a < m; ++a)
      if (ux(a) == 0 && uy(a) == 0) held(a, a) = 1;
    const Eigen::LLT<Matrix> llt(held);
    const ColVector t = -llt.solve(r);
    if (llt.info() != Eigen::Success || !t.allFinite())
      throw Error("The semilandmarks of specimen " + std::to_string(i + 1) +
                  " cannot be slid: their tangents leave the bending energy without a minimum");
    for (Index a = 0; a < m; ++a) {
      const Index j = moving[static_cast<size_t>(a)];
      out(i, 2 * j) += t(a) * ux(a);
      out(i, 2 * j + 1) += t(a) * uy(a);
    }
  }
  out.col(out.cols() - 1) = centsize(out);
  return out;
}

SlideResult slideSemilandmarks(Matrix& rows, const SlideKinds& kinds) {
  checkKinds(rows, kinds);
  SlideResult result;
  if (sliders(kinds).empty()) return result;
  result.settled = false;
  const Matrix unslid = rows;
  const Index coordinates = rows.cols() - 1;
  Matrix consensus = getconsensus(unslid).xref;
  while (result.rounds < kSlideRoundLimit) {
    ++result.rounds;
    rows = slideOnto(unslid, kinds, consensus);
    const Matrix next = getconsensus(rows, consensus).xref;
    // Measured after fitting the new consensus onto the old, so that a turn does not count.
    result.change = (getpsup(next, consensus) - consensus).leftCols(coordinates).squaredNorm();
    consensus = next;
    if (result.change <= kSlideTolerance) {
      result.settled = true;
      break;
    }
  }
  return result;
}

}  // namespace tessaly::shape
