// The classification actions on small hand-made CVA results whose group means, distances and
// assignments can be worked out by hand. Groups whose members all lie at one point have a
// zero within-group range, so every significance label they give is known exactly.
#include "dispatch/classification.h"

#include <string>

#include "core/error.h"
#include "core/random.h"
#include "fixture.h"
#include "platform/window_files.h"
#include "support/error_text.h"

namespace tessaly::dispatch::testing {
namespace {

using test_support::errorText;

Matrix column(std::initializer_list<double> values) {
  Matrix m(values.size(), 1);
  Eigen::Index i = 0;
  for (double v : values) m(i++, 0) = v;
  return m;
}

// Canonical variables with a second column far larger than the first: only the first
// (NumCVA = 1) may decide any assignment.
Matrix scores(std::initializer_list<double> first) {
  Matrix canon(first.size(), 2);
  canon.col(0) = column(first);
  for (Eigen::Index i = 0; i < canon.rows(); ++i) canon(i, 1) = (i % 2 ? -1000.0 : 1000.0) * i;
  return canon;
}

class ClassificationTest : public DispatchTest {
 protected:
  void setResults(const Matrix& canon, const Matrix& glist, double numCva = 1) {
    auto& s = state();
    s.vstats.canon = canon;
    s.hasVstats = true;
    s.GLIST = glist;
    s.NumCVA = scalar(numCva);
    s.d = scalar(numCva);
  }
  void setUnknowns(const Matrix& nuscores, const Matrix& codes, bool active) {
    auto& s = state();
    s.NUCVASCORES = nuscores;
    s.UCVASCORES = nuscores;
    s.UGLIST = codes;
    s.UNKNOWNACTIVE = scalar(active ? 1 : 0);
  }
  // Codes 5, 5, 5, 2, 2 at 0, 0, 3, 4, 4: group means 1 and 4, so the third specimen of
  // group 5 lies nearer the mean of group 2.
  void misassignedState() { setResults(scores({0, 0, 3, 4, 4}), column({5, 5, 5, 2, 2})); }
  // Codes 5, 5, 2, 2, 9, 9 at 0, 0, 4, 4, 0, 0: every group at one point (zero ranges), and
  // groups 5 and 9 share their mean.
  void pointGroupsState() { setResults(scores({0, 0, 4, 4, 0, 0}), column({5, 5, 2, 2, 9, 9})); }

