#include "render/style.h"

#include <gtest/gtest.h>

#include "render/ticks.h"

namespace tessaly::render {
namespace {

using K = ColorSpec::Kind;

TEST(Style, ColoursFromTriplesLettersNamesAndWords) {
  EXPECT_EQ(parseColor(RowVector{{0.2, 0.4, 0.6}})->rgb, (Rgb{0.2, 0.4, 0.6}));
  EXPECT_EQ(parseColor("k")->rgb, (Rgb{0, 0, 0}));
  EXPECT_EQ(parseColor("Magenta")->rgb, (Rgb{1, 0, 1}));
  EXPECT_EQ(parseColor("None")->kind, K::None);
  EXPECT_EQ(parseColor("auto")->kind, K::Auto);
  EXPECT_FALSE(parseColor("q"));
  EXPECT_FALSE(parseColor(RowVector{{0.5, 1.5, 0}}));  // out of range
  EXPECT_FALSE(parseColor(RowVector{{0.5, 0.5}}));
}

TEST(Style, MarkersAndLineStyles) {
  for (char c : std::string(".ox+*sdv^<>ph")) EXPECT_EQ(parseMarker(std::string(1, c)), c);
  EXPECT_EQ(parseMarker("square"), 's');
  EXPECT_EQ(parseMarker("Hexagram"), 'h');
  EXPECT_FALSE(parseMarker("none"));
  EXPECT_EQ(parseLineStyle("-."), Dash::DashDot);
  EXPECT_FALSE(parseLineStyle("none"));
}

TEST(Ticks, NiceValuesCoverTheRange) {
  EXPECT_EQ(niceTicks(0, 10, 6), (std::vector<double>{0, 2, 4, 6, 8, 10}));
  EXPECT_EQ(niceTicks(-0.3, 10.3, 6), (std::vector<double>{0, 2, 4, 6, 8, 10}));
  std::vector<double> t = niceTicks(-0.15, 0.15, 7);
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[3], 0.0);  // exactly zero, not a rounding residue
  EXPECT_TRUE(niceTicks(1, 1, 5).empty());
  EXPECT_TRUE(niceTicks(0, std::nan(""), 5).empty());
  for (int n = 2; n <= 11; ++n) EXPECT_LE(niceTicks(-3.7, 123.4, n).size(), size_t(n)) << n;
}

TEST(Ticks, LabelsShowTheDecimalsTheStepNeeds) {
  EXPECT_EQ(tickLabel(0.2, 0.1), "0.2");
  EXPECT_EQ(tickLabel(-0.05, 0.05), "-0.05");
  EXPECT_EQ(tickLabel(40, 20), "40");
  EXPECT_EQ(tickLabel(1.5, 0.5), "1.5");
  EXPECT_EQ(tickLabel(0, 0.1), "0");
  EXPECT_EQ(tickLabel(2e6, 1e6), "2e+06");
}

}  // namespace
}  // namespace tessaly::render
