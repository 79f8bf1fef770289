#include "shape/spline.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "core/bands.h"
#include "core/error.h"
#include "core/format.h"
#include "shape/configuration.h"
#include "shape/detail.h"

namespace tessaly::shape {

using detail::Index;

namespace detail {

void symmetricEigen(const Matrix& a, Matrix& V, ColVector& d) {
  const Index n = a.rows();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!a.allFinite()) {
    V = Matrix::Constant(n, n, nan);
    d = ColVector::Constant(n, nan);
    return;
  }
  Eigen::SelfAdjointEigenSolver<Matrix> solver(a);
  if (solver.info() != Eigen::Success) {
    V = Matrix::Constant(n, n, nan);
    d = ColVector::Constant(n, nan);
    return;
  }
  // The solver gives ascending eigenvalues; hand them on in descending order, so that the
  // ordering steps that follow (an exchange sort in gettpse, a stable sort in eigsort) leave
  // equal eigenvalues in the same order and both see the same warps in the same places.
  V = solver.eigenvectors().rowwise().reverse();
  d = solver.eigenvalues().reverse();
  // Sign convention: the first element whose magnitude is at least half the largest magnitude
  // of the vector is positive.
  for (Index c = 0; c < n; ++c) {
    const double biggest = V.col(c).cwiseAbs().maxCoeff();
    for (Index r = 0; r < n; ++r) {
      if (std::abs(V(r, c)) >= 0.5 * biggest) {
        if (V(r, c) < 0) V.col(c) = -V.col(c);
        break;
      }
    }
  }
}

}  // namespace detail

double uspline(const Matrix& x1, const Matrix& x2) {
  if (x1.size() != x2.size() || x1.size() == 0)
    throw Error("uspline needs two points with the same number of coordinates.");
  double r2 = 0.0;
  for (Index i = 0; i < x1.size(); ++i) {
    const double d = x2.data()[i] - x1.data()[i];
    r2 += d * d;
  }
  return r2 != 0.0 ? r2 * std::log(r2) : 0.0;
}

Matrix splineWeights(const Matrix& refxy, const Matrix& targetxy) {
  const Eigen::Index k = refxy.cols();
  Matrix rhs = Matrix::Zero(k + 3, 2);
  rhs.topRows(k) = (targetxy - refxy).transpose();
  requireDistinctLandmarks(refxy);
  return splineFactor(gettspl(refxy)).solve(rhs);
}

std::array<double, 2> splineDisplacement(const Matrix& refxy, const Matrix& weight, double x,
                                         double y) {
  const Eigen::Index k = refxy.cols();
  double dx = weight(k, 0) + weight(k + 1, 0) * x + weight(k + 2, 0) * y;
  double dy = weight(k, 1) + weight(k + 1, 1) * x + weight(k + 2, 1) * y;
  for (Eigen::Index l = 0; l < k; ++l) {
    const double ddx = x - refxy(0, l), ddy = y - refxy(1, l), r2 = ddx * ddx + ddy * ddy;
    if (r2 == 0) continue;
    const double u = r2 * std::log(r2);
    dx += weight(l, 0) * u;
    dy += weight(l, 1) * u;
  }
  return {dx, dy};
}

Matrix gettspl(const Matrix& x) {
  if (x.rows() != 2) throw Error("gettspl needs a 2-by-k coordinate matrix.");
  const Index k = x.cols();
  Matrix L = Matrix::Zero(k + 3, k + 3);
  for (Index i = 0; i + 1 < k; ++i) {
    for (Index j = i + 1; j < k; ++j) {
      const double dx = x(0, j) - x(0, i), dy = x(1, j) - x(1, i);
      const double r2 = dx * dx + dy * dy;
      L(i, j) = r2 != 0.0 ? r2 * std::log(r2) : 0.0;
      L(j, i) = L(i, j);
    }
  }
  L.block(0, k, k, 1).setOnes();
  L.block(0, k + 1, k, 2) = x.transpose();
  L.block(k, 0, 3, k) = L.block(0, k, k, 3).transpose();
  return L;
}

