#pragma once
// Ordinal groups: the groups of a list of codes numbered 1, 2, ... in order of first
// appearance of their codes. Every routine that lists groups (assignment, distance ranges,
// the MANOVA's group index, the analysis layer) numbers them here, so that all agree.
#include <vector>

#include "core/matrix.h"

namespace tessaly {

struct GroupNumbering {
  std::vector<int> ordinal;   // the ordinal group (1-based) of each code
  std::vector<double> codes;  // the code of each ordinal group: codes[a - 1] is that of a
  int count() const { return static_cast<int>(codes.size()); }
};

// Numbers the first `count` elements of `codes` (a row or a column; all of it when count is
// negative or larger). Codes are compared as numbers, exactly; +0 and -0 are one code, and
// every NaN belongs to one group.
GroupNumbering numberGroups(const Matrix& codes, Eigen::Index count = -1);

}  // namespace tessaly
