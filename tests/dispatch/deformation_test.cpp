// The deformation actions on the ape skulls: targets built from the canonical axes and the
// markers, the remembered rotation angle, and actions that stop before anything is drawn.
#include "fixture.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;

class DeformationTest : public DispatchTest {
 protected:
  void runCva() {
    runWithFile("LoadData", example("apes.txt"));
    runWithFile("LoadGroupList", example("apes-groups.txt"));
    ASSERT_GT(state().Vmatrix.cols(), 1);
    dialogs.messages.clear();
  }

  // Lines of more than two points (grid lines) that are not straight.
  int bentGridLines() const {
    int bent = 0;
    for (platform::Handle h : drawn()) {
      Matrix x = model().get(h, "XData").matrix(), y = model().get(h, "YData").matrix();
      if (x.size() < 3 || model().get(h, "Marker").toText() != "none") continue;
      bool horizontal = (y.array() - y(0)).abs().maxCoeff() < 1e-9;
      bool vertical = (x.array() - x(0)).abs().maxCoeff() < 1e-9;
      if (!horizontal && !vertical) ++bent;
    }
    return bent;
  }
  int gridLines() const {
    int n = 0;
    for (platform::Handle h : drawn())
      n += model().get(h, "XData").matrix().size() > 2 &&
           model().get(h, "Marker").toText() == "none";
    return n;
  }

  // Every action of the list stops with a message and changes neither the drawing, the
  // markers nor the remembered angle.
  void expectStops(const std::string& action, const platform::Value& fpass, const char* why) {
    auto before = model().children(mainAxes);
    Matrix angle = state().defangle, m1 = state().marker1x, m2 = state().marker2y;
    dialogs.messages.clear();
    run(action, fpass);
    ASSERT_EQ(dialogs.messages.size(), 1u) << action;
    EXPECT_THAT(dialogs.messages[0].text, HasSubstr(why)) << action;
    EXPECT_EQ(model().children(mainAxes), before) << action;
    EXPECT_EQ(state().defangle, angle);
    EXPECT_EQ(state().marker1x, m1);
    EXPECT_EQ(state().marker2y, m2);
  }
};

TEST_F(DeformationTest, ActionsStopBeforeDrawingWhenTheyLackSomething) {
  runWithFile("LoadData", example("apes.txt"));
  model().create("line", mainAxes);
  for (const char* action : {"ShowPCADeformation", "ShowMarker1PCA", "ShowMarkerDif"})
    expectStops(action, 0.0, "load a group list to run the CVA first");

  runWithFile("LoadGroupList", example("apes-groups.txt"));
  model().create("line", mainAxes);
  state().defangle = scalar(33);
  const auto axes = std::to_string(state().Vmatrix.cols());
  setProp("ShowBox", "String", std::to_string(state().Vmatrix.cols() + 1));
  expectStops("ShowPCADeformation", 2.0, "There is no canonical axis");
  setProp("ShowBox", "String", "8");  // eigenvalue 6e-16: five axes for six groups
  expectStops("ShowPCADeformation", 2.0,
              "Canonical axis 8 has no variation between the groups (eigenvalue ");
  setProp("ShowBox", "String", "1");
  setProp("ExagerationBox", "String", "lots");
  expectStops("ShowPCADeformation", 2.0,
              "The box \"Exaggeration of the deformation\" does not hold a number: \"lots\"");
  setProp("ExagerationBox", "String", "1");
  expectStops("ShowPCADeformation", 7.0, "Choose the registration");
  setProp("YBox", "String", "0");
  expectStops("ShowMarker2PCA", {}, "There is no canonical axis 0");
  setProp("YBox", "String", "2");
  setProp("MarkerScaleBox", "String", "");
  expectStops("ShowMarkerDif", {}, "\"Exaggeration of the marker shapes\"");
}

