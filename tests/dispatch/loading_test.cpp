// Loading the landmark data and the unknowns, clearing, and the dispatcher's own rules.
#include <functional>

#include "dispatch/group_styles.h"
#include "fixture.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;

std::string tenByTwentyFive() {
  std::string text;
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 25; ++j) text += std::to_string(i * 25 + j) + (j < 24 ? " " : "\n");
  }
  return text;
}

class LoadingTest : public DispatchTest {};

TEST_F(LoadingTest, LoadDataReadsTheFileAndSummarisesIt) {
  fs::path file = writeFile("sub/ten.txt", tenByTwentyFive());
  runWithFile("LoadData", file);

  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].filter, "*.*");
  EXPECT_EQ(dialogs.fileRequests[0].title, "Enter file to Load?");
  EXPECT_EQ(state().DATA.rows(), 10);
  EXPECT_EQ(state().DATA.cols(), 25);
  EXPECT_EQ(state().DATA(3, 4), 79);
  EXPECT_EQ(state().FNAME1, "ten.txt");
  EXPECT_EQ(stringOf("FileBox"), "File: ten.txt \n  10 Specimens \n  12 Landmarks");
  // The folder of the chosen file becomes the current folder.
  EXPECT_EQ(fs::current_path(), fs::canonical(folder / "sub"));
  for (const char* tag : {"LoadGroup", "NoLoadGroup", "LoadReference"})
    EXPECT_EQ(prop(tag, "Enable").toText(), "On") << tag;
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(LoadingTest, LoadDataResetsTheDisplaySettingsButKeepsResults) {
  auto& s = state();
  s.vplotdensity = scalar(50);
  s.vlinewidth = scalar(2.5);
  s.vlineformat1 = "r";
  s.vrefsymbol = "ks";
  s.vaheads = scalar(0);
  s.defangle = scalar(33);
  s.marker1x = s.marker2y = scalar(4);
  s.referencetype = scalar(1);
  s.GLIST = Matrix::Ones(10, 1);
  s.CVAScores = Matrix::Ones(10, 2);
  s.ColorList = {"ko"};

  runWithFile("LoadData", writeFile("ten.txt", tenByTwentyFive()));

  EXPECT_EQ(s.ColorList, defaultColorList());
  EXPECT_EQ(s.vplotdensity, scalar(20));
  EXPECT_EQ(s.vlinewidth, scalar(1.5));
  EXPECT_EQ(s.vlineformat1, "k-");
  EXPECT_EQ(s.vrefsymbol, "ko");
  EXPECT_EQ(s.vaheads, scalar(1));
  EXPECT_EQ(s.defangle, scalar(10));
  for (const Matrix* m : {&s.marker1x, &s.marker1y, &s.marker2x, &s.marker2y})
    EXPECT_EQ(*m, scalar(0));
  EXPECT_EQ(s.referencetype, scalar(0));
  EXPECT_EQ(s.GLIST, Matrix::Ones(10, 1));
  EXPECT_EQ(s.CVAScores, Matrix::Ones(10, 2));
  // Nothing is drawn.
  EXPECT_TRUE(drawn().empty());
}

TEST_F(LoadingTest, LoadDataKeepsTheCodeTableOnlyWhenSwitchedOn) {
  fs::path file = writeFile("ten.txt", tenByTwentyFive());
  auto& s = state();
  s.altcode = scalar(1);
  runWithFile("LoadData", file);
  EXPECT_EQ(s.altcode, scalar(1));
  s.altcode = scalar(2);
  runWithFile("LoadData", file);
  EXPECT_EQ(s.altcode, scalar(0));
  s.altcode = scalar(0);
  runWithFile("LoadData", file);
  EXPECT_EQ(s.altcode, scalar(0));
  s.altcode = Matrix();
  runWithFile("LoadData", file);
  EXPECT_EQ(s.altcode.size(), 0);
}

TEST_F(LoadingTest, DataEndAtTheFirstEmptyLineAndTheLinesLeftOutAreCounted) {
  const fs::path file = writeFile("d.txt", "1 2 3 4 5 6 7\n8 9 10 11 12 13 14\n\n1 1 1\n");
  runWithFile("LoadData", file);
  EXPECT_EQ(state().DATA.rows(), 2);
  EXPECT_EQ(stringOf("FileBox"), "File: d.txt \n   2 Specimens \n   3 Landmarks");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Warning");
  EXPECT_FALSE(dialogs.messages[0].error);
  EXPECT_EQ(dialogs.messages[0].text,
            fs::absolute(file).string() +
                ": 1 line after line 3 was not read: the data end at the first empty line");
}

