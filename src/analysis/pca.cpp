#include "analysis/pca.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/error.h"
#include "core/format.h"

namespace tessaly::analysis {

namespace {

// Turns each column so that its loading of largest absolute value is
// positive; the first of several equal ones decides.
void fixSigns(Matrix& loadings) {
  for (Eigen::Index j = 0; j < loadings.cols(); ++j) {
    Eigen::Index largest = 0;
    loadings.col(j).cwiseAbs().maxCoeff(&largest);
    if (loadings(largest, j) < 0) loadings.col(j) = -loadings.col(j);
  }
}

// Rows are centred a block at a time: a centred copy of all of a large data set would cost more
// in fresh memory than the arithmetic does.
constexpr Eigen::Index kBlockRows = 2048;

// Calls work(first row, centred rows) for each block of rows of X.
template <class Work>
void forCentredBlocks(const Eigen::Ref<const Matrix>& X, const RowVector& mean, Work work) {
  Matrix block;
  for (Eigen::Index first = 0; first < X.rows(); first += kBlockRows) {
    block = X.middleRows(first, std::min(kBlockRows, X.rows() - first)).rowwise() - mean;
    work(first, block);
  }
}

// The covariance matrix (divisor N - 1) of the rows about their mean, by symmetric rank updates.
Matrix covariance(const Eigen::Ref<const Matrix>& X, const RowVector& mean) {
  const Eigen::Index p = X.cols();
  Matrix c = Matrix::Zero(p, p);
  const double divisor = static_cast<double>(X.rows() - 1);
  forCentredBlocks(X, mean, [&](Eigen::Index, const Matrix& block) {
    c.selfadjointView<Eigen::Lower>().rankUpdate(block.transpose(), 1.0 / divisor);
  });
  return c.selfadjointView<Eigen::Lower>();
}

// Specimens to score must have the variables the components were computed on.
void requireVariables(const Pca& pca, Eigen::Index variables) {
  if (variables != pca.loadings.rows())
    throw Error(
        formatText("The specimens have %d shape variables where the components have %d",
                   {static_cast<double>(variables), static_cast<double>(pca.loadings.rows())}));
}

}  // namespace

Pca principalComponents(const Eigen::Ref<const Matrix>& X, bool withScores) {
  const Eigen::Index n = X.rows(), p = X.cols();
  if (n < 2 || p < 1)
    throw Error("The principal components need at least two specimens and one shape variable");
  Pca pca;
  pca.mean = X.colwise().mean();
  const Matrix c = covariance(X, pca.mean);
  pca.totalVariance = c.trace();
  if (!(pca.totalVariance > 0) || !std::isfinite(pca.totalVariance))
    throw Error("The specimens do not vary in shape: there are no principal components");
  // The solver gives the eigenvalues in increasing order: the last q are the components.
  const Eigen::SelfAdjointEigenSolver<Matrix> eigen(c);
  const Eigen::Index q = std::min(p, n - 1);
  pca.eigenvalues = eigen.eigenvalues().tail(q).reverse();
  pca.loadings = eigen.eigenvectors().rightCols(q).rowwise().reverse();
  fixSigns(pca.loadings);
  if (withScores) pca.scores = componentScores(pca, X);
  pca.percent = pca.eigenvalues * (100 / pca.totalVariance);
  pca.cumulative.resize(q);
  double sum = 0;
  for (Eigen::Index j = 0; j < q; ++j)
    pca.cumulative(j) = 100 * (sum += pca.eigenvalues(j)) / pca.totalVariance;
  return pca;
}

Matrix componentScores(const Pca& pca, const Eigen::Ref<const Matrix>& X) {
  requireVariables(pca, X.cols());
  Matrix scores(X.rows(), pca.loadings.cols());
  forCentredBlocks(X, pca.mean, [&](Eigen::Index first, const Matrix& block) {
    scores.middleRows(first, block.rows()).noalias() = block * pca.loadings;
  });
  return scores;
}

Matrix projectOnComponents(const Pca& pca, const Matrix& rows) {
  if (rows.rows() == 0) return Matrix(0, pca.loadings.cols());
  requireVariables(pca, rows.cols());
  return (rows.rowwise() - pca.mean) * pca.loadings;
}

Eigen::Index componentsHolding(const Pca& pca, double percent) {
  const Eigen::Index q = pca.cumulative.size();
  for (Eigen::Index j = 0; j < q; ++j)
    if (pca.cumulative(j) >= percent) return j + 1;
  return q;
}

ComponentChoice parseComponentChoice(const std::string& text) {
  ComponentChoice choice;
  if (text.empty() || text == "none") return choice;
  if (text == "auto") {
    choice.kind = ComponentChoice::Kind::Auto;
    return choice;
  }
  long long count = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (ec != std::errc() || end != text.data() + text.size() || count < 2 || count > 1000000)
    throw Error("--pcs takes auto or a whole number of principal components, 2 or more; not \"" +
                text + "\"");
  choice.kind = ComponentChoice::Kind::Count;
  choice.count = static_cast<Eigen::Index>(count);
  return choice;
}

Eigen::Index componentsToUse(const ComponentChoice& choice, const Pca& pca, Eigen::Index nMinusG) {
  const Eigen::Index available = pca.eigenvalues.size();
  if (choice.kind == ComponentChoice::Kind::Count) {
    if (choice.count > available)
      throw Error(formatText("--pcs %d asks for more principal components than the %d there are",
                             {static_cast<double>(choice.count), static_cast<double>(available)}));
    return choice.count;
  }
  if (choice.kind == ComponentChoice::Kind::None) return 0;
  Eigen::Index m = std::min(componentsHolding(pca, 95), nMinusG - 1);
  return std::min(std::max<Eigen::Index>(m, 2), available);
}

}  // namespace tessaly::analysis
