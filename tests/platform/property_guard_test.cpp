#include "platform/property_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/platform.h"
#include "platform/verbs.h"

namespace tessaly::platform {
namespace {

// A window of 800 by 600 pixels with axes in normalized units: changing the axes' "Units"
// converts their "Position", so the order of putting things back matters.
class PropertyGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetPlatform();
    fig = figure();
    set(fig, "Position", RowVector{{1, 1, 800, 600}});
    axes = model().create("axes", fig, {{"Position", RowVector{{0.1, 0.2, 0.5, 0.25}}}});
  }
  void TearDown() override { resetPlatform(); }
  void layOutInPixels(PropertyGuard& guard) {
    guard.keep(axes, {"Units", "Position"});
    guard.set(axes, "Units", Value("pixels"));
    guard.set(axes, "Position", Value(RowVector{{80, 50, 600, 400}}));
    guard.set(fig, "Color", Value(RowVector{{1, 1, 1}}));
  }
  void expectAsBefore() {
    EXPECT_EQ(get(axes, "Units").text(), "normalized");
    EXPECT_EQ(get(axes, "Position").matrix(), RowVector({{0.1, 0.2, 0.5, 0.25}}));
    EXPECT_EQ(get(fig, "Color").matrix(), before.matrix());
  }
  Handle fig = -1, axes = -1;
  Value before;
};

TEST_F(PropertyGuardTest, PutsUnitsBackBeforeThePositionMeasuredInThem) {
  before = get(fig, "Color");
  PropertyGuard guard(model());
  layOutInPixels(guard);
  // A property set twice goes back to the value it had before the first change.
  guard.set(axes, "units", Value("characters"));
  EXPECT_DOUBLE_EQ(get(axes, "Position").matrix()(2), 600 / 5.0);  // 5 pixels a character
  int after = 0;
  guard.afterRestore([&] {
    EXPECT_EQ(get(axes, "Units").text(), "normalized");
    ++after;
  });
  guard.restore();
  expectAsBefore();
  EXPECT_EQ(after, 1);
  guard.restore();  // a second time does nothing
  EXPECT_EQ(after, 1);
}

TEST_F(PropertyGuardTest, AnErrorLeavesEverythingAsBeforeAndStillReachesTheCaller) {
  before = get(fig, "Color");
  bool afterRan = false;
  try {
    PropertyGuard guard(model());
    guard.afterRestore([&] { afterRan = true; });
    layOutInPixels(guard);
    throw std::runtime_error("printing failed");
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "printing failed");
  }
  expectAsBefore();
  EXPECT_TRUE(afterRan);
}

TEST_F(PropertyGuardTest, ObjectsDeletedMeanwhileAreLeftOut) {
  before = get(fig, "Color");
  {
    PropertyGuard guard(model());
    layOutInPixels(guard);
    model().remove(axes);
  }
  EXPECT_FALSE(model().isHandle(axes));
  EXPECT_EQ(get(fig, "Color").matrix(), before.matrix());
}

}  // namespace
}  // namespace tessaly::platform
