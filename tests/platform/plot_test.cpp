#include "platform/plot.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "support/error_text.h"

namespace tessaly::platform {
namespace {

class Plot : public ::testing::Test {
 protected:
  void SetUp() override { resetPlatform(); }
  static Matrix data(Handle h, const char* name) { return get(h, name).matrix(); }
};

TEST_F(Plot, MatrixArgumentsGiveOneLinePerColumn) {
  Matrix x(3, 2), y(3, 2);
  x << 1, 4, 2, 5, 3, 6;
  y << 7, 10, 8, 11, 9, 12;
  auto lines = plot(x, y, "k-");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(data(lines[0], "XData"), RowVector({{1, 2, 3}}).eval());
  EXPECT_EQ(data(lines[1], "YData"), RowVector({{10, 11, 12}}).eval());
  EXPECT_EQ(get(lines[1], "LineStyle").text(), "-");

  // A vector against a matrix: columns when the lengths match them, else rows.
  hold("on");
  RowVector t{{0, 1, 2}};
  Matrix rows(2, 3);
  rows << 1, 2, 3, 4, 5, 6;
  auto byRow = plot(t, rows);
  ASSERT_EQ(byRow.size(), 2u);
  EXPECT_EQ(data(byRow[1], "YData"), RowVector({{4, 5, 6}}).eval());
  EXPECT_EQ(data(byRow[1], "XData"), t);
  // Without a colour in the lineSpec the lines take the axes' colours in turn.
  EXPECT_NE(get(byRow[0], "Color"), get(byRow[1], "Color"));
  auto byColumn = plot(Matrix(rows.transpose()), t);
  ASSERT_EQ(byColumn.size(), 2u);
  EXPECT_EQ(data(byColumn[0], "XData"), RowVector({{1, 2, 3}}).eval());
  EXPECT_EQ(data(byColumn[0], "YData"), t);
}

TEST_F(Plot, SpecThenPropertiesOneObjectPerPoint) {
  Handle h = plot(2.0, 3.0, "ko", {{"MarkerSize", 3.0}});
  EXPECT_EQ(get(h, "Type").text(), "line");
  EXPECT_EQ(get(h, "Marker").text(), "o");
  EXPECT_EQ(get(h, "LineStyle").text(), "none");
  EXPECT_EQ(get(h, "Color").matrix(), RowVector({{0, 0, 0}}).eval());
  EXPECT_EQ(get(h, "MarkerSize").number(), 3.0);
  EXPECT_EQ(get(h, "Parent").number(), gca());
  // Properties win over the lineSpec.
  hold("on");
  Handle red = plot(1.0, 1.0, "ko", {{"Color", RowVector{{1, 0, 0}}}, {"Marker", "s"}});
  EXPECT_EQ(get(red, "Color").matrix(), RowVector({{1, 0, 0}}).eval());
  EXPECT_EQ(get(red, "Marker").text(), "s");
  EXPECT_EQ(model().childCount(gca()), 2u);
}

TEST_F(Plot, HoldOffReplacesHoldOnAdds) {
  plot(1.0, 1.0, "ko");
  set(gca(), "Title", "old");
  set(gca(), "DataAspectRatioMode", "manual");
  Handle second = plot(2.0, 2.0, "ko");
  EXPECT_EQ(model().children(gca()), std::vector<Handle>{second});
  EXPECT_EQ(get(gca(), "Title").text(), "");
  EXPECT_EQ(get(gca(), "DataAspectRatioMode").text(), "auto");
  EXPECT_FALSE(ishold());
  hold("ON");
  EXPECT_TRUE(ishold());
  Handle third = plot(3.0, 3.0, "ko");
  EXPECT_EQ(model().children(gca()), (std::vector<Handle>{third, second}));
  hold("off");
  plot(RowVector{{1, 2}}, RowVector{{1, 2}});
  EXPECT_EQ(model().childCount(gca()), 1u);
  EXPECT_EQ(test_support::errorText([] { hold("maybe"); }),
            "hold takes \"on\" or \"off\", not \"maybe\".");
}

TEST_F(Plot, BadArgumentsDrawNothingAndClearNothing) {
  Handle kept = plot(1.0, 1.0, "ko");
  EXPECT_THROW(plot(RowVector{{1, 2, 3}}, RowVector{{1, 2}}), Error);
  EXPECT_THROW(plot(Matrix::Zero(2, 3), Matrix::Zero(3, 2)), Error);
  EXPECT_THROW(plot(1.0, 1.0, "kz"), Error);
  EXPECT_EQ(test_support::errorText([] {
              plot(1.0, 1.0, "ko", {{"Colour", 1.0}});
            }),
            "There is no Colour property on the line class.");
  EXPECT_EQ(model().children(gca()), std::vector<Handle>{kept});
}

TEST_F(Plot, TextsSitAtDataPositionsAndIgnoreHold) {
  Handle line = plot(0.0, 0.0, "k.");
  Handle t = text(1.5, -2.0, "12");
  EXPECT_EQ(get(t, "Position").matrix(), RowVector({{1.5, -2, 0}}).eval());
  EXPECT_EQ(get(t, "String").text(), "12");
  EXPECT_TRUE(ishandle(line));
  auto several = text(RowVector{{1, 2}}, RowVector{{3, 4}}, {"a", "b"});
  EXPECT_EQ(get(several[1], "String").text(), "b");
  EXPECT_EQ(test_support::errorText([] {
              text(RowVector{{1, 2}}, RowVector{{3, 4}}, {"a", "b", "c"});
            }),
            "Texts need one string, or one per position.");
}

TEST_F(Plot, FigureCloseAndDeleteVerbs) {
  Handle first = figure();
  Handle second = figure();
  EXPECT_EQ(gcf(), second);
  std::vector<Change::Kind> kinds;
  model().subscribe([&](const Change& c) { kinds.push_back(c.kind); });
  figure(first);
  EXPECT_EQ(gcf(), first);
  EXPECT_EQ(kinds.back(), Change::Kind::Raised);
  Handle line = plot(1.0, 1.0);
  deleteObject(line);
  EXPECT_FALSE(ishandle(line));
  deleteObjects({line, line});  // gone already: skipped
  close();
  EXPECT_FALSE(ishandle(first));
  EXPECT_EQ(gcf(), second);
  EXPECT_THROW(deleteObject(ObjectModel::kRoot), Error);
  closeAll();
  EXPECT_EQ(model().currentFigure(), -1);
}

TEST_F(Plot, AppDataAndSetOnSeveral) {
  Handle a = plot(1.0, 1.0, "ko");
  hold("on");
  Handle b = plot(2.0, 2.0, "ko");
  set({a, b}, "MarkerFaceColor", "k");
  EXPECT_EQ(get(b, "MarkerFaceColor").text(), "k");
  setappdata(gcf(), "angle", 30.0);
  EXPECT_TRUE(isappdata(gcf(), "angle"));
  EXPECT_EQ(getappdata(gcf(), "angle").number(), 30.0);
  rmappdata(gcf(), "angle");
  EXPECT_TRUE(getappdata(gcf(), "angle").isEmpty());
}

}  // namespace
}  // namespace tessaly::platform
