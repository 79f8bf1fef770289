// Windows from description files, and the helpers that find a window's controls.
#include "core/error.h"
#include "shell_fixture.h"
#include "support/comma_locale.h"
#include "support/error_text.h"

namespace tessaly::shell::testing {
namespace {

using platform::Handle;
using platform::model;
using platform::Value;

class WindowFilesTest : public ShellTest {};

TEST_F(WindowFilesTest, ReuseLoadsOnceAndNewLoadsAgain) {
  Handle first = platform::openfig("AuxBox", "reuse");
  EXPECT_EQ(platform::openfig("AuxBox", "reuse"), first);
  EXPECT_EQ(figures().size(), 1u);

  Handle second = platform::openfig("AuxBox");  // "new" by default
  EXPECT_NE(second, first);
  EXPECT_EQ(figures().size(), 2u);
  // Reuse hands back the last window made from the file.
  EXPECT_EQ(platform::openfig("AuxBox.fig", "reuse"), second);

  // A closed window is forgotten; reuse falls back to the one still open.
  model().remove(second);
  EXPECT_EQ(platform::openfig("AuxBox", "reuse"), first);
  model().remove(first);
  Handle third = platform::openfig("AuxBox", "reuse");
  EXPECT_NE(third, first);
  EXPECT_EQ(figures().size(), 1u);

  // Each file is remembered under its own name.
  Handle main = platform::openfig(std::string(TESSALY_RESOURCES) + "/Tessaly6l.fig", "reuse");
  EXPECT_NE(main, third);
  EXPECT_EQ(platform::openfig("Tessaly6l", "reuse"), main);
}

TEST_F(WindowFilesTest, NumbersOfAWindowFileReadTheSameUnderACommaLocale) {
  auto positions = [] {
    const Handle fig = platform::openfig("Tessaly6l", "new");
    std::vector<Matrix> out;
    for (Handle h : model().findall(fig)) {
      if (model().hasProperty(h, "Position")) out.push_back(model().get(h, "Position").matrix());
    }
    return out;
  };
  const std::vector<Matrix> inC = positions();
  ASSERT_FALSE(inC.empty());
  test_support::CommaLocale german;
  TESSALY_REQUIRE_COMMA_LOCALE(german);
  EXPECT_EQ(positions(), inC);
}

TEST_F(WindowFilesTest, OpenfigRefusesOtherExtensionsPoliciesAndMissingFiles) {
  using test_support::errorText;
  EXPECT_EQ(errorText([] { platform::openfig("Tessaly6l.txt"); }), "Argument must be a .fig file");
  EXPECT_EQ(errorText([] { platform::openfig("Tessaly6l", "again"); }),
            "Second input argument must be 'new' or 'reuse'.");
  EXPECT_NE(errorText([] { platform::openfig("NoSuchWindow", "reuse"); }).find("NoSuchWindow.fig"),
            std::string::npos);
  EXPECT_TRUE(figures().empty());
}

TEST_F(WindowFilesTest, OpenfigMovesTheWindowOntoTheScreenAndMakesItCurrent) {
  writeFile(folder / "wide.fig",
            R"({"figure": {"properties": {"Position": [1800, -40, 400, 300]}}})");
  Handle fig = platform::openfig((folder / "wide").string());
  Matrix pos = model().get(fig, "Position").matrix();
  // Screen 1920 pixels wide from pixel 1.
  EXPECT_EQ(pos(0), 1921 - 400);
  EXPECT_EQ(pos(1), 1);
  EXPECT_EQ(model().currentFigure(), fig);
}

TEST_F(WindowFilesTest, HgloadReadsValuesOfEveryKindAndNestsChildren) {
  writeFile(folder / "kinds.fig", R"({"format": "tessaly-window", "version": 1, "figure": {
      "properties": {"Name": "Kinds", "Color": [0.5, 0.5, 0.5]},
      "children": [
        {"type": "uicontrol", "properties": {"Style": "listbox", "Tag": "List",
                                             "String": ["one", "two"], "Value": 2}},
        {"type": "axes", "properties": {"Tag": "Plot", "UserData": [[1, 2], [3, 4]]}},
        {"type": "uimenu", "properties": {"Label": "Top"}, "children": [
          {"type": "uimenu", "properties": {"Label": "Inner", "Tag": "Inner"}}]}]}})");
  Handle fig = platform::hgload((folder / "kinds.fig").string());
  EXPECT_EQ(model().get(fig, "Name"), Value("Kinds"));
  Handle list = tagged("List");
  EXPECT_EQ(model().get(list, "String"), Value(Value::Texts{"one", "two"}));
  EXPECT_EQ(model().get(list, "Value").number(), 2);
  Matrix expected(2, 2);
  expected << 1, 2, 3, 4;
  EXPECT_EQ(model().get(tagged("Plot"), "UserData"), Value(expected));
  Handle inner = tagged("Inner");
  EXPECT_EQ(model().type(model().parent(inner)), "uimenu");
  EXPECT_EQ(model().figureOf(inner), fig);
  // Children listed first are made first (so they sit behind the later ones).
  std::vector<Handle> kids = model().children(fig);
  EXPECT_EQ(kids.back(), list);
}

