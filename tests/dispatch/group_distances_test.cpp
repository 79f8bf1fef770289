// The group distance and tidy table actions on the ape skulls: the files they write, read back
// and checked against the analysis state by an independent computation, and every refusal.
#include <charconv>

#include "core/dload.h"
#include "core/random.h"
#include "fixture.h"

namespace tessaly::dispatch::testing {
namespace {

class GroupDistancesTest : public DispatchTest {
 protected:
  void loadApes(const char* groups = "apes-groups-named.txt") {
    runWithFile("LoadData", example("apes.txt"));
    runWithFile("LoadGroupList", example(groups));
    ASSERT_TRUE(state().hasVstats);
    dialogs.messages.clear();
  }
  // The rows of a CSV file without quoted fields, split at commas.
  std::vector<std::vector<std::string>> readCsv(const fs::path& path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) {
      rows.emplace_back();
      std::istringstream fields(line);
      for (std::string f; std::getline(fields, f, ',');) rows.back().push_back(f);
    }
    return rows;
  }
  static std::string firstLine(const fs::path& path) {
    const std::string text = readFile(path);
    return text.substr(0, text.find('\n'));
  }
  static double number(const std::string& text) {
    double x = 0;
    std::from_chars(text.data(), text.data() + text.size(), x);
    return x;
  }
};

TEST_F(GroupDistancesTest, TableHoldsTheDistancesOfEveryPair) {
  loadApes();
  dialogs.inputs.push_back(std::vector<std::string>{"300"});
  dialogs.chooseSave(folder / "group-distances.csv");
  run("GroupDistances");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
  EXPECT_GT(dialogs.progressCalls, 0);
  EXPECT_EQ(dialogs.progressEnds, 1);

  const auto rows = readCsv(folder / "group-distances.csv");
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(firstLine(folder / "group-distances.csv"),
            "group_a,group_b,n_a,n_b,mahalanobis,p_mahalanobis,p_mahalanobis_holm,procrustes,"
            "p_procrustes,p_procrustes_holm");
  // Gorilla female against Chimpanzee male, from the state with an explicit inverse.
  const auto& s = state();
  const Matrix x = s.pwscores.leftCols(s.pwscores.cols() - 1);
  const Matrix c = s.DATA.leftCols(s.DATA.cols() - 1);
  Matrix W = Matrix::Zero(x.cols(), x.cols());
  RowVector m[2] = {RowVector::Zero(x.cols()), RowVector::Zero(x.cols())};
  RowVector cm[2] = {RowVector::Zero(c.cols()), RowVector::Zero(c.cols())};
  double n[2] = {0, 0};
  for (double g = 1; g <= 6; ++g) {
    std::vector<Eigen::Index> members;
    for (Eigen::Index i = 0; i < x.rows(); ++i)
      if (s.GLIST(i) == g) members.push_back(i);
    RowVector mean = RowVector::Zero(x.cols()), cmean = RowVector::Zero(c.cols());
    for (Eigen::Index i : members) mean += x.row(i) / double(members.size());
    for (Eigen::Index i : members) cmean += c.row(i) / double(members.size());
    for (Eigen::Index i : members) W += (x.row(i) - mean).transpose() * (x.row(i) - mean);
    const int slot = g == 1 ? 0 : g == 4 ? 1 : -1;
    if (slot < 0) continue;
    m[slot] = mean, cm[slot] = cmean, n[slot] = double(members.size());
  }
  W /= double(x.rows() - 6);
  const RowVector d = m[0] - m[1];
  const std::vector<std::string>& row = rows[3];
  ASSERT_EQ(row.size(), 10u);
  EXPECT_EQ(row[0], "Gorilla female");
  EXPECT_EQ(row[1], "Chimpanzee male");
  EXPECT_EQ(number(row[2]), n[0]);
  EXPECT_EQ(number(row[3]), n[1]);
  EXPECT_NEAR(number(row[4]), std::sqrt(d * W.inverse() * d.transpose()), 1e-10);
  EXPECT_NEAR(number(row[7]), (cm[0] - cm[1]).norm(), 1e-13);
  // Gorillas and chimpanzees differ beyond any doubt: p is its smallest value, 1/301.
  EXPECT_EQ(number(row[5]), 1.0 / 301);

  const std::string report = stringOf("AuxResults");
  for (const char* piece : {"permutation tests of 300 rounds, seed ", "Mahalanobis distances\n",
                            "Procrustes distances: Holm-adjusted p-values", "Wilks' lambda"})
    EXPECT_NE(report.find(piece), std::string::npos) << piece;
}

TEST_F(GroupDistancesTest, RefusalsAndAStoppedRunChangeNothing) {
  run("GroupDistances");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "There are no CVA results yet: load a group list first");
  loadApes("apes-groups.txt");
  const std::string results = stringOf("AuxResults");
  for (const char* rounds : {"0", "1.5", "abc", "10000001", ""}) {
    dialogs.messages.clear();
    dialogs.inputs.push_back(std::vector<std::string>{rounds});
    run("GroupDistances");
    ASSERT_EQ(dialogs.messages.size(), 1u) << rounds;
    EXPECT_EQ(dialogs.messages[0].text,
              "The number of permutation rounds must be a whole number from 1 to 10000000, not \"" +
                  std::string(rounds) + "\"");
  }
  dialogs.messages.clear();
  setRandomSeed(5);
  const RandomEngine before = randomEngine();
  dialogs.stopAt = 1000;
  dialogs.inputs.push_back(std::vector<std::string>{"10000"});
  dialogs.chooseSave(folder / "never.csv");
  run("GroupDistances");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "The permutation tests were stopped: nothing has changed");
  EXPECT_EQ(dialogs.progressEnds, 1);
  EXPECT_TRUE(dialogs.saveRequests.empty());
  EXPECT_EQ(stringOf("AuxResults"), results);
  EXPECT_TRUE(randomEngine() == before);
}

