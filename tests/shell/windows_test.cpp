// Start-up, the window description files, the sub-functions of the windows, the reference
// angle box and the saving of the results report.
#include "shell/windows.h"

#include <map>
#include <set>

#include "core/error.h"
#include "dispatch/actions.h"
#include "dispatch/state.h"
#include "shell/callback.h"
#include "shell_fixture.h"
#include "support/error_text.h"

namespace tessaly::shell::testing {
namespace {

using test_support::errorText;

using platform::Handle;
using platform::model;
using platform::Value;

class WindowsTest : public ShellTest {};

// Every callback of the objects under h, read.
std::vector<std::pair<Handle, CallbackCall>> callbacksUnder(Handle h) {
  std::vector<std::pair<Handle, CallbackCall>> out;
  for (Handle obj : model().findall(h))
    for (const char* property : {"Callback", "ButtonDownFcn"})
      if (model().hasProperty(obj, property)) {
        std::string text = model().get(obj, property).toText();
        if (!text.empty()) out.emplace_back(obj, parseCallback(text));
      }
  return out;
}

TEST_F(WindowsTest, StartUpBuildsBothWindowsWithEveryTagAndClearsTheState) {
  dispatch::analysisState().DATA = Matrix::Ones(3, 7);
  dispatch::analysisState().GLIST = Matrix::Ones(3, 1);
  Values out = Tessaly6l({}, 1);
  ASSERT_EQ(out.size(), 1u);
  Handle fig = out[0].number();
  EXPECT_EQ(mainWindow(), fig);
  EXPECT_EQ(model().currentFigure(), fig);
  EXPECT_EQ(figures().size(), 2u);

  for (const char* tag :
       {"FileBox",      "GroupBox",       "LoadReference", "LoadGroup",       "NoLoadGroup",
        "XBox",         "YBox",           "XBoxExp",       "YBoxExp",         "VarianceBox",
        "PCALabel",     "CentroidButton", "ShowBox",       "BaseBox1",        "BaseBox2",
        "RangeBox",     "GridTrimButton", "DeFormat",      "ExagerationBox",  "RegrButton",
        "NumberButton", "RotateRequest",  "RefAngleBox",   "MarkerSuperList", "MarkerScaleBox",
        "Density10",    "Density20",      "Density30",     "Density50",       "ArrowHeads",
        "NoArrowHeads", "RefSquare",      "RefDiamond",    "RefCircle",       "RefPlus",
        "Line1Red",     "Line1Black",     "Line1Dotted",   "Weight5",         "Weight10",
        "Weight15",     "Weight20",       "Weigth25",      "BWButton",        "axes1"}) {
    auto found = model().findobj("Tag", Value(tag));
    ASSERT_EQ(found.size(), 1u) << tag;
    EXPECT_EQ(model().figureOf(found[0]), fig) << tag;
  }
  Handle results = tagged("AuxResults");
  ASSERT_GE(results, 0);
  EXPECT_NE(model().figureOf(results), fig);

  // The state was cleared and the labels say so.
  EXPECT_EQ(dispatch::analysisState().DATA.size(), 0);
  EXPECT_EQ(dispatch::analysisState().GLIST.size(), 0);
  EXPECT_EQ(model().get(tagged("FileBox"), "String"), Value("No File Loaded"));
  EXPECT_EQ(model().get(tagged("GroupBox"), "String"), Value("No File Loaded"));
  EXPECT_EQ(model().get(fig, "Color"),
            model().get(platform::ObjectModel::kRoot, "defaultUicontrolBackgroundColor"));

  // The handle record is kept with the window.
  Value handles = platform::guidata(fig);
  ASSERT_TRUE(handles.isRecord());
  EXPECT_EQ(handles.record().find("XBox")->number(), tagged("XBox"));
  EXPECT_NE(handles.record().find("pushbutton23"), nullptr);

  // The boxes read by the actions start with usable texts.
  EXPECT_EQ(model().get(tagged("XBox"), "String"), Value("1"));
  EXPECT_EQ(model().get(tagged("YBox"), "String"), Value("2"));
  EXPECT_EQ(model().get(tagged("BaseBox1"), "String"), Value("1"));
  EXPECT_EQ(model().get(tagged("BaseBox2"), "String"), Value("2"));
  // Loading data enables these; until then they are off.
  for (const char* tag : {"LoadGroup", "NoLoadGroup", "LoadReference"})
    EXPECT_EQ(model().get(tagged(tag), "Enable"), Value("off")) << tag;

  // A second start-up reuses both windows.
  EXPECT_EQ(Tessaly6l({}, 1).at(0).number(), fig);
  EXPECT_EQ(figures().size(), 2u);
}

TEST_F(WindowsTest, EveryActionIsReachableFromTheMainWindow) {
  Handle fig = Tessaly6l({}, 1).at(0).number();
  std::set<std::string> reached;
  std::map<std::string, std::set<std::string>> passed;  // action -> fpass values as text
  for (const auto& [obj, call] : callbacksUnder(fig)) {
    // Every callback names a function that can be called by name.
    if (call.function == "Tessaly6l") {
      ASSERT_FALSE(call.args.empty());
      std::string name = std::get<Value>(call.args[0].value).text();
      EXPECT_TRUE(isSubFunction("Tessaly6l", name) || findFunction(name)) << name;
      continue;
    }
    ASSERT_NE(findFunction(call.function), nullptr) << call.function;
    if (call.function != "Tessalysw") continue;
    std::string action = std::get<Value>(call.args.at(0).value).text();
    reached.insert(action);
    if (call.args.size() > 1) passed[action].insert(std::get<Value>(call.args[1].value).toText());
  }
  const auto& names = dispatch::actionNames();
  EXPECT_EQ(names.size(), 66u);
  EXPECT_EQ(reached, std::set<std::string>(names.begin(), names.end()));

  using Set = std::set<std::string>;
  EXPECT_EQ(passed["ShowPCADeformation"], (Set{"0", "1", "2", "3"}));
  EXPECT_EQ(passed["SetPlotDensity"], (Set{"10", "20", "30", "50"}));
  EXPECT_EQ(passed["SetReferenceSymbol"], (Set{"ks", "kd", "ko", "k+"}));
  EXPECT_EQ(passed["SetLineFormat1"], (Set{"r", "k", "k:"}));
  EXPECT_EQ(passed["SetLineWidth"], (Set{"5", "10", "15", "20", "25"}));

  // Each settings entry sends the value that the action checks it for.
  const std::map<std::string, std::string> entryValue = {
      {"Density10", "10"}, {"Density50", "50"},   {"RefDiamond", "kd"}, {"RefPlus", "k+"},
      {"Line1Red", "r"},   {"Line1Dotted", "k:"}, {"Weight5", "5"},     {"Weigth25", "25"}};
  for (const auto& [tag, value] : entryValue) {
    CallbackCall call = parseCallback(model().get(tagged(tag), "Callback").toText());
    EXPECT_EQ(std::get<Value>(call.args.at(1).value).toText(), value) << tag;
  }
}

TEST_F(WindowsTest, TheResultsWindowSavesThroughAuxBoxsw) {
  Handle fig = AuxBox({}, 1).at(0).number();
  bool saves = false;
  for (const auto& [obj, call] : callbacksUnder(fig)) {
    if (call.function == "AuxBoxsw") saves = true;
    if (call.function == "AuxBox") {
      EXPECT_TRUE(isSubFunction("AuxBox", std::get<Value>(call.args.at(0).value).text()));
    }
  }
  EXPECT_TRUE(saves);
  EXPECT_TRUE(platform::guidata(fig).isRecord());
  EXPECT_EQ(AuxBox({}, 1).at(0).number(), fig);
}

TEST_F(WindowsTest, SubFunctionsOnlyWriteTheirConsoleLine) {
  Handle fig = Tessaly6l({}, 1).at(0).number();
  console.clear();
  Tessaly6l({Value("pushbutton4_Callback"), Value(fig), Value(), Value()});
  Tessaly6l({Value("listbox2_Callback")});
  Tessaly6l({Value("axes1_ButtondownFcn")});
  AuxBox({Value("AuxResults_Callback")});
  AuxBox({Value("pushbutton1_Callback")});
  // The controls of the window that are wired to their sub-function.
  runCallback(tagged("edit12"));
  runCallback(tagged("PCALabel"));
  const std::vector<std::string> expected = {
      "pushbutton4 Callback not implemented yet.", "listbox2 Callback not implemented yet.",
      "axes1 ButtondownFcn not implemented yet.",  "AuxResults Callback not implemented yet.",
      "pushbutton1 Callback not implemented yet.", "edit12 Callback not implemented yet.",
      "PCALabel Callback not implemented yet."};
  EXPECT_EQ(console.lines(), expected);
  EXPECT_TRUE(dialogs.messages().empty());

  // Each window knows only its own sub-functions.
  EXPECT_TRUE(isSubFunction("Tessaly6l", "pushbutton23_Callback"));
  EXPECT_FALSE(isSubFunction("Tessaly6l", "pushbutton18_Callback"));
  EXPECT_FALSE(isSubFunction("Tessaly6l", "AuxResults_Callback"));
  EXPECT_FALSE(isSubFunction("AuxBox", "edit2_Callback"));
}

TEST_F(WindowsTest, RefAngleSetupFillsTheBox) {
  Handle fig = model().create("figure", platform::ObjectModel::kRoot);
  Handle box = model().create("uicontrol", fig, {{"Tag", "RefAngleBox"}, {"String", "auto"}});

  // A text beginning with "a" takes the angle kept in the file.
  writeFile(folder / "refanglefile.txt", "30\n");
  std::optional<Value> y = RefAngleSetup();
  ASSERT_TRUE(y);
  EXPECT_EQ(y->number(), 30);
  EXPECT_EQ(model().get(box, "String"), Value("30"));

  // A numeric text stays as it is (and is handed back as text).
  model().set(box, "String", Value("15"));
  y = RefAngleSetup();
  EXPECT_EQ(*y, Value("15"));
  EXPECT_EQ(model().get(box, "String"), Value("15"));

  // Without the file the angle starts at 0, never at the loader's -1.
  std::filesystem::remove(folder / "refanglefile.txt");
  model().set(box, "String", Value("a"));
  console.clear();
  y = RefAngleSetup();
  EXPECT_EQ(y->number(), 0);
  EXPECT_EQ(model().get(box, "String"), Value("0"));
  EXPECT_TRUE(consoleHas("No refanglefile.txt found; the reference angle starts at 0 degrees."));

  // A file that is there but unreadable stops with the loader's error naming it.
  writeFile(folder / "refanglefile.txt", "thirty\n");
  model().set(box, "String", Value("auto"));
  EXPECT_EQ(errorText([&] { RefAngleSetup(); }),
            "Cannot read refanglefile.txt, line 1: \"thirty\" is not a number");
  EXPECT_EQ(model().get(box, "String"), Value("auto"));

  // No box: nothing to fill, and no value.
  model().remove(fig);
  EXPECT_FALSE(RefAngleSetup());
  EXPECT_EQ(Tessaly6l({Value("RefAngleSetup"), Value(1.0)}, 1).size(), 0u);
  EXPECT_TRUE(consoleHas("Not all outputs of RefAngleSetup were set."));
}

TEST_F(WindowsTest, StartUpReadsTheAngleFile) {
  writeFile(folder / "refanglefile.txt", "-12.5\n");
  Tessaly6l();
  EXPECT_EQ(model().get(tagged("RefAngleBox"), "String"), Value("-12.5"));
}

TEST_F(WindowsTest, AuxBoxswAppendsEveryLineWithABlankBeforeItsEnd) {
  AuxBox();
  Handle results = tagged("AuxResults");
  model().set(results, "String", Value(Value::Texts{"Wilks' lambda", "p = 5%", "  end"}));
  const fs::path file = folder / "sub" / "report.txt";
  fs::create_directories(file.parent_path());
  dialogs.answer(file.string());
  dialogs.answer(file.string());
  AuxBoxsw();
  AuxBoxsw();
  EXPECT_EQ(readFile(file), "Wilks' lambda \np = 5% \n  end \nWilks' lambda \np = 5% \n  end \n");
  ASSERT_EQ(dialogs.asked().size(), 2u);
  EXPECT_EQ(dialogs.asked()[0].title, "File Name for Partial Warp Scores");
  // The folder of the chosen file became the current folder.
  EXPECT_EQ(fs::current_path(), fs::canonical(file.parent_path()));

  // A report held as one text with line ends is saved line by line.
  model().set(results, "String", Value("one\ntwo\n"));
  dialogs.answer((folder / "text.txt").string());
  AuxBoxsw();
  EXPECT_EQ(readFile(folder / "text.txt"), "one \ntwo \n");

  // An empty report adds nothing; a cancelled dialog and a file that cannot be opened write
  // nothing and say nothing.
  model().set(results, "String", Value(""));
  dialogs.answer((folder / "empty.txt").string());
  AuxBoxsw();
  EXPECT_EQ(readFile(folder / "empty.txt"), "");
  model().set(results, "String", Value(Value::Texts{"x"}));
  dialogs.answer("");
  AuxBoxsw();
  fs::create_directories(folder / "adir");  // a folder cannot be opened as a file
  dialogs.answer((folder / "adir").string());
  EXPECT_EQ(errorText([] { AuxBoxsw(); }),
            "Cannot write " + (folder / "adir").string() + ": Is a directory");
  EXPECT_TRUE(fs::is_directory(folder / "adir"));
  EXPECT_EQ(readFile(file), "Wilks' lambda \np = 5% \n  end \nWilks' lambda \np = 5% \n  end \n");
}

}  // namespace
}  // namespace tessaly::shell::testing
