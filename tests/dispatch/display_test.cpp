// The score plot, the superimposition plots and the axis stepping, on small hand-made states.
#include "dispatch/group_styles.h"
#include "fixture.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;

RowVector rgb(double r, double g, double b) {
  return RowVector{{r, g, b}};
}

class DisplayTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    state().ColorList = defaultColorList();
  }
  double num(platform::Handle h, const char* name) { return model().get(h, name).number(); }
  std::string text(platform::Handle h, const char* name) { return model().get(h, name).toText(); }
  Matrix mat(platform::Handle h, const char* name) { return model().get(h, name).matrix(); }
};

TEST_F(DisplayTest, ScorePlotUsesTheChosenAxesAndGroupSymbols) {
  auto& s = state();
  s.CVAScores.resize(4, 3);
  s.CVAScores << 1, 10, 100,  //
      2, 20, 200,             //
      3, 30, 300,             //
      4, 40, 400;
  s.GLIST = Matrix(4, 1);
  s.GLIST << 1, 3, 1, 3;
  setProp("XBox", "String", "3");
  setProp("YBox", "String", "2");
  model().create("line", mainAxes);  // an earlier plot is cleared

  run("ShowPCAAxis");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  auto lines = drawn();
  ASSERT_EQ(lines.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(mat(lines[i], "XData")(0), s.CVAScores(i, 2));
    EXPECT_EQ(mat(lines[i], "YData")(0), s.CVAScores(i, 1));
  }
  // "ko" for group 1, "rp" for group 3, markers filled in their colour.
  EXPECT_EQ(text(lines[0], "Marker"), "o");
  EXPECT_EQ(mat(lines[0], "Color"), Matrix(rgb(0, 0, 0)));
  EXPECT_EQ(text(lines[1], "Marker"), "p");
  EXPECT_EQ(mat(lines[1], "Color"), Matrix(rgb(1, 0, 0)));
  EXPECT_EQ(mat(lines[1], "MarkerFaceColor"), Matrix(rgb(1, 0, 0)));
  EXPECT_TRUE(drawn("text").empty());
}

TEST_F(DisplayTest, LabelsAndCentroidsSkipEmptyGroups) {
  auto& s = state();
  const int m = 123;
  s.CVAScores = Matrix::Zero(m, 2);
  s.GLIST = Matrix(m, 1);
  for (int i = 0; i < m; ++i) {
    s.GLIST(i) = i % 2 ? 3 : 1;  // group 2 has no specimens
    s.CVAScores(i, 0) = i;
    s.CVAScores(i, 1) = 2.0 * i;
  }
  s.UNKNOWNACTIVE = scalar(1);
  s.UDATA = Matrix::Zero(2, 7);
  s.UGLIST = Matrix::Constant(2, 1, 2);
  s.UCVASCORES = Matrix(2, 2);
  s.UCVASCORES << -1, -2, -3, -4;
  setProp("PCALabel", "Value", 1.0);
  setProp("CentroidButton", "Value", 1.0);

  run("ShowPCAAxis");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  auto lines = drawn();
  ASSERT_EQ(lines.size(), 123u + 2u + 2u);
  // Unknowns in the symbol of their code ("bx" for 2).
  EXPECT_EQ(mat(lines[123], "XData")(0), -1);
  EXPECT_EQ(text(lines[124], "Marker"), "x");
  // Centroids of groups 1 and 3 only, size 12: group 1 holds the even numbers 0..122.
  EXPECT_DOUBLE_EQ(mat(lines[125], "XData")(0), 61);
  EXPECT_DOUBLE_EQ(mat(lines[125], "YData")(0), 122);
  EXPECT_EQ(num(lines[125], "MarkerSize"), 12);
  EXPECT_DOUBLE_EQ(mat(lines[126], "XData")(0), 61);
  EXPECT_EQ(text(lines[126], "Marker"), "p");

  auto texts = drawn("text");
  ASSERT_EQ(texts.size(), 125u);
  EXPECT_EQ(text(texts[0], "String"), "  1");
  EXPECT_EQ(text(texts[11], "String"), " 12");
  EXPECT_EQ(text(texts[122], "String"), "123");
  EXPECT_EQ(mat(texts[11], "Position").leftCols(2), Matrix(RowVector{{11, 22}}));
  EXPECT_EQ(text(texts[124], "String"), "  2");
  EXPECT_EQ(mat(texts[124], "Color"), Matrix(rgb(1, 0, 0)));
  EXPECT_EQ(mat(texts[0], "Color"), Matrix(rgb(0, 0, 0)));
}