TEST_F(LoadingTest, CancelledDialogChangesNothing) {
  runWithFile("LoadData", writeFile("ten.txt", tenByTwentyFive()));
  const Matrix before = state().DATA;
  state().vplotdensity = scalar(30);
  for (const char* action :
       {"LoadData", "LoadUData", "LoadUGroup", "LoadReference", "LoadGroupList", "CodeLoad"}) {
    dialogs.cancelFile();
    run(action);
  }
  EXPECT_EQ(state().DATA, before);
  EXPECT_EQ(state().vplotdensity, scalar(30));
  EXPECT_EQ(state().UDATA.size(), 0);
  EXPECT_EQ(state().FNAME1, "ten.txt");
  EXPECT_EQ(state().altcode.size(), 0);
  EXPECT_EQ(stringOf("FileBox"), "File: ten.txt \n  10 Specimens \n  12 Landmarks");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.fileRequests.size(), 7u);  // one load and six cancelled dialogs
}

// Every loader: a file that cannot be read is reported with its name and the problem, and
// the state is left exactly as it was (an unopenable file never becomes a 1-by-1 data set).
TEST_F(LoadingTest, UnreadableFilesAreReportedAndChangeNothing) {
  runWithFile("LoadData", writeFile("good.txt", "1 2 3 4 5 6 7\n2 3 4 5 6 7 8\n"));
  auto& s = state();
  s.altcode = scalar(0);
  s.codearray = Matrix::Ones(2, 6);
  s.referencetype = scalar(0);
  const std::string fileBox = stringOf("FileBox");
  const std::string groupBox = stringOf("GroupBox");

  struct Case {
    std::string name, text, problem;
  };
  const std::vector<Case> cases = {
      {"ragged.txt", "1 2 3 4 5 6 7\n1 2 3\n", "line 2"},
      {"words.txt", "1 2 x 4 5 6 7\n", "\"x\" is not a number"},
      {"empty.txt", "", "holds no data"},
      {"missing.txt", "", "could not be read"},
  };
  for (const char* action :
       {"LoadData", "LoadUData", "LoadUGroup", "LoadReference", "LoadGroupList", "CodeLoad"}) {
    for (const auto& c : cases) {
      fs::path path = folder / c.name;
      if (c.name != "missing.txt") writeFile(c.name, c.text);
      dialogs.messages.clear();
      console.text.clear();
      dialogs.chooseFile(path);
      run(action);
      ASSERT_EQ(dialogs.messages.size(), 1u) << action << " " << c.name;
      EXPECT_THAT(dialogs.messages[0].text, HasSubstr(path.string())) << action;
      EXPECT_THAT(dialogs.messages[0].text, HasSubstr(c.problem)) << action << " " << c.name;
      EXPECT_EQ(console.text, dialogs.messages[0].text + "\n");
    }
  }
  EXPECT_EQ(s.DATA.rows(), 2);
  EXPECT_EQ(s.FNAME1, "good.txt");
  EXPECT_EQ(s.UDATA.size(), 0);
  EXPECT_EQ(s.UGLIST.size(), 0);
  EXPECT_EQ(s.GLIST.size(), 0);
  EXPECT_EQ(s.reference.size(), 0);
  EXPECT_EQ(s.referencetype, scalar(0));
  EXPECT_EQ(s.altcode, scalar(0));
  EXPECT_EQ(s.codearray, Matrix::Ones(2, 6));
  EXPECT_EQ(stringOf("FileBox"), fileBox);
  EXPECT_EQ(stringOf("GroupBox"), groupBox);
  EXPECT_EQ(prop("LoadReference", "Enable").toText(), "On");
}

