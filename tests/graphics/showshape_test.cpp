#include "graphics/showshape.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/diagnostics.h"
#include "core/dload.h"
#include "core/error.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "support/error_text.h"

namespace tessaly::graphics {
namespace {

using test_support::errorText;

namespace pf = tessaly::platform;
using pf::Handle;

struct Drawn {
  double x, y;
  Handle h;
};

class ShowShape : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::resetPlatform();
    setDiagnosticSink([this](const std::string& text) { echo += text; });
    fig = pf::gcf();
    axes = pf::gca();
  }
  void TearDown() override { setDiagnosticSink({}); }

  void angleBox(const std::string& text) {
    pf::model().create("uicontrol", fig,
                       {{"Tag", "RefAngleBox"}, {"Style", "edit"}, {"String", text}});
  }

  // The points drawn into the axes, oldest first, each with the point set that holds it.
  std::vector<Drawn> drawn() const {
    std::vector<Drawn> out;
    auto kids = pf::model().children(axes);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
      EXPECT_EQ(pf::model().type(*it), "line");
      EXPECT_TRUE(pf::model().isPointSet(*it));
      Matrix x = pf::get(*it, "XData").matrix();
      Matrix y = pf::get(*it, "YData").matrix();
      EXPECT_EQ(x.size(), y.size());
      for (Eigen::Index k = 0; k < x.size(); ++k) out.push_back({x(k), y(k), *it});
    }
    return out;
  }

  Handle fig = -1, axes = -1;
  std::string echo;
};

// Two specimens of three landmarks each, with their centroid sizes.
Matrix twoTriangles() {
  Matrix x(2, 7);
  x << 1, 0, 2, 3, -1, 4, 9.5,  //
      0, 1, 5, 5, 2, -2, 7.25;
  return x;
}

TEST_F(ShowShape, EachSpecimenIsOnePointSetOfSmallPoints) {
  EXPECT_EQ(showshape(twoTriangles(), "rx"), 1);
  std::vector<Drawn> d = drawn();
  ASSERT_EQ(d.size(), 6u);  // the centroid sizes are not drawn
  EXPECT_EQ(pf::model().childCount(axes), 2u);
  EXPECT_EQ(d[1].x, 2);
  EXPECT_EQ(d[1].y, 3);
  EXPECT_EQ(d[5].x, 2);
  EXPECT_EQ(d[5].y, -2);
  for (const Drawn& p : d) {
    EXPECT_EQ(pf::get(p.h, "MarkerSize").number(), 3);
    EXPECT_EQ(pf::get(p.h, "Marker").text(), "x");
    EXPECT_EQ(pf::get(p.h, "Color").matrix(), (Matrix(RowVector{{1, 0, 0}})));
  }
  EXPECT_EQ(pf::get(axes, "NextPlot").text(), "add");  // hold is on
}

TEST_F(ShowShape, DefaultStyleAndRowsWithoutCentroidSize) {
  Matrix x(1, 6);
  x << 1, 2, 3, 4, 5, 6;  // no trailing size: the last landmark is lost
  showshape(x);
  std::vector<Drawn> d = drawn();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1].x, 3);
  EXPECT_EQ(pf::get(d[0].h, "Marker").text(), ".");
  EXPECT_EQ(pf::get(d[0].h, "Color").matrix(), (Matrix(RowVector{{0, 0, 0}})));
}

TEST_F(ShowShape, EmptyInputDrawsNothingButStillSetsTheAxes) {
  pf::model().set(axes, "XLim", RowVector{{0, 3}});
  showshape(Matrix());
  showshape_rot(Matrix(0, 7), "ko", 0.5);
  EXPECT_TRUE(drawn().empty());
  EXPECT_EQ(pf::get(axes, "XLimMode").text(), "auto");
}

