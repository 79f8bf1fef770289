#include "stats/descriptive.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>

#include "core/error.h"
#include "core/text.h"
#include "stats/manova.h"

namespace tessaly::stats {

namespace {

// Variance of each column of a matrix of observations (rows).
RowVector columnVariance(const Matrix& x, int flag) {
  const auto n = static_cast<double>(x.rows());
  if (x.rows() == 0) return RowVector::Constant(x.cols(), kNaN);
  const RowVector mean = x.colwise().mean();
  const RowVector ss = (x.rowwise() - mean).colwise().squaredNorm();
  const double divisor = flag == 1 ? n : std::max(n - 1, 1.0);
  return ss / divisor;
}

}  // namespace

Matrix var(const Matrix& x, int flag) {
  if (flag != 0 && flag != 1) throw Error("The normalization flag must be 0 or 1.");
  if (x.rows() == 1 || x.cols() == 1) {
    if (x.size() == 0) return scalar(kNaN);
    const Eigen::Map<const ColVector> v(x.data(), x.size());
    return columnVariance(v, flag);
  }
  return columnVariance(x, flag);
}

namespace {

// The inverse of a covariance matrix, through its LDLT factorisation, checked before use: a
// pivot at the level of round-off means a singular covariance, whose inverse would be noise.
Matrix precisionOf(const Matrix& cov) {
  if (cov.size() == 0) return cov;
  const Eigen::LDLT<Matrix> ldlt(cov);
  const ColVector d = ldlt.vectorD().cwiseAbs();
  const double tolerance =
      static_cast<double>(cov.rows()) * Eigen::NumTraits<double>::epsilon() * d.maxCoeff();
  if (ldlt.info() != Eigen::Success || !cov.allFinite() || !(d.minCoeff() > tolerance))
    throw Error(
        "The covariance of the rows is singular: the Mahalanobis distance needs more rows than "
        "columns and no column that is a combination of others.");
  return ldlt.solve(Matrix::Identity(cov.rows(), cov.cols()));
}

}  // namespace

Matrix pdist(const Matrix& X, const std::string& metricName, double exponent) {
  const std::string metric = lowercase(metricName);
  const Eigen::Index n = X.rows();
  const Eigen::Index m = X.cols();
  Matrix Y(1, n > 1 ? n * (n - 1) / 2 : 0);

  // Per-metric preparation: a weighting of the coordinates or a transformed copy of X.
  Matrix Z = X;
  Matrix precision;  // inverse covariance for the Mahalanobis distance
  if (metric == "seuclidean") {
    const RowVector sd = columnVariance(X, 0).cwiseSqrt();
    for (Eigen::Index j = 0; j < m; ++j) Z.col(j) /= sd(j);
  } else if (metric == "mahalanobis") {
    Matrix centred = X.rowwise() - X.colwise().mean();
    const Matrix cov = centred.transpose() * centred / std::max<double>(n - 1, 1);
    precision = precisionOf(cov);
  } else if (metric == "cosine" || metric == "correlation") {
    if (metric == "correlation") Z = X.colwise() - X.rowwise().mean();
    for (Eigen::Index i = 0; i < n; ++i) Z.row(i) /= Z.row(i).norm();
  } else if (metric == "minkowski") {
    if (!(exponent > 0)) throw Error("The Minkowski exponent must be positive.");
  } else if (metric != "euclidean" && metric != "sqeuclidean" && metric != "cityblock" &&
             metric != "chebychev" && metric != "hamming" && metric != "jaccard") {
    throw Error("Unknown distance metric: " + metricName + ".");
  }

  Eigen::Index k = 0;
  for (Eigen::Index i = 0; i < n; ++i) {
    for (Eigen::Index j = i + 1; j < n; ++j, ++k) {
      const RowVector diff = Z.row(i) - Z.row(j);
      double d;
      if (metric == "euclidean" || metric == "seuclidean") {
        d = diff.norm();
      } else if (metric == "sqeuclidean") {
        d = diff.squaredNorm();
      } else if (metric == "cityblock") {
        d = diff.cwiseAbs().sum();
      } else if (metric == "chebychev") {
        d = m > 0 ? diff.cwiseAbs().maxCoeff() : 0.0;
      } else if (metric == "minkowski") {
        d = std::pow(diff.cwiseAbs().array().pow(exponent).sum(), 1 / exponent);
      } else if (metric == "mahalanobis") {
        d = std::sqrt(diff * precision * diff.transpose());
      } else if (metric == "cosine" || metric == "correlation") {
        d = 1 - Z.row(i).dot(Z.row(j));
      } else if (metric == "hamming") {
        d = m > 0 ? static_cast<double>((diff.array() != 0).count()) / static_cast<double>(m) : 0;
      } else {  // jaccard: share of differing coordinates among those non-zero in either row
        const auto either = (X.row(i).array() != 0) || (X.row(j).array() != 0);
        const auto differ = diff.array() != 0;
        const auto nonzero = either.count();
        d = nonzero > 0
                ? static_cast<double>((either && differ).count()) / static_cast<double>(nonzero)
                : 0.0;
      }
      Y(0, k) = d;
    }
  }
  return Y;
}

Matrix squareform(const Matrix& y) {
  if (y.rows() == 1 || y.cols() == 1 || y.size() == 0) {
    // Condensed row to square form: the length must be n(n-1)/2 for a whole n.
    const auto len = static_cast<double>(y.size());
    const auto n = static_cast<Eigen::Index>(std::llround((1 + std::sqrt(1 + 8 * len)) / 2));
    if (n * (n - 1) / 2 != y.size()) {
      throw Error("The distance vector does not hold the distances of whole pairs of points.");
    }
    Matrix z = Matrix::Zero(n, n);
    Eigen::Index k = 0;
    for (Eigen::Index i = 0; i < n; ++i) {
      for (Eigen::Index j = i + 1; j < n; ++j, ++k) z(i, j) = z(j, i) = y(k);
    }
    return z;
  }
  if (y.rows() != y.cols()) throw Error("The distance matrix must be square.");
  if (y.diagonal().cwiseAbs().maxCoeff() != 0) {
    throw Error("The distance matrix must have a zero diagonal.");
  }
  const Eigen::Index n = y.rows();
  Matrix z(1, n * (n - 1) / 2);
  Eigen::Index k = 0;
  for (Eigen::Index i = 0; i < n; ++i) {
    for (Eigen::Index j = i + 1; j < n; ++j, ++k) z(0, k) = y(j, i);
  }
  return z;
}

MultiGroupIndex mgrp2idx(const std::vector<Matrix>& group, Eigen::Index rows,
                         const std::string& sep) {
  MultiGroupIndex result;
  result.multigroup = group.size() > 1;
  if (group.empty()) {
    // No grouping: every row in one group.
    result.ogroup = Matrix::Ones(rows, 1);
    result.glabel = {"1"};
    result.gname = {{"1"}};
    return result;
  }
  std::vector<GroupIndex> single;
  for (const Matrix& g : group) {
    if (g.size() != rows) throw Error("All grouping variables must have one value per row.");
    single.push_back(grp2idx(g));
  }
  result.ogroup = Matrix::Constant(rows, 1, kNaN);
  std::map<std::vector<int>, int> numberOf;
  for (Eigen::Index i = 0; i < rows; ++i) {
    std::vector<int> key;
    bool missing = false;
    for (const GroupIndex& s : single) {
      const double gi = s.g(i, 0);
      if (std::isnan(gi)) {
        missing = true;
        break;
      }
      key.push_back(static_cast<int>(gi));
    }
    if (missing) continue;
    auto [it, added] = numberOf.try_emplace(key, static_cast<int>(result.glabel.size()) + 1);
    if (added) {
      std::vector<std::string> names;
      std::string label;
      for (size_t v = 0; v < single.size(); ++v) {
        names.push_back(single[v].gn[static_cast<size_t>(key[v] - 1)]);
        label += (v ? sep : std::string()) + names.back();
      }
      result.gname.push_back(names);
      result.glabel.push_back(label);
    }
    result.ogroup(i, 0) = it->second;
  }
  return result;
}

GroupStats grpstats(const Matrix& x, const Matrix& group) {
  return grpstats(x, std::vector<Matrix>{group});
}

GroupStats grpstats(const Matrix& xin, const std::vector<Matrix>& groups) {
  // A row of values grouped element by element is read as a column.
  const Eigen::Index nGroup = groups.empty() ? xin.rows() : groups.front().size();
  const Matrix x =
      (xin.rows() == 1 && xin.cols() == nGroup && nGroup != 1) ? Matrix(xin.transpose()) : xin;
  const MultiGroupIndex index = mgrp2idx(groups, x.rows(), "\n");
  const auto g = static_cast<Eigen::Index>(index.glabel.size());
  const Eigen::Index m = x.cols();
  GroupStats st;
  st.means = Matrix::Zero(g, m);
  st.sem = Matrix::Zero(g, m);
  st.counts = Matrix::Zero(g, m);
  st.gname = index.glabel;
  for (Eigen::Index j = 0; j < g; ++j) {
    std::vector<Eigen::Index> members;
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
      if (index.ogroup(i, 0) == static_cast<double>(j + 1)) members.push_back(i);
    }
    Matrix rowsOf(static_cast<Eigen::Index>(members.size()), m);
    for (size_t k = 0; k < members.size(); ++k) {
      rowsOf.row(static_cast<Eigen::Index>(k)) = x.row(members[k]);
    }
    const auto count = static_cast<double>(members.size());
    st.means.row(j) = rowsOf.colwise().mean();
    st.sem.row(j) = (columnVariance(rowsOf, 0).cwiseSqrt() / std::sqrt(count));
    st.counts.row(j).setConstant(count);
  }
  return st;
}

}  // namespace tessaly::stats
