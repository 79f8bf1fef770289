#pragma once
// Within-group distance ranges: how far from its group mean a member of each group may be
// expected to lie, from 5000 members simulated from a multivariate normal model of the group.
#include <optional>
#include <vector>

#include "core/matrix.h"
#include "core/random.h"

namespace tessaly::stats {

// Number of simulated members per group.
inline constexpr int kSimulatedMembers = 5000;

// drange: g-by-5, one row per group in order of first appearance of its code in xgroup:
// the 4995th, 4950th and 4750th of the sorted simulated distances (the 0.001-, 0.01- and
// 0.05-level distances), their standard deviation (divisor 4999) and their mean. The members
// are drawn from `engine`.
Matrix rangeCVADist(const Matrix& x, const Matrix& xgroup, RandomEngine& engine);

// The spread of the simulated members of each group, in the order of the rows of
// rangeCVADist: the eigenvalues (below zero taken as zero) of the group's sample covariance,
// or of the pooled one for a group of one specimen. A simulated member's distance from its
// mean is sqrt(sum over a of spread_a r_a^2), r standard normal. None for a group whose
// covariance is not finite.
std::vector<std::optional<ColVector>> memberSpreads(const Matrix& x, const Matrix& xgroup);

// The distances of `members` simulated members of the given spread, drawn from `engine`.
std::vector<double> simulatedDistances(const ColVector& spread, int members, RandomEngine& engine);

}  // namespace tessaly::stats
