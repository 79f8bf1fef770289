#include "analysis/group_distances.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/error.h"
#include "stats/manova.h"

namespace tessaly::analysis {

namespace {

constexpr double kTies = 1e-10;

std::vector<Eigen::Index> membersOf(const GroupedSample& sample, int group) {
  std::vector<Eigen::Index> rows;
  for (size_t i = 0; i < sample.ordinal.size(); ++i)
    if (sample.ordinal[i] == group) rows.push_back(static_cast<Eigen::Index>(i));
  return rows;
}

Eigen::LLT<Matrix> checkedCholesky(const Matrix& W) {
  Eigen::LLT<Matrix> chol(W);
  if (chol.info() != Eigen::Success || !W.allFinite() || !stats::pivotsAboveRoundOff(chol, W))
    throw Error(stats::kSingularWithin);
  return chol;
}

double degreesOfFreedom(const GroupedSample& sample) {
  const double df = static_cast<double>(sample.variables.rows()) - sample.groups;
  if (!(df >= 1)) throw Error(stats::kSingularWithin);
  return df;
}

}  // namespace

Matrix groupMeans(const Matrix& m, const GroupedSample& sample) {
  Matrix sums = Matrix::Zero(sample.groups, m.cols());
  ColVector sizes = ColVector::Zero(sample.groups);
  for (Eigen::Index i = 0; i < m.rows(); ++i) {
    const int g = sample.ordinal[static_cast<size_t>(i)];
    sums.row(g) += m.row(i);
    sizes(g) += 1;
  }
  return sums.array().colwise() / sizes.array().max(1);
}

Matrix pooledWithin(const GroupedSample& sample) {
  const double df = degreesOfFreedom(sample);
  const Matrix means = groupMeans(sample.variables, sample);
  Matrix centred = sample.variables;
  for (Eigen::Index i = 0; i < centred.rows(); ++i)
    centred.row(i) -= means.row(sample.ordinal[static_cast<size_t>(i)]);
  Matrix W = Matrix::Zero(centred.cols(), centred.cols());
  W.selfadjointView<Eigen::Lower>().rankUpdate(centred.transpose());
  W = Matrix(W.selfadjointView<Eigen::Lower>()) / df;
  checkedCholesky(W);
  return W;
}

double mahalanobis(const Matrix& W, const ColVector& d) {
  return checkedCholesky(W).matrixL().solve(d).norm();
}

std::vector<double> holm(const std::vector<double>& p) {
  std::vector<size_t> order(p.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return p[a] < p[b]; });
  std::vector<double> adjusted(p.size());
  double running = 0;
  for (size_t j = 0; j < order.size(); ++j) {
    const double factor = static_cast<double>(p.size() - j);
    running = std::max(running, std::min(1.0, factor * p[order[j]]));
    adjusted[order[j]] = running;
  }
  return adjusted;
}

std::uint64_t binomialAtMost(std::uint64_t n, std::uint64_t k, std::uint64_t cap) {
  if (k > n) return 0;
  k = std::min(k, n - k);
  // After step i the value is (n - k + i choose i), a whole number; the division is exact.
  unsigned __int128 value = 1;
  for (std::uint64_t i = 1; i <= k; ++i) {
    value = value * (n - k + i) / i;
    if (value > cap) return cap;
  }
  return static_cast<std::uint64_t>(value);
}

bool atLeast(double value, double observed) {
  return value >= observed - kTies * std::fabs(observed);
}

bool atMost(double value, double observed) {
  return value <= observed + kTies * std::fabs(observed);
}

PairCounts& PairCounts::operator+=(const PairCounts& o) {
  mahalanobis += o.mahalanobis;
  procrustes += o.procrustes;
  singular += o.singular;
  return *this;
}

WhitenedRows whitenedRows(const GroupedSample& sample, const Matrix& W) {
  WhitenedRows out;
  out.variables = sample.variables.cols();
  out.df = degreesOfFreedom(sample);
  out.rows.resize(sample.variables.rows(), out.variables + sample.coordinates.cols());
  out.rows.leftCols(out.variables) =
      checkedCholesky(W).matrixL().solve(sample.variables.transpose()).transpose();
  out.rows.rightCols(sample.coordinates.cols()) = sample.coordinates;
  return out;
}

PairPermutation::PairPermutation(const GroupedSample& sample, const WhitenedRows& rows, int a,
                                 int b)
    : p_(rows.variables) {
  std::vector<Eigen::Index> first = membersOf(sample, a), second = membersOf(sample, b);
  if (first.empty() || second.empty()) throw Error("A group of the pair has no specimens");
  if (second.size() < first.size()) std::swap(first, second);
  m_ = static_cast<int>(first.size());
  first.insert(first.end(), second.begin(), second.end());
  rows_.resize(static_cast<Eigen::Index>(first.size()), rows.rows.cols());
  for (size_t i = 0; i < first.size(); ++i)
    rows_.row(static_cast<Eigen::Index>(i)) = rows.rows.row(first[i]);
  rows_.rowwise() -= rows_.colwise().mean();

  c_ = 1.0 / static_cast<double>(m_) + 1.0 / static_cast<double>(second.size());
  alpha_ = c_ / rows.df;
  zObserved_ = rows_.topRows(m_).leftCols(p_).colwise().sum();
  std::vector<int> observed(static_cast<size_t>(m_));
  std::iota(observed.begin(), observed.end(), 0);
  shrink_ = alpha_ / (1 + alpha_ * zObserved_.squaredNorm());
  const Distances d = distances(observed);
  observedM_ = d.mahalanobis;
  observedP_ = d.procrustes;
}

