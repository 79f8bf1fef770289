#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "support/error_text.h"

namespace tessaly::plotlib {
namespace {

using test_support::errorText;

using namespace tessaly::platform;

RowVector row(Handle h, const char* name) {
  return get(h, name).matrix();
}

TEST(Quiver, UnscaledArrowsRunFromTailToTipWithBarbsBehindTheTip) {
  resetPlatform();
  // One arrow from (1, 1) along (3, 0) at its own length.
  auto h = quiver(scalar(1), scalar(1), scalar(3), scalar(0), 0, "r");
  ASSERT_EQ(h.size(), 2u);
  RowVector sx = row(h[0], "XData"), sy = row(h[0], "YData");
  EXPECT_EQ(sx(0), 1);
  EXPECT_EQ(sx(1), 4);
  EXPECT_EQ(sy(0), 1);
  EXPECT_EQ(sy(1), 1);
  EXPECT_TRUE(std::isnan(sx(2)));
  // The barbs reach back a third of the arrow (1 unit) and a third of that (1/3) to each side.
  RowVector hx = row(h[1], "XData"), hy = row(h[1], "YData");
  EXPECT_DOUBLE_EQ(hx(0), 3);
  EXPECT_DOUBLE_EQ(hy(0), 1 + 1.0 / 3);
  EXPECT_DOUBLE_EQ(hx(1), 4);
  EXPECT_DOUBLE_EQ(hy(1), 1);
  EXPECT_DOUBLE_EQ(hx(2), 3);
  EXPECT_DOUBLE_EQ(hy(2), 1 - 1.0 / 3);
  EXPECT_EQ(get(h[0], "Color").matrix(), RowVector({{1, 0, 0}}).eval());
  EXPECT_EQ(get(h[1], "Color"), get(h[0], "Color"));
}

TEST(Quiver, AutomaticScaleFitsTheLongestArrowToTheGrid) {
  resetPlatform();
  // A 3 by 3 grid one unit apart: the spacing is the range over the number of points, 2/3,
  // each way, and the longest vector, (0, 10), becomes 0.9 of the diagonal of that spacing.
  Matrix x(3, 3), y(3, 3), u = Matrix::Zero(3, 3), v = Matrix::Zero(3, 3);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      x(r, c) = c;
      y(r, c) = r;
    }
  v(1, 1) = 10;
  u(0, 0) = 5;
  auto h = quiver(x, y, u, v);
  RowVector sx = row(h[0], "XData"), sy = row(h[0], "YData");
  double spacing = std::sqrt(2 * (2.0 / 3) * (2.0 / 3));
  // Element (1, 1) is the fifth in column order: its shaft is entries 12 and 13.
  EXPECT_NEAR(sy(13) - sy(12), 0.9 * spacing, 1e-12);
  EXPECT_NEAR(sx(1) - sx(0), 0.45 * spacing, 1e-12);
  // Twice the scale, twice the length.
  auto doubled = quiver(x, y, u, v, 2.0);
  RowVector dy = row(doubled[0], "YData");
  EXPECT_NEAR(dy(13) - dy(12), 1.8 * spacing, 1e-12);
}

TEST(Quiver, TailMarkersHoldAndSizeErrors) {
  resetPlatform();
  auto h =
      quiver(RowVector{{0, 1}}, RowVector{{0, 0}}, RowVector{{1, 1}}, RowVector{{0, 0}}, 0, "ko");
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(get(h[2], "Marker").text(), "o");
  EXPECT_EQ(get(h[2], "LineStyle").text(), "none");
  // Hold off: a second field replaces the first.
  quiver(scalar(0), scalar(0), scalar(1), scalar(1), 0);
  EXPECT_FALSE(ishandle(h[0]));
  EXPECT_EQ(errorText([&] {
              quiver(RowVector{{0, 1}}, scalar(0), scalar(1), scalar(1));
            }),
            "quiver needs x, y, u and v of one size.");
  EXPECT_EQ(
      errorText([&] { quiver(scalar(0), scalar(0), scalar(1), scalar(1), 0, "kk"); }),
      "Invalid line style \"kk\": use a colour letter, a marker and a line style, such as \"ko\" "
      "or \"b--\".");
}

TEST(Errorbar, BarsFromLowerToUpperWithTicks) {
  resetPlatform();
  auto h =
      errorbar(RowVector{{0, 100}}, RowVector{{5, 6}}, RowVector{{1, 2}}, RowVector{{3, 4}}, "rs");
  ASSERT_EQ(h.size(), 2u);
  RowVector bx = row(h[0], "XData"), by = row(h[0], "YData");
  EXPECT_EQ(by(0), 4);    // 5 - 1
  EXPECT_EQ(by(1), 8);    // 5 + 3
  EXPECT_EQ(by(10), 10);  // second bar's top: 6 + 4
  EXPECT_EQ(bx(3), -1);   // ticks a hundredth of the x range to each side
  EXPECT_EQ(bx(4), 1);
  EXPECT_EQ(get(h[1], "Marker").text(), "s");
  EXPECT_EQ(get(h[1], "LineStyle").text(), "none");
  EXPECT_EQ(get(h[1], "Color"), get(h[0], "Color"));
  EXPECT_EQ(row(h[1], "YData"), RowVector({{5, 6}}).eval());
  EXPECT_EQ(errorText([&] {
              errorbar(RowVector{{0, 1}}, RowVector{{0, 1}}, scalar(1));
            }),
            "errorbar needs x, y and the error lengths of one size.");
}

}  // namespace
}  // namespace tessaly::plotlib
