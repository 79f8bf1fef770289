#include "stats/manova.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/bands.h"
#include "core/error.h"
#include "core/format.h"
#include "core/groups.h"
#include "stats/distributions.h"

namespace tessaly::stats {

namespace {

// Names of numeric group values, written as a column of numbers is written: whole numbers
// without a decimal point; otherwise one common number of significant digits, enough for the
// largest magnitude plus four decimals.
std::vector<std::string> numericNames(const std::vector<double>& values) {
  bool allWhole = true;
  double largest = 0;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    largest = std::max(largest, std::fabs(v));
    if (v != std::floor(v) || std::fabs(v) >= 9e18) allWhole = false;
  }
  int digits = 0;
  if (!allWhole) {
    digits = std::max(static_cast<int>(std::ceil(std::log10(largest))), 1) + 4;
  }
  std::vector<std::string> names;
  names.reserve(values.size());
  const std::string wholeFormat = "%d";
  const std::string decimalFormat = "%." + std::to_string(digits) + "g";
  for (double v : values) {
    if (std::isnan(v)) {
      names.emplace_back("NaN");
    } else if (std::isinf(v)) {
      names.emplace_back(v > 0 ? "Inf" : "-Inf");
    } else {
      names.push_back(formatText(allWhole ? wholeFormat : decimalFormat, {v}));
    }
  }
  return names;
}

// Removes the missing group, if any: the group named "" or, failing that, the group named
// "NaN". Its members get NaN and the group numbers above it move down by one.
void dropMissingGroup(GroupIndex& index) {
  auto missing = std::find(index.gn.begin(), index.gn.end(), std::string());
  if (missing == index.gn.end()) missing = std::find(index.gn.begin(), index.gn.end(), "NaN");
  if (missing == index.gn.end()) return;
  const double number = static_cast<double>(missing - index.gn.begin()) + 1;
  index.gn.erase(missing);
  for (Eigen::Index i = 0; i < index.g.rows(); ++i) {
    double& gi = index.g(i, 0);
    if (gi == number)
      gi = kNaN;
    else if (gi > number)
      gi -= 1;
  }
}

// The codes of a numeric grouping as a plain list (a row or a column, read in element order).
std::vector<double> codeList(const Matrix& s) {
  return std::vector<double>(s.data(), s.data() + s.size());
}

ManovaResult manovaCore(const Eigen::Ref<const Matrix>& Xin, const GroupIndex& groupsIn,
                        double alpha, CanonicalColumns kept);

// Input checks shared by the numeric and text groupings.
double checkedAlpha(const Matrix& alpha) {
  if (alpha.size() != 1) throw Error("Significance level must be a scalar.");
  const double a = alpha(0, 0);
  // A NaN level satisfies neither bound and is refused like any level outside (0, 1).
  if (!(a > 0 && a < 1)) throw Error("Significance level must satisfy 0 < ALPHA < 1.");
  return a;
}

}  // namespace

GroupIndex grp2idx(const Matrix& s) {
  const GroupNumbering numbering = numberGroups(s);
  GroupIndex index;
  index.g.resize(static_cast<Eigen::Index>(numbering.ordinal.size()), 1);
  for (size_t i = 0; i < numbering.ordinal.size(); ++i)
    index.g(static_cast<Eigen::Index>(i), 0) = numbering.ordinal[i];
  index.gn = numericNames(numbering.codes);
  dropMissingGroup(index);
  return index;
}

GroupIndex grp2idx(const std::vector<std::string>& s) {
  GroupIndex index;
  index.g.resize(static_cast<Eigen::Index>(s.size()), 1);
  std::unordered_map<std::string, double> numberOf;
  for (size_t i = 0; i < s.size(); ++i) {
    auto [it, added] = numberOf.try_emplace(s[i], static_cast<double>(index.gn.size()) + 1);
    if (added) index.gn.push_back(s[i]);
    index.g(static_cast<Eigen::Index>(i), 0) = it->second;
  }
  dropMissingGroup(index);
  return index;
}

ManovaResult manova1(const Matrix& X, const Matrix& group) {
  return manova1(X, group, 0.05);
}

ManovaResult manova1(const Eigen::Ref<const Matrix>& X, const Matrix& group, double alpha) {
  return manova1(X, group, scalar(alpha));
}

ManovaResult manova1(const Eigen::Ref<const Matrix>& X, const Matrix& group, const Matrix& alpha) {
  return manova1(X, group, checkedAlpha(alpha), CanonicalColumns::All);
}

