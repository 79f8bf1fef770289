#include "stats/ranges.h"

#include <algorithm>
#include <boost/random/normal_distribution.hpp>
#include <cmath>
#include <limits>
#include <vector>

#include "core/groups.h"
#include "core/random.h"

namespace tessaly::stats {

namespace {

// Sample covariance (divisor rows - 1) of the rows of x.
Matrix sampleCovariance(const Matrix& x) {
  const Matrix centred = x.rowwise() - x.colwise().mean();
  return centred.transpose() * centred / static_cast<double>(x.rows() - 1);
}

}  // namespace

std::vector<std::optional<ColVector>> memberSpreads(const Matrix& x, const Matrix& xgroup) {
  // Ordinal groups in order of first appearance of their codes (as grpmean1 numbers them).
  const GroupNumbering numbering =
      numberGroups(xgroup, std::min<Eigen::Index>(xgroup.size(), x.rows()));
  std::vector<std::vector<Eigen::Index>> members(numbering.codes.size());
  for (size_t i = 0; i < numbering.ordinal.size(); ++i)
    members[static_cast<size_t>(numbering.ordinal[i] - 1)].push_back(static_cast<Eigen::Index>(i));
  const auto g = static_cast<Eigen::Index>(members.size());
  const Eigen::Index q = x.cols();

  std::vector<Matrix> covariance(static_cast<size_t>(g));
  // Pooled within-group covariance of the groups with two or more members. A group of one
  // specimen has no spread of its own; the canonical model assumes one common within-group
  // covariance, so the pooled estimate stands in for it. With no group to pool it stays zero.
  Matrix pooled = Matrix::Zero(q, q);
  double pooledDf = 0;
  for (Eigen::Index j = 0; j < g; ++j) {
    const auto& list = members[static_cast<size_t>(j)];
    if (list.size() < 2) continue;
    const Matrix rows = x(list, Eigen::all);
    covariance[static_cast<size_t>(j)] = sampleCovariance(rows);
    const auto df = static_cast<double>(list.size() - 1);
    pooled += df * covariance[static_cast<size_t>(j)];
    pooledDf += df;
  }
  if (pooledDf > 0) pooled /= pooledDf;

  std::vector<std::optional<ColVector>> spreads(static_cast<size_t>(g));
  for (Eigen::Index j = 0; j < g; ++j) {
    const auto& list = members[static_cast<size_t>(j)];
    const Matrix& tvar = list.size() < 2 ? pooled : covariance[static_cast<size_t>(j)];
    // Scores that are not all finite give no distribution to draw from.
    if (!tvar.allFinite()) continue;
    ColVector lambda;  // no score columns: no axes, every distance 0
    if (q > 0) {
      Eigen::SelfAdjointEigenSolver<Matrix> eig(tvar, Eigen::EigenvaluesOnly);
      lambda = eig.eigenvalues().cwiseMax(0.0);
    }
    spreads[static_cast<size_t>(j)] = lambda;
  }
  return spreads;
}

std::vector<double> simulatedDistances(const ColVector& spread, int members, RandomEngine& engine) {
  // Boost's ziggurat: several times faster than the standard library's normal draws, and
  // repeatable on the seeded engine.
  boost::random::normal_distribution<double> normal(0.0, 1.0);
  // A simulated member is the sum over the principal axes of sqrt(eigenvalue) * r * axis;
  // the axes are orthonormal, so its length is sqrt(sum eigenvalue * r^2). Eigenvalues that
  // round below zero carry no spread.
  std::vector<double> d(static_cast<size_t>(std::max(members, 0)));
  for (double& v : d) {
    double ss = 0;
    for (Eigen::Index a = 0; a < spread.size(); ++a) {
      const double r = normal(engine);
      ss += spread(a) * r * r;
    }
    v = std::sqrt(ss);
  }
  return d;
}

Matrix rangeCVADist(const Matrix& x, const Matrix& xgroup, RandomEngine& engine) {
  const std::vector<std::optional<ColVector>> spreads = memberSpreads(x, xgroup);
  const auto g = static_cast<Eigen::Index>(spreads.size());
  Matrix drange(g, 5);
  for (Eigen::Index j = 0; j < g; ++j) {
    const std::optional<ColVector>& spread = spreads[static_cast<size_t>(j)];
    if (!spread) {
      drange.row(j).setConstant(std::numeric_limits<double>::quiet_NaN());
      continue;
    }
    std::vector<double> d = simulatedDistances(*spread, kSimulatedMembers, engine);
    double sum = 0;
    for (double v : d) sum += v;
    const double mean = sum / kSimulatedMembers;
    double ss = 0;
    for (double v : d) ss += (v - mean) * (v - mean);

    // Order statistics 4995, 4950 and 4750 (1-based) of the sorted distances, taken as they
    // stand. Only the top 251 matter: select them, then sort just those.
    const auto top = d.begin() + (4750 - 1);
    std::nth_element(d.begin(), top, d.end());
    std::sort(top, d.end());
    const double d4995 = d[4995 - 1];
    const double d4950 = d[4950 - 1];
    const double d4750 = d[4750 - 1];

    drange(j, 0) = d4995;
    drange(j, 1) = d4950;
    drange(j, 2) = d4750;
    drange(j, 3) = std::sqrt(ss / (kSimulatedMembers - 1));
    drange(j, 4) = mean;
  }
  return drange;
}

}  // namespace tessaly::stats