TEST_F(GroupDistancesTest, TidyTablesHoldSpecimensAndUnknowns) {
  loadApes("apes-groups.txt");
  runWithFile("LoadUData", writeMatrix("u.txt", dload(example("apes.txt").string()).topRows(2)));
  runWithFile("LoadUGroup", writeMatrix("uc.txt", Matrix::Constant(2, 1, 3)));
  dialogs.messages.clear();
  dialogs.chooseSave(folder / "shape.csv");
  dialogs.chooseSave(folder / "coords.csv");
  run("SaveTidyTables");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
  const auto shape = readCsv(folder / "shape.csv");
  const auto coords = readCsv(folder / "coords.csv");
  ASSERT_EQ(shape.size(), 1u + 167 + 2);
  ASSERT_EQ(coords.size(), 1u + 167 + 2);
  EXPECT_EQ(
      firstLine(folder / "shape.csv"),
      "specimen,label,image,group,set,pw1_x,pw1_y,pw2_x,pw2_y,pw3_x,pw3_y,pw4_x,pw4_y,pw5_x,pw5_y,"
      "uniform_1,uniform_2,centroid_size");
  EXPECT_EQ(firstLine(folder / "coords.csv"),
            "specimen,label,image,group,set,x1,y1,x2,y2,x3,y3,x4,y4,x5,y5,x6,y6,x7,y7,x8,y8");
  EXPECT_EQ(shape[1][0] + shape[1][1] + shape[1][2] + shape[1][3] + shape[1][4],
            "11"
            "1specimen");
  const auto& s = state();
  for (Eigen::Index j = 0; j < 13; ++j) EXPECT_EQ(number(shape[5][5 + j]), s.pwscores(4, j));
  for (Eigen::Index j = 0; j < 16; ++j) EXPECT_EQ(number(coords[5][5 + j]), s.DATA(4, j));
  EXPECT_EQ(shape[169][0], "2");
  EXPECT_EQ(shape[169][3], "3");
  EXPECT_EQ(shape[169][4], "unknown");
  for (Eigen::Index j = 0; j < 13; ++j) EXPECT_EQ(number(shape[169][5 + j]), s.UPWSCORES(1, j));
  for (Eigen::Index j = 0; j < 16; ++j) EXPECT_EQ(number(coords[169][5 + j]), s.UDATA(1, j));
}

}  // namespace
}  // namespace tessaly::dispatch::testing