ManovaResult manova1(const Eigen::Ref<const Matrix>& X, const Matrix& group, double alpha,
                     CanonicalColumns columns) {
  const double a = checkedAlpha(scalar(alpha));
  // A row of codes is read as a column; anything else must be one code per row of X.
  const bool isVector = group.rows() == 1 || group.cols() == 1;
  if (!isVector || group.size() != X.rows()) {
    throw Error("Dimensions of X and GROUP must match.");
  }
  // Rows of X with a missing value are dropped before the groups are numbered, so that the
  // group numbers count only the groups that keep members.
  // The rows are scanned a column at a time, the order in which the matrix is stored.
  std::vector<double> kept = codeList(group);
  for (Eigen::Index j = 0; j < X.cols(); ++j)
    for (Eigen::Index i = 0; i < X.rows(); ++i)
      if (std::isnan(X(i, j))) kept[static_cast<size_t>(i)] = kNaN;
  // NaN codes (missing rows or missing groups) become the missing group "NaN" of grp2idx.
  Matrix keptCodes = Eigen::Map<Matrix>(kept.data(), static_cast<Eigen::Index>(kept.size()), 1);
  return manovaCore(X, grp2idx(keptCodes), a, columns);
}

ManovaResult manova1(const Matrix& X, const std::vector<std::string>& group) {
  return manova1(X, group, scalar(0.05));
}

ManovaResult manova1(const Matrix& X, const std::vector<std::string>& group, const Matrix& alpha) {
  const double a = checkedAlpha(alpha);
  if (static_cast<Eigen::Index>(group.size()) != X.rows()) {
    throw Error("Dimensions of X and GROUP must match.");
  }
  std::vector<std::string> kept;
  std::vector<bool> dropped;
  for (Eigen::Index i = 0; i < X.rows(); ++i) {
    const bool missing = X.row(i).hasNaN();
    dropped.push_back(missing);
    if (!missing) kept.push_back(group[static_cast<size_t>(i)]);
  }
  GroupIndex keptGroups = grp2idx(kept);
  GroupIndex groups;
  groups.gn = keptGroups.gn;
  groups.g = Matrix::Constant(X.rows(), 1, kNaN);
  for (Eigen::Index i = 0, k = 0; i < X.rows(); ++i) {
    if (!dropped[static_cast<size_t>(i)]) groups.g(i, 0) = keptGroups.g(k++, 0);
  }
  return manovaCore(X, groups, a, CanonicalColumns::All);
}

// A Cholesky factor whose pivot is at the level of round-off relative to its variable's sum of
// squares belongs to a matrix that is singular to working precision (for instance a variable
// that is an exact combination of others): the factorisation then succeeds or fails by chance.
bool pivotsAboveRoundOff(const Eigen::LLT<Matrix>& chol, const Matrix& W) {
  const double tolerance = 16 * static_cast<double>(W.rows()) * Eigen::NumTraits<double>::epsilon();
  const Matrix& L = chol.matrixLLT();
  for (Eigen::Index j = 0; j < W.rows(); ++j) {
    if (!(L(j, j) * L(j, j) > tolerance * W(j, j))) return false;
  }
  return true;
}