void requireDistinctLandmarks(const Matrix& xy) {
  const Index k = xy.cols();
  std::vector<bool> named(static_cast<size_t>(k), false);
  std::string sets;
  for (Index i = 0; i < k; ++i) {
    if (named[static_cast<size_t>(i)]) continue;
    std::vector<Index> same{i};
    for (Index j = i + 1; j < k; ++j)
      if (xy(0, j) == xy(0, i) && xy(1, j) == xy(1, i)) same.push_back(j);
    if (same.size() < 2) continue;
    std::string list;
    for (size_t m = 0; m < same.size(); ++m) {
      named[static_cast<size_t>(same[m])] = true;
      list += (m == 0 ? "" : m + 1 == same.size() ? " and " : ", ") + std::to_string(same[m] + 1);
    }
    sets += (sets.empty() ? "landmarks " : ", and landmarks ") + list + " coincide";
  }
  if (!sets.empty())
    throw Error("In the reference, " + sets +
                ": the thin-plate spline needs distinct landmarks; check the landmarks of the "
                "data");
}

Eigen::PartialPivLU<Matrix> splineFactor(const Matrix& L) {
  Eigen::PartialPivLU<Matrix> lu(L);
  // A singular L leaves a pivot at the level of round-off of the largest one (the estimate of
  // the reciprocal condition alone misses an exactly zero pivot).
  const ColVector pivots = lu.matrixLU().diagonal().cwiseAbs();
  const double eps = Eigen::NumTraits<double>::epsilon();
  const double floor = static_cast<double>(L.rows()) * eps * pivots.maxCoeff();
  if (!L.allFinite() || !(pivots.minCoeff() > floor) || !(lu.rcond() > eps))
    throw Error(
        "The thin-plate spline of the reference cannot be solved: its landmarks coincide or "
        "all lie on one line");
  return lu;
}

Matrix gettpse(const Matrix& L) {
  if (L.rows() != L.cols() || L.rows() < 4)
    throw Error("gettpse needs a square spline matrix of order k+3 with k of at least 1.");
  const Index k = L.rows() - 3;
  const Matrix T = splineFactor(L).inverse();
  Matrix V;
  ColVector d;
  detail::symmetricEigen(T.topLeftCorner(k, k), V, d);
  for (Index i = 0; i < k; ++i) {
    if (d(i) < 0) {
      d(i) = -d(i);
      V.col(i) = -V.col(i);
    }
  }
  for (Index i = 0; i + 1 < k; ++i) {
    for (Index j = i + 1; j < k; ++j) {
      if (d(j) > d(i)) {
        std::swap(d(i), d(j));
        V.col(i).swap(V.col(j));
      }
    }
  }
  Matrix Le = Matrix::Zero(k, 2 * k);
  Le.leftCols(k) = V;
  Le.rightCols(k).diagonal() = d;
  return Le;
}

EigSorted eigsort(const Matrix& V, const Matrix& D) {
  const Index m = D.rows(), n = D.cols();
  if (m < n || V.cols() < n)
    throw Error("eigsort needs a square eigenvalue matrix and one eigenvector per eigenvalue.");
  const double bigD = D.size() ? D.maxCoeff() : 0.0;
  std::vector<double> dp2(n);
  for (Index i = 0; i < n; ++i) dp2[i] = bigD - D(i, i);
  std::vector<Index> index(n);
  std::iota(index.begin(), index.end(), Index{0});
  // Ascending, NaN last, so the comparison stays a strict weak ordering.
  std::stable_sort(index.begin(), index.end(), [&](Index a, Index b) {
    if (std::isnan(dp2[a])) return false;
    if (std::isnan(dp2[b])) return true;
    return dp2[a] < dp2[b];
  });
  EigSorted out;
  out.V.resize(V.rows(), n);
  out.D = Matrix::Zero(m, n);
  for (Index i = 0; i < n; ++i) {
    out.V.col(i) = V.col(index[i]);
    out.D(i, i) = D(index[i], index[i]);
  }
  return out;
}

