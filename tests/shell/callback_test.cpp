// Callback texts: reading them, resolving their handles, and running them with errors caught.
#include "shell/callback.h"

#include <cmath>

#include "core/error.h"
#include "dispatch/state.h"
#include "shell/windows.h"
#include "shell_fixture.h"
#include "support/error_text.h"

namespace tessaly::shell::testing {
namespace {

using platform::Handle;
using platform::model;
using platform::Value;

const Value& valueOf(const CallbackArgument& a) {
  return std::get<Value>(a.value);
}

TEST(ParseCallbackTest, ReadsTheFormsTheWindowsUse) {
  CallbackCall c = parseCallback("Tessalysw('SetPlotDensity', 20)");
  EXPECT_EQ(c.function, "Tessalysw");
  ASSERT_EQ(c.args.size(), 2u);
  EXPECT_EQ(valueOf(c.args[0]), Value("SetPlotDensity"));
  EXPECT_EQ(valueOf(c.args[1]).number(), 20);

  c = parseCallback("  setsymbolfill( gca ,1 );  ");
  EXPECT_EQ(c.function, "setsymbolfill");
  ASSERT_EQ(c.args.size(), 2u);
  EXPECT_EQ(std::get<HandleName>(c.args[0].value), HandleName::Gca);
  EXPECT_EQ(valueOf(c.args[1]).number(), 1);

  c = parseCallback("AuxBoxsw");
  EXPECT_EQ(c.function, "AuxBoxsw");
  EXPECT_TRUE(c.args.empty());
  EXPECT_TRUE(parseCallback("spiffyfish()").args.empty());

  c = parseCallback("Tessaly6l('edit2_Callback', gcbo)");
  EXPECT_EQ(std::get<HandleName>(c.args[1].value), HandleName::Gcbo);
  EXPECT_EQ(std::get<HandleName>(parseCallback("f(gcf)").args[0].value), HandleName::Gcf);
}

TEST(ParseCallbackTest, ReadsTextsNumbersAndMatrices) {
  CallbackCall c = parseCallback(
      R"(f('it''s', "k:", -1.5e2, +.5, 3., Inf, -Inf, NaN, [1 2, 3; 4 -5 6], [], '', [7;8]))");
  ASSERT_EQ(c.args.size(), 12u);
  EXPECT_EQ(valueOf(c.args[0]), Value("it's"));
  EXPECT_EQ(valueOf(c.args[1]), Value("k:"));
  EXPECT_EQ(valueOf(c.args[2]).number(), -150);
  EXPECT_EQ(valueOf(c.args[3]).number(), 0.5);
  EXPECT_EQ(valueOf(c.args[4]).number(), 3);
  EXPECT_EQ(valueOf(c.args[5]).number(), INFINITY);
  EXPECT_EQ(valueOf(c.args[6]).number(), -INFINITY);
  EXPECT_TRUE(std::isnan(valueOf(c.args[7]).number()));
  Matrix m(2, 3);
  m << 1, 2, 3, 4, -5, 6;
  EXPECT_EQ(valueOf(c.args[8]), Value(m));
  EXPECT_TRUE(valueOf(c.args[9]).isNumeric());
  EXPECT_EQ(valueOf(c.args[9]).matrix().size(), 0);
  EXPECT_EQ(valueOf(c.args[10]), Value(""));
  EXPECT_EQ(valueOf(c.args[11]).matrix().rows(), 2);
}

TEST(ParseCallbackTest, MalformedTextsAreClearErrors) {
  for (const char* text : {"Tessalysw('LoadData'", "Tessalysw('LoadData)", "Tessalysw(1 2)",
                           "f(1,)", "f(,1)", "f([1 2; 3])", "f([1 x])", "f([1 2)", "f(x)", "f(1) g",
                           "'text'", "1+2", "f(1);;", "f(gca.x)"}) {
    try {
      parseCallback(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const Error& e) {
      std::string what = e.what();
      EXPECT_EQ(what.rfind(std::string("Cannot read the callback ") + text + ": ", 0), 0u) << what;
      EXPECT_EQ(what.back(), '.');
    }
  }
}

class CallbackRunTest : public ShellTest {};

TEST_F(CallbackRunTest, HandlesAreLookedUpWhenTheCallbackRuns) {
  Handle fig = model().create("figure", platform::ObjectModel::kRoot);
  Handle button = model().create("uicontrol", fig);
  Values args = resolveArguments(parseCallback("f(gcbo, gcf, gca)"), button);
  EXPECT_EQ(args[0].number(), button);
  EXPECT_EQ(args[1].number(), model().gcf());
  EXPECT_EQ(model().type(args[2].number()), "axes");
  EXPECT_EQ(test_support::errorText([&] { resolveArguments(parseCallback("f(gcbo)"), -1); }),
            "There is no object whose callback is running.");
}

TEST_F(CallbackRunTest, AnErrorReachesConsoleAndMessageAndTheProgramGoesOn) {
  Handle fig = model().create("figure", platform::ObjectModel::kRoot);
  Handle bad = model().create("uicontrol", fig, {{"Callback", "vertxy('no numbers here')"}});
  Handle worse = model().create("uicontrol", fig, {{"Callback", "Tessalysw('Load"}});
  Handle good = model().create("uicontrol", fig, {{"Callback", "Tessalysw('ClearData')"}});
  model().create("uicontrol", fig, {{"Tag", "FileBox"}, {"String", "old"}});

  EXPECT_FALSE(runCallback(bad));
  EXPECT_TRUE(consoleHas("Input 1 must be numeric."));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Input 1 must be numeric.");

  EXPECT_FALSE(runCallback(worse));
  EXPECT_EQ(dialogs.messages().size(), 2u);

  dispatch::analysisState().DATA = Matrix::Ones(2, 5);
  EXPECT_TRUE(runCallback(good));
  EXPECT_EQ(dispatch::analysisState().DATA.size(), 0);
  EXPECT_EQ(model().get(tagged("FileBox"), "String"), Value("No File Loaded"));
  EXPECT_EQ(dialogs.messages().size(), 2u);
  EXPECT_EQ(callbackObject(), -1);  // forgotten once the callback is over
}

TEST_F(CallbackRunTest, AByNameCallThroughTheWindowCatchesItsError) {
  // The error is caught inside the window function, so the callback itself succeeds.
  EXPECT_TRUE(runCallbackText("Tessaly6l('getpsup', 1, 2, 3)"));
  EXPECT_TRUE(consoleHas("Too many input arguments."));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0].text, "Too many input arguments.");
  // The same for the results window, and for a name that is nothing.
  EXPECT_TRUE(runCallbackText("AuxBox('NoSuchThing')"));
  EXPECT_TRUE(consoleHas("Undefined function NoSuchThing."));
  // A by-name call that works returns its outputs.
  Matrix row(1, 5);
  row << 0, 0, 1, 0, 1;
  Values out = Tessaly6l({Value("vertxy"), row}, 1);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].matrix().cols(), 2);
}

TEST_F(CallbackRunTest, TheCallbacksWindowBecomesCurrent) {
  Handle main = model().create("figure", platform::ObjectModel::kRoot);
  Handle button = model().create("uicontrol", main, {{"Callback", "setsymbolfill(gca, 1)"}});
  Handle other = model().create("figure", platform::ObjectModel::kRoot);
  model().setCurrentFigure(other);
  runCallback(button);
  EXPECT_EQ(model().currentFigure(), main);
  // An axes runs its button-down function.
  Handle axes =
      model().create("axes", main, {{"ButtonDownFcn", "Tessaly6l('axes1_ButtondownFcn', gcbo)"}});
  EXPECT_TRUE(runCallback(axes));
  EXPECT_TRUE(consoleHas("axes1 ButtondownFcn not implemented yet."));
}

}  // namespace
}  // namespace tessaly::shell::testing