TEST_F(WindowFilesTest, HgloadLeavesNothingBehindWhenAFileIsWrong) {
  const std::vector<std::string> bad = {
      R"({"figure": {"children": [{"type": "uicontrol", "properties": {"Colour": [1, 0, 0]}}]}})",
      R"({"figure": {"children": [{"type": "gadget"}]}})",
      R"({"figure": {"children": [{"type": "axes", "properties": {"XLim": [[1, 2], [3]]}}]}})",
      R"({"figure": {"children": [{"properties": {}}]}})",
      R"({"window": {}})",
      R"({"figure": {"properties": {"Name": "x"})",
  };
  for (const std::string& text : bad) {
    writeFile(folder / "bad.fig", text);
    try {
      platform::hgload((folder / "bad.fig").string());
      ADD_FAILURE() << "accepted: " << text;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("bad.fig"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(figures().empty()) << text;
  }
}

TEST_F(WindowFilesTest, GuihandlesCollectsIdentifierTagsOnly) {
  Handle fig = model().create("figure", platform::ObjectModel::kRoot, {{"Tag", "Main"}});
  Handle axes = model().create("axes", fig, {{"Tag", "axes1"}});
  Handle line = model().create("line", axes, {{"Tag", "Box"}});
  Handle a = model().create("uicontrol", fig, {{"Tag", "Box"}});
  for (const char* tag : {"2", "end", "while", "x y", "_lead", "", "a-b"})
    model().create("uicontrol", fig, {{"Tag", tag}});
  Handle under = model().create("uicontrol", fig, {{"Tag", "a_1"}});
  model().set(under, "Visible", Value("off"));  // hidden objects count too

  platform::Record handles = platform::guihandles(line);  // from any object of the window
  std::vector<std::string> names;
  for (const auto& [name, value] : handles.fields) names.push_back(name);
  std::vector<std::string> expected = {"Main", "a_1", "Box", "axes1"};
  // Order of the enumeration: the window, then its children newest first, depth first.
  EXPECT_EQ(names, expected);
  EXPECT_EQ(handles.find("Main")->number(), fig);
  // A repeated Tag gathers every handle, in the order of the enumeration.
  Matrix box = handles.find("Box")->matrix();
  ASSERT_EQ(box.size(), 2);
  EXPECT_EQ(box(0), a);
  EXPECT_EQ(box(1), line);

  Handle empty = model().create("figure", platform::ObjectModel::kRoot);
  EXPECT_TRUE(platform::guihandles(empty).empty());
}

TEST_F(WindowFilesTest, GuidataKeepsOneValuePerWindow) {
  Handle one = model().create("figure", platform::ObjectModel::kRoot);
  Handle button = model().create("uicontrol", one);
  Handle other = model().create("figure", platform::ObjectModel::kRoot);
  EXPECT_TRUE(platform::guidata(one).isEmpty());
  platform::guidata(button, Value("kept"));
  EXPECT_EQ(platform::guidata(one), Value("kept"));
  EXPECT_TRUE(platform::guidata(other).isEmpty());
  platform::guidata(one, Value(3.0));
  EXPECT_EQ(platform::guidata(button).number(), 3);
}

TEST_F(WindowFilesTest, HandlesOutsideAWindowAreRefused) {
  const std::string text = "H must be the handle to a figure or figure descendent.";
  Handle fig = model().create("figure", platform::ObjectModel::kRoot);
  Handle gone = model().create("uicontrol", fig);
  model().remove(gone);
  for (Handle h : {platform::ObjectModel::kRoot, gone, 12345.0}) {
    for (int which = 0; which < 3; ++which) {
      try {
        if (which == 0) platform::guihandles(h);
        if (which == 1) platform::guidata(h);
        if (which == 2) platform::guidata(h, Value(1.0));
        ADD_FAILURE() << "accepted handle " << h;
      } catch (const Error& e) {
        EXPECT_EQ(e.what(), text);
      }
    }
  }
}

TEST(NamesTest, IsvarnameAndIskeyword) {
  for (const char* good : {"a", "FileBox", "pushbutton17", "x_1", "Ends", "End"})
    EXPECT_TRUE(platform::isvarname(good)) << good;
  for (const char* bad : {"", "2", "_x", "1a", "a b", "a-b", "end", "otherwise", "persistent"})
    EXPECT_FALSE(platform::isvarname(bad)) << bad;
  EXPECT_EQ(platform::iskeyword().size(), 17u);
  for (const std::string& word : platform::iskeyword()) EXPECT_TRUE(platform::iskeyword(word));
  EXPECT_FALSE(platform::iskeyword("End"));
  EXPECT_FALSE(platform::iskeyword("function_"));
}

}  // namespace
}  // namespace tessaly::shell::testing