TEST_F(ShowShape, QuarterTurnFromTheAngleBoxIsAboutTheOrigin) {
  angleBox("90");
  showshape_rot(twoTriangles(), "bo");
  std::vector<Drawn> d = drawn();
  ASSERT_EQ(d.size(), 6u);
  // (x, y) -> (-y, x), not about each configuration's centroid.
  Matrix x = twoTriangles();
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 3; ++j) {
      const Drawn& p = d[3 * i + j];
      EXPECT_NEAR(p.x, -x(i, 2 * j + 1), 1e-12);
      EXPECT_NEAR(p.y, x(i, 2 * j), 1e-12);
    }
  EXPECT_NE(echo.find("theta"), std::string::npos);
  EXPECT_NE(echo.find("90"), std::string::npos);
}

TEST_F(ShowShape, ExplicitAngleWinsAndZeroDrawsTheStoredCoordinates) {
  angleBox("90");
  Matrix x = twoTriangles();
  showshape_rot(x, "k.", 0.0);
  std::vector<Drawn> d = drawn();
  ASSERT_EQ(d.size(), 6u);
  EXPECT_EQ(d[4].x, x(1, 2));
  EXPECT_EQ(d[4].y, x(1, 3));
  EXPECT_TRUE(echo.empty());  // the box was not read
}

TEST_F(ShowShape, UnreadableAngleMeansNoTurnAndNoEcho) {
  for (const char* text : {"abc", "90 45", "", "NaN"}) {
    pf::resetPlatform();
    fig = pf::gcf();
    axes = pf::gca();
    echo.clear();
    angleBox(text);
    EXPECT_EQ(referenceAngle(), 0) << text;
    EXPECT_TRUE(echo.empty()) << text;
  }
  pf::resetPlatform();
  EXPECT_EQ(referenceAngle(), 0);  // no box at all
  fig = pf::gcf();
  angleBox(" -45 ");
  EXPECT_NEAR(referenceAngle(), -M_PI / 4, 1e-15);
}

TEST_F(ShowShape, RotationKeepsTheCentroidSizeAndTheCallersRow) {
  Matrix row = twoTriangles().row(0);
  Matrix turned = rotateConfiguration(row, M_PI / 6);
  ASSERT_EQ(turned.cols(), 7);
  EXPECT_EQ(turned(0, 6), 9.5);
  // Distances from the origin are kept.
  for (int j = 0; j < 3; ++j)
    EXPECT_NEAR(std::hypot(turned(0, 2 * j), turned(0, 2 * j + 1)),
                std::hypot(row(0, 2 * j), row(0, 2 * j + 1)), 1e-12);
  EXPECT_NEAR(turned(0, 0), std::cos(M_PI / 6), 1e-15);
  EXPECT_NEAR(turned(0, 1), std::sin(M_PI / 6), 1e-15);
}

TEST_F(ShowShape, StyleRowGivesColourMarkerSizeAndFill) {
  Matrix x = twoTriangles().topRows(1);
  showshapec(x, RowVector{{1, 0, 0, 2, 8, 0}}, 0.0);
  showshapec(x, RowVector{{0, 0, 1, 12, 5, 1}}, 0.0);
  showshapec(x, defaultStyleRow(), 0.0);
  std::vector<Drawn> d = drawn();
  ASSERT_EQ(d.size(), 9u);
  Handle open = d[0].h, filled = d[3].h, green = d[6].h;
  EXPECT_EQ(pf::get(open, "Marker").text(), "o");
  EXPECT_EQ(pf::get(open, "MarkerSize").number(), 8);
  EXPECT_EQ(pf::get(open, "Color").matrix(), (Matrix(RowVector{{1, 0, 0}})));
  EXPECT_EQ(pf::get(open, "MarkerFaceColor").text(), "None");
  EXPECT_EQ(pf::get(filled, "Marker").text(), "p");
  EXPECT_EQ(pf::get(filled, "MarkerFaceColor").matrix(), (Matrix(RowVector{{0, 0, 1}})));
  EXPECT_EQ(pf::get(green, "Marker").text(), ".");
  EXPECT_EQ(pf::get(green, "MarkerSize").number(), 6);
  EXPECT_EQ(pf::get(green, "MarkerFaceColor").matrix(), (Matrix(RowVector{{0, 1, 0}})));
}

