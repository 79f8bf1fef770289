// Landmark data from TPS files and group lists of names, through the loading actions: the
// analysis they give is the analysis of the numeric files, and the names reach the texts a
// person reads.
#include <charconv>
#include <set>

#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/controls.h"
#include "dispatch/group_styles.h"
#include "dispatch/mfload.h"
#include "dispatch/results_window.h"
#include "fixture.h"
#include "shape/configuration.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;

const char* const kNames[] = {"Gorilla female",  "Gorilla male",     "Chimpanzee female",
                              "Chimpanzee male", "Orangutan female", "Orangutan male"};

class InputFilesTest : public DispatchTest {
 protected:
  std::string results() const { return model().get(auxResults, "String").toText(); }
  fs::path save(const std::string& action, const std::string& name) {
    dialogs.chooseSave(folder / name);
    run(action);
    return folder / name;
  }
  // Runs an action on a file that it refuses; the one message it shows.
  std::string refusal(const std::string& action, const fs::path& path) {
    dialogs.messages.clear();
    runWithFile(action, path);
    EXPECT_EQ(dialogs.messages.size(), 1u) << action;
    return dialogs.messages.empty() ? std::string() : dialogs.messages.back().text;
  }
  // The apes as numbers or as TPS, with codes or with names; the state the run leaves.
  AnalysisState analyse(const char* data, const char* groups) {
    resetAnalysisState();
    runWithFile("LoadData", example(data));
    runWithFile("LoadGroupList", example(groups));
    return state();
  }
};

