#include "render/figure_renderer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "render/recording_painter.h"

namespace tessaly::render {
namespace {

using platform::Handle;
using platform::ObjectModel;
using Rec = RecordingPainter;

// A 400-by-300 figure whose axes box is 300 by 200 pixels at (50, 40) from the bottom left,
// showing x 0..10 and y 0..20: data (x, y) lands on device (50 + 30x, 260 - 10y).
struct SmallFigure {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot, {{"Position", RowVector{{0, 0, 400, 300}}}});
  Handle axes = m.create("axes", fig,
                         {{"Units", "pixels"},
                          {"Position", RowVector{{50, 40, 300, 200}}},
                          {"XLim", RowVector{{0, 10}}},
                          {"YLim", RowVector{{0, 20}}}});
  Handle line(const platform::PropertyList& props) { return m.create("line", axes, props); }
  Rec render(RenderOptions options = {}) {
    Rec rec;
    renderFigure(m, fig, rec, options);
    return rec;
  }
};

Matrix row(std::initializer_list<double> v) {
  RowVector r(static_cast<Eigen::Index>(v.size()));
  Eigen::Index i = 0;
  for (double x : v) r(i++) = x;
  return r;
}

TEST(FigureRenderer, MarkersLandOnTheirDataPositionsWithTheirStyle) {
  SmallFigure f;
  f.line({{"XData", 5.0},
          {"YData", 10.0},
          {"LineStyle", "none"},
          {"Marker", "o"},
          {"Color", row({1, 0, 0})},
          {"MarkerSize", 6.0}});
  f.line({{"XData", 10.0},
          {"YData", 0.0},
          {"LineStyle", "none"},
          {"Marker", "s"},
          {"Color", row({0, 0, 1})},
          {"MarkerFaceColor", row({0, 1, 0})},
          {"MarkerEdgeColor", "k"},
          {"MarkerSize", 9.0}});
  Rec rec = f.render();
  auto points = rec.markerPoints();
  ASSERT_EQ(points.size(), 2u);
  EXPECT_NEAR(points[0].first.x, 200, 1e-9);
  EXPECT_NEAR(points[0].first.y, 160, 1e-9);
  EXPECT_EQ(points[0].second.shape, 'o');
  EXPECT_NEAR(points[0].second.size, 8, 1e-9);       // 6 points at 96 pixels an inch
  EXPECT_EQ(points[0].second.edge, (Rgb{1, 0, 0}));  // "auto" edge takes the line colour
  EXPECT_FALSE(points[0].second.face);               // "none"
  EXPECT_NEAR(points[1].first.x, 350, 1e-9);
  EXPECT_NEAR(points[1].first.y, 260, 1e-9);
  EXPECT_EQ(points[1].second.shape, 's');
  EXPECT_EQ(points[1].second.edge, (Rgb{0, 0, 0}));
  EXPECT_EQ(points[1].second.face, (Rgb{0, 1, 0}));
}

TEST(FigureRenderer, FaceColoursFollowTheirSpecialValues) {
  SmallFigure f;
  f.m.set(f.axes, "Color", row({1, 1, 0.5}));
  f.line({{"XData", 1.0}, {"YData", 1.0}, {"Marker", "d"}, {"MarkerFaceColor", "auto"}});
  f.line({{"XData", 2.0}, {"YData", 2.0}, {"Marker", "+"}, {"MarkerFaceColor", row({1, 0, 0})}});
  f.line({{"XData", 3.0},
          {"YData", 3.0},
          {"Marker", "o"},
          {"MarkerEdgeColor", "none"},
          {"MarkerFaceColor", "None"}});
  f.line({{"XData", 4.0}, {"YData", 4.0}, {"Marker", "pentagram"}, {"MarkerFaceColor", "r"}});
  auto points = f.render().markerPoints();
  ASSERT_EQ(points.size(), 3u);  // the symbol with neither edge nor face is not drawn
  EXPECT_EQ(points[0].second.face, (Rgb{1, 1, 0.5}));  // "auto" face is the axes colour
  EXPECT_FALSE(points[1].second.face);                 // a plus has no inside to fill
  EXPECT_EQ(points[2].second.shape, 'p');
  EXPECT_EQ(points[2].second.face, (Rgb{1, 0, 0}));
}

TEST(FigureRenderer, LinesKeepStyleWidthAndBreakAtNaN) {
  SmallFigure f;
  f.line({{"XData", row({0, 10})},
          {"YData", row({0, 20})},
          {"LineStyle", "--"},
          {"LineWidth", 1.5},
          {"Color", row({0, 0.5, 0})}});
  double nan = std::nan("");
  f.line({{"XData", row({0, 1, nan, 2, 3, 4})},
          {"YData", row({0, 1, 1, 2, nan, 4})},
          {"LineStyle", ":"}});
  f.line({{"XData", row({0, 5})}, {"YData", row({0, 5})}, {"LineStyle", "none"}});
  f.line({{"XData", row({0, 5})}, {"YData", row({0, 5})}, {"Visible", "off"}});
  Rec rec = f.render();
  // The data lines are drawn between the clip to the box and its release.
  std::vector<Rec::Polyline> data;
  bool inside = false;
  for (const auto& op : rec.ops()) {
    if (auto c = std::get_if<Rec::Clip>(&op)) inside = c->rect.has_value();
    if (auto p = std::get_if<Rec::Polyline>(&op); p && inside) data.push_back(*p);
  }
  ASSERT_EQ(data.size(), 2u);  // the dotted line's second run has one point only
  EXPECT_EQ(data[0].points, (std::vector<Point>{{50, 260}, {350, 60}}));
  EXPECT_EQ(data[0].pen.dash, Dash::Dashed);
  EXPECT_NEAR(data[0].pen.width, 2, 1e-9);
  EXPECT_EQ(data[0].pen.color, (Rgb{0, 0.5, 0}));
  EXPECT_EQ(data[1].points, (std::vector<Point>{{50, 260}, {80, 250}}));
  EXPECT_EQ(data[1].pen.dash, Dash::Dotted);
}

TEST(FigureRenderer, RunsOfOneSymbolAreBatchedInDrawingOrder) {
  SmallFigure f;
  auto dot = [&](double x, const char* lineSpec) {
    f.line({{"XData", x}, {"YData", 1.0}, {"Marker", lineSpec}, {"LineStyle", "none"}});
  };
  dot(1, "o");
  dot(2, "o");
  dot(3, "x");
  dot(4, "o");
  auto batches = f.render().all<Rec::Markers>();
  ASSERT_EQ(batches.size(), 3u);
  EXPECT_EQ(batches[0].points.size(), 2u);
  EXPECT_EQ(batches[1].style.shape, 'x');
  EXPECT_NEAR(batches[2].points[0].x, 50 + 30 * 4, 1e-9);
}

TEST(FigureRenderer, APointSetIsDrawnAsItsOnePointLinesWouldBe) {
  // The same points as one-point lines and as one point set, with a line style: one run of
  // markers, and no line joining them.
  auto draw = [](bool asSet) {
    SmallFigure f;
    std::vector<double> xs{1, 2, 3}, ys{4, 5, 6};
    if (asSet)
      f.m.createPoints(
          f.axes, xs, ys,
          {{platform::propertyId("Marker"), "o"}, {platform::propertyId("LineStyle"), "-"}});
    for (size_t k = 0; k < xs.size() && !asSet; ++k)
      f.line({{"XData", xs[k]}, {"YData", ys[k]}, {"Marker", "o"}, {"LineStyle", "-"}});
    return f.render();
  };
  Rec lines = draw(false), set = draw(true);
  EXPECT_EQ(set.all<Rec::Polyline>().size(), lines.all<Rec::Polyline>().size());
  auto fromSet = set.all<Rec::Markers>(), fromLines = lines.all<Rec::Markers>();
  ASSERT_EQ(fromSet.size(), 1u);
  ASSERT_EQ(fromLines.size(), 1u);
  EXPECT_EQ(fromSet[0].points, fromLines[0].points);
}

TEST(FigureRenderer, TextsTicksLabelsAndTitle) {
  SmallFigure f;
  f.m.create("text", f.axes,
             {{"Position", row({5, 10, 0})},
              {"String", "Pan"},
              {"HorizontalAlignment", "center"},
              {"Color", row({1, 0, 0})}});
  f.m.set(f.axes, "Title", "Scores");
  f.m.set(f.axes, "XLabel", "CV 1");
  f.m.set(f.axes, "YLabel", "CV 2");
  Rec rec = f.render();
  std::map<std::string, Rec::Text> texts;
  for (const auto& t : rec.all<Rec::Text>()) texts.emplace(t.text, t);
  ASSERT_TRUE(texts.count("Pan"));
  EXPECT_EQ(texts["Pan"].at, (Point{200, 160}));
  EXPECT_EQ(texts["Pan"].style.hAlign, HAlign::Center);
  EXPECT_EQ(texts["Pan"].style.color, (Rgb{1, 0, 0}));
  for (const char* label : {"Scores", "CV 1", "CV 2", "0", "10", "20"})
    EXPECT_TRUE(texts.count(label)) << label;
  EXPECT_NEAR(texts["Scores"].at.x, 200, 1e-9);
  EXPECT_LT(texts["Scores"].at.y, 60);  // above the box
  EXPECT_GT(texts["CV 1"].at.y, 260);   // below it
  EXPECT_EQ(texts["CV 2"].style.rotation, 90);
  EXPECT_LT(texts["CV 2"].at.x, 50);
  // Tick labels sit under their ticks: x = 10 at the right end of the box.
  bool found = false;
  for (const auto& t : rec.all<Rec::Text>())
    if (t.text == "10" && t.style.vAlign == VAlign::Top) {
      EXPECT_NEAR(t.at.x, 350, 1e-9);
      found = true;
    }
  EXPECT_TRUE(found);
}

TEST(FigureRenderer, ControlsAreDrawnUnlessLeftOut) {
  SmallFigure f;
  f.m.create(
      "uicontrol", f.fig,
      {{"Style", "pushbutton"}, {"String", "LoadData"}, {"Position", row({10, 10, 80, 20})}});
  f.m.create("uicontrol", f.fig, {{"String", "Hidden"}, {"Visible", "off"}});
  auto named = [](const Rec& rec, const std::string& s) {
    for (const auto& t : rec.all<Rec::Text>())
      if (t.text == s) return true;
    return false;
  };
  Rec with = f.render();
  EXPECT_TRUE(named(with, "LoadData"));
  EXPECT_FALSE(named(with, "Hidden"));
  bool boxed = false;
  for (const auto& r : with.all<Rec::StrokeRect>()) boxed |= r.rect == Rect{10, 270, 80, 20};
  EXPECT_TRUE(boxed);
  Rec without = f.render({.noui = true});
  EXPECT_FALSE(named(without, "LoadData"));
  EXPECT_TRUE(without.all<Rec::StrokeRect>().empty());
}

TEST(FigureRenderer, HardCopyTurnsTheBackgroundWhite) {
  SmallFigure f;
  auto first = [](const Rec& rec) { return rec.all<Rec::FillRect>().front().color; };
  EXPECT_EQ(first(f.render()), (Rgb{0.94, 0.94, 0.94}));
  EXPECT_EQ(first(f.render({.printing = true})), (Rgb{1, 1, 1}));
  f.m.set(f.fig, "InvertHardcopy", "off");
  EXPECT_EQ(first(f.render({.printing = true})), (Rgb{0.94, 0.94, 0.94}));
}

TEST(FigureRenderer, PatchesFillAndOutlineEachColumn) {
  SmallFigure f;
  Matrix x(3, 2), y(3, 2);
  x << 0, 5, 1, 6, 0, 5;
  y << 0, 0, 0, 0, 2, 2;
  f.m.create("patch", f.axes,
             {{"XData", x}, {"YData", y}, {"FaceColor", row({0, 0, 1})}, {"EdgeColor", "none"}});
  auto polys = f.render().all<Rec::Polygon>();
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[1].points[0], (Point{200, 260}));
  EXPECT_EQ(polys[0].fill, (Rgb{0, 0, 1}));
  EXPECT_FALSE(polys[0].edge);
}