// Rows that cannot be analysed are refused at once by every action that reads landmark rows,
// naming the file (and the specimen): an even number of columns has no room for the centroid
// size, a coordinate must be a finite number, and a specimen needs a size.
TEST_F(LoadingTest, LandmarkRowsThatCannotBeAnalysedAreRefused) {
  runWithFile("LoadData", writeFile("good.txt", "1 2 3 4 5 6 7\n2 3 4 5 6 7 8\n"));
  const AnalysisState before = state();
  const std::string fileBox = stringOf("FileBox");
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n",
       "The file bad.txt has 16 columns: a row of landmark data must hold x1 y1 ... xk yk and "
       "then the centroid size, an odd number of columns"},
      {"1 2 3 4 5 6 7\n1 2 NaN 4 5 6 7\n",
       "Specimen 2 of bad.txt has a coordinate that is not a finite number: every landmark needs "
       "two numbers"},
      {"1\n2\n3\n",
       "The file bad.txt has one column: a row of landmark data must hold x1 y1 ... xk yk and "
       "then the centroid size"},
      {"1 2 3 4 5 6 7\n0 0 2 2 4 0 1\n-1 5 -1 5 -1 5 0\n",
       "Specimen 3 of bad.txt has all its landmarks at one point: a configuration without size "
       "has no shape to analyse"},
  };
  for (const auto& c : cases) {
    writeFile("bad.txt", c.text);
    for (const char* action : {"LoadData", "LoadUData", "LoadReference"}) {
      dialogs.messages.clear();
      runWithFile(action, folder / "bad.txt");
      ASSERT_EQ(dialogs.messages.size(), 1u) << action;
      EXPECT_EQ(dialogs.messages[0].text, c.message) << action;
    }
  }
  const auto& s = state();
  EXPECT_EQ(s.DATA, before.DATA);
  EXPECT_EQ(s.UDATA.size(), 0);
  EXPECT_EQ(s.reference.size(), 0);
  EXPECT_EQ(s.referencetype, before.referencetype);
  EXPECT_EQ(s.FNAME1, "good.txt");
  EXPECT_EQ(stringOf("FileBox"), fileBox);
  EXPECT_TRUE(drawn().empty());
}

TEST_F(LoadingTest, LoadUDataPutsTheNewestSummaryFirst) {
  runWithFile("LoadData", writeFile("data.txt", tenByTwentyFive()));
  runWithFile("LoadUData", writeFile("u1.txt", "1 2 3 4 5 6 7 8 9 10 11 12 13\n"));
  runWithFile("LoadUData", writeFile("u2.txt", "1 2 3 4 5 6 7\n1 2 3 4 5 6 7\n"));
  EXPECT_EQ(stringOf("FileBox"),
            "Unknown File: u2.txt \n   2 Specimens \n   3 Landmarks"
            "Unknown File: u1.txt \n   1 Specimens \n   6 Landmarks"
            "File: data.txt \n  10 Specimens \n  12 Landmarks");
  EXPECT_EQ(state().UDATA.rows(), 2);
  EXPECT_EQ(state().FNAME1, "u2.txt");
  EXPECT_EQ(state().DATA.rows(), 10);
}

TEST_F(LoadingTest, ClearDataForgetsDataAndResultsButKeepsSettings) {
  auto& s = state();
  runWithFile("LoadData", writeFile("data.txt", tenByTwentyFive()));
  s.GLIST = Matrix::Ones(10, 1);
  s.CVAScores = s.pwscores = s.UDATA = s.UCVASCORES = s.UPWSCORES = s.UGLIST = Matrix::Ones(2, 2);
  s.Vmatrix = s.Dmatrix = s.NumCVA = s.reference = Matrix::Ones(1, 1);
  s.UNKNOWNACTIVE = scalar(1);
  s.d = scalar(2);
  s.p = Matrix::Zero(3, 1);
  s.NUCVASCORES = Matrix::Ones(2, 2);
  s.vplotdensity = scalar(50);
  s.altcode = scalar(1);
  s.codearray = bwCodeTable();
  s.referencetype = scalar(1);
  model().create("line", mainAxes);

  run("ClearData");

  for (const Matrix* m : {&s.DATA, &s.CVAScores, &s.pwscores, &s.UDATA, &s.UCVASCORES, &s.UPWSCORES,
                          &s.UGLIST, &s.GLIST, &s.Vmatrix, &s.Dmatrix, &s.NumCVA, &s.reference})
    EXPECT_EQ(m->size(), 0);
  EXPECT_EQ(s.UNKNOWNACTIVE, scalar(0));
  EXPECT_EQ(s.d, scalar(2));
  EXPECT_EQ(s.p, Matrix::Zero(3, 1));
  EXPECT_EQ(s.NUCVASCORES, Matrix::Ones(2, 2));
  EXPECT_EQ(s.vplotdensity, scalar(50));
  EXPECT_EQ(s.altcode, scalar(1));
  EXPECT_EQ(s.codearray, bwCodeTable());
  EXPECT_EQ(s.referencetype, scalar(1));
  EXPECT_EQ(s.FNAME1, "data.txt");
  EXPECT_EQ(stringOf("FileBox"), "No File Loaded");
  EXPECT_EQ(stringOf("GroupBox"), "No File Loaded");
  EXPECT_TRUE(drawn().empty());
}