  std::string results() const { return model().get(auxResults, "String").toText(); }
  fs::path save(const std::string& action, const std::string& name) {
    dialogs.chooseSave(folder / name);
    run(action);
    return folder / name;
  }
};

const std::string kTableHead =
    "Groupings from CVA-Distance Based \n \n Original Groups along rows, CVA groups along "
    "columns \n - \n \n - \n";

TEST(SignificanceLabel, LimitsAreStrictAndGroupsIndexTheirRow) {
  Matrix drange(2, 5);
  drange << 3, 2, 1, 0.5, 0.8,  //
      30, 20, 10, 5, 8;
  EXPECT_EQ(significanceLabel(drange, 1, 3.5), "p<0.001");
  EXPECT_EQ(significanceLabel(drange, 1, 3), "0.01>p>0.001");
  EXPECT_EQ(significanceLabel(drange, 1, 2.5), "0.01>p>0.001");
  EXPECT_EQ(significanceLabel(drange, 1, 2), "0.05>p>0.01");
  EXPECT_EQ(significanceLabel(drange, 1, 1.5), "0.05>p>0.01");
  EXPECT_EQ(significanceLabel(drange, 1, 1), "p>0.05");
  EXPECT_EQ(significanceLabel(drange, 1, 0), "p>0.05");
  EXPECT_EQ(significanceLabel(drange, 2, 15), "0.05>p>0.01");
  EXPECT_EQ(errorText([&] { significanceLabel(drange, 3, 1); }),
            "Group 3 has no row in the table of within-group distance ranges");
  EXPECT_EQ(errorText([&] { significanceLabel(drange, 0, 1); }),
            "Group 0 has no row in the table of within-group distance ranges");
}

TEST_F(ClassificationTest, ShowGroupingTabulatesGivenAgainstAssignedGroups) {
  misassignedState();
  run("ShowGrouping");
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  // Rows are groups 5 and 2 (their order of first appearance); each row sums to the group's
  // size and the diagonal counts the specimens assigned to their own group.
  EXPECT_EQ(results(), kTableHead + "   0   5   2 \n - \n   5   2   1 \n - \n   2   0   2");

  // Unknowns at 1 and 10 go to groups 5 and 2; their user codes play no part.
  setUnknowns(column({1, 10}), column({2, 5}), true);
  state().NUCVASCORES.conservativeResize(2, 2);
  state().NUCVASCORES.col(1) << 1e6, -1e6;
  run("ShowGrouping");
  EXPECT_EQ(results(), kTableHead +
                           "   0   5   2 \n - \n   5   2   1 \n - \n   2   0   2\n \n -u \n"
                           "   1   1");
}

TEST_F(ClassificationTest, ShowGroupingReopensTheResultsWindow) {
  misassignedState();
  model().remove(auxFigure);
  // The results window is opened again from its description file.
  const std::string resources = platform::resourceFolder();
  platform::setResourceFolder(TESSALY_RESOURCES);
  run("ShowGrouping");
  platform::setResourceFolder(resources);
  auto found = model().findobj("Tag", platform::Value("AuxResults"));
  ASSERT_EQ(found.size(), 1u) << console.text;
  EXPECT_EQ(model().get(found.front(), "String").toText().rfind(kTableHead, 0), 0u);
}

TEST_F(ClassificationTest, MembershipListsAccumulate) {
  misassignedState();
  const std::string list =
      "Specimen OrdinalGroup  GroupCode CVAGroup\n1 1 5 1 \n2 1 5 1 \n3 1 5 2 \n4 2 2 2 \n"
      "5 2 2 2 \n";
  fs::path path = save("SaveGroupListCVA", "members.txt");
  EXPECT_EQ(readFile(path), list);
  save("SaveGroupListCVA", "members.txt");
  EXPECT_EQ(readFile(path), list + list);
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Grouping Membership List");
  EXPECT_EQ(dialogs.saveRequests[0].filter, "*.*");

  // The unknowns' list does not look at UNKNOWNACTIVE.
  setUnknowns(column({1, 10}), column({7, 3}), false);
  path = save("SaveGroupListUNCVA", "unknowns.txt");
  EXPECT_EQ(readFile(path), "Specimen# UserCode CVAGroup\n1 7 1 \n2 3 2 \n");
  EXPECT_EQ(dialogs.saveRequests.back().title, "File Name for Unknowns Membership List");
}

TEST_F(ClassificationTest, UnknownsListNeedsScoresMatchingTheCodes) {
  misassignedState();
  run("SaveGroupListUNCVA");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "There are no scored unknown specimens: load the unknowns and their codes first");

  setUnknowns(column({1, 10}), column({7, 3, 4}), false);
  run("SaveGroupListUNCVA");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].text, "Error: The unknowns have 2 entries, the code list has 3");
  EXPECT_TRUE(dialogs.saveRequests.empty());
}

