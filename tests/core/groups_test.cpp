#include "core/groups.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessaly {
namespace {

TEST(NumberGroups, OrdinalsFollowTheFirstAppearanceOfEachCode) {
  const double nan = std::nan("");
  const struct {
    std::vector<double> codes;
    Eigen::Index count;
    std::vector<int> ordinal;
    std::vector<double> groupCodes;
  } cases[] = {
      {{3, 3, 1, 2, 1}, -1, {1, 1, 2, 3, 2}, {3, 1, 2}},
      {{0, -0.0, 2.5, 0}, -1, {1, 1, 2, 1}, {0, 2.5}},    // +0 and -0 are one code
      {{4, nan, 1, nan}, -1, {1, 2, 3, 2}, {4, nan, 1}},  // every NaN in one group
      {{5, 6, 7}, 2, {1, 2}, {5, 6}},                     // only the first count codes
      {{}, -1, {}, {}},
  };
  for (const auto& c : cases) {
    const Matrix codes =
        Eigen::Map<const Matrix>(c.codes.data(), 1, static_cast<Eigen::Index>(c.codes.size()));
    const GroupNumbering g = numberGroups(codes, c.count);
    EXPECT_EQ(g.ordinal, c.ordinal);
    ASSERT_EQ(g.codes.size(), c.groupCodes.size());
    for (size_t a = 0; a < g.codes.size(); ++a)
      EXPECT_TRUE(g.codes[a] == c.groupCodes[a] ||
                  (std::isnan(g.codes[a]) && std::isnan(c.groupCodes[a])));
  }
}

}  // namespace
}  // namespace tessaly
