#pragma once
// The 0.05-level distance of a group, as rangeCVADist draws it (the 4750th of 5000 simulated
// distances), without simulating the members.
//
// The k-th of n sorted draws from a continuous distribution F is F^-1(U) with U the k-th of n
// sorted uniforms, U ~ Beta(k, n - k + 1). So "d lies within the level" (d <= the 4750th
// distance) is "F(d) <= U" for one U ~ Beta(4750, 251) drawn per group: the same joint
// distribution of the decisions as with the 5000 members, at the cost of one Beta draw per
// group and F at each tested distance. F is the distribution of a member's squared distance,
// a sum of spread_a r_a^2 over the axes (r standard normal), taken from Ruben's series of
// chi-square distributions: P(Q <= t) = sum_k c_k P(chi2(n + 2k) <= t / beta), beta the
// smallest spread, with c_k >= 0 adding up to 1, so the terms left out weigh less than
// 1 - sum of the c_k taken.
#include <optional>
#include <vector>

#include "core/matrix.h"
#include "core/random.h"

namespace tessaly::stats {

// P(sqrt(sum_a spread_a r_a^2) <= d) by Ruben's series, to 1e-10. Not exact() when there is
// no spread, or when the series would need more terms than it is worth (spreads of very
// unequal size).
class MemberDistance {
 public:
  explicit MemberDistance(const ColVector& spread);
  bool exact() const { return exact_; }
  double cdf(double d) const;

 private:
  std::vector<double> c_;  // the weights c_k of the chi-square terms
  double beta_ = 0, half_df_ = 0;
  bool exact_ = true;
};

// A distance of a tested specimen from the mean of the group (ordinal, from 0) it was
// assigned to.
struct TestedDistance {
  Eigen::Index group = 0;
  double distance = 0;
};

// For each tested distance: whether it is no greater than its group's 0.05-level distance
// drawn afresh with `engine` for groups of the scores x (codes xgroup) as rangeCVADist draws
// it, one level per group for all the group's distances. A level that is not a number (scores
// not finite) takes in every distance, as does a distance that is not a number.
std::vector<bool> withinLevel05(const Matrix& x, const Matrix& xgroup,
                                const std::vector<TestedDistance>& tested, RandomEngine& engine);

}  // namespace tessaly::stats