TEST_F(ClassificationTest, CancelledFilesWriteNothingAndUnopenableOnesSayWhy) {
  misassignedState();
  const fs::path missing = fs::absolute(folder / "missing" / "out.txt");
  for (const char* action :
       {"SaveGroupListCVA", "WriteGrouping", "RunAssignmentTest", "RunDetailedAssignment"}) {
    dialogs.messages.clear();
    dialogs.cancelSave();
    run(action);
    EXPECT_TRUE(dialogs.messages.empty()) << action;
    dialogs.chooseSave(missing);
    run(action);
    ASSERT_EQ(dialogs.messages.size(), 1u) << action;
    EXPECT_EQ(dialogs.messages[0].text,
              "Cannot write " + missing.string() + ": No such file or directory");
    EXPECT_TRUE(dialogs.messages[0].error);
  }
  EXPECT_EQ(dialogs.saveRequests.size(), 8u);
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(ClassificationTest, WriteGroupingAppendsTables) {
  misassignedState();
  const fs::path path = save("WriteGrouping", "groups.txt");
  const std::string block =
      "\n" + kTableHead + "   0   5   2 \n - \n   5   2   1 \n - \n   2   0   2 \n\n";
  EXPECT_EQ(readFile(path), block);
  save("WriteGrouping", "groups.txt");
  EXPECT_EQ(readFile(path), block + block);
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for CVA based Group membership (Append)");
}

TEST_F(ClassificationTest, AssignmentTestWithoutUnknownsAsksNoQuestion) {
  pointGroupsState();
  const fs::path path = save("RunAssignmentTest", "assign.txt");
  // Every specimen sits on its group mean: a distance equal to the (zero) limits is p>0.05.
  // The specimens of group 9 tie with group 5 and go to the group seen first.
  const std::string text =
      "For the specimens with user group assignments\nSpecimen GroupSymbol OrdinalGroup "
      "AssignedGroup AxesDistance Significance\n 1 5 1 1 0.000000 p>0.05\n 2 5 1 1 0.000000 "
      "p>0.05\n 3 2 2 2 0.000000 p>0.05\n 4 2 2 2 0.000000 p>0.05\n 5 9 3 1 0.000000 p>0.05\n"
      " 6 9 3 1 0.000000 p>0.05";
  EXPECT_EQ(readFile(path), text);
  EXPECT_TRUE(dialogs.questionRequests.empty());
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Assignments Test File");

  // A second run starts on a line of its own.
  save("RunAssignmentTest", "assign.txt");
  EXPECT_EQ(readFile(path), text + "\n" + text);
}

TEST_F(ClassificationTest, AssignmentTestWithUnknownsOffersTheDistanceFileFirst) {
  pointGroupsState();
  setUnknowns(column({1, 4}), column({7, 3}), true);
  dialogs.answers.push_back("No");
  const fs::path path = save("RunAssignmentTest", "assign.txt");
  ASSERT_EQ(dialogs.questionRequests.size(), 1u);
  EXPECT_EQ(dialogs.questionRequests[0].title, "All Distances Calculated, Specimens from Means");
  const std::string unknowns =
      "\n\nFor the specimens with unknown group assignments\nSpecimen GroupSymbol OrdinalGroup "
      "AssignedGroup AxesDistance Significance\n 1 u u 1 1.000000 p<0.001\n 2 u u 2 0.000000 "
      "p>0.05";
  const std::string text = readFile(path);
  ASSERT_GE(text.size(), unknowns.size());
  EXPECT_EQ(text.substr(text.size() - unknowns.size()), unknowns);

  // Saying yes: the distance file is asked for before the assignment file.
  dialogs.answers.push_back("Yes");
  dialogs.chooseSave(folder / "distances.txt");
  save("RunAssignmentTest", "assign2.txt");
  ASSERT_EQ(dialogs.saveRequests.size(), 3u);
  EXPECT_EQ(dialogs.saveRequests[1].title, "File Name for Distances of all Specimens");
  EXPECT_EQ(dialogs.saveRequests[2].title, "File Name for Assignments Test File");
  EXPECT_TRUE(fs::exists(folder / "distances.txt"));
  EXPECT_EQ(readFile(folder / "assign2.txt"), text);
}

// Codes 5, 2, 5, 9 on a line: group means at 0 (code 5), 10 and 20, one unknown at 4.
TEST_F(ClassificationTest, DistanceFileWrittenByteForByteAndAppended) {
  const Matrix dmatrix = (Matrix(4, 3) << 1, 11, 21, 10, 0, 10, 1, 9, 19, 20, 10, 0).finished();
  const Matrix udmatrix = (Matrix(1, 3) << 4, 6, 16).finished();
  const Matrix sd = column({2, 4, 0.5}), mean = column({1, 2, 8});
  fs::create_directories(folder / "out");
  dialogs.answers = {"Yes", "Yes"};
  dialogs.chooseSave(folder / "out" / "dist.txt");
  dialogs.chooseSave(folder / "out" / "dist.txt");
  offerDistanceFile(dmatrix, &udmatrix, sd, mean);
  EXPECT_EQ(fs::current_path(), folder / "out");
  ASSERT_EQ(dialogs.questionRequests.size(), 1u);
  EXPECT_EQ(dialogs.questionRequests[0].filter,
            "Do you want to save the matrix of distances from each specimen to each group mean?");
  EXPECT_EQ(dialogs.saveRequests[0].filter, "*.*");
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Distances of all Specimens");
  const std::string block =
      "Original Specimens, followed by distances to group means, distances normalized by STDEV, "
      "and Distances Normalized by the Mean \nSpecimen \n"
      "1  1.000000  11.000000  21.000000  -  0.500000  2.750000  42.000000  -  1.000000  "
      "5.500000  2.625000 \n"
      "2  10.000000  0.000000  10.000000  -  5.000000  0.000000  20.000000  -  10.000000  "
      "0.000000  1.250000 \n"
      "3  1.000000  9.000000  19.000000  -  0.500000  2.250000  38.000000  -  1.000000  "
      "4.500000  2.375000 \n"
      "4  20.000000  10.000000  0.000000  -  10.000000  2.500000  0.000000  -  20.000000  "
      "5.000000  0.000000 \n"
      "Unknown Specimens, followed by distances to group means \nSpecimen \n"
      "1  4.000000  6.000000  16.000000  -  2.000000  1.500000  32.000000  -  4.000000  "
      "3.000000  2.000000 \n";
  EXPECT_EQ(readFile(folder / "out" / "dist.txt"), block);
  offerDistanceFile(dmatrix, &udmatrix, sd, mean);
  EXPECT_EQ(readFile(folder / "out" / "dist.txt"), block + block);

  // Without unknowns there is no unknowns block.
  dialogs.answers = {"Yes"};
  dialogs.chooseSave(folder / "two.txt");
  offerDistanceFile(dmatrix.topRows(1), nullptr, sd, mean);
  EXPECT_EQ(readFile(folder / "two.txt"),
            "Original Specimens, followed by distances to group means, distances normalized by "
            "STDEV, and Distances Normalized by the Mean \nSpecimen \n"
            "1  1.000000  11.000000  21.000000  -  0.500000  2.750000  42.000000  -  1.000000  "
            "5.500000  2.625000 \n");
}

TEST_F(ClassificationTest, DistanceFileOnlyAfterAnAnswerStartingWithY) {
  const Matrix dmatrix = Matrix::Ones(2, 2);
  dialogs.answers = {"No", "", "Cancel", "yes"};
  dialogs.chooseSave(folder / "never.txt");
  for (int k = 0; k < 4; ++k) offerDistanceFile(dmatrix, nullptr, column({1, 1}), column({1, 1}));
  EXPECT_EQ(dialogs.questionRequests.size(), 4u);
  EXPECT_TRUE(dialogs.saveRequests.empty());
  EXPECT_FALSE(fs::exists(folder / "never.txt"));

  // A cancelled file dialog writes nothing.
  dialogs.answers = {"Yes"};
  dialogs.saves.clear();
  dialogs.cancelSave();
  offerDistanceFile(dmatrix, nullptr, column({1, 1}), column({1, 1}));
  EXPECT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_FALSE(fs::exists(folder / "never.txt"));
}

TEST_F(ClassificationTest, DetailedAssignmentLabelsEveryGroup) {
  pointGroupsState();
  setUnknowns(column({1, 4}), column({7, 3}), true);
  const fs::path path = save("RunDetailedAssignment", "detail.txt");
  EXPECT_TRUE(dialogs.questionRequests.empty());
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Detailed Assignments Test File");

  const std::string groups = " Group 1 Problevel 1  Group 2 Problevel 2  Group 3 Problevel 3 ";
  // Specimens of groups 5 and 9 are within reach of both (unique group 0); those of group 2
  // only of their own. The first unknown is within reach of none.
  const std::string near0 = " 0.000000  p>0.05  4.000000  p<0.001  0.000000  p>0.05 Unique Group=0";
  const std::string near4 =
      " 4.000000  p<0.001  0.000000  p>0.05  4.000000  p<0.001 Unique Group=2";
  const std::string expected =
      "For the specimens with user group assignments\nSpecimen GroupSymbol OrdinalGroup Assigned "
      "Group " +
      groups + "\n 1 5 1 1 " + near0 + "\n 2 5 1 1 " + near0 + "\n 3 2 2 2 " + near4 +
      "\n 4 2 2 2 " + near4 + "\n 5 9 3 1 " + near0 + "\n 6 9 3 1 " + near0 +
      "\n\nFor the specimens with unknown group assignments\nSpecimen GroupSymbol OrdinalGroup "
      "AssignedGroup " +
      groups +
      "\n 1 7 u 1  1.000000  p<0.001  3.000000  p<0.001  1.000000  p<0.001 Unique Group=0"
      "\n 2 3 u 2 " +
      near4 +
      "\n\nPercentile ranges of within group distances\n p<0.001     p<0.01     p<0.05"
      "\n0.000000 0.000000 0.000000\n0.000000 0.000000 0.000000\n0.000000 0.000000 0.000000";
  EXPECT_EQ(readFile(path), expected);
}

TEST_F(ClassificationTest, DetailedAssignmentWithoutUnknownsGoesToTheRanges) {
  pointGroupsState();
  setUnknowns(column({1, 4}), column({7, 3}), false);
  const std::string text = readFile(save("RunDetailedAssignment", "detail.txt"));
  EXPECT_EQ(text.find("unknown"), std::string::npos);
  EXPECT_NE(text.find("p>0.05 Unique Group=0\n\nPercentile ranges"), std::string::npos);
}

TEST_F(ClassificationTest, UnknownScoresReplaceTheirFile) {
  auto& s = state();
  s.NUCVASCORES = Matrix::Zero(2, 2);
  s.UCVASCORES.resize(2, 3);
  s.UCVASCORES << 1.5, -2, 0.125, 0.25, 3, 1e-7;
  const std::string text = " 1.500000  -2.000000  0.125000  \n  0.250000  3.000000  0.000000  \n ";
  const fs::path path = writeFile("scores.txt", std::string(200, 'x'));
  save("SaveUnknownCVAScores", "scores.txt");
  EXPECT_EQ(readFile(path), text);
  save("SaveUnknownCVAScores", "scores.txt");
  EXPECT_EQ(readFile(path), text);
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Unknown Specimens CVA Scores");
  EXPECT_TRUE(dialogs.messages.empty());

  dialogs.chooseSave(folder / "missing" / "scores.txt");
  run("SaveUnknownCVAScores");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Cannot write " + fs::absolute(folder).string() +
                                          "/missing/scores.txt: No such file or directory");
  EXPECT_TRUE(dialogs.messages[0].error);

  // Scores missing for an unknown: the old file stays whole.
  s.UCVASCORES.conservativeResize(1, 3);
  save("SaveUnknownCVAScores", "scores.txt");
  EXPECT_EQ(readFile(path), text);
  EXPECT_EQ(dialogs.messages.back().text,
            "There are 2 unknown specimens but CVA scores for only 1");
}

