#include "stats/distance_levels.h"

#include <algorithm>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/random/beta_distribution.hpp>
#include <cmath>
#include <limits>

#include "stats/ranges.h"

namespace tessaly::stats {

namespace {

// The rank of the 0.05-level distance among the simulated ones (drange column 2).
constexpr int kLevelRank = 4750;
// Spreads below this share of the largest carry nothing a distance could show.
constexpr double kNegligibleSpread = 1e-12;
// The series stops when the weight of the terms left out is below kTail (its weights are
// summed in extended precision, which rounding leaves about 1e-12 short of 1 at worst); past
// kMaxTerms terms simulating the members is the cheaper exact way.
constexpr long double kTail = 1e-10L;
constexpr std::size_t kMaxTerms = 10000;
// exp() of anything below this underflows.
constexpr double kLogTiny = -700;

}  // namespace

MemberDistance::MemberDistance(const ColVector& spread) {
  const double largest = spread.size() > 0 ? spread.maxCoeff() : 0;
  std::vector<double> lambda;
  for (Eigen::Index a = 0; a < spread.size(); ++a)
    if (spread(a) > kNegligibleSpread * largest) lambda.push_back(spread(a));
  if (lambda.empty()) {
    exact_ = false;
    return;
  }
  beta_ = *std::min_element(lambda.begin(), lambda.end());
  half_df_ = 0.5 * static_cast<double>(lambda.size());
  // prod_j (1 - gamma_j w)^-1/2 = sum_k a_k w^k with gamma_j = 1 - beta / lambda_j. Its
  // coefficients follow from D(w) P'(w) = -D'(w) P(w) / 2, D(w) = prod_j (1 - gamma_j w):
  // a_m = -(1/m) sum_{i=1..deg D} d_i (m - i/2) a_{m-i}.
  // D's coefficients alternate in sign, so the recurrence is run in extended precision.
  std::vector<long double> poly{1.0L};  // the coefficients d_i of D
  long double logC0 = 0;
  for (double l : lambda) {
    const long double gamma = 1 - static_cast<long double>(beta_) / l;
    logC0 += 0.5L * std::log(static_cast<long double>(beta_) / l);
    if (gamma <= 0) continue;
    poly.push_back(0.0L);
    for (std::size_t i = poly.size() - 1; i > 0; --i) poly[i] -= gamma * poly[i - 1];
  }
  const long double c0 = std::exp(logC0);
  std::vector<long double> a{1.0L};
  long double sum = c0;
  while (1 - sum > kTail) {
    const std::size_t m = a.size();
    if (m >= kMaxTerms || !(c0 > 0)) {
      exact_ = false;
      return;
    }
    long double next = 0;
    for (std::size_t i = 1; i < poly.size() && i <= m; ++i)
      next -=
          poly[i] * (static_cast<long double>(m) - 0.5L * static_cast<long double>(i)) * a[m - i];
    next /= static_cast<long double>(m);
    if (!(next >= 0) || !std::isfinite(next)) {
      exact_ = false;
      return;
    }
    a.push_back(next);
    sum += c0 * next;
  }
  c_.resize(a.size());
  for (std::size_t k = 0; k < a.size(); ++k) c_[k] = static_cast<double>(c0 * a[k]);
}

double MemberDistance::cdf(double d) const {
  if (!(d > 0)) return 0;
  const double y = d * d / (2 * beta_);
  if (!std::isfinite(y)) return 1;
  // P_k = P(chi2(n + 2k) <= 2y), lowered term by term: P_{k+1} = P_k - t_k with
  // t_k = y^(n/2+k) e^-y / Gamma(n/2+k+1), carried as a logarithm while it underflows.
  double P = boost::math::gamma_p(half_df_, y);
  double logT = half_df_ * std::log(y) - y - boost::math::lgamma(half_df_ + 1);
  double t = logT > kLogTiny ? std::exp(logT) : 0;
  double total = 0, left = 1;
  for (std::size_t k = 0; k < c_.size(); ++k) {
    total += c_[k] * P;
    left -= c_[k];
    // Every later term is below left * P.
    if (left * P < 1e-15) break;
    const double next = half_df_ + static_cast<double>(k) + 1;
    P = std::max(P - t, 0.0);
    if (t > 0) {
      t *= y / next;
    } else {
      logT += std::log(y) - std::log(next);
      if (logT > kLogTiny) t = std::exp(logT);
    }
  }
  return std::min(total, 1.0);
}

std::vector<bool> withinLevel05(const Matrix& x, const Matrix& xgroup,
                                const std::vector<TestedDistance>& tested, RandomEngine& engine) {
  const std::vector<std::optional<ColVector>> spreads = memberSpreads(x, xgroup);
  std::vector<bool> within(tested.size(), true);
  boost::random::beta_distribution<double> level(kLevelRank, kSimulatedMembers - kLevelRank + 1);
  for (std::size_t g = 0; g < spreads.size(); ++g) {
    std::vector<std::size_t> mine;
    for (std::size_t i = 0; i < tested.size(); ++i)
      if (static_cast<std::size_t>(tested[i].group) == g) mine.push_back(i);
    // A level that is not a number takes in every distance.
    if (mine.empty() || !spreads[g]) continue;
    const ColVector& spread = *spreads[g];
    const MemberDistance member(spread);
    if (member.exact()) {
      const double u = level(engine);
      for (std::size_t i : mine) {
        const double d = tested[i].distance;
        within[i] = !(d > 0) || member.cdf(d) <= u;
      }
      continue;
    }
    // No spread (every simulated distance 0), or spreads too unequal for the series: the
    // members are simulated.
    std::vector<double> sims = simulatedDistances(spread, kSimulatedMembers, engine);
    const auto at = sims.begin() + (kLevelRank - 1);
    std::nth_element(sims.begin(), at, sims.end());
    for (std::size_t i : mine) within[i] = !(tested[i].distance > *at);
  }
  return within;
}

}  // namespace tessaly::stats