TEST_F(InputFilesTest, TpsApesGiveTheDataAndTheAnalysisOfTheNumericFile) {
  const Matrix numeric = dload(example("apes.txt").string());
  runWithFile("LoadData", example("apes.tps"));
  ASSERT_EQ(state().DATA.rows(), 167);
  ASSERT_EQ(state().DATA.cols(), 17);
  // Coordinates times SCALE are those of the numeric file; cs is their centroid size, which
  // the numeric file carries rounded.
  EXPECT_EQ(state().DATA.leftCols(16), numeric.leftCols(16));
  EXPECT_LT((state().DATA.col(16) - numeric.col(16)).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_EQ(stringOf("FileBox"), "File: apes.tps \n 167 Specimens \n   8 Landmarks");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Warning");
  EXPECT_THAT(dialogs.messages[0].text,
              HasSubstr("apes.tps: 3 curve points (POINTS= blocks) were skipped"));

  const AnalysisState fromTps = analyse("apes.tps", "apes-groups.txt");
  const AnalysisState fromNumbers = analyse("apes.txt", "apes-groups.txt");
  EXPECT_EQ(fromTps.CVAScores, fromNumbers.CVAScores);
  EXPECT_EQ(fromTps.Dmatrix, fromNumbers.Dmatrix);
  EXPECT_EQ(fromTps.p, fromNumbers.p);
}

TEST_F(InputFilesTest, ABadTpsFileLoadsNothing) {
  runWithFile("LoadData", example("apes.txt"));
  const Matrix before = state().DATA;
  const fs::path bad = writeFile("bad.tps", "LM=3\n0 0\n1 0\n0 1\nLM=3\n0 0\nNA 1\n2 2\nID=k9\n");
  EXPECT_THAT(refusal("LoadData", bad),
              HasSubstr("specimen 2 (ID k9): landmark 2. Estimate them from the complete"));
  EXPECT_EQ(state().DATA, before);
  EXPECT_EQ(state().FNAME1, "apes.txt");

  // Three-dimensional data is refused as such by every landmark loading action.
  const fs::path solid = writeFile("solid.tps", "LM3=8\n0 0 0\n");
  for (const char* action : {"LoadData", "LoadUData", "LoadReference"})
    EXPECT_THAT(refusal(action, solid), HasSubstr("Tessaly analyses two-dimensional landmarks"));
  EXPECT_EQ(state().DATA, before);
  EXPECT_EQ(state().UDATA.size(), 0);
}

// The apes as TPS with an undigitised placeholder and a partly digitised specimen: with the
// incomplete specimens skipped, a group list of every specimen of the file loses their lines and
// gives the analysis of the numeric files.
TEST_F(InputFilesTest, SkippedSpecimensLoseTheirLinesOfTheGroupList) {
  const Matrix apes = dload(example("apes.txt").string());
  const Matrix codes = dload(example("apes-groups.txt").string());
  auto exact = [](double x) {
    char b[32];
    return std::string(b, std::to_chars(b, b + sizeof b, x).ptr);
  };
  std::string tps, groups;
  for (Eigen::Index i = 0; i < apes.rows(); ++i) {
    if (i == 2) tps += "LM=0\nID=todo\n", groups += "1\n";
    if (i == 9) tps += "LM=2\n1 2\n3 4\n", groups += "5\n";
    tps += "LM=8\n";
    for (Eigen::Index j = 0; j < 8; ++j)
      tps += exact(apes(i, 2 * j)) + " " + exact(apes(i, 2 * j + 1)) + "\n";
    groups += num2str(codes(i)) + "\n";
  }
  const fs::path data = writeFile("apes.tps", tps), list = writeFile("groups.txt", groups);
  EXPECT_THAT(refusal("LoadData", data), HasSubstr("specimen 11 (2 landmarks)"));
  dialogs.messages.clear();
  dialogs.inputs.push_back(std::vector<std::string>{"skip", "refuse", "0", "skip"});
  runWithFile("LoadData", data);
  ASSERT_EQ(state().DATA.rows(), 167);
  EXPECT_EQ(state().FILESPECIMENS, 169u);
  runWithFile("LoadGroupList", list);
  const Matrix scores = state().CVAScores;
  EXPECT_THAT(dialogs.messages.front().text, HasSubstr("1 specimens have no landmarks (LM=0)"));
  // The same file as unknowns: their code list of every specimen of the file loses the same
  // lines.
  dialogs.inputs.push_back(std::vector<std::string>{"skip", "refuse", "0", "skip"});
  runWithFile("LoadUData", data);
  dialogs.messages.clear();
  runWithFile("LoadUGroup", list);
  EXPECT_EQ(state().UGLIST, state().GLIST);
  EXPECT_EQ(dialogs.messages.front().text,
            "The code list of the unknowns has one line for each of the 169 specimens of the "
            "unknowns' file; the lines of the 2 specimens that were skipped are left out");
  const AnalysisState fromNumbers = analyse("apes.txt", "apes-groups.txt");
  EXPECT_LT((scores - fromNumbers.CVAScores).cwiseAbs().maxCoeff(), 1e-9);
  // An answer that is no choice of its field is refused, and nothing is loaded.
  dialogs.inputs.push_back(std::vector<std::string>{"maybe"});
  EXPECT_THAT(refusal("LoadData", data), HasSubstr("must be one of refuse, skip"));
  EXPECT_EQ(state().FNAME1, "apes-groups.txt");
}

TEST_F(InputFilesTest, TpsReferenceAndUnknownsAreReadLikeTheData) {
  runWithFile("LoadData", example("apes.txt"));
  runWithFile("LoadReference", writeFile("ref.tps",
                                         "LM=8\r\n5 193\r\n53 -27\r\n0 0\r\n0 33\r\n-2 105\r\n"
                                         "18 176\r\n72 114\r\n92 38\r\nID=gorilla-f-01\r\n"));
  EXPECT_EQ(state().referencetype, scalar(1));
  EXPECT_EQ(dialogs.messages.back().text,
            "Successfully loaded reference file ref.tps with 8.000000 landmarks");
  runWithFile("LoadUData", example("apes.tps"));
  EXPECT_EQ(state().UDATA.rows(), 167);
  EXPECT_THAT(stringOf("FileBox"), HasSubstr("Unknown File: apes.tps \n 167 Specimens"));
}

// The apes with a curve of five points from landmark 1 to landmark 6, bulging and unevenly
// spaced, read with its points sliding: the landmarks stay, every point stays on its tangent
// line, and unknowns slide against the consensus of the specimens, not their own.
TEST_F(InputFilesTest, SlidingCurvesLoadSlidAndUnknownsSlideOntoTheSpecimens) {
  const Matrix apes = dload(example("apes.txt").string());
  const int n = 5;
  Matrix unslid(apes.rows(), 2 * (8 + n) + 1);
  std::string tps;
  for (Eigen::Index i = 0; i < apes.rows(); ++i) {
    tps += "LM=8\n";
    for (Eigen::Index j = 0; j < 8; ++j) {
      unslid.row(i).segment(2 * j, 2) = apes.row(i).segment(2 * j, 2);
      tps += num2str(apes(i, 2 * j)) + " " + num2str(apes(i, 2 * j + 1)) + "\n";
    }
    tps += "CURVES=1\nPOINTS=5\n";
    const double ax = apes(i, 0), ay = apes(i, 1), dx = apes(i, 10) - ax, dy = apes(i, 11) - ay;
    for (int p = 0; p < n; ++p) {
      const double s = std::pow((p + 0.5) / n, 1 + 0.002 * i), bulge = 0.2 * s * (1 - s);
      unslid(i, 16 + 2 * p) = std::round(ax + s * dx - bulge * dy);
      unslid(i, 17 + 2 * p) = std::round(ay + s * dy + bulge * dx);
      tps += num2str(unslid(i, 16 + 2 * p)) + " " + num2str(unslid(i, 17 + 2 * p)) + "\n";
    }
  }
  const fs::path data = writeFile("curve.tps", tps);
  const std::vector<std::string> slide = {"refuse", "refuse", "0", "slide"};
  dialogs.inputs.push_back(slide);
  runWithFile("LoadData", data);
  const Matrix slid = state().DATA;
  ASSERT_EQ(slid.cols(), unslid.cols());
  EXPECT_EQ(state().KINDS, LandmarkKinds({0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1}));
  EXPECT_EQ(slid.leftCols(16), apes.leftCols(16));
  double moved = 0;
  for (Eigen::Index i = 0; i < slid.rows(); ++i)
    for (int p = 1; p + 1 < n; ++p) {
      const Eigen::Index c = 16 + 2 * p;
      const double tx = unslid(i, c + 2) - unslid(i, c - 2),
                   ty = unslid(i, c + 3) - unslid(i, c - 1);
      const double mx = slid(i, c) - unslid(i, c), my = slid(i, c + 1) - unslid(i, c + 1);
      EXPECT_NEAR(mx * ty - my * tx, 0, 1e-9 * (tx * tx + ty * ty));
      moved = std::max(moved, std::hypot(mx, my));
    }
  EXPECT_GT(moved, 1.0);
  EXPECT_EQ(slid.col(slid.cols() - 1), shape::centsize(slid));

  // Three copies of the last specimen as unknowns are slid as it was among the specimens.
  std::string three = tps.substr(tps.rfind("LM="));
  three = three + three + three;
  dialogs.inputs.push_back(slide);
  runWithFile("LoadUData", writeFile("u.tps", three));
  const Eigen::Index last = slid.rows() - 1;
  const double size = slid(last, slid.cols() - 1);
  ASSERT_GT((slid.row(last) - unslid.row(last)).leftCols(26).cwiseAbs().maxCoeff(), 1e-3 * size);
  for (Eigen::Index i = 0; i < 3; ++i)
    EXPECT_LT((state().UDATA.row(i) - slid.row(last)).leftCols(26).cwiseAbs().maxCoeff(),
              1e-4 * size);
}

TEST_F(InputFilesTest, NamedGroupsGiveTheAnalysisOfTheCodesWithTheNamesInTheKey) {
  const AnalysisState fromCodes = analyse("apes.txt", "apes-groups.txt");
  run("ShowGrouping");
  const std::string table = results();
  const AnalysisState fromNames = analyse("apes.txt", "apes-groups-named.txt");
  EXPECT_EQ(fromNames.GLIST, fromCodes.GLIST);
  EXPECT_EQ(fromNames.CVAScores, fromCodes.CVAScores);
  EXPECT_EQ(fromNames.GNAMES, GroupNames(std::begin(kNames), std::end(kNames)));
  EXPECT_TRUE(fromCodes.GNAMES.empty());
  EXPECT_EQ(stringOf("GroupBox"), "File: apes-groups-named.txt \n 167 Specimens \n");

  run("ShowGrouping");
  EXPECT_EQ(results(), table +
                           "\n \nGroups:\n   1 = Gorilla female\n   2 = Gorilla male\n"
                           "   3 = Chimpanzee female\n   4 = Chimpanzee male\n"
                           "   5 = Orangutan female\n   6 = Orangutan male");
  const std::string members = readFile(save("SaveGroupListCVA", "members.txt"));
  EXPECT_EQ(members.rfind("Specimen OrdinalGroup  GroupCode CVAGroup GroupName CVAGroupName\n"
                          "1 1 1 1 \"Gorilla female\" \"Gorilla female\" \n",
                          0),
            0u);
  EXPECT_THAT(members, HasSubstr("\n167 6 6 6 \"Orangutan male\" \"Orangutan male\" \n"));
  // A list of codes loaded afterwards has no names any more.
  runWithFile("LoadGroupList", example("apes-groups.txt"));
  EXPECT_TRUE(state().GNAMES.empty());
  run("ClearData");
  EXPECT_TRUE(state().GNAMES.empty());
}

TEST_F(InputFilesTest,
       GroupsBeyondTheSymbolListGetSymbolsOfTheirOwnAndNamesMixedWithCodesAreRefused) {
  runWithFile("LoadData", writeMatrix("d.txt", syntheticData(30, 2, 4, 0.2, 0.01, 3)));
  std::string names;
  for (int i = 0; i < 60; ++i) names += "site " + std::string(1, char('A' + i / 2)) + "\n";
  runWithFile("LoadGroupList", writeFile("names.txt", names));
  ASSERT_EQ(state().GNAMES.size(), 30u);
  std::set<std::string> symbols;
  for (int g = 1; g <= 30; ++g) symbols.insert(listSymbol(g));
  EXPECT_EQ(symbols.size(), 30u);

  // A line of numbers among names: the list is neither, and the numeric reader says why.
  const fs::path mixed = writeFile("mixed.txt", "1\nGorilla\n");
  EXPECT_EQ(refusal("LoadGroupList", mixed),
            "Cannot read " + mixed.string() + ", line 2: \"Gorilla\" is not a number");
}

TEST_F(InputFilesTest, UnknownsNamedLikeTheGroupsTakeTheirCodes) {
  analyse("apes.txt", "apes-groups-named.txt");
  runWithFile("LoadUData", writeMatrix("u.txt", dload(example("apes.txt").string()).topRows(3)));
  runWithFile("LoadUGroup", writeFile("ucodes.txt", " Gorilla male\r\nGibbon\r\nGorilla male\r\n"));
  EXPECT_EQ(state().UGLIST, (Matrix(3, 1) << 2, 7, 2).finished());
  EXPECT_EQ(state().UGNAMES.size(), 7u);
  EXPECT_EQ(state().UGNAMES[6], "Gibbon");
  EXPECT_EQ(state().GNAMES.size(), 6u);

  const std::string members = readFile(save("SaveGroupListUNCVA", "unknowns.txt"));
  EXPECT_EQ(members,
            "Specimen# UserCode CVAGroup UserName CVAGroupName\n"
            "1 2 1 \"Gorilla male\" \"Gorilla female\" \n"
            "2 7 1 \"Gibbon\" \"Gorilla female\" \n"
            "3 2 1 \"Gorilla male\" \"Gorilla female\" \n");
}

TEST_F(InputFilesTest, CodesWithoutNamesWriteTheFilesAsBefore) {
  analyse("apes.txt", "apes-groups.txt");
  const std::string members = readFile(save("SaveGroupListCVA", "members.txt"));
  EXPECT_EQ(members.substr(0, 51), "Specimen OrdinalGroup  GroupCode CVAGroup\n1 1 1 1 \n");
  run("ShowGrouping");
  EXPECT_EQ(results().find("Groups:"), std::string::npos);
}

}  // namespace
}  // namespace tessaly::dispatch::testing
