#include "platform/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::platform {
namespace {

using test_support::errorText;

namespace fs = std::filesystem;

TEST(SplitFileChoice, AbsoluteFolderAndName) {
  FileChoice a = splitFileChoice("/data/apes/apes.txt");
  EXPECT_EQ(a.folder, "/data/apes/");
  EXPECT_EQ(a.name, "apes.txt");
  EXPECT_EQ(a.path(), "/data/apes/apes.txt");
  EXPECT_EQ(splitFileChoice("out/../scores.txt", "/work/run").path(), "/work/run/scores.txt");
  EXPECT_EQ(splitFileChoice("/scores.txt").folder, "/");
  FileChoice c = splitFileChoice("relative.txt");
  EXPECT_EQ(fs::path(c.folder), fs::path(fs::current_path().string() + "/"));
  EXPECT_EQ(c.name, "relative.txt");
}

class ScriptedFileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("scripted_dialogs_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_ / "data");
    std::ofstream(dir_ / "data" / "apes.txt") << "1 2 3\n";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ScriptedFileDialogs, AnswersAreTakenFromTheBaseFolderAndRecorded) {
  ScriptedDialogs d;
  d.setBaseFolder(dir_.string());
  d.answerAll({"data/apes.txt", "data/../scores.txt"});
  auto open = d.getFile("*.*", "Enter file to Load?");
  ASSERT_TRUE(open);
  EXPECT_EQ(fs::path(open->folder), fs::path(dir_.string() + "/data/"));
  EXPECT_EQ(open->name, "apes.txt");
  auto save = d.putFile("*.*", "File Name for Eigenvalue list");
  ASSERT_TRUE(save);
  EXPECT_EQ(fs::path(save->path()), dir_ / "scores.txt");
  ASSERT_EQ(d.asked().size(), 2u);
  EXPECT_EQ(d.asked()[0].kind, ScriptedDialogs::Kind::GetFile);
  EXPECT_EQ(d.asked()[0].title, "Enter file to Load?");
  EXPECT_EQ(d.asked()[1].kind, ScriptedDialogs::Kind::PutFile);
  EXPECT_TRUE(d.asked()[1].answered);
}

TEST_F(ScriptedFileDialogs, PathsNoDialogCouldChooseAreRefused) {
  ScriptedDialogs d;
  d.setBaseFolder(dir_.string());
  d.answerAll({"data/missing.txt", "nowhere/scores.txt", "data/new.txt"});
  try {
    d.getFile("*.*", "Enter file to Load?");
    ADD_FAILURE() << "a missing file was chosen";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("there is no file"), std::string::npos) << e.what();
  }
  try {
    d.putFile("*.*", "File Name for Reference");
    ADD_FAILURE() << "a missing folder was chosen";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"File Name for Reference\": there is no folder"),
              std::string::npos)
        << e.what();
  }
  // A new file in an existing folder is what a save dialog is for.
  EXPECT_TRUE(d.putFile("*.*", "File Name for Reference"));
}

TEST(ScriptedDialogs, MissingOrEmptyAnswersCancel) {
  ScriptedDialogs d;
  EXPECT_FALSE(d.getFile("*.*", "t"));
  d.answer("");
  EXPECT_FALSE(d.putFile("*.*", "t"));
  EXPECT_FALSE(d.input({"a"}, "t", {"1"}));
  EXPECT_EQ(d.question("Save?", "t", {}), "");
  EXPECT_FALSE(d.pick(1));
  ASSERT_EQ(d.asked().size(), 5u);
  for (const auto& asked : d.asked()) EXPECT_FALSE(asked.answered);
}

TEST(ScriptedDialogs, InputTakesOneAnswerPerPromptAndDefaultsTheRest) {
  ScriptedDialogs d;
  d.answerAll({"250", "0.2", "next"});
  auto both = d.input({"Repetitions", "Fraction"}, "Jack-knife", {"100", "0.1"});
  ASSERT_TRUE(both);
  EXPECT_EQ(*both, (std::vector<std::string>{"250", "0.2"}));
  EXPECT_EQ(d.pending(), 1u);  // the third answer belongs to the next dialog
  auto some = d.input({"Repetitions", "Fraction"}, "Jack-knife", {"100", "0.1"});
  ASSERT_TRUE(some);
  EXPECT_EQ(*some, (std::vector<std::string>{"next", "0.1"}));
}

TEST(ScriptedDialogs, QuestionsTakeAButtonInAnyLetterCase) {
  ScriptedDialogs d;
  d.answerAll({"yes", "CANCEL", "Later", "Keep"});
  EXPECT_EQ(d.question("Save the distances?", "Distances", {}), "Yes");
  EXPECT_EQ(d.question("Save the distances?", "Distances", {"Yes", "No", "Cancel"}), "Cancel");
  try {
    d.question("Save the distances?", "Distances", {});
    ADD_FAILURE() << "an answer that is no button was taken";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"Later\""), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Yes, No, Cancel"), std::string::npos);
  }
  EXPECT_EQ(d.question("Which?", "t", {"Keep", "Drop"}), "Keep");
}

TEST(ScriptedDialogs, PicksGiveXYAndButton) {
  ScriptedDialogs d;
  d.answerAll({"0.5,-1.25", " 2 , 3 , 3 ", "1;2"});
  auto p = d.pick(1);
  ASSERT_TRUE(p);
  EXPECT_DOUBLE_EQ(p->x, 0.5);
  EXPECT_DOUBLE_EQ(p->y, -1.25);
  EXPECT_EQ(p->button, 1);
  p = d.pick(1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->button, 3);
  EXPECT_EQ(errorText([&] { d.pick(1); }),
            "\"1;2\" is not a mouse pick: give X,Y or X,Y,BUTTON (button 1, 2 or 3)");
  for (const char* bad : {"1", "1,2,4", "1,2,1.5", "a,b", "1,2,3,4", "1,,2", "nan,1"}) {
    EXPECT_EQ(errorText([&] { parsePick(bad); }),
              "\"" + std::string(bad) +
                  "\" is not a mouse pick: give X,Y or X,Y,BUTTON (button 1, 2 or 3)")
        << bad;
  }
}

TEST(ScriptedDialogs, MessagesAreRecordedAndAnnounced) {
  ScriptedDialogs d;
  std::vector<std::string> seen;
  d.onMessage(
      [&](const ScriptedDialogs::MessageBox& m) { seen.push_back(m.title + "|" + m.text); });
  d.message("Fell through Loop!", "");
  d.message("There were  5 distinct canonical variates", "CVA Complete");
  ASSERT_EQ(d.messages().size(), 2u);
  EXPECT_EQ(d.messages()[1].title, "CVA Complete");
  EXPECT_EQ(seen,
            (std::vector<std::string>{"|Fell through Loop!",
                                      "CVA Complete|There were  5 distinct canonical variates"}));
  d.answerAll({"x", "y"});
  EXPECT_EQ(d.takeUnused(), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(d.pending(), 0u);
  d.clearRecord();
  EXPECT_TRUE(d.messages().empty());
}

TEST(StreamConsole, WritesTextAsGivenOrDropsIt) {
  std::ostringstream out;
  StreamConsole console(&out);
  console.write("pushbutton4 Callback not implemented yet.\n");
  console.write("no line end");
  EXPECT_EQ(out.str(), "pushbutton4 Callback not implemented yet.\nno line end");
  console.setStream(nullptr);
  console.write("dropped");
  EXPECT_EQ(out.str(), "pushbutton4 Callback not implemented yet.\nno line end");
}

}  // namespace
}  // namespace tessaly::platform