namespace {

// Rows per band of the sums over the specimens: a band's centred rows stay in cache.
constexpr Eigen::Index kSscpBand = 2048;

// The specimens' means, overall and by group, and the within-group and between-group sums of
// squares and cross products. W sums the rows centred on their group means, a band of rows at a
// time; B sums each group's mean centred on the overall mean, weighted by the group's size; the
// total is W + B. A group of one row adds nothing to W.
// The number of rows of each group (0-based group numbers).
std::vector<double> groupSizes(const std::vector<int>& groupOf, int g) {
  std::vector<double> size(static_cast<size_t>(g), 0.0);
  for (int k : groupOf) size[static_cast<size_t>(k)] += 1;
  return size;
}

// Each group's mean of the columns of X, summed in row order; a group without rows gets zeros.
Matrix groupMeansOf(const Eigen::Ref<const Matrix>& X, const std::vector<int>& groupOf,
                    const std::vector<double>& size) {
  Matrix means = Matrix::Zero(static_cast<Eigen::Index>(size.size()), X.cols());
  for (Eigen::Index j = 0; j < X.cols(); ++j)
    for (Eigen::Index i = 0; i < X.rows(); ++i)
      means(groupOf[static_cast<size_t>(i)], j) += X(i, j);
  for (size_t k = 0; k < size.size(); ++k)
    if (size[k] > 0) means.row(static_cast<Eigen::Index>(k)) /= size[k];
  return means;
}

struct Sscp {
  RowVector mean;
  Matrix groupMeans;  // g x m
  Matrix W, B, T;
};

Sscp sumsOfSquares(const Eigen::Ref<const Matrix>& X, const std::vector<int>& groupOf, int g) {
  const Eigen::Index n = X.rows(), m = X.cols();
  Sscp s;
  s.mean = n > 0 ? RowVector(X.colwise().mean()) : RowVector::Zero(m);
  const Matrix zero = Matrix::Zero(m, m);
  // With no variables every sum is empty (and an empty matrix has no rows to take).
  if (m == 0) {
    s.groupMeans = Matrix::Zero(g, 0);
    s.W = s.B = s.T = zero;
    return s;
  }
  const std::vector<double> size = groupSizes(groupOf, g);
  s.groupMeans = groupMeansOf(X, groupOf, size);
  s.W = sumOverBands(n, kSscpBand, zero, [&](Eigen::Index first, Eigen::Index count) {
    Matrix Z(count, m);
    for (Eigen::Index j = 0; j < m; ++j)
      for (Eigen::Index i = 0; i < count; ++i)
        Z(i, j) = X(first + i, j) - s.groupMeans(groupOf[static_cast<size_t>(first + i)], j);
    Matrix part = Matrix::Zero(m, m);
    part.selfadjointView<Eigen::Lower>().rankUpdate(Z.transpose());
    return part;
  });
  s.W = s.W.selfadjointView<Eigen::Lower>();
  s.B = zero;
  for (int k = 0; k < g; ++k) {
    const RowVector d = s.groupMeans.row(k) - s.mean;
    s.B += size[static_cast<size_t>(k)] * (d.transpose() * d);
  }
  s.T = s.W + s.B;
  return s;
}

// The specimens' canonical variables (X - mean) * C, a band of rows at a time: the first
// `keep` columns of C, or all of them with the squared distance of each specimen to its
// group's mean over them (when `mdist` is given). The group means on the canonical variables
// are the groups' mean rows, centred and multiplied by C.
void canonicalVariables(const Eigen::Ref<const Matrix>& X, const Sscp& sums, const Matrix& C,
                        const std::vector<int>& groupOf, Eigen::Index keep, Matrix& canon,
                        Matrix& gmean, ColVector* mdist) {
  const Eigen::Index n = X.rows(), m = mdist ? C.cols() : keep;
  gmean = (sums.groupMeans.rowwise() - sums.mean) * C;
  canon.resize(n, keep);
  if (mdist) mdist->resize(n);
  forEachBand(n, kBandRows, [&](Eigen::Index, Eigen::Index first, Eigen::Index count) {
    Matrix band(count, m);
    band.noalias() = (X.middleRows(first, count).rowwise() - sums.mean) * C.leftCols(m);
    canon.middleRows(first, count) = band.leftCols(keep);
    if (!mdist) return;
    for (Eigen::Index j = 0; j < m; ++j)
      for (Eigen::Index i = 0; i < count; ++i)
        band(i, j) -= gmean(groupOf[static_cast<size_t>(first + i)], j);
    mdist->segment(first, count) = band.rowwise().squaredNorm();
  });
}

// The analysis proper, once every row has a group number (NaN for rows left out).
ManovaResult manovaCore(const Eigen::Ref<const Matrix>& Xin, const GroupIndex& groups, double alpha,
                        CanonicalColumns kept) {
  const Eigen::Index nIn = Xin.rows();
  const Eigen::Index m = Xin.cols();
  std::vector<Eigen::Index> rows;  // input rows that take part
  for (Eigen::Index i = 0; i < nIn; ++i) {
    if (!std::isnan(groups.g(i, 0))) rows.push_back(i);
  }
  const auto n = static_cast<Eigen::Index>(rows.size());
  const int g = static_cast<int>(groups.gn.size());
  std::vector<int> groupOf(static_cast<size_t>(n));  // 0-based
  for (Eigen::Index k = 0; k < n; ++k)
    groupOf[static_cast<size_t>(k)] =
        static_cast<int>(groups.g(rows[static_cast<size_t>(k)], 0)) - 1;
  // Every row takes part as a rule, and then the rows are read where they are; otherwise the
  // rows that take part are gathered first.
  Matrix gathered;
  if (n < nIn) {
    gathered.resize(n, m);
    for (Eigen::Index j = 0; j < m; ++j)
      for (Eigen::Index k = 0; k < n; ++k) gathered(k, j) = Xin(rows[static_cast<size_t>(k)], j);
  }
  const Eigen::Ref<const Matrix> X = n < nIn ? Eigen::Ref<const Matrix>(gathered) : Xin;
  Sscp sums = sumsOfSquares(X, groupOf, g);
  const Matrix& W = sums.W;
  const Matrix& B = sums.B;
  const Matrix& T = sums.T;

  // W = R'R; the canonical problem B c = e W c becomes the symmetric S v = e v with
  // S = R'^-1 B R^-1 and c = R^-1 v.
  Eigen::LLT<Matrix> chol(W);
  if (chol.info() != Eigen::Success || !W.allFinite() || !pivotsAboveRoundOff(chol, W)) {
    throw Error(kSingularWithin);
  }
  const auto L = chol.matrixL();  // L = R'
  Matrix LB = L.solve(B);
  Matrix S = L.solve(LB.transpose());
  S = (S + S.transpose()).eval() / 2;

  ColVector e(0);
  Matrix C(0, 0);
  if (m > 0) {
    Eigen::SelfAdjointEigenSolver<Matrix> eig(S);
    e = eig.eigenvalues();  // increasing
    C = chol.matrixU().solve(eig.eigenvectors());
  }
  // The solver returns increasing eigenvalues; a stable sort keeps that promise explicit.
  std::vector<Eigen::Index> order(static_cast<size_t>(m));
  for (Eigen::Index j = 0; j < m; ++j) order[static_cast<size_t>(j)] = j;
  std::stable_sort(order.begin(), order.end(),
                   [&](Eigen::Index a, Eigen::Index b) { return e(a) < e(b); });
  {
    ColVector sorted(m);
    Matrix sortedC(m, m);
    for (Eigen::Index j = 0; j < m; ++j) {
      sorted(j) = e(order[static_cast<size_t>(j)]);
      sortedC.col(j) = C.col(order[static_cast<size_t>(j)]);
    }
    e = sorted;
    C = sortedC;
  }
  if (m > 0 && e(0) <= -1) throw Error("Error computing Bartlett's statistic.");

  // Wilks' lambda of dimension j (from 0): product of 1/(1 + e) over the m - j smallest.
  const Eigen::Index r = std::max<Eigen::Index>(std::min<Eigen::Index>(g - 1, m), 0);
  ColVector cumulative(m);
  double product = 1;
  for (Eigen::Index k = 0; k < m; ++k) {
    product *= 1 + e(k);
    cumulative(k) = product;
  }
  ManovaResult result;
  ManovaStats& st = result.stats;
  st.lambda.resize(r, 1);
  st.chisq.resize(r, 1);
  st.chisqdf.resize(r, 1);
  const double bartlett = static_cast<double>(n) - 1 - static_cast<double>(g + m) / 2;
  for (Eigen::Index i = 0; i < r; ++i) {
    st.lambda(i, 0) = 1 / cumulative(m - 1 - i);
    st.chisq(i, 0) = -bartlett * std::log(st.lambda(i, 0));
    st.chisqdf(i, 0) = static_cast<double>((m - i) * (g - 1 - i));
  }
  result.p = (Matrix::Ones(r, 1) - chi2cdf(st.chisq, st.chisqdf)).eval();
  double d = static_cast<double>(r);
  for (Eigen::Index i = 0; i < r; ++i) {
    if (result.p(i, 0) > alpha) {
      d = static_cast<double>(i);
      break;
    }
  }
  result.d = scalar(d);

  st.W = W;
  st.B = B;
  st.T = T;
  st.dfW = static_cast<double>(n - g);
  st.dfB = static_cast<double>(g - 1);
  st.dfT = static_cast<double>(n - 1);
  st.eigenval = e.reverse();
  st.eigenvec = C.rowwise().reverse();
  // Scale each canonical variate to unit pooled within-group variance, and fix its sign so
  // that its coefficients sum to a non-negative number.
  for (Eigen::Index j = 0; j < m; ++j) {
    auto c = st.eigenvec.col(j);
    double vs = c.dot(W * c) / static_cast<double>(n - g);
    if (!(vs > 0)) vs = 1;
    c /= std::sqrt(vs);
    if (c.sum() < 0) c = -c;
  }

  Matrix canon, gmean;
  ColVector mdist;
  const bool all = kept == CanonicalColumns::All;
  canonicalVariables(X, sums, st.eigenvec, groupOf, all ? m : r, canon, gmean,
                     all ? &mdist : nullptr);
  const Eigen::Index keep = canon.cols();
  gathered = Matrix();  // the gathered rows are done with: a large data set holds one copy fewer
  if (all) {
    st.mdist = Matrix::Constant(nIn, 1, kNaN);
    for (Eigen::Index k = 0; k < n; ++k) st.mdist(rows[static_cast<size_t>(k)], 0) = mdist(k);
  }
  if (n == nIn) {
    st.canon = std::move(canon);  // every row took part
  } else {
    st.canon = Matrix::Constant(nIn, keep, kNaN);
    for (Eigen::Index k = 0; k < n; ++k) st.canon.row(rows[static_cast<size_t>(k)]) = canon.row(k);
  }
  st.gmdist = Matrix::Zero(g, g);
  for (int a = 0; a < g && gmean.cols() > 0; ++a) {
    for (int b = a + 1; b < g; ++b) {
      st.gmdist(a, b) = st.gmdist(b, a) = (gmean.row(a) - gmean.row(b)).squaredNorm();
    }
  }
  st.gnames = groups.gn;
  return result;
}

}  // namespace

}  // namespace tessaly::stats