std::uint64_t PairPermutation::labellings(std::uint64_t cap) const {
  return binomialAtMost(static_cast<std::uint64_t>(rows_.rows()), static_cast<std::uint64_t>(m_),
                        cap);
}

PairPermutation::Distances PairPermutation::distances(const std::vector<int>& chosen) const {
  RowVector sum = RowVector::Zero(rows_.cols());
  for (int i = 0; i < m_; ++i) sum += rows_.row(chosen[static_cast<size_t>(i)]);
  const auto z = sum.head(p_);
  const double along = z.dot(zObserved_);
  const double q = z.squaredNorm() - shrink_ * along * along;
  const double rest = 1 - alpha_ * q;
  Distances d;
  const double p = static_cast<double>(p_);
  d.singular = !(rest > 16 * (p + 1) * Eigen::NumTraits<double>::epsilon());
  d.mahalanobis = d.singular ? 0 : c_ * std::sqrt(std::max(q, 0.0) / rest);
  d.procrustes = c_ * sum.tail(sum.size() - p_).norm();
  return d;
}

PairCounts PairPermutation::count(const std::vector<int>& chosen) const {
  const Distances d = distances(chosen);
  PairCounts counts;
  if (d.singular) {
    counts.singular = 1;
    return counts;
  }
  counts.mahalanobis = atLeast(d.mahalanobis, observedM_);
  counts.procrustes = atLeast(d.procrustes, observedP_);
  return counts;
}

PairCounts PairPermutation::randomRounds(RandomEngine& engine, std::uint64_t rounds) const {
  const int n = static_cast<int>(rows_.rows());
  std::vector<int> index(static_cast<size_t>(n));
  std::iota(index.begin(), index.end(), 0);
  PairCounts counts;
  for (std::uint64_t r = 0; r < rounds; ++r) {
    // A partial Fisher-Yates shuffle: the first m places get a uniform random subset.
    for (int i = 0; i < m_; ++i) {
      const int j = std::uniform_int_distribution<int>(i, n - 1)(engine);
      std::swap(index[static_cast<size_t>(i)], index[static_cast<size_t>(j)]);
    }
    counts += count(index);
  }
  return counts;
}

PairCounts PairPermutation::exactRounds(std::uint64_t first, std::uint64_t count) const {
  const auto n = static_cast<std::uint64_t>(rows_.rows());
  const auto m = static_cast<std::uint64_t>(m_);
  constexpr std::uint64_t kCap = std::uint64_t(1) << 62;
  // The combination of lexicographic rank `first`.
  std::vector<int> chosen(m);
  std::uint64_t rank = first, x = 0;
  for (std::uint64_t i = 0; i < m; ++i, ++x) {
    for (std::uint64_t below; rank >= (below = binomialAtMost(n - x - 1, m - i - 1, kCap)); ++x)
      rank -= below;
    chosen[i] = static_cast<int>(x);
  }
  PairCounts counts;
  for (std::uint64_t r = 0; r < count; ++r) {
    counts += this->count(chosen);
    // The next combination: raise the last place that can rise, the places after it follow.
    std::uint64_t i = m;
    while (i > 0 && static_cast<std::uint64_t>(chosen[i - 1]) == n - m + i - 1) --i;
    if (i == 0) break;
    ++chosen[i - 1];
    for (std::uint64_t j = i; j < m; ++j) chosen[j] = chosen[j - 1] + 1;
  }
  return counts;
}

WilksPermutation::WilksPermutation(const GroupedSample& sample, const WhitenedRows& rows)
    : y_(rows.rows.leftCols(rows.variables)),
      ordinal_(sample.ordinal),
      sizes_(static_cast<size_t>(sample.groups), 0),
      groups_(sample.groups),
      df_(rows.df) {
  y_.rowwise() -= y_.colwise().mean();
  for (int g : ordinal_) sizes_[static_cast<size_t>(g)] += 1;
  largest_ = static_cast<int>(std::max_element(sizes_.begin(), sizes_.end()) - sizes_.begin());
  observed_ = lambda(ordinal_);
}

double WilksPermutation::lambda(const std::vector<int>& ordinal) const {
  Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> sums =
      Eigen::MatrixXd::Zero(groups_, y_.cols());
  for (Eigen::Index i = 0; i < y_.rows(); ++i) {
    const int g = ordinal[static_cast<size_t>(i)];
    if (g != largest_) sums.row(g) += y_.row(i);
  }
  sums.row(largest_) = -sums.colwise().sum();
  for (int g = 0; g < groups_; ++g) sums.row(g) /= std::sqrt(sizes_[static_cast<size_t>(g)] * df_);
  // det(W) / det(T) = 1 / det(I_p + M'M) = 1 / det(I_G + M M') (Sylvester's identity).
  const Matrix gram = Matrix::Identity(groups_, groups_) + sums * sums.transpose();
  const double root = Eigen::LLT<Matrix>(gram).matrixLLT().diagonal().prod();
  return 1 / (root * root);
}

std::uint64_t WilksPermutation::randomRounds(RandomEngine& engine, std::uint64_t rounds) const {
  std::vector<int> labels = ordinal_;
  std::uint64_t count = 0;
  for (std::uint64_t r = 0; r < rounds; ++r) {
    std::shuffle(labels.begin(), labels.end(), engine);
    count += atMost(lambda(labels), observed_);
  }
  return count;
}

}  // namespace tessaly::analysis
