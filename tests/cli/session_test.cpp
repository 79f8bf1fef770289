#include "cli/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/analyze.h"
#include "cli/options.h"
#include "core/error.h"
#include "platform/platform.h"
#include "support/error_text.h"

namespace tessaly::cli {
namespace {

using test_support::errorText;

namespace fs = std::filesystem;
using platform::Value;

TEST(PropertyValueFromText, FollowsTheKindOfTheCurrentValue) {
  EXPECT_EQ(propertyValueFromText(Value("1"), "3", "XBox").text(), "3");
  EXPECT_EQ(propertyValueFromText(Value("auto"), "a b", "RefAngleBox").text(), "a b");
  const Value one = propertyValueFromText(Value(0.0), "1", "PCALabel");
  ASSERT_TRUE(one.isNumeric());
  EXPECT_EQ(one.number(), 1.0);
  const Value row = propertyValueFromText(Value(0.0), "0.5, 1 -2e1", "Color");
  ASSERT_EQ(row.matrix().size(), 3);
  EXPECT_EQ(row.matrix()(2), -20.0);
  EXPECT_TRUE(propertyValueFromText(Value(0.0), " ", "Value").isEmpty());
  for (const std::string text : {"on", "1x"})
    EXPECT_EQ(errorText([&] { propertyValueFromText(Value(0.0), text, "the Value of PCALabel"); }),
              "\"" + text + "\" is not a number for the Value of PCALabel");
}

TEST(Jackknife, TrialsAndFraction) {
  EXPECT_EQ(parseJackknife("100,0.1"), (std::pair<std::string, std::string>{"100", "0.1"}));
  EXPECT_EQ(parseJackknife(" 5 , .25 "), (std::pair<std::string, std::string>{"5", ".25"}));
  for (const char* bad : {"100", "100,", ",0.1", "0,0.1", "2.5,0.1", "-3,0.1", "10,0", "10,1",
                          "10,1.5", "10,x", "10,0.1,2", "1e12,0.1"}) {
    EXPECT_EQ(
        errorText([&] { parseJackknife(bad); })
            .rfind("--jackknife takes N,FRACTION: the number of trials (a whole number, 1 or more) "
                   "and the fraction of specimens left out in each",
                   0),
        0u)
        << bad;
  }
}

// A folder of this test's own: ctest runs tests side by side, each in its own process.
fs::path uniqueFolder(const std::string& stem) {
  return fs::temp_directory_path() /
         (stem + "-" + std::to_string(::getpid()) + "-" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

TEST(AnalyzeOptions, InputsAreCheckedBeforeAnythingRuns) {
  const fs::path dir = uniqueFolder("tessaly_analyze_options");
  fs::create_directories(dir);
  const std::string data = (dir / "data.txt").string();
  std::ofstream(data) << "1 2 3\n";
  AnalyzeOptions o;
  o.data = data;
  o.groups = data;
  o.outDir = (dir / "out").string();
  EXPECT_NO_THROW(checkAnalyzeOptions(o));

  auto message = [](const AnalyzeOptions& bad) {
    return errorText([&] { checkAnalyzeOptions(bad); });
  };
  AnalyzeOptions missing = o;
  missing.groups = (dir / "none.txt").string();
  EXPECT_EQ(message(missing), "The group list file \"" + missing.groups + "\" does not exist");
  AnalyzeOptions folder = o;
  folder.reference = dir.string();
  EXPECT_EQ(message(folder), "The reference file \"" + dir.string() + "\" is not a file");
  AnalyzeOptions half = o;
  half.unknowns = data;
  EXPECT_EQ(message(half), "--unknowns and --unknown-codes go together: give both or neither");
  AnalyzeOptions jack = o;
  jack.jackknife = "10";
  EXPECT_NE(message(jack).find("--jackknife takes N,FRACTION"), std::string::npos);
  fs::remove_all(dir);
}

// The command line refuses a bad file or jackknife pair while parsing, naming the option.
TEST(AnalyzeOptions, TheCommandLineChecksFilesAndTheJackknifePair) {
  const fs::path dir = uniqueFolder("tessaly_analyze_cli");
  fs::create_directories(dir);
  const std::string data = (dir / "data.txt").string();
  std::ofstream(data) << "1 2 3\n";
  auto parse = [&](std::vector<std::string> args) -> std::string {
    CLI::App app;
    std::string file, jackknife;
    app.add_option("data", file)->check(inputFileCheck("data file"));
    app.add_option("--jackknife", jackknife)->check(jackknifeCheck());
    std::reverse(args.begin(), args.end());  // CLI11 takes its arguments last first
    try {
      app.parse(args);
    } catch (const CLI::ParseError& e) {
      return e.what();
    }
    return "accepted " + file + " " + jackknife;
  };
  EXPECT_EQ(parse({data, "--jackknife", "100,0.1"}), "accepted " + data + " 100,0.1");
  EXPECT_EQ(parse({(dir / "none.txt").string()}),
            "data: The data file \"" + (dir / "none.txt").string() + "\" does not exist");
  EXPECT_EQ(parse({dir.string()}), "data: The data file \"" + dir.string() + "\" is not a file");
  EXPECT_EQ(parse({"/dev/null"}), "data: The data file \"/dev/null\" is not a file");
  for (const char* bad : {"100", "0,0.1", "10,1", "0x10,0.5", "10,0.1.5"}) {
    EXPECT_NE(parse({data, "--jackknife", bad}).find("--jackknife: --jackknife takes N,FRACTION"),
              std::string::npos)
        << bad;
  }
  fs::remove_all(dir);
}

TEST(AnalyzeOptions, UnknownsAddTheirFiles) {
  AnalyzeOptions o;
  auto names = [](const AnalyzeOptions& options) {
    std::vector<std::string> out;
    for (const auto& f : analyzeOutputs(options)) out.push_back(f.name);
    return out;
  };
  const auto plain = names(o);
  o.unknowns = "u.txt";
  o.unknownCodes = "c.txt";
  const auto with = names(o);
  EXPECT_EQ(with.size(), plain.size() + 4);
  for (const char* f : {"distances.txt", "unknowns-membership.txt", "unknowns-cva-scores.txt",
                        "unknowns-classification.csv"}) {
    EXPECT_EQ(std::count(plain.begin(), plain.end(), f), 0) << f;
    EXPECT_EQ(std::count(with.begin(), with.end(), f), 1) << f;
  }
}

// A session started as the program starts, on the window files of the source tree.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::resetPlatform();
    dir_ = uniqueFolder("tessaly_session_test");
    fs::create_directories(dir_);
    old_ = fs::current_path();
    fs::current_path(dir_);
    session_ = std::make_unique<Session>(out_, err_);
    session_->setBaseFolder(dir_.string());
    session_->startUp(TESSALY_RESOURCES);
  }
  void TearDown() override {
    session_.reset();
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  std::vector<Step> script(const std::string& text) {
    std::istringstream in(text);
    return parseScript(in);
  }
  fs::path dir_, old_;
  std::ostringstream out_, err_;
  std::unique_ptr<Session> session_;
};

TEST_F(SessionTest, SetStepsWriteControlsByTag) {
  EXPECT_EQ(session_->runScript(script("set XBox String 3\nset PCALabel Value 1\n"), "s"), 0);
  const auto x = platform::model().findobj("Tag", Value("XBox"));
  ASSERT_FALSE(x.empty());
  EXPECT_EQ(platform::model().get(x.front(), "String").toText(), "3");
  const auto label = platform::model().findobj("Tag", Value("PCALabel"));
  ASSERT_FALSE(label.empty());
  EXPECT_EQ(platform::model().get(label.front(), "Value").number(), 1.0);
}

TEST_F(SessionTest, AFailureStopsTheScriptUnlessToldToGoOn) {
  // A text for a numeric property, an unknown Tag, an unknown step, a picture type that does
  // not exist: each fails, and the first one ends the script.
  const std::string text =
      "set PCALabel Value on\n"
      "set NoSuchBox String 1\n"
      "NoSuchAction\n"
      "print plot.gif\n";
  EXPECT_EQ(session_->runScript(script(text), "a.tss"), 1);
  EXPECT_EQ(err_.str(), "a.tss:1: \"on\" is not a number for the Value of PCALabel\n");

  err_.str("");
  EXPECT_EQ(session_->runScript(script("on-error continue\n" + text + "seed 4\n"), "b.tss"), 0);
  EXPECT_EQ(err_.str(),
            "b.tss:2: \"on\" is not a number for the Value of PCALabel\n"
            "b.tss:3: No object has the Tag \"NoSuchBox\"\n"
            "b.tss:4: \"NoSuchAction\" is neither an action nor a function of the program\n"
            "b.tss:5: Cannot tell the picture type of \"plot.gif\": end its name in .png, .svg, "
            ".pdf or .eps\n");
}

TEST_F(SessionTest, UnknownActionsFailAndUnusedAnswersAreReported) {
  EXPECT_EQ(session_->runScript(script("call Tessalysw('loaddata')\nClearData\n"), "c.tss"), 1);
  EXPECT_EQ(err_.str(), "c.tss:1: Fell through Loop!\n");
  err_.str("");
  EXPECT_EQ(session_->runScript(script("ClearData extra 'two words'\n"), "c.tss"), 0);
  EXPECT_EQ(err_.str(), "c.tss:1: warning: answers not used: 'extra' 'two words'\n");
}

TEST_F(SessionTest, ACancelledDialogIsNoFailure) {
  EXPECT_EQ(session_->runScript(script("LoadData\nSaveEigen ''\n"), "d.tss"), 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(SessionTest, AnswersAfterACallGoToItsDialogsOnly) {
  // The answers of a call follow it after "--". Left over, they are reported with the call;
  // they never reach a later step.
  const std::string text = "LoadData " + std::string(TESSALY_EXAMPLES) +
                           "/apes/apes.txt\n"
                           "call CopyImageEPS(1) -- figure.eps unused\n"
                           "call CopyImageEPS(1)\n";
  EXPECT_EQ(session_->runScript(script(text), "e.tss"), 0);
  EXPECT_TRUE(fs::exists(dir_ / "figure.eps"));
  EXPECT_EQ(err_.str(), "e.tss:2: warning: answers not used: 'unused'\n");
  EXPECT_EQ(
      errorText([] { parseLine("call CopyImageEPS(1) -- 'open", 1, *std::make_unique<Step>()); }),
      "a single quote is not closed");
}

// A button that the window shows greyed out cannot be clicked in a script either, and the
// state stays as it was.
TEST_F(SessionTest, AnActionOfADisabledControlIsRefused) {
  const std::string apes = TESSALY_EXAMPLES "/apes/";
  std::ofstream(dir_ / "ref.txt") << "1 2 3 4 5 6 7\n";
  EXPECT_EQ(session_->runScript(script("LoadReference ref.txt\n"), "e.tss"), 1);
  const std::string refused =
      "e.tss:1: The action LoadReference is not available now: its control \"Load "
      "Reference...\" is disabled in the main window; LoadData enables it (LoadGroupList and "
      "LoadUGroup switch it off)\n";
  EXPECT_EQ(err_.str(), refused);

  err_.str("");
  const std::string text = "LoadData " + apes + "apes.txt\nLoadGroupList " + apes +
                           "apes-groups.txt\nLoadReference ref.txt\n";
  EXPECT_EQ(session_->runScript(script(text), "e.tss"), 1);
  EXPECT_EQ(err_.str(), std::string(refused).replace(6, 1, "3"));
  EXPECT_EQ(out_.str().find("Reference Loaded"), std::string::npos) << out_.str();
}

// A recorded session may copy the plot to the clipboard: the copy is skipped with a note and
// the rest of the script runs.
TEST_F(SessionTest, CopyingToTheClipboardIsSkippedWithANote) {
  EXPECT_EQ(session_->runScript(script("CopyBigImage\ncall CopyBigImage(1)\nset XBox String 3\n"),
                                "f.tss"),
            0);
  const std::string note =
      "note: there is no clipboard in a script; the copy is skipped (print FILE writes the "
      "picture)\n";
  EXPECT_EQ(err_.str(), note + note);
  EXPECT_EQ(platform::model()
                .get(platform::model().findobj("Tag", Value("XBox")).front(), "String")
                .toText(),
            "3");
}

// Every reported error fails its step, whatever its text or title; a message box with the
// title "Error" is only a message.
TEST_F(SessionTest, EveryReportedErrorFailsTheStep) {
  const int listener = platform::model().subscribe([](const platform::Change& change) {
    if (change.kind != platform::Change::Kind::Property || change.property != "string") return;
    const platform::Value tag = platform::model().get(change.handle, "Tag");
    if (!tag.isText()) return;
    if (tag.text() == "XBox") platform::dialogs().error("", "");
    if (tag.text() == "YBox") platform::dialogs().message("only a message", "Error");
  });
  EXPECT_EQ(session_->runScript(script("set YBox String 3\nset XBox String 3\n"), "g.tss"), 1);
  platform::model().unsubscribe(listener);
  EXPECT_EQ(err_.str(), "g.tss:2: the step failed without giving a reason\n");
  EXPECT_NE(out_.str().find("\nmessage (Error): only a message\n"), std::string::npos);
}

}  // namespace
}  // namespace tessaly::cli
