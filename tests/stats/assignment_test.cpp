#include "stats/assignment.h"

#include <gtest/gtest.h>

namespace tessaly::stats {
namespace {

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

}  // namespace
}  // namespace tessaly::stats