TEST_F(ClassificationTest, ActionsBeforeTheAnalysisStopWithoutWriting) {
  for (const char* action : {"ShowGrouping", "SaveGroupListCVA", "RunAssignmentTest",
                             "RunDetailedAssignment", "WriteGrouping"}) {
    run(action);
    ASSERT_FALSE(dialogs.messages.empty()) << action;
    EXPECT_EQ(dialogs.messages.back().text,
              "There are no CVA results yet: load a group list first");
  }
  EXPECT_TRUE(dialogs.saveRequests.empty());
  EXPECT_EQ(model().get(auxResults, "String"), platform::Value(platform::Value::Texts{}));

  // No significant canonical variate: nothing to classify on.
  misassignedState();
  state().NumCVA = scalar(0);
  run("ShowGrouping");
  EXPECT_EQ(dialogs.messages.back().text,
            "There is no significant canonical variate: the specimens cannot be classified");

  // A group list that no longer matches the results.
  misassignedState();
  state().GLIST = column({5, 5, 2});
  run("SaveGroupListCVA");
  EXPECT_EQ(dialogs.messages.back().text,
            "Error: The CVA results have 5 specimens, the group list has 3");
  EXPECT_TRUE(dialogs.saveRequests.empty());
}

class JackKnifeTest : public ClassificationTest {
 protected:
  // Three well separated groups of eight specimens with three shape variables and cs.
  void separatedGroups() {
    setRandomSeed(7);
    std::normal_distribution<double> noise(0, 1);
    Matrix pw(24, 4);
    Matrix codes(24, 1);
    for (int i = 0; i < 24; ++i) {
      const int g = i % 3;
      codes(i) = g + 1;
      for (int j = 0; j < 3; ++j) pw(i, j) = noise(randomEngine()) + (j == g ? 20 : 0);
      pw(i, 3) = 100 + i;
    }
    state().pwscores = pw;
    state().GLIST = codes;
  }
};

