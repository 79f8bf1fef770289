#include "stats/assignment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/platform.h"
#include "support/test_doubles.h"

namespace tessaly::stats {
namespace {

namespace fs = std::filesystem;

using test_support::ScriptedDialogs;

class DistanceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::platform().setDialogs(&dialogs);
    start = fs::current_path();
    dir = fs::temp_directory_path() / ("tessaly-assign-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    platform::platform().setDialogs(nullptr);
    fs::current_path(start);
    fs::remove_all(dir);
  }
  platform::FileChoice choice(const std::string& name) { return {name, dir.string() + "/"}; }
  std::string read(const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  ScriptedDialogs dialogs;
  fs::path start, dir;
};

// Codes 5, 2, 5, 9 on a line: group means at 0 (code 5), 10 and 20.
const Matrix kX = (Matrix(4, 1) << -1, 10, 1, 20).finished();
const Matrix kCodes = (Matrix(4, 1) << 5, 2, 5, 9).finished();

TEST(Grpmean1, OrdinalGroupsTableAndCrossTabulation) {
  const GroupMean1Result r = grpmean1(kX, kCodes);
  EXPECT_EQ(r.symgroup, (Matrix(1, 3) << 5, 2, 9).finished());
  const Matrix y = (Matrix(4, 4) << 1, 5, 1, 1,  //
                    2, 2, 2, 0,                  // a group of one: its own mean
                    1, 5, 1, 1,                  //
                    3, 9, 3, 0)
                       .finished();
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.zmatrix, (Matrix(3, 3) << 2, 0, 0, 0, 1, 0, 0, 0, 1).finished());
  EXPECT_EQ(r.zmatrix2, r.zmatrix.cwiseMin(1.0));
  EXPECT_FALSE(r.unknownsProcessed);

  // A misassigned specimen: row sums stay the group sizes, fractions sum to 1.
  const Matrix x2 = (Matrix(5, 1) << 0, 8, 10, 12, 3).finished();
  const Matrix c2 = (Matrix(5, 1) << 1, 1, 2, 2, 2).finished();
  const GroupMean1Result r2 = grpmean1(x2, c2);
  EXPECT_EQ(r2.zmatrix, (Matrix(2, 2) << 1, 1, 1, 2).finished());
  EXPECT_TRUE(r2.zmatrix2.isApprox((Matrix(2, 2) << 0.5, 0.5, 1.0 / 3, 2.0 / 3).finished()));
}

TEST(Grpmean1, TiesGoToTheGroupThatAppearedFirst) {
  // Means at 0 (code 7, first) and 10 (code 3); a specimen at 5 is as near to both. Its own
  // code is 3 and it shifts the mean of 3, so use a 2-D layout that keeps the means fixed.
  const Matrix x = (Matrix(5, 2) << 0, 1, 0, -1, 10, 1, 10, -1, 5, 0).finished();
  const Matrix codes = (Matrix(5, 1) << 7, 7, 3, 3, 8).finished();
  const GroupMean1Result r = grpmean1(x, codes, (Matrix(1, 2) << 5, 0).finished(), scalar(99));
  // Unknown at (5, 0): means (0,0), (10,0), (5,0) -> nearest is its own group 3 (distance 0).
  EXPECT_EQ(r.yunknown(0, 1), 3);
  const GroupMean1Result tie =
      grpmean1(x.topRows(4), codes.topRows(4), (Matrix(2, 2) << 5, 0, 5, 3).finished(),
               (Matrix(2, 1) << 3, 3).finished());
  EXPECT_EQ(tie.yunknown(0, 1), 1);  // code 7 appeared first
  EXPECT_EQ(tie.yunknown(1, 1), 1);
  EXPECT_DOUBLE_EQ(tie.yunknown(0, 2), 5);
}

TEST(Grpmean1, UnknownsAreAssignedWithoutChangingTheMeans) {
  const Matrix xun = (Matrix(3, 1) << 19, -3, 11).finished();
  const GroupMean1Result a = grpmean1(kX, kCodes, xun, (Matrix(3, 1) << 2, 2, 2).finished());
  const GroupMean1Result b = grpmean1(kX, kCodes, xun, (Matrix(3, 1) << 9, 5, -4).finished());
  ASSERT_TRUE(a.unknownsProcessed);
  // The user's codes are carried, never matched.
  EXPECT_EQ(a.yunknown.rightCols(2), b.yunknown.rightCols(2));
  EXPECT_EQ(b.yunknown.col(0), (Matrix(3, 1) << 9, 5, -4).finished());
  EXPECT_EQ(a.yunknown.col(1), (Matrix(3, 1) << 3, 1, 2).finished());
  EXPECT_EQ(a.zmunknown, (Matrix(1, 3) << 1, 1, 1).finished());
  EXPECT_EQ(a.udmatrix.row(1), (Matrix(1, 3) << 3, 13, 23).finished());
  EXPECT_EQ(a.y, grpmean1(kX, kCodes).y);

  // Three inputs and no unknowns: zero counts, empty tables.
  const GroupMean1Result e = grpmean1(kX, kCodes, Matrix(), Matrix());
  EXPECT_TRUE(e.unknownsProcessed);
  EXPECT_EQ(e.zmunknown, Matrix::Zero(1, 3));
  EXPECT_EQ(e.yunknown.rows(), 0);
  EXPECT_EQ(e.udmatrix.rows(), 0);

  const GroupMean2Result g2 = grpmean2(kX, kCodes, xun, Matrix(3, 1).setZero());
  EXPECT_EQ(g2.gcount, 3);
  EXPECT_EQ(g2.dmatrix.row(1), (Matrix(1, 3) << 10, 0, 10).finished());
  EXPECT_EQ(g2.udmatrix, a.udmatrix);
}

TEST_F(DistanceFile, WrittenByteForByteAndAppended) {
  const Matrix xun = (Matrix(1, 1) << 4).finished();
  const Matrix sd = (Matrix(3, 1) << 2, 4, 0.5).finished();
  const Matrix mean = (Matrix(3, 1) << 1, 2, 8).finished();
  dialogs.answers = {"Yes", "Yes"};
  dialogs.saves = {choice("dist.txt"), choice("dist.txt")};
  fs::current_path(fs::temp_directory_path());
  grpmean1(kX, kCodes, xun, scalar(1), 1, sd, mean);
  EXPECT_EQ(fs::current_path(), dir);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[0],
            "question Do you want to save the matrix of distances from each specimen to each "
            "group mean? | All Distances Calculated, Specimens from Means | [Yes][No][Cancel]");
  EXPECT_EQ(dialogs.asked[1], "putFile *.* File Name for Distances of all Specimens");
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
  EXPECT_EQ(read("dist.txt"), block);
  grpmean1(kX, kCodes, xun, scalar(1), 1, sd, mean);
  EXPECT_EQ(read("dist.txt"), block + block);
}

