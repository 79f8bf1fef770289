#include "platform/axis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"

namespace tessaly::platform {
namespace {

// A window of 800 by 600 pixels whose axes take the middle 80 % each way: a box of 640 by 480.
class Axis : public ::testing::Test {
 protected:
  void SetUp() override {
    resetPlatform();
    Handle fig = figure();
    set(fig, "Position", RowVector{{1, 1, 800, 600}});
    axes = model().create("axes", fig, {{"Position", RowVector{{0.1, 0.1, 0.8, 0.8}}}});
    model().setCurrentAxes(axes);
    hold("on");
  }
  Handle axes = -1;
};

TEST_F(Axis, AutomaticLimitsFitLinesTextsAndPatches) {
  EXPECT_EQ(axis(), RowVector({{0, 1, 0, 1}}).eval());  // nothing drawn
  const double nan = std::numeric_limits<double>::quiet_NaN();
  plot(RowVector{{1, nan, 3}}, RowVector{{2, 5, nan}});
  text(-1, 4, "label");
  model().create("patch", axes, {{"XData", RowVector{{0, 2}}}, {"YData", RowVector{{-3, 0}}}});
  model().create("line", axes, {{"XData", 100.0}, {"YData", 100.0}, {"Visible", "off"}});
  // Only (1, 2) of the line is a drawn point; the text and the patch add the rest: data
  // [-1 2 -3 4]. Padded by a fiftieth of the span and rounded out to the tick step: x fits
  // 9 ticks on 640 pixels, step 0.5; y fits 11 on 480 pixels, step 1.
  EXPECT_EQ(axis(), RowVector({{-1.5, 2.5, -4, 5}}).eval());
  EXPECT_EQ(get(axes, "XLim").matrix(), RowVector({{-1.5, 2.5}}).eval());
  EXPECT_EQ(get(axes, "YLim").matrix(), RowVector({{-4, 5}}).eval());
  // Fixing them where they are shown ("tight") takes the data's own extent.
  axis("tight");
  EXPECT_EQ(axis(), RowVector({{-1, 2, -3, 4}}).eval());
}

TEST_F(Axis, ASinglePointGetsAUnitEitherSideThenTheMargin) {
  plot(2.0, 5.0, "ko");
  // [1 3] and [4 6], padded and rounded out to steps of 0.5 and 0.2.
  EXPECT_TRUE(axis().isApprox(RowVector{{0.5, 3.5, 3.8, 6.2}}));
}

TEST_F(Axis, EqualWidensTheNarrowerRangeAboutItsCentre) {
  plot(RowVector{{0, 4}}, RowVector{{0, 1}});
  axis("auto");
  EXPECT_TRUE(axis().isApprox(RowVector{{-0.5, 4.5, -0.1, 1.1}}));
  axis("equal");
  // 5 units over 640 pixels; 480 pixels of y then hold 3.75 units about 0.5.
  EXPECT_TRUE(axis().isApprox(RowVector{{-0.5, 4.5, -1.375, 2.375}}));
  EXPECT_TRUE(get(axes, "YLim").matrix().isApprox(RowVector{{-1.375, 2.375}}));
  // Tall data widen x instead: y [-3 5] is 8 units over 480 pixels, which leave 32/3 units
  // for 640 pixels about x = 2.
  plot(RowVector{{1, 1}}, RowVector{{-2, 4}});
  EXPECT_TRUE(axis().isApprox(RowVector{{2 - 16.0 / 3, 2 + 16.0 / 3, -3, 5}}));
  axis("normal");
  EXPECT_TRUE(axis().isApprox(RowVector{{-0.5, 4.5, -3, 5}}));
}

TEST_F(Axis, EqualFollowsTheBoxWhenTheWindowChanges) {
  plot(RowVector{{0, 4}}, RowVector{{0, 4}});
  axis("equal");
  set(gcf(), "Position", RowVector{{1, 1, 400, 800}});  // box 320 by 640
  // Rounded out to x steps of 1 (5 ticks fit) and y steps of 0.5, then y widened.
  EXPECT_TRUE(axis().isApprox(RowVector{{-1, 5, -4, 8}}));
  set(axes, "Units", "pixels");
  set(axes, "Position", RowVector{{0, 0, 100, 100}});
  // A small box fits few ticks: x steps of 5, y steps of 2.
  EXPECT_TRUE(axis().isApprox(RowVector{{-5, 5, -3, 7}}));
}

TEST_F(Axis, ManualLimitsStayUntilAuto) {
  plot(RowVector{{0, 10}}, RowVector{{0, 20}});
  axis(RowVector{{-1, 1, -2, 2}});
  EXPECT_EQ(get(axes, "XLimMode").text(), "manual");
  plot(RowVector{{50}}, RowVector{{50}});
  EXPECT_EQ(axis(), RowVector({{-1, 1, -2, 2}}).eval());
  axis("auto");
  EXPECT_EQ(axis(), RowVector({{-10, 60, -5, 55}}).eval());
  // Widening the limits read by one unit on every side, as the display actions do: manual
  // limits are taken exactly as given.
  axis(RowVector(axis() + RowVector{{-1, 1, -1, 1}}));
  EXPECT_EQ(axis(), RowVector({{-11, 61, -6, 56}}).eval());
  set(axes, "XLim", RowVector{{2, 3}});
  EXPECT_EQ(axis(), RowVector({{2, 3, -6, 56}}).eval());
  axis("manual");
  EXPECT_EQ(get(axes, "YLimMode").text(), "manual");
}

TEST_F(Axis, BadLimitsAndWordsAreRefused) {
  EXPECT_THROW(axis(RowVector{{1, 0, 0, 1}}), Error);
  EXPECT_THROW(axis(RowVector{{0, 1, 0}}), Error);
  EXPECT_THROW(axis("sideways"), Error);
  EXPECT_THROW(set(axes, "YLim", RowVector{{3, 3}}), Error);
  EXPECT_EQ(get(axes, "XLimMode").text(), "auto");
}

TEST_F(Axis, AutoAndEqualOnlySetModes) {
  std::vector<std::string> heard;
  const auto listener = model().subscribe([&](const Change& c) {
    if (c.kind == Change::Kind::Property && c.handle == axes) heard.push_back(c.property);
  });
  axis(RowVector{{0, 2, 0, 3}});  // manual limits first, so that "auto" has modes to change
  heard.clear();
  axis("auto");
  axis("equal");
  // The aspect ratio itself is already 1 1 1; its mode is what "equal" changes.
  EXPECT_THAT(heard, ::testing::IsSupersetOf({"xlimmode", "ylimmode", "dataaspectratiomode"}));
  heard.clear();
  for (int k = 0; k < 5; ++k) {
    axis("auto");
    axis("equal");
  }
  EXPECT_EQ(heard, std::vector<std::string>{});  // the same modes again change nothing
  model().unsubscribe(listener);
}

}  // namespace
}  // namespace tessaly::platform