TEST_F(JackKnifeTest, CancelledDialogTouchesNothing) {
  separatedGroups();
  model().set(auxResults, "String", platform::Value("earlier report"));
  run("JackKnife");
  ASSERT_EQ(dialogs.inputRequests.size(), 1u);
  EXPECT_EQ(dialogs.inputRequests[0].title, "Parameters in Jack-Knife of Assignment");
  EXPECT_EQ(dialogs.inputRequests[0].filter,
            "Enter Number of Jackknife Repetitions|Enter Fraction Left Out");
  EXPECT_EQ(results(), "earlier report");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(JackKnifeTest, ReportGoesToTheResultsWindow) {
  separatedGroups();
  dialogs.inputs.push_back(std::vector<std::string>{"2", "0.1"});
  run("JackKnife");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  const std::string text = results();
  EXPECT_EQ(text.rfind("Results of the Jack-knife test of the CVA performance\nDuring this test "
                       "using 24 total specimens\n 10.0 percent (3) were used as \"unknowns\"\n"
                       "A total of 6 \"unknowns\" were tested in 2 trials",
                       0),
            0u)
      << text;
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
  EXPECT_GT(dialogs.progressCalls, 0);
  EXPECT_EQ(dialogs.progressEnds, 1);
}

TEST_F(JackKnifeTest, StoppedTestChangesNothing) {
  separatedGroups();
  model().set(auxResults, "String", platform::Value("earlier report"));
  setRandomSeed(5);
  const RandomEngine before = randomEngine();
  dialogs.stopAt = 1;  // after the first batch of trials
  dialogs.inputs.push_back(std::vector<std::string>{"5000", "0.1"});
  run("JackKnife");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "The jackknife test was stopped: nothing has changed");
  EXPECT_FALSE(dialogs.messages[0].error);
  EXPECT_EQ(dialogs.progressEnds, 1);
  EXPECT_TRUE(randomEngine() == before);
  EXPECT_EQ(results(), "earlier report");
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
}

