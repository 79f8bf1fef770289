#include "graphics/styling.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/platform.h"
#include "platform/verbs.h"

namespace tessaly::graphics {
namespace {

namespace pf = tessaly::platform;

// An axes holding a red marker-only line, a blue line with a line, and a text.
class Styling : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::resetPlatform();
    axes = pf::gca();
    auto& m = pf::model();
    points = m.create("line", axes,
                      {{"Color", red},
                       {"LineStyle", "none"},
                       {"Marker", "o"},
                       {"MarkerSize", 5.0},
                       {"LineWidth", 1.0}});
    curve =
        m.create("line", axes,
                 {{"Color", blue}, {"LineStyle", "--"}, {"MarkerSize", 7.0}, {"LineWidth", 0.5}});
    label = m.create("text", axes, {{"String", "label"}});
  }

  Matrix red = RowVector{{1, 0, 0}}, blue = RowVector{{0, 0, 1}};
  Handle axes = -1, points = -1, curve = -1, label = -1;
};

TEST_F(Styling, SymbolFillOpensThenFillsInEachLinesColour) {
  setsymbolfill(axes, 0);
  EXPECT_EQ(pf::get(points, "MarkerFaceColor").text(), "none");
  EXPECT_EQ(pf::get(curve, "MarkerFaceColor").text(), "none");
  setsymbolfill(axes, 1);
  EXPECT_EQ(pf::get(points, "MarkerFaceColor").matrix(), red);
  EXPECT_EQ(pf::get(curve, "MarkerFaceColor").matrix(), blue);
  setsymbolfill(axes, -2);  // any non-zero value fills
  EXPECT_EQ(pf::get(points, "MarkerFaceColor").matrix(), red);
}

TEST_F(Styling, BlackSymbolsAndSizes) {
  setsymbolbw(axes);
  for (Handle h : {points, curve}) {
    EXPECT_EQ(pf::get(h, "MarkerEdgeColor").text(), "k");
    EXPECT_EQ(pf::get(h, "MarkerFaceColor").text(), "k");
  }
  incrementsymbolsize(axes, 2);
  EXPECT_EQ(pf::get(points, "MarkerSize").number(), 7);
  EXPECT_EQ(pf::get(curve, "MarkerSize").number(), 9);
  incrementsymbolsize(axes, -1.5);
  EXPECT_EQ(pf::get(points, "MarkerSize").number(), 5.5);
}

TEST_F(Styling, LineThicknessSetsAllButIncrementSkipsMarkerOnlyLines) {
  setlinethickness(axes, 2);
  EXPECT_EQ(pf::get(points, "LineWidth").number(), 2);
  EXPECT_EQ(pf::get(curve, "LineWidth").number(), 2);
  incrementlinethickness(axes, 0.5);
  EXPECT_EQ(pf::get(points, "LineWidth").number(), 2);  // "none": untouched
  EXPECT_EQ(pf::get(curve, "LineWidth").number(), 2.5);
}

TEST_F(Styling, HandlesWithoutLineChildrenChangeNothing) {
  Handle empty = pf::model().create("axes", pf::gcf());
  setsymbolfill(empty, 1);
  incrementlinethickness(pf::gcf(), 1);  // the figure's children are axes, not lines
  setsymbolbw(label);
  EXPECT_EQ(pf::get(curve, "LineWidth").number(), 0.5);
  EXPECT_EQ(pf::get(points, "MarkerFaceColor").text(), "none");
  EXPECT_EQ(pf::get(label, "Color").matrix(), (Matrix(RowVector{{0, 0, 0}})));
}

TEST_F(Styling, FishPointerAndBack) {
  spiffyfish();
  Handle fig = pf::gcf();
  EXPECT_EQ(pf::get(fig, "Pointer").text(), "custom");
  Matrix fish = pf::get(fig, "PointerShapeCData").matrix();
  ASSERT_EQ(fish.rows(), 16);
  ASSERT_EQ(fish.cols(), 16);
  int black = 0, white = 0, clear = 0;
  for (Eigen::Index i = 0; i < fish.size(); ++i) {
    if (std::isnan(fish(i)))
      ++clear;
    else if (fish(i) == 1)
      ++black;
    else if (fish(i) == 2)
      ++white;
  }
  EXPECT_EQ(black + white + clear, 256);
  EXPECT_GT(black, 0);
  EXPECT_GT(white, 0);
  EXPECT_GT(clear, 0);
  boringcursor();
  EXPECT_EQ(pf::get(fig, "Pointer").text(), "Arrow");
}

}  // namespace
}  // namespace tessaly::graphics