TEST(FigureRenderer, MarkersInsideTheAxesAreDrawnWholeAndOthersNotAtAll) {
  SmallFigure f;
  auto dot = [&](double x, double y) {
    f.line({{"XData", x}, {"YData", y}, {"Marker", "o"}, {"LineStyle", "none"}});
  };
  dot(10, 0);  // the bottom right corner of the box
  dot(0, 20);  // the top left corner
  dot(11, 5);  // right of the box
  dot(5, -1);  // below it
  Rec rec = f.render();
  auto points = rec.markerPoints();
  ASSERT_EQ(points.size(), 2u);
  EXPECT_NEAR(points[0].first.x, 350, 1e-9);
  EXPECT_NEAR(points[0].first.y, 260, 1e-9);
  // No clip is in force while the markers are drawn, so a marker on the frame is whole; the
  // box's clip is back before anything else of the axes is drawn.
  std::optional<Rect> clip;
  bool sawMarkers = false;
  for (const Rec::Op& op : rec.ops()) {
    if (auto* c = std::get_if<Rec::Clip>(&op)) clip = c->rect;
    if (std::holds_alternative<Rec::Markers>(op)) {
      EXPECT_FALSE(clip.has_value());
      sawMarkers = true;
    }
  }
  EXPECT_TRUE(sawMarkers);
}

TEST(FigureRenderer, APopupShowsAnEntryWhateverItsValue) {
  for (double value : {1e300, -1e300, 2.0}) {
    SmallFigure f;
    f.m.create("uicontrol", f.fig,
               {{"Style", "popupmenu"},
                {"String", platform::Value::Texts{"first", "second"}},
                {"Value", value}});
    auto texts = f.render().all<Rec::Text>();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().text, value > 0 ? "second" : "first") << value;
  }
}

}  // namespace
}  // namespace tessaly::render
