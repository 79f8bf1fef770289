#include "shape/superimposition.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/bands.h"
#include "core/diagnostics.h"
#include "core/error.h"
#include "core/format.h"
#include "shape/detail.h"

namespace tessaly::shape {

using detail::Index;

namespace {

// Squared change of the consensus at or below which the iteration stops (a tenth of 2^-27).
constexpr double kConsensusTolerance = 7.450580596923829e-10;

// Median of a list of values: the mean of the two middle ones for an even count, NaN for an
// empty list or one that holds a NaN.
double median(std::vector<double> v) {
  if (v.empty() || std::any_of(v.begin(), v.end(), [](double a) { return std::isnan(a); }))
    return std::nan("");
  std::sort(v.begin(), v.end());
  const std::size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2.0;
}

// Index (0-based) of the first row whose coordinate columns are not all finite, or -1.
Index firstNonFiniteRow(const Matrix& x, Index coordinateColumns) {
  const auto coords = x.leftCols(coordinateColumns);
  if (coords.allFinite()) return -1;
  for (Index i = 0; i < x.rows(); ++i)
    if (!coords.row(i).allFinite()) return i;
  return -1;
}

// Rows per block when a whole data set is worked through: every step of a row's fit is done
// on a band of rows small enough to stay in cache, so the data cross memory once per pass.
constexpr Index kBlockRows = 256;

// Applies step to each band of consecutive rows of x, in place, the bands on the threads.
template <class Step>
void forEachRowBlock(Matrix& x, Step step) {
  forEachBand(x.rows(), kBlockRows, [&](Index, Index first, Index count) {
    auto band = x.middleRows(first, count);
    step(band);
  });
}

}  // namespace

namespace detail {

void centreAndScale(Rows x) {
  const Index k = (x.cols() - 1) / 2;
  ColVector cx, cy;
  rowCentroids(x, k, cx, cy);
  auto xs = xColumns(x, k);
  auto ys = yColumns(x, k);
  xs.colwise() -= cx;
  ys.colwise() -= cy;
  const ColVector size = rowCentroidSizes(x, k);
  x.leftCols(2 * k).array().colwise() /= size.array();
}

void rotateOnto(Rows x, const double* xref) {
  const Index N = x.rows(), k = (x.cols() - 1) / 2;
  auto xs = xColumns(x, k);
  auto ys = yColumns(x, k);
  ColVector ct = ColVector::Zero(N), st = ColVector::Zero(N);
  for (Index j = 0; j < k; ++j) {
    const double rx = xref[2 * j], ry = xref[2 * j + 1];
    ct.array() += rx * xs.col(j).array() + ry * ys.col(j).array();
    st.array() += xs.col(j).array() * ry - ys.col(j).array() * rx;
  }
  ColVector c(N), s(N);
  for (Index i = 0; i < N; ++i) {
    const double theta = std::atan2(st(i), ct(i));
    c(i) = std::cos(theta);
    s(i) = std::sin(theta);
  }
  ColVector old(N);
  for (Index j = 0; j < k; ++j) {
    old = xs.col(j);
    xs.col(j).array() = old.array() * c.array() - ys.col(j).array() * s.array();
    ys.col(j).array() = old.array() * s.array() + ys.col(j).array() * c.array();
  }
}

}  // namespace detail

Matrix getpsup(const Matrix& x, const Matrix& xref) {
  detail::requireConfigurationRows(x, 1, "getpsup");
  if (xref.size() < x.cols() - 1)
    throw Error("getpsup needs a reference with as many landmarks as the specimens.");
  Matrix y = x;
  forEachRowBlock(y, [&](auto& band) {
    detail::centreAndScale(band);
    detail::rotateOnto(band, xref.data());
  });
  return y;
}

namespace {

// The data centred and scaled row by row, refused when a specimen is not finite after that.
Matrix centredUnitSpecimens(const Matrix& x) {
  detail::requireConfigurationRows(x, 1, "getconsensus");
  if (x.rows() == 0) throw Error("The consensus needs at least one specimen.");
  Matrix y = x;
  forEachRowBlock(y, [](auto& band) { detail::centreAndScale(band); });
  // One specimen without size or with non-numeric coordinates would turn the whole mean into
  // NaN (and NaN compares false with the tolerance, so the loop would quietly stop after one
  // pass with a meaningless consensus): refuse it here, naming the specimen.
  if (const Index bad = firstNonFiniteRow(y, x.cols() - 1); bad >= 0)
    throw Error(
        formatText("Specimen %d has coincident landmarks or coordinates that are not "
                   "numbers; the consensus cannot be computed.",
                   {static_cast<double>(bad + 1)}));
  return y;
}

// The iteration itself, on the centred unit specimens y of x, from the reference xref.
Consensus iterateConsensus(const Matrix& x, Matrix y, RowVector xref, int maxPasses) {
  const Index n = x.cols();
  Consensus result;
  RowVector old(n);
  double xd = 1.0;
  int passes = 0;
  while (xd > kConsensusTolerance) {
    if (passes >= maxPasses)
      throw Error(
          formatText("The consensus did not settle after %d passes; check the data for "
                     "degenerate specimens",
                     {static_cast<double>(maxPasses)}));
    ++passes;
    old = xref;
    // Each band turned onto the old consensus and summed; the sums added in band order.
    const Matrix sums = sumOverBands(y.rows(), kBlockRows, RowVector::Zero(n),
                                     [&](Index first, Index count) -> Matrix {
                                       auto band = y.middleRows(first, count);
                                       detail::rotateOnto(band, old.data());
                                       return band.colwise().sum();
                                     });
    xref = sums / static_cast<double>(x.rows());
    xref /= std::sqrt(xref.head(n - 1).squaredNorm());
    xd = (xref.head(n - 1) - old.head(n - 1)).squaredNorm();
  }
  if (!std::isfinite(xd))
    throw Error("The consensus cannot be computed: the superimposed data are not finite.");
  result.xref = xref;
  result.x = std::move(y);
  return result;
}

}  // namespace

Consensus getconsensus(const Matrix& x, int maxPasses) {
  Matrix y = centredUnitSpecimens(x);
  RowVector start = y.row(0);
  return iterateConsensus(x, std::move(y), std::move(start), maxPasses);
}

Consensus getconsensus(const Matrix& x, const Matrix& start, int maxPasses) {
  Matrix y = centredUnitSpecimens(x);
  if (start.rows() != 1 || start.cols() != x.cols() || !start.allFinite())
    throw Error("The consensus needs a starting configuration of the data's landmarks.");
  return iterateConsensus(x, std::move(y), start.row(0), maxPasses);
}

Matrix superimposeOnConsensus(Consensus consensus) {
  Matrix y = std::move(consensus.x);
  forEachRowBlock(y, [&](auto& band) { detail::rotateOnto(band, consensus.xref.data()); });
  return y;
}

Matrix basereg(const Matrix& x, double b1, double b2) {
  const Index n = x.cols(), k = n / 2;
  for (double b : {b1, b2})
    if (!(b >= 1 && b <= static_cast<double>(k) && b == std::floor(b)))
      throw Error(formatText("The baseline landmarks must be whole numbers from 1 to %d.",
                             {static_cast<double>(k)}));
  const Index i1 = static_cast<Index>(b1) - 1, i2 = static_cast<Index>(b2) - 1;
  Matrix y = x;
  auto xs = detail::xColumns(y, k);
  auto ys = detail::yColumns(y, k);
  const ColVector tx = xs.col(i1), ty = ys.col(i1);
  xs.colwise() -= tx;
  ys.colwise() -= ty;
  const ColVector length =
      (ys.col(i2).array().square() + xs.col(i2).array().square()).sqrt().matrix();
  y.array().colwise() /= length.array();
  const Index N = y.rows();
  ColVector ct(N), st(N);
  for (Index i = 0; i < N; ++i) {
    const double theta = -std::atan2(ys(i, i2), xs(i, i2));
    ct(i) = std::cos(theta);
    st(i) = std::sin(theta);
  }
  ColVector old(N);
  for (Index j = 0; j < k; ++j) {
    old = xs.col(j);
    xs.col(j).array() = xs.col(j).array() * ct.array() - st.array() * ys.col(j).array();
    ys.col(j).array() = ys.col(j).array() * ct.array() + st.array() * old.array();
  }
  if (n % 2 == 1) y.col(n - 1) = x.col(n - 1);
  return y;
}

Matrix meth3sup(const Matrix& x) {
  // Only x is centred, so a baseline on the x-axis stays on it.
  return detail::centredUnitRows(x, false);
}

Matrix rftra(const Matrix& data, const Matrix& target) {
  if (data.rows() != 1 || data.cols() == 0)
    throw Error("rftra fits one configuration row at a time.");
  const Index n = data.cols(), k = (n - 1) / 2;
  if (target.size() < 2 * k)
    throw Error("rftra needs a target with as many landmarks as the configuration.");
  const double* d = data.data();
  const double* t = target.data();
  auto dx = [&](Index i) { return d[2 * i]; };
  auto dy = [&](Index i) { return d[2 * i + 1]; };
  auto tx = [&](Index i) { return t[2 * i]; };
  auto ty = [&](Index i) { return t[2 * i + 1]; };

  std::vector<double> sm(k), values;
  values.reserve(k);
  for (Index i = 0; i < k; ++i) {
    values.clear();
    for (Index j = 0; j < k; ++j) {
      if (j == i) continue;
      const double ddx = dx(i) - dx(j), ddy = dy(i) - dy(j);
      const double tdx = tx(i) - tx(j), tdy = ty(i) - ty(j);
      values.push_back(std::pow((ddx * ddx + ddy * ddy) / (tdx * tdx + tdy * tdy), -0.5));
    }
    sm[i] = median(values);
  }
  const double scale = median(sm);
  diagnostic(detail::diagnosticLine("scale", scalar(scale)));

  for (Index i = 0; i < k; ++i) {
    values.clear();
    for (Index j = 0; j < k; ++j) {
      if (j == i) continue;
      const double t1 = std::atan2(dy(i) - dy(j), dx(i) - dx(j));
      const double t2 = std::atan2(ty(i) - ty(j), tx(i) - tx(j));
      values.push_back(t1 - t2);
    }
    sm[i] = median(values);
  }
  const double rotangle = median(sm);
  const double T3 = scale * std::cos(rotangle);
  const double T4 = -scale * std::sin(rotangle);

  std::vector<double> s1(k), s2(k);
  for (Index i = 0; i < k; ++i) {
    s1[i] = tx(i) - T3 * dx(i) + T4 * dy(i);
    s2[i] = ty(i) - T4 * dx(i) - T3 * dy(i);
  }
  const double T1 = median(s1), T2 = median(s2);

  Matrix y = data;
  for (Index i = 0; i < k; ++i) {
    y(0, 2 * i) = dx(i) * T3 - T4 * dy(i) + T1;
    y(0, 2 * i + 1) = dx(i) * T4 + T3 * dy(i) + T2;
  }
  y(0, n - 1) = d[n - 1];
  Matrix coefficients(1, 4);
  coefficients << T1, T2, T3, T4;
  diagnostic(detail::diagnosticLine("T", coefficients));
  return y;
}

}  // namespace tessaly::shape
