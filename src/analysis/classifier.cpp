#include "analysis/classifier.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <cmath>
#include <limits>
#include <numeric>

#include "core/error.h"

namespace tessaly::analysis {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string whole(double x) {
  return std::to_string(static_cast<long long>(x));
}

}  // namespace

double FitSize::specimens() const {
  return std::accumulate(counts.begin(), counts.end(), 0.0);
}

double FitSize::groups() const {
  double g = 0;
  for (double c : counts) g += c > 0 ? 1 : 0;
  return g;
}

std::string singularWithinMessage(const FitSize& size, const std::string& where) {
  return "The pooled within-group covariance of the shape variables is singular" +
         (where.empty() ? std::string() : " in " + where) + ": " +
         whole(static_cast<double>(size.variables)) + " shape variables, but " +
         whole(size.specimens()) + " specimens in " + whole(size.groups()) +
         " groups allow at most " + whole(size.dfW()) + "; use fewer landmarks or more specimens";
}

Classifier fitClassifier(const Matrix& x, const std::vector<int>& group, int G) {
  Classifier c;
  c.size.counts.assign(static_cast<std::size_t>(G), 0.0);
  c.size.variables = x.cols();
  c.means = Matrix::Zero(G, x.cols());
  for (Eigen::Index i = 0; i < x.rows(); ++i) {
    c.means.row(group[i]) += x.row(i);
    c.size.counts[group[i]] += 1;
  }
  for (int g = 0; g < G; ++g)
    if (c.size.counts[g] > 0) c.means.row(g) /= c.size.counts[g];
  Matrix centred = x;
  for (Eigen::Index i = 0; i < x.rows(); ++i) centred.row(i) -= c.means.row(group[i]);
  Matrix s = Matrix::Zero(x.cols(), x.cols());
  s.selfadjointView<Eigen::Lower>().rankUpdate(centred.transpose());
  c.within.compute(s);
  finishClassifier(c);
  return c;
}

void finishClassifier(Classifier& c) {
  const Eigen::Index p = c.size.variables;
  // The factor of a singular S may still come out "successful" with tiny pivots; the degrees
  // of freedom decide first, then the pivots relative to the largest.
  bool singular = c.size.dfW() < static_cast<double>(p) || c.within.info() != Eigen::Success;
  if (!singular && p > 0) {
    const ColVector pivots = c.within.matrixLLT().diagonal().cwiseAbs();
    singular = !(pivots.minCoeff() > 1e-9 * pivots.maxCoeff()) || !pivots.allFinite();
  }
  if (singular) throw Error(singularWithinMessage(c.size, ""));
  c.whitenedMeans = c.within.matrixL().solve(c.means.transpose());
}

std::vector<double> priorWeights(Priors priors, const std::vector<double>& allCounts) {
  const double n = std::accumulate(allCounts.begin(), allCounts.end(), 0.0);
  std::vector<double> w(allCounts.size(), 1.0 / static_cast<double>(allCounts.size()));
  if (priors == Priors::Proportional)
    for (std::size_t g = 0; g < w.size(); ++g) w[g] = allCounts[g] / n;
  return w;
}

Matrix squaredDistances(const Classifier& c, const Matrix& x) {
  const Matrix y = c.within.matrixL().solve(x.transpose());
  const Eigen::Index G = c.means.rows();
  Matrix d2(x.rows(), G);
  for (Eigen::Index g = 0; g < G; ++g) {
    if (c.size.counts[g] <= 0) {
      d2.col(g).setConstant(kInf);
      continue;
    }
    d2.col(g) = (y.colwise() - c.whitenedMeans.col(g)).colwise().squaredNorm().transpose();
  }
  return d2 * c.size.dfW();
}

double typicality(double d2, double ng, const FitSize& size) {
  const double p = static_cast<double>(size.variables), n = size.specimens();
  const double G = size.groups(), df2 = n - G - p + 1;
  if (!(ng > 0) || !(df2 >= 1) || !(p >= 1) || std::isnan(d2)) return kNaN;
  const double f = ng / (ng + 1) * df2 / (p * (n - G)) * d2;
  if (!std::isfinite(f)) return 0;
  boost::math::fisher_f_distribution<double> F(p, df2);
  return boost::math::cdf(boost::math::complement(F, f));
}

Classification assess(const Matrix& d2, const FitSize& size, const std::vector<double>& priors) {
  const Eigen::Index N = d2.rows(), G = d2.cols();
  Classification out;
  out.d2 = d2;
  out.posterior = Matrix::Zero(N, G);
  out.typicality.resize(N, G);
  out.assigned.assign(static_cast<std::size_t>(N), 0);
  for (Eigen::Index i = 0; i < N; ++i) {
    // Weights relative to the nearest group, so that no exponential underflows to 0 for all.
    double nearest = kInf;
    for (Eigen::Index g = 0; g < G; ++g)
      if (size.counts[g] > 0) nearest = std::min(nearest, d2(i, g));
    double total = 0;
    for (Eigen::Index g = 0; g < G; ++g) {
      if (size.counts[g] <= 0) continue;
      out.posterior(i, g) = priors[g] * std::exp(-(d2(i, g) - nearest) / 2);
      total += out.posterior(i, g);
    }
    if (total > 0) out.posterior.row(i) /= total;
    int best = 0;
    for (Eigen::Index g = 1; g < G; ++g)
      if (out.posterior(i, g) > out.posterior(i, best)) best = static_cast<int>(g);
    out.assigned[i] = best;
    for (Eigen::Index g = 0; g < G; ++g)
      out.typicality(i, g) = typicality(d2(i, g), size.counts[g], size);
  }
  return out;
}

double cohenKappa(const Matrix& table) {
  const double n = table.sum();
  const double observed = table.trace() / n;
  const double expected =
      (table.rowwise().sum().array() * table.colwise().sum().transpose().array()).sum() / (n * n);
  if (!(expected < 1)) return kNaN;
  return (observed - expected) / (1 - expected);
}

}  // namespace tessaly::analysis