// Results of other specimens, and results after Clear Data, are refused until the next run;
// a file of the same specimens keeps them.
TEST_F(LoadingTest, ResultsOfOtherDataAreRefused) {
  auto& s = state();
  runWithFile("LoadData", writeFile("data.txt", tenByTwentyFive()));
  s.CVAScores = Matrix::Ones(10, 2);
  s.reference = Matrix::Ones(1, 25);
  s.hasVstats = true;
  const std::string stale =
      "The CVA results belong to data that is no longer loaded: load the group list to run the "
      "CVA again";
  auto saveScores = [&] {
    dialogs.messages.clear();
    dialogs.chooseSave(folder / "cva.txt");
    run("SavePCA");
    return dialogs.messages.empty() ? std::string() : dialogs.messages[0].text;
  };
  runWithFile("LoadData", writeFile("same.txt", tenByTwentyFive()));
  EXPECT_EQ(saveScores(), "");
  runWithFile("LoadData", writeFile("three.txt", "1 2 3 4 5 6 7\n2 3 4 5 6 7 8\n3 4 5 6 7 8 9\n"));
  EXPECT_EQ(saveScores(), stale);
  s.resultsStale = false;
  run("ClearData");
  EXPECT_EQ(saveScores(), stale);
  for (const char* action : {"ShowPCAAxis", "ScreePlot", "CheckSig", "ShowGrouping", "JackKnife"}) {
    dialogs.messages.clear();
    dialogs.inputs.push_back(std::vector<std::string>{"10", "0.1"});
    run(action);
    ASSERT_EQ(dialogs.messages.size(), 1u) << action;
    EXPECT_EQ(dialogs.messages[0].text, stale) << action;
  }
}

TEST_F(LoadingTest, TheSummaryOfWhatIsLoadedFollowsEachStep) {
  const fs::path three = writeFile("three.txt", "1 2 3 4 5 6 7\n2 3 4 5 6 8 8\n3 4 5 7 6 7 9\n");
  const std::vector<std::pair<std::function<void()>, std::string>> steps = {
      {[] {}, "No data loaded"},
      {[&] { runWithFile("LoadData", example("apes.txt")); }, "167 specimens, 8 landmarks"},
      {[&] { runWithFile("LoadGroupList", example("apes-groups.txt")); },
       "167 specimens, 8 landmarks, 6 groups, CVA of 5 axes"},
      {[&] { runWithFile("LoadData", three); }, "3 specimens, 3 landmarks, CVA to be run again"},
      {[&] { run("ClearData"); }, "No data loaded"},
  };
  for (const auto& [step, summary] : steps) {
    step();
    EXPECT_EQ(loadedSummary(), summary);
  }
}

// Clearing first and loading gives the state of loading alone, apart from the MANOVA results
// that clearing keeps.
TEST_F(LoadingTest, ClearThenLoadEqualsLoadAlone) {
  fs::path file = writeFile("data.txt", tenByTwentyFive());
  runWithFile("LoadData", file);
  const AnalysisState alone = state();
  const std::string box = stringOf("FileBox");

  state().GLIST = Matrix::Ones(10, 1);
  state().reference = Matrix::Ones(1, 25);
  state().d = scalar(1);
  run("ClearData");
  runWithFile("LoadData", file);
  const AnalysisState& after = state();
  EXPECT_EQ(after.DATA, alone.DATA);
  EXPECT_EQ(after.GLIST.size(), 0);
  EXPECT_EQ(after.reference.size(), 0);
  EXPECT_EQ(after.FNAME1, alone.FNAME1);
  EXPECT_EQ(after.ColorList, alone.ColorList);
  EXPECT_EQ(after.vplotdensity, alone.vplotdensity);
  EXPECT_EQ(after.referencetype, alone.referencetype);
  EXPECT_EQ(after.UNKNOWNACTIVE, scalar(0));
  EXPECT_EQ(after.d, scalar(1));  // kept by ClearData
  EXPECT_EQ(stringOf("FileBox"), box);
}

TEST_F(LoadingTest, UnknownActionNamesFallThrough) {
  const AnalysisState before = state();
  for (const char* name : {"loaddata", "LoadData ", "Nothing", ""}) run(name);
  ASSERT_EQ(dialogs.messages.size(), 4u);
  for (const auto& m : dialogs.messages) {
    EXPECT_EQ(m.text, "Fell through Loop!");
    EXPECT_TRUE(m.error);  // a failure, so a script stops at it
  }
  EXPECT_TRUE(dialogs.fileRequests.empty());
  EXPECT_EQ(actionNames().size(), 66u);
}

}  // namespace
}  // namespace tessaly::dispatch::testing
