#pragma once
// Within-group distance ranges: how far from its group mean a member of each group may be
// expected to lie, from 5000 members simulated from a multivariate normal model of the group.
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

}  // namespace tessaly::stats