TEST_F(JackKnifeTest, ParametersAreCheckedBeforeTheTest) {
  separatedGroups();
  model().set(auxResults, "String", platform::Value("earlier report"));
  const std::string trials = "The number of jackknife repetitions must be ";
  const std::string fraction = "The fraction left out must be ";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"many", "0.1"}, trials + "one number, not \"many\""},
      {{"10", ""}, fraction + "one number, not \"\""},
      {{"0", "0.1"}, trials + "a whole number, 1 or more, not \"0\""},
      {{"-3", "0.1"}, trials + "a whole number, 1 or more, not \"-3\""},
      {{"2.5", "0.1"}, trials + "a whole number, 1 or more, not \"2.5\""},
      {{"10", "0"}, fraction + "above 0 and below 1, not \"0\""},
      {{"10", "1.5"}, fraction + "above 0 and below 1, not \"1.5\""},
  };
  for (const auto& [answers, message] : cases) {
    dialogs.messages.clear();
    dialogs.inputs.push_back(answers);
    run("JackKnife");
    ASSERT_EQ(dialogs.messages.size(), 1u) << answers[0];
    EXPECT_EQ(dialogs.messages[0].text, message);
  }
  EXPECT_EQ(results(), "earlier report");
}

}  // namespace
}  // namespace tessaly::dispatch::testing