TEST_F(DistanceFile, OnlyAnAnswerStartingWithYGoesOn) {
  dialogs.answers = {"No", "", "Cancel", "yes"};
  dialogs.saves = {choice("never.txt")};
  for (int k = 0; k < 4; ++k) {
    grpmean1(kX, kCodes, Matrix(), Matrix(), 1, Matrix::Ones(3, 1), Matrix::Ones(3, 1));
  }
  EXPECT_EQ(dialogs.asked.size(), 4u);  // four questions, no file dialog
  EXPECT_FALSE(fs::exists(dir / "never.txt"));

  // A cancelled file dialog writes nothing; savereq 0 or two inputs ask nothing.
  dialogs.asked.clear();
  dialogs.answers = {"Yes"};
  dialogs.saves = {std::nullopt};
  grpmean1(kX, kCodes, Matrix(), Matrix(), 1, Matrix::Ones(3, 1), Matrix::Ones(3, 1));
  grpmean1(kX, kCodes, Matrix(), Matrix(), 0, Matrix::Ones(3, 1), Matrix::Ones(3, 1));
  grpmean2(kX, kCodes);
  EXPECT_EQ(dialogs.asked.size(), 2u);
  EXPECT_TRUE(fs::is_empty(dir));

  // grpmean2 offers the same file; without unknowns there is no unknowns block.
  dialogs.answers = {"Yes"};
  dialogs.saves = {choice("two.txt")};
  grpmean2(kX.topRows(2), kCodes.topRows(2), Matrix(), Matrix(), 1, Matrix::Ones(2, 1),
           Matrix::Ones(2, 1));
  EXPECT_EQ(read("two.txt"),
            "Original Specimens, followed by distances to group means, distances normalized by "
            "STDEV, and Distances Normalized by the Mean \nSpecimen \n"
            "1  0.000000  11.000000  -  0.000000  11.000000  -  0.000000  11.000000 \n"
            "2  11.000000  0.000000  -  11.000000  0.000000  -  11.000000  0.000000 \n"
            "Unknown Specimens, followed by distances to group means \nSpecimen \n");
}

}  // namespace
}  // namespace tessaly::stats