TEST_F(DisplayTest, ScorePlotWithTheCodeTable) {
  auto& s = state();
  s.altcode = scalar(1);
  s.codearray = bwCodeTable();
  s.CVAScores = Matrix(2, 2);
  s.CVAScores << 1, 2, 3, 4;
  s.GLIST = Matrix(2, 1);
  s.GLIST << 1, 6;
  setProp("CentroidButton", "Value", 1.0);
  run("ShowPCAAxis");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  auto lines = drawn();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(text(lines[0], "Marker"), "o");
  EXPECT_EQ(num(lines[0], "MarkerSize"), 8);
  EXPECT_EQ(mat(lines[0], "Color"), Matrix(rgb(0.08, 0.08, 0.08)));
  EXPECT_EQ(mat(lines[0], "MarkerFaceColor"), Matrix(rgb(0.08, 0.08, 0.08)));
  EXPECT_EQ(text(lines[1], "Marker"), "^");
  EXPECT_EQ(text(lines[1], "MarkerFaceColor"), "None");
  EXPECT_EQ(num(lines[2], "MarkerSize"), 11);  // centroid: size + 3
  EXPECT_EQ(text(lines[3], "MarkerFaceColor"), "None");
}

TEST_F(DisplayTest, ScorePlotErrorsDrawNothingAndChangeNothing) {
  auto& s = state();
  platform::Handle earlier = model().create("line", mainAxes);
  run("ShowPCAAxis");  // no CVA run yet
  s.CVAScores = Matrix::Ones(3, 2);
  s.GLIST = Matrix::Ones(3, 1);
  setProp("XBox", "String", "3");
  run("ShowPCAAxis");
  setProp("XBox", "String", "1");
  s.GLIST(2) = 0;
  run("ShowPCAAxis");
  s.GLIST = Matrix::Ones(2, 1);
  run("ShowPCAAxis");
  // A named group beyond the rows of the code table is named.
  s.GLIST = Matrix::Ones(3, 1);
  s.GLIST(2) = 30;
  s.GNAMES.assign(30, "site");
  s.GNAMES[29] = "Lake Zurich";
  s.altcode = scalar(1);
  s.codearray = bwCodeTable();
  run("ShowPCAAxis");

  ASSERT_EQ(dialogs.messages.size(), 5u);
  EXPECT_THAT(dialogs.messages[4].text,
              HasSubstr("Group code 30 (Lake Zurich) has no row in the group code table"));
  EXPECT_THAT(dialogs.messages[0].text, HasSubstr("no CVA scores"));
  EXPECT_THAT(dialogs.messages[1].text, HasSubstr("no canonical axis 3"));
  EXPECT_THAT(dialogs.messages[2].text, HasSubstr("Line 3 of the group codes holds 0"));
  EXPECT_THAT(dialogs.messages[3].text, HasSubstr("3 specimens but only 2"));
  EXPECT_EQ(drawn(), std::vector<platform::Handle>{earlier});
}

TEST_F(DisplayTest, AGroupWithoutAnEllipseIsNamed) {
  auto& s = state();
  s.ellipses = true;
  s.CVAScores = (Matrix(3, 2) << 1, 1, 2, 2, 3, 3).finished();
  s.GLIST = Matrix::Ones(3, 1);
  s.GNAMES = {"Lake Zurich"};
  run("ShowPCAAxis");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, HasSubstr("Lake Zurich: The scores of a group have no"));
}

TEST_F(DisplayTest, AxisSteppingShowsTheEigenvalueOfTheNewAxis) {
  auto& s = state();
  s.Dmatrix = Matrix(3, 1);
  s.Dmatrix << 5.25, 0.123456, 0.5;
  setProp("XBoxExp", "String", "old");
  run("UpXAxis");
  EXPECT_EQ(stringOf("XBox"), "2");
  EXPECT_EQ(stringOf("XBoxExp"), "0.12346");
  run("UpYAxis");
  EXPECT_EQ(stringOf("YBox"), "3");
  EXPECT_EQ(stringOf("YBoxExp"), "0.5");
  run("DownYAxis");
  EXPECT_EQ(stringOf("YBox"), "2");
  run("UpDisplay");
  EXPECT_EQ(stringOf("ShowBox"), "2");
  EXPECT_EQ(stringOf("VarianceBox"), "0.12346");
  run("DownDisplay");
  EXPECT_EQ(stringOf("VarianceBox"), "5.25");
  EXPECT_TRUE(dialogs.messages.empty());

  // The steps stay within the axes along which the groups differ; past the last one a step
  // says why and changes nothing.
  s.Dmatrix.conservativeResize(4, 1);
  s.Dmatrix(3) = 1e-16;
  run("DownXAxis");
  run("DownXAxis");
  EXPECT_EQ(stringOf("XBox"), "1");
  EXPECT_TRUE(dialogs.messages.empty());
  run("UpYAxis");
  run("UpYAxis");
  EXPECT_EQ(stringOf("YBox"), "3");
  EXPECT_EQ(stringOf("YBoxExp"), "0.5");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "Canonical axis 4 has no variation between the groups (eigenvalue 1e-16)");

  // A step redraws the score plot it belongs to; an axis without variation is not plotted.
  s.CVAScores = Matrix::Random(4, 4);
  s.GLIST = Matrix::Ones(4, 1);
  run("ShowPCAAxis");
  run("DownYAxis");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(mat(drawn()[i], "YData")(0), s.CVAScores(i, 1));
  setProp("XBox", "String", "4");
  run("ShowPCAAxis");
  EXPECT_EQ(dialogs.messages.back().text,
            "Canonical axis 4 has no variation between the groups (eigenvalue 1e-16): the groups "
            "differ along axes 1 to 3 only");
}

