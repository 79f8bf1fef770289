#include "app/session_recorder.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/script.h"
#include "platform/scripted_dialogs.h"

namespace tessaly::app {
namespace {

TEST(ScriptWord, EveryTextComesBackAsOneWord) {
  for (const std::string text : {"plain.txt", "with blank", "it's", "", "#not a comment",
                                 "a\"b\\c$d`e", "tab\there", "C:\\odd\\path", "x,y,3", "'"}) {
    const auto words = cli::splitWords("step " + scriptWord(text));
    ASSERT_EQ(words.size(), 2u) << text;
    EXPECT_EQ(words[1], text);
  }
}

TEST(ScriptPath, RelativeOnlyBelowTheScriptFolder) {
  EXPECT_EQ(scriptPath("/data/run/out/scores.txt", "/data/run"), "out/scores.txt");
  EXPECT_EQ(scriptPath("/data/run/../run/a.txt", "/data/run/"), "a.txt");
  EXPECT_EQ(scriptPath("/data/other/a.txt", "/data/run"), "/data/other/a.txt");
  // A folder whose name only begins like the script's folder is not below it.
  EXPECT_EQ(scriptPath("/data/runs/a.txt", "/data/run"), "/data/runs/a.txt");
}

TEST(ExactNumber, PicksReadBackAsTheSameDoubles) {
  for (double x : {0.1 + 0.2, -1.0 / 3.0, 1e-300, 123456.789, -0.0}) {
    const platform::Pick p = platform::parsePick(exactNumber(x) + "," + exactNumber(-x) + ",3");
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, -x);
    EXPECT_EQ(p.button, 3);
  }
}

// The steps of a recorded session as the batch runner reads them back.
std::vector<cli::Step> readBack(const std::string& script) {
  std::istringstream in(script);
  return cli::parseScript(in);
}

TEST(SessionRecorder, WritesEachKindOfStepInTheRunnersSyntax) {
  SessionRecorder r;
  r.beginStep("Tessalysw('LoadData')");
  r.answer({true, "/work/session/data/apes 1.txt"});
  r.endStep();
  r.recordSet("YBox", "String", "3");
  r.beginStep("Tessaly6l('BaseBox1_Callback', gcbo)");  // only a console note: left out
  r.endStep();
  r.beginStep("Tessalysw('ShowPCADeformation', 0)");
  r.answer({false, "0.25,-1.5,1"});
  r.answer({false, ""});  // a cancelled pick
  r.endStep();
  r.beginStep("Tessalysw('SetPlotDensity', 30)");
  r.endStep();
  r.beginStep("Tessalysw('SaveEigen')");
  r.answer({true, "/elsewhere/eigen.txt"});
  r.markFailed();
  r.endStep();
  r.answer({false, "outside a step"});  // ignored

  r.setSeed(18446744073709551615u);
  const std::string script = r.script("/work/session");
  auto steps = readBack(script);
  ASSERT_EQ(steps.size(), 8u) << script;
  EXPECT_EQ(steps[0].kind, cli::Step::Kind::Seed);
  EXPECT_EQ(steps[0].seed, 18446744073709551615u);
  steps.erase(steps.begin());
  EXPECT_EQ(steps[0].kind, cli::Step::Kind::Action);
  EXPECT_EQ(steps[0].name, "LoadData");
  EXPECT_EQ(steps[0].args, std::vector<std::string>{"data/apes 1.txt"});
  EXPECT_EQ(steps[1].kind, cli::Step::Kind::Set);
  EXPECT_EQ(steps[1].args, (std::vector<std::string>{"YBox", "String", "3"}));
  EXPECT_EQ(steps[2].kind, cli::Step::Kind::Call);
  EXPECT_EQ(steps[2].text, "Tessalysw('ShowPCADeformation', 0)");
  EXPECT_EQ(steps[2].args, (std::vector<std::string>{"0.25,-1.5,1", ""}));
  EXPECT_EQ(steps[3].kind, cli::Step::Kind::Call);
  EXPECT_EQ(steps[3].text, "Tessalysw('SetPlotDensity', 30)");
  EXPECT_TRUE(steps[3].args.empty());
  // The step that failed in the windows may fail again on replay, and only that one.
  EXPECT_EQ(steps[4].kind, cli::Step::Kind::OnError);
  EXPECT_TRUE(steps[4].continueOnError);
  EXPECT_EQ(steps[5].name, "SaveEigen");
  EXPECT_EQ(steps[5].args, std::vector<std::string>{"/elsewhere/eigen.txt"});
  EXPECT_EQ(steps[6].kind, cli::Step::Kind::OnError);
  EXPECT_FALSE(steps[6].continueOnError);
}

TEST(RecordingDialogs, NotesTheAnswersAndTheErrorsOfTheRunningStep) {
  platform::ScriptedDialogs person;
  SessionRecorder r;
  RecordingDialogs dialogs(person, r);
  person.answerAll({"50", "0.1", "no", "1.5,2.5,3"});
  r.beginStep("Tessalysw('JackKnife')");
  ASSERT_TRUE(dialogs.input({"Trials", "Fraction"}, "Jackknife", {"100", "0.2"}));
  EXPECT_EQ(dialogs.question("Go on?", "", {"Yes", "No"}), "No");
  ASSERT_TRUE(dialogs.pick(1));
  EXPECT_FALSE(dialogs.getFile("*.*", "Data"));  // nothing left: cancelled
  // What fails the step is the error report, not the title of a box.
  dialogs.message("The group list was read.", "Error");
  dialogs.error("Index exceeds matrix dimensions.", "Reference Error");
  r.endStep();
  const auto steps = readBack(r.script("/"));
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[1].name, "JackKnife");
  EXPECT_EQ(steps[1].args, (std::vector<std::string>{"50", "0.1", "No", "1.5,2.5,3", ""}));
  EXPECT_TRUE(steps[0].continueOnError);
  ASSERT_EQ(person.messages().size(), 2u);  // both still reach the person
  EXPECT_TRUE(person.messages().back().error);
}

// A run the person stopped changed nothing: replaying it would draw a seed the windows did
// not draw, so it is left as a comment.
TEST(RecordingDialogs, AStoppedStepIsNotReplayed) {
  struct Stopping : platform::ScriptedDialogs {
    bool progress(const std::string&, double done, double) override { return done < 2; }
  } person;
  SessionRecorder r;
  RecordingDialogs dialogs(person, r);
  person.answerAll({"1000", "500"});
  for (bool stop : {false, true}) {
    r.beginStep("Tessalysw('GroupDistances')");
    ASSERT_TRUE(dialogs.input({"Rounds"}, "Group Distances", {"10000"}));
    EXPECT_TRUE(dialogs.progress("Group Distances", 1, 4));
    EXPECT_EQ(dialogs.progress("Group Distances", stop ? 3 : 1, 4), !stop);
    r.endStep();
  }
  const std::string script = r.script("/");
  const auto steps = readBack(script);
  ASSERT_EQ(steps.size(), 1u) << script;
  EXPECT_EQ(steps[0].args, std::vector<std::string>{"1000"});
  EXPECT_NE(script.find("# stopped in the windows, nothing changed: GroupDistances 500\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tessaly::app
