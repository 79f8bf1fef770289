#include "core/groups.h"

#include <cmath>
#include <unordered_map>

namespace tessaly {

GroupNumbering numberGroups(const Matrix& codes, Eigen::Index count) {
  const Eigen::Index n = count < 0 || count > codes.size() ? codes.size() : count;
  GroupNumbering out;
  out.ordinal.resize(static_cast<size_t>(n));
  std::unordered_map<double, int> numberOf;
  int nanNumber = 0;
  for (Eigen::Index i = 0; i < n; ++i) {
    const double c = codes(i);
    int number;
    if (std::isnan(c)) {
      if (nanNumber == 0) {
        out.codes.push_back(c);
        nanNumber = out.count();
      }
      number = nanNumber;
    } else {
      auto [it, added] = numberOf.try_emplace(c == 0 ? 0.0 : c, out.count() + 1);
      if (added) out.codes.push_back(c);
      number = it->second;
    }
    out.ordinal[static_cast<size_t>(i)] = number;
  }
  return out;
}

}  // namespace tessaly