// The legend and axis titles come only with the Plot Settings toggle; without it the plot is
// drawn as before.
TEST_F(DisplayTest, LegendAndAxisTitlesFollowThePlotSettingsToggle) {
  auto& s = state();
  s.CVAScores = Matrix::Random(4, 2);
  s.GLIST = (Matrix(4, 1) << 1, 3, 1, 3).finished();
  s.Dmatrix = (Matrix(2, 1) << 3, 1).finished();
  auto legends = [&] {
    std::vector<std::string> texts;
    for (platform::Handle h : model().findobj("Tag", platform::Value("Legend")))
      for (platform::Handle t : model().children(h))
        if (model().type(t) == "text") texts.push_back(text(t, "String"));
    return texts;
  };
  run("ShowPCAAxis");
  EXPECT_EQ(text(mainAxes, "XLabel"), "");
  EXPECT_TRUE(legends().empty());
  run("PlotNotes");
  EXPECT_EQ(text(mainAxes, "XLabel"), "CV 1 (75.0%), unit axis");
  EXPECT_EQ(text(mainAxes, "YLabel"), "CV 2 (25.0%), unit axis");
  EXPECT_EQ(legends(), (std::vector<std::string>{"Group 3", "Group 1"}));
  run("ShowPCAAxis");
  EXPECT_EQ(legends().size(), 2u);  // one legend, drawn afresh
  run("PlotNotes");
  EXPECT_EQ(text(mainAxes, "XLabel"), "");
  EXPECT_TRUE(legends().empty());
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
}

class ShapePlotTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    auto& s = state();
    // Two triangles: (1,0) (3,0) (1,2) and (0,1) (0,3) (2,3).
    s.DATA = Matrix(2, 7);
    s.DATA << 1, 0, 3, 0, 1, 2, 9,  //
        0, 1, 0, 3, 2, 3, 9;
    s.GLIST = Matrix(2, 1);
    s.GLIST << 1, 2;
  }
  std::vector<std::pair<double, double>> points() { return drawnPoints(); }
};

TEST_F(ShapePlotTest, ProcrustesPlotTurnsByTheReferenceAngle) {
  setProp("RefAngleBox", "String", "90");
  run("ShowProcrustes");
  auto p = points();
  ASSERT_EQ(p.size(), 6u);
  EXPECT_NEAR(p[1].first, 0, 1e-12);  // (3,0) turned a quarter counter-clockwise
  EXPECT_NEAR(p[1].second, 3, 1e-12);
  EXPECT_NEAR(p[3].first, -1, 1e-12);  // (0,1)
  EXPECT_NEAR(p[3].second, 0, 1e-12);
  EXPECT_EQ(text(drawn()[1], "Marker"), "x");  // group 2: "bx"

  // With unknowns active they are drawn too.
  auto& s = state();
  s.UNKNOWNACTIVE = scalar(1);
  s.UDATA = s.DATA.topRows(1);
  s.UGLIST = scalar(3);
  run("ShowProcrustes");
  EXPECT_EQ(points().size(), 9u);
}

TEST_F(ShapePlotTest, BaselinePlotsIgnoreTheAngle) {
  setProp("RefAngleBox", "String", "90");
  run("ShowBC");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  auto p = points();
  ASSERT_EQ(p.size(), 6u);
  // Landmark 1 at the origin, landmark 2 at (1, 0), for every specimen.
  for (int i : {0, 3}) {
    EXPECT_NEAR(p[i].first, 0, 1e-12);
    EXPECT_NEAR(p[i].second, 0, 1e-12);
    EXPECT_NEAR(p[i + 1].first, 1, 1e-12);
    EXPECT_NEAR(p[i + 1].second, 0, 1e-12);
  }
  EXPECT_NEAR(p[2].first, 0, 1e-12);
  EXPECT_NEAR(p[2].second, 1, 1e-12);

  run("ShowSBR");
  EXPECT_EQ(points().size(), 6u);
  setProp("BaseBox2", "String", "7");
  run("ShowBC");
  ASSERT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace tessaly::dispatch::testing