TEST_F(ShowShape, StyleRowIndexingErrorsDrawNothing) {
  Matrix x = twoTriangles();
  EXPECT_EQ(errorText([&] {
              showshapec(x, RowVector{{1, 0, 0, 14, 8, 0}}, 0.0);
            }),
            "Index exceeds matrix dimensions.");
  EXPECT_EQ(errorText([&] {
              showshapec(x, RowVector{{1, 0, 0, 0, 8, 0}}, 0.0);
            }),
            "Subscript indices must either be real positive integers or logicals.");
  EXPECT_EQ(errorText([&] {
              showshapec(x, RowVector{{1, 0, 0, 2, 8}}, 0.0);
            }),
            "Index exceeds matrix dimensions.");
  EXPECT_TRUE(drawn().empty());
}

TEST_F(ShowShape, StyleRowFollowsTheAngleBox) {
  angleBox("180");
  Matrix x(1, 3);
  x << 2, 1, 5;
  showshapec(x);
  std::vector<Drawn> d = drawn();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NEAR(d[0].x, -2, 1e-12);
  EXPECT_NEAR(d[0].y, -1, 1e-12);
}

TEST_F(ShowShape, ManyRowsAtOnceDrawWhatEachRowAloneDraws) {
  Matrix x(3, 7);
  x << twoTriangles(), -0.0, 3, 1e-300, -7, 2, 2, 1;
  const std::vector<pf::PointStyle> styles = {symbolStyle("rx"),
                                              styleOfRow(RowVector{{0, 0, 1, 12, 5, 1}})};
  const std::vector<std::uint32_t> styleOf = {1, 0, 1};
  for (std::optional<double> theta : {std::optional<double>(), std::optional<double>(0.7)}) {
    pf::resetAxes(axes);
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
      if (styleOf[i] == 1)
        showshapec(x.row(i), RowVector{{0, 0, 1, 12, 5, 1}}, theta.value_or(0));
      else if (theta)
        showshape_rot(x.row(i), "rx", theta);
      else
        showshape(x.row(i), "rx");
    }
    const std::vector<Drawn> alone = drawn();
    showshapes(x, styles, styleOf, theta);
    std::vector<Drawn> all = drawn();
    ASSERT_EQ(all.size(), 2 * alone.size());
    for (size_t p = 0; p < alone.size(); ++p) {
      const Drawn& a = alone[p];
      const Drawn& b = all[alone.size() + p];
      EXPECT_EQ(std::signbit(a.x), std::signbit(b.x));
      EXPECT_EQ(a.x, b.x);
      EXPECT_EQ(a.y, b.y);
      for (const std::string& name : pf::model().propertyNames(a.h)) {
        if (name == "xdata" || name == "ydata") continue;
        EXPECT_EQ(pf::get(a.h, name), pf::get(b.h, name)) << name;
      }
    }
  }
}

TEST_F(ShowShape, ReplottingTheExampleDataReusesTheSameObjectSlots) {
  Matrix apes = dload(std::string(TESSALY_EXAMPLES) + "/apes/apes.txt");
  ASSERT_GT(apes.rows(), 100);
  auto replot = [&] {
    pf::resetAxes(axes);
    showshape_rot(apes, "ko", 0.0);
    setsymbolfill(axes, 1);
  };
  // The first replots fill the store's waiting list of 4,096 freed slots (a replot frees one
  // point set per specimen); after that every replot takes slots freed before it.
  for (int k = 0; k < 30; ++k) replot();
  size_t slots = pf::model().slotCount(), live = pf::model().objectCount();
  EXPECT_EQ(pf::model().childCount(axes), static_cast<size_t>(apes.rows()));
  for (int k = 0; k < 90; ++k) replot();
  EXPECT_EQ(pf::model().slotCount(), slots);
  EXPECT_EQ(pf::model().objectCount(), live);
}

}  // namespace
}  // namespace tessaly::graphics
