#include <gtest/gtest.h>

#include "core/error.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {
namespace {

using namespace tessaly::platform;

TEST(Cla, RemovesOnlyThePlotObjectsOfTheAxes) {
  resetPlatform();
  Handle fig = gcf();
  Handle box = model().create("uicontrol", fig, {{"Tag", "RefAngleBox"}});
  Handle other = model().create("axes", fig);
  Handle kept = model().create("line", other, {{"Tag", "elsewhere"}});
  Handle axes = model().create("axes", fig);
  model().setCurrentAxes(axes);
  hold("on");
  plot(1.0, 1.0, "ko", {{"Tag", "point"}});
  text(1, 1, "1");
  model().create("patch", axes);
  axis(RowVector{{0, 2, 0, 2}});
  title("Procrustes");
  xlabel("x");

  EXPECT_EQ(cla(), 1);
  EXPECT_EQ(model().childCount(axes), 0u);
  EXPECT_TRUE(findobj("Tag", "point").empty());
  EXPECT_TRUE(ishandle(kept) && ishandle(box) && ishandle(other));
  // The axes keep their settings; the titles go with the plot they were set for.
  EXPECT_EQ(axis(), RowVector({{0, 2, 0, 2}}).eval());
  EXPECT_EQ(get(axes, "Title").text(), "");
  EXPECT_EQ(get(axes, "XLabel").text(), "");
  EXPECT_TRUE(ishold());
}

TEST(Cla, ClearsAManyPointPlot) {
  resetPlatform();
  hold("on");
  for (int k = 0; k < 20000; ++k) plot(k, -k, "ko");
  size_t withPoints = model().objectCount();
  EXPECT_EQ(cla(), 1);
  EXPECT_EQ(model().objectCount(), withPoints - 20000);
  EXPECT_EQ(axis(), RowVector({{0, 1, 0, 1}}).eval());
}

TEST(Labels, TitleAndAxisLabelsOfTheCurrentAxes) {
  resetPlatform();
  EXPECT_EQ(title("Scree plot"), 1);
  EXPECT_EQ(xlabel("Axis"), 1);
  EXPECT_EQ(ylabel("Eigenvalue"), 1);
  EXPECT_EQ(get(gca(), "Title").text(), "Scree plot");
  EXPECT_EQ(get(gca(), "XLabel").text(), "Axis");
  EXPECT_EQ(get(gca(), "YLabel").text(), "Eigenvalue");
}

TEST(Movegui, OnscreenMovesTheLeastThatShowsTheWholeWindow) {
  resetPlatform();
  set(ObjectModel::kRoot, "ScreenSize", RowVector{{1, 1, 1000, 800}});
  Handle fig = figure();
  set(fig, "Position", RowVector{{900, -50, 300, 200}});
  movegui(fig, "onscreen");
  EXPECT_EQ(get(fig, "Position").matrix(), RowVector({{701, 1, 300, 200}}).eval());
  // Already on screen: unchanged.
  set(fig, "Position", RowVector{{10, 10, 300, 200}});
  movegui(fig);
  EXPECT_EQ(get(fig, "Position").matrix(), RowVector({{10, 10, 300, 200}}).eval());
  // Taller than the screen: the top stays on it.
  set(fig, "Position", RowVector{{10, 10, 300, 900}});
  movegui(fig, "onscreen");
  EXPECT_EQ(get(fig, "Position").matrix(), RowVector({{10, -99, 300, 900}}).eval());
  // In other units the position is given back in them.
  set(fig, "Units", "characters");
  set(fig, "Position", RowVector{{-10, 10, 60, 20}});
  movegui(fig, "onscreen");
  EXPECT_TRUE(get(fig, "Position").matrix().isApprox(RowVector{{0.2, 10, 60, 20}}));
  EXPECT_EQ(get(fig, "Units").text(), "characters");
  EXPECT_THROW(movegui(fig, "north by northwest"), Error);
}

}  // namespace
}  // namespace tessaly::plotlib