double wsspline(const Matrix& x, const Matrix& yt, const Matrix& w) {
  if (x.rows() != 2 || yt.size() != 2 || w.size() < x.cols())
    throw Error("wsspline needs a 2-by-k coordinate matrix, a point and k weights.");
  double y = 0.0;
  const Matrix point = yt.reshaped(2, 1);
  for (Index i = 0; i < x.cols(); ++i) y += w.data()[i] * uspline(x.col(i), point);
  return y;
}

Matrix scpcoeff_arbrot(const Matrix& Le, const Matrix& x, const Matrix& xref, const Matrix&) {
  if (x.rows() != 1) throw Error("scpcoeff_arbrot scores one configuration row at a time.");
  detail::requireConfigurationRows(x, 2, "scpcoeff_arbrot");
  const Index n = x.cols(), k = (n - 1) / 2;
  if (Le.rows() != k || Le.cols() != 2 * k || xref.size() != n)
    throw Error(
        "scpcoeff_arbrot needs principal warps and a reference with as many landmarks "
        "as the specimen.");
  const Matrix v = vertxy(x.leftCols(n - 1));
  const Matrix y = Le.leftCols(k).transpose() * v.transpose();
  const RowVector ref = xref.reshaped(1, n);
  const Matrix xu = detail::uniformDirections(ref, n, 0.0, true);
  const ColVector xc = xu.leftCols(n - 1) * (x.leftCols(n - 1) - ref.head(n - 1)).transpose();
  const Index warps = std::max<Index>(k - 3, 0);
  Matrix out(warps + 1, 2);
  out.topRows(warps) = y.topRows(warps);
  out(warps, 0) = xc(0);
  out(warps, 1) = xc(1);
  return out;
}

Matrix scpcoeff_arbrot(const Matrix& Le, const Matrix& x, const Matrix& xref) {
  return scpcoeff_arbrot(Le, x, xref, Matrix());
}

Matrix getpw_arbit(const Matrix& xref, const Matrix& x) {
  detail::requireConfigurationRows(x, 2, "getpw_arbit");
  const Index N = x.rows(), n = x.cols(), k = (n - 1) / 2;
  if (xref.size() != n)
    throw Error("getpw_arbit needs a reference with as many landmarks as the specimens.");
  const RowVector ref = xref.reshaped(1, n);
  Matrix y2(N, 2 * k - 3);
  // Scores on the principal warps of non-zero bending energy: the x-coordinates of every
  // specimen projected on each warp fill the odd columns, the y-coordinates the even ones.
  if (k > 3) {
    requireDistinctLandmarks(vertxy(ref));
    const Matrix Le = gettpse(gettspl(vertxy(ref)));
    const auto E = Le.leftCols(k - 3);
    detail::Strided outX(y2.data(), N, k - 3, Eigen::OuterStride<>(2 * N));
    detail::Strided outY(y2.data() + N, N, k - 3, Eigen::OuterStride<>(2 * N));
    const auto xs = detail::xColumns(x, k);
    const auto ys = detail::yColumns(x, k);
    forEachBand(N, kBandRows, [&](Index, Index first, Index count) {
      outX.middleRows(first, count).noalias() = xs.middleRows(first, count) * E;
      outY.middleRows(first, count).noalias() = ys.middleRows(first, count) * E;
    });
  }
  // Uniform scores: projections of the deviation from the reference on U1 and U2. The
  // directions depend on the reference only, so they are built once for all specimens.
  if (k > 2) {
    const Matrix xu = detail::uniformDirections(ref, n, 0.0, true);
    auto u1 = y2.col(2 * k - 6);
    auto u2 = y2.col(2 * k - 5);
    u1.setZero();
    u2.setZero();
    for (Index q = 0; q < n - 1; ++q) {
      u1.array() += (x.col(q).array() - ref(q)) * xu(0, q);
      u2.array() += (x.col(q).array() - ref(q)) * xu(1, q);
    }
  }
  y2.col(2 * k - 4) = x.col(n - 1);
  return y2;
}

Matrix getpw_arbit(const Matrix& xref, const Matrix& x, const Matrix&) {
  return getpw_arbit(xref, x);
}

}  // namespace tessaly::shape