TEST_F(DeformationTest, ZeroExaggerationAndEqualMarkersShowNoChange) {
  runCva();
  setProp("ExagerationBox", "String", "0");
  run("ShowPCADeformation", 0.0);
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  EXPECT_GT(gridLines(), 20);
  EXPECT_EQ(bentGridLines(), 0);

  setProp("ExagerationBox", "String", "0.1");
  run("ShowPCADeformation", 0.0);
  EXPECT_GT(bentGridLines(), 10);

  state().marker1x = state().marker2x = scalar(0.8);
  state().marker1y = state().marker2y = scalar(-1.5);
  setProp("MarkerScaleBox", "String", "1");
  run("ShowMarkerDif");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  EXPECT_EQ(bentGridLines(), 0);
  run("ShowMarker1PCA");
  EXPECT_GT(bentGridLines(), 10);
  // The results window is closed to make room.
  EXPECT_TRUE(model().findobj("Tag", platform::Value("AuxResults")).empty());
}

TEST_F(DeformationTest, TheAngleIsRememberedOnlyWhenOneWasComputed) {
  runCva();
  state().defangle = scalar(10);
  setProp("RefAngleBox", "String", "30");
  run("ShowPCADeformation", 0.0);  // baseline: no rotation
  EXPECT_EQ(state().defangle, scalar(10));
  run("ShowPCADeformation", 3.0);
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  EXPECT_NEAR(state().defangle(0), 30, 1e-12);

  // Interactive rotation: the steps typed add up.
  setProp("RotateRequest", "Value", 1.0);
  dialogs.inputs.push_back(std::vector<std::string>{"40"});
  dialogs.inputs.push_back(std::vector<std::string>{"5"});
  dialogs.inputs.push_back(std::vector<std::string>{"0"});
  run("ShowPCADeformation", 2.0);
  EXPECT_NEAR(state().defangle(0), 45, 1e-9);
  EXPECT_EQ(dialogs.inputRequests.size(), 3u);

  // The marker display takes its registration from the list: the first entry is baseline.
  setProp("MarkerSuperList", "Value", 1.0);
  run("ShowMarker1PCA");
  EXPECT_NEAR(state().defangle(0), 45, 1e-9);
  EXPECT_THAT(console.text, HasSubstr("using BC"));
}

TEST_F(DeformationTest, RegressionDirectionDiffersFromTheAxisAndIsDrawn) {
  runCva();
  setProp("ExagerationBox", "String", "0.05");
  setProp("DeFormat", "Value", 3.0);  // landmark vectors
  run("ShowPCADeformation", 2.0);
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  auto tips = [&] {
    std::vector<double> out;
    for (platform::Handle h : drawn()) {
      Matrix x = model().get(h, "XData").matrix();
      if (x.size() == 2) out.push_back(x(1));
    }
    return out;
  };
  std::vector<double> plain = tips();
  setProp("RegrButton", "Value", 1.0);
  run("ShowPCADeformation", 2.0);
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  std::vector<double> regressed = tips();
  ASSERT_EQ(plain.size(), regressed.size());
  EXPECT_NE(plain, regressed);
}

TEST_F(DeformationTest, MarkersArePlacedByAClickAndRedrawn) {
  runCva();
  run("ShowPCAAxis");
  const size_t plotted = drawn().size();
  dialogs.picks.push_back(platform::Pick{1.5, -0.25, 1});
  run("PlaceM1");
  EXPECT_EQ(state().marker1x, scalar(1.5));
  EXPECT_EQ(state().marker1y, scalar(-0.25));
  auto lines = drawn();
  ASSERT_EQ(lines.size(), plotted + 2);  // the score plot stays
  EXPECT_EQ(model().get(lines[plotted], "Marker").toText(), "o");
  EXPECT_EQ(model().get(lines[plotted], "MarkerFaceColor").toText(), "r");
  EXPECT_EQ(model().get(lines[plotted + 1], "Marker").toText(), "+");
  EXPECT_EQ(model().get(lines[plotted + 1], "MarkerSize").number(), 8);

  run("PlaceM2");  // no click: the marker stays where it was
  EXPECT_EQ(state().marker2x, scalar(0));
  run("RestoreMarkers");
  lines = drawn();
  ASSERT_EQ(lines.size(), plotted + 6);
  EXPECT_EQ(model().get(lines[plotted + 4], "XData").matrix(), scalar(0));
  EXPECT_EQ(model().get(lines[plotted + 4], "MarkerFaceColor").toText(), "g");
}

}  // namespace
}  // namespace tessaly::dispatch::testing
