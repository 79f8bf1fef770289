// The plot settings: menu check marks, stored values, the code tables and the symbol legend.
#include "dispatch/group_styles.h"
#include "fixture.h"
#include "platform/axis.h"
#include "platform/plot.h"

namespace tessaly::dispatch::testing {
namespace {

class SettingsTest : public DispatchTest {
 protected:
  std::string checked(const char* tag) { return prop(tag, "Checked").toText(); }
};

TEST_F(SettingsTest, MenuChoicesMoveTheCheckMarkAndStoreTheValue) {
  run("SetPlotDensity", 50.0);
  run("SetPlotDensity", 20.0);
  EXPECT_EQ(checked("Density20"), "on");
  for (const char* t : {"Density10", "Density30", "Density50"}) EXPECT_EQ(checked(t), "off");
  EXPECT_EQ(state().vplotdensity, scalar(20));
  run("SetPlotDensity", 15.0);  // matches no entry: no mark, but stored
  for (const char* t : {"Density10", "Density20", "Density30", "Density50"})
    EXPECT_EQ(checked(t), "off");
  EXPECT_EQ(state().vplotdensity, scalar(15));

  run("NoArrowHeads");
  EXPECT_EQ(checked("ArrowHeads"), "off");
  EXPECT_EQ(checked("NoArrowHeads"), "on");
  EXPECT_EQ(state().vaheads, scalar(0));
  run("ArrowHeads");
  EXPECT_EQ(checked("ArrowHeads"), "on");
  EXPECT_EQ(checked("NoArrowHeads"), "off");
  EXPECT_EQ(state().vaheads, scalar(1));

  run("SetReferenceSymbol", "kd");
  EXPECT_EQ(checked("RefDiamond"), "on");
  for (const char* t : {"RefSquare", "RefCircle", "RefPlus"}) EXPECT_EQ(checked(t), "off");
  EXPECT_EQ(state().vrefsymbol, "kd");

  run("SetLineFormat1", "k:");
  EXPECT_EQ(checked("Line1Dotted"), "on");
  EXPECT_EQ(checked("Line1Red"), "off");
  EXPECT_EQ(checked("Line1Black"), "off");
  EXPECT_EQ(state().vlineformat1, "k:");
  EXPECT_TRUE(dialogs.messages.empty());

  // A choice without its value is an error that changes nothing.
  run("SetLineFormat1");
  run("SetPlotDensity");
  EXPECT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(state().vlineformat1, "k:");
  EXPECT_EQ(state().vplotdensity, scalar(15));
}

TEST_F(SettingsTest, LineWidthRestylesTheLinesAlreadyDrawn) {
  platform::Handle a = platform::plot(1.0, 2.0, "k-");
  platform::hold("on");
  platform::Handle b = platform::plot(2.0, 3.0, "ko");
  run("SetLineWidth", 25.0);
  EXPECT_EQ(checked("Weigth25"), "on");
  for (const char* t : {"Weight5", "Weight10", "Weight15", "Weight20"})
    EXPECT_EQ(checked(t), "off");
  EXPECT_EQ(state().vlinewidth, scalar(2.5));
  EXPECT_EQ(model().get(a, "LineWidth").number(), 2.5);
  EXPECT_EQ(model().get(b, "LineWidth").number(), 2.5);
  run("SetLineWidth", 5.0);
  EXPECT_EQ(checked("Weight5"), "on");
  EXPECT_EQ(checked("Weigth25"), "off");
  EXPECT_EQ(state().vlinewidth, scalar(0.5));
}

TEST_F(SettingsTest, CodeLoadTakesOnlySixColumnTables) {
  Matrix table = Matrix::Constant(3, 6, 0.5);
  table.col(3).setConstant(2);
  runWithFile("CodeLoad", writeMatrix("codes.txt", table));
  EXPECT_EQ(state().altcode, scalar(1));
  EXPECT_EQ(state().codearray, table);
  EXPECT_TRUE(dialogs.messages.empty());

  state().altcode = scalar(0);
  runWithFile("CodeLoad", writeMatrix("five.txt", Matrix::Ones(12, 5)));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "The file loaded does not have the correct dimensions to be a Group Code File, "
            "Please try another file");
  EXPECT_TRUE(dialogs.messages[0].error);
  // A refused table changes nothing: the default symbols stay in use.
  EXPECT_EQ(state().altcode, scalar(0));
  EXPECT_EQ(state().codearray, table);
}

TEST_F(SettingsTest, BlackAndWhiteTableToggles) {
  // The table as printed for the users: grey level, marker letter, size, fill.
  const double expected[12][4] = {{0.08, 2, 8, 1},  {0, 3, 8, 1},     {0, 13, 8, 1},
                                  {0, 6, 8, 1},     {0, 5, 8, 1},     {0, 9, 8, 0},
                                  {0, 8, 8, 1},     {0, 7, 8, 0},     {0, 2, 8, 0},
                                  {0.67, 11, 8, 1}, {0.74, 12, 8, 1}, {0.8, 1, 8, 1}};
  run("SetBWCode");  // an unset altcode counts as off
  EXPECT_EQ(state().altcode, scalar(1));
  EXPECT_EQ(prop("BWButton", "Label").toText(), "Return to Default Symbols");
  const Matrix& t = state().codearray;
  ASSERT_EQ(t.rows(), 12);
  ASSERT_EQ(t.cols(), 6);
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(t.row(i), (RowVector(6) << expected[i][0], expected[i][0], expected[i][0],
                         expected[i][1], expected[i][2], expected[i][3])
                            .finished())
        << "row " << i + 1;

  run("SetBWCode");
  EXPECT_EQ(state().altcode, scalar(0));
  EXPECT_EQ(prop("BWButton", "Label").toText(), "Use BW Symbols");
  EXPECT_EQ(state().codearray.rows(), 12);
  state().altcode = scalar(2);  // any other setting counts as on
  run("SetBWCode");
  EXPECT_EQ(state().altcode, scalar(0));
}

TEST_F(SettingsTest, SymbolLegendListsEveryCode) {
  state().ColorList = defaultColorList();
  run("ShowSymbolCodes");
  auto lines = drawn();
  auto texts = drawn("text");
  ASSERT_EQ(lines.size(), 13u);
  ASSERT_EQ(texts.size(), 13u);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(model().get(lines[i], "XData").number(), 0.1);
    EXPECT_EQ(model().get(lines[i], "YData").number(), i + 1);
    EXPECT_EQ(model().get(texts[i], "String").toText(), std::to_string(i + 1));
  }
  EXPECT_EQ(model().get(lines[2], "Marker").toText(), "p");  // "rp"
  const RowVector limits = platform::axis(mainAxes);
  EXPECT_LE(limits(0), 0.1 - 1);
  EXPECT_GE(limits(1), 0.5 + 1);
  EXPECT_LE(limits(2), 0.0);
  EXPECT_GE(limits(3), 14.0);
  EXPECT_FALSE(platform::ishold());

  run("SetBWCode");
  run("ShowSymbolCodes");
  lines = drawn();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(drawn("text").size(), 12u);
  EXPECT_EQ(model().get(lines[2], "Marker").toText(), "h");
  EXPECT_EQ(model().get(lines[11], "Marker").toText(), ".");
  EXPECT_EQ(model().get(lines[0], "MarkerSize").number(), 8);
  EXPECT_EQ(model().get(lines[0], "MarkerFaceColor").toText(), "None");

  // A table with a marker number outside the 13 is refused with a message.
  state().codearray(4, 3) = 14;
  run("ShowSymbolCodes");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, ::testing::HasSubstr("Marker number 14"));
}

}  // namespace
}  // namespace tessaly::dispatch::testing
