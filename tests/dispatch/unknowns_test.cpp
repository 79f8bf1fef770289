// A loaded reference, and unknown specimens scored on the axes of the CVA run.
#include <cmath>

#include "core/dload.h"
#include "dispatch/cva_run.h"
#include "fixture.h"
#include "stats/assignment.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;

class UnknownsTest : public DispatchTest {
 protected:
  Matrix raw() { return dload(example("apes.txt").string()); }
};

TEST_F(UnknownsTest, ReferenceOfOneRowIsDrawnAndNormalised) {
  runWithFile("LoadData", example("apes.txt"));
  const Matrix row = raw().row(2);
  runWithFile("LoadReference", writeMatrix("ref.txt", row));

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "Successfully loaded reference file ref.txt with 8.000000 landmarks");
  EXPECT_EQ(dialogs.messages[0].title, "Reference Loaded");
  EXPECT_EQ(state().referencetype, scalar(1));
  // Drawn as loaded, in red circles.
  const auto points = drawnPoints();
  ASSERT_EQ(points.size(), 8u);
  EXPECT_EQ(points[1], std::make_pair(row(2), row(3)));
  for (platform::Handle h : drawn()) {
    EXPECT_EQ(model().get(h, "Marker").toText(), "o");
    EXPECT_EQ(model().get(h, "Color").matrix(), Matrix(RowVector{{1, 0, 0}}));
  }
  // Stored centred, with unit centroid size.
  const Matrix& ref = state().reference;
  double sx = 0, sy = 0, ss = 0;
  for (int j = 0; j < 8; ++j) {
    sx += ref(2 * j);
    sy += ref(2 * j + 1);
    ss += ref(2 * j) * ref(2 * j) + ref(2 * j + 1) * ref(2 * j + 1);
  }
  EXPECT_NEAR(sx, 0, 1e-12);
  EXPECT_NEAR(sy, 0, 1e-12);
  EXPECT_NEAR(ss, 1, 1e-12);
  // Differences of coordinates shrink by the centroid size of the loaded row.
  double cx = 0, cy = 0, size = 0;
  for (int j = 0; j < 8; ++j) cx += row(2 * j) / 8, cy += row(2 * j + 1) / 8;
  for (int j = 0; j < 8; ++j)
    size += std::pow(row(2 * j) - cx, 2) + std::pow(row(2 * j + 1) - cy, 2);
  EXPECT_NEAR(ref(1) - ref(3), (row(1) - row(3)) / std::sqrt(size), 1e-12);
}

// A reference that does not fit is reported, the consensus is used next time, and the
// reference of the current analysis is not replaced by the unusable one.
TEST_F(UnknownsTest, UnfitReferenceRevertsToTheConsensus) {
  runWithFile("LoadData", example("apes.txt"));
  state().reference = Matrix::Constant(1, 17, 0.25);
  state().referencetype = scalar(1);
  runWithFile("LoadReference", writeMatrix("two.txt", raw().topRows(2)));
  runWithFile("LoadReference", writeMatrix("short.txt", raw().leftCols(15).topRows(1)));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text,
            "The reference file had more than 1 specimen,  Reverting to consensus specimen");
  EXPECT_TRUE(dialogs.messages[0].error);
  EXPECT_EQ(dialogs.messages[1].text,
            "The number of landmarks in the reference does not match the number of landmarks "
            "in the data, Reverting to consensus reference");
  EXPECT_TRUE(dialogs.messages[1].error);
  EXPECT_EQ(state().referencetype, scalar(0));
  EXPECT_EQ(state().reference, Matrix::Constant(1, 17, 0.25));
  EXPECT_TRUE(drawn().empty());
}

TEST_F(UnknownsTest, UnknownsAreScoredOnTheAxesOfTheRun) {
  runWithFile("LoadData", example("apes.txt"));
  runWithFile("LoadGroupList", example("apes-groups.txt"));
  // Three of the specimens, in their raw coordinates, brought in as unknowns.
  runWithFile("LoadUData", writeMatrix("u.txt", raw().topRows(3)));
  Matrix codes(3, 1);
  codes << 1, 1, 2;
  runWithFile("LoadUGroup", writeMatrix("ucodes.txt", codes));
  ASSERT_EQ(dialogs.messages.size(), 1u) << dialogs.messages.back().text;

  const auto& s = state();
  EXPECT_EQ(s.UNKNOWNACTIVE, scalar(1));
  EXPECT_EQ(s.UGLIST, codes);
  EXPECT_EQ(s.FNAME1, "ucodes.txt");
  EXPECT_EQ(stringOf("GroupBox"), "Unknown File: ucodes.txt \n   3 Specimens \n");
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
  // Superimposed on the same reference, they get the scores of the specimens they are.
  ASSERT_EQ(s.UCVASCORES.rows(), 3);
  EXPECT_LT((s.UCVASCORES - s.CVAScores.topRows(3)).cwiseAbs().maxCoeff(), 1e-9);
  EXPECT_LT((s.UPWSCORES.leftCols(12) - s.pwscores.topRows(3).leftCols(12)).cwiseAbs().maxCoeff(),
            1e-9);
  // On the unscaled axes they are the specimens' own canonical variables.
  EXPECT_LT((s.NUCVASCORES - s.vstats.canon.topRows(3)).cwiseAbs().maxCoeff(), 1e-9);
  // Unknowns, then the specimens twice.
  EXPECT_EQ(drawnPoints().size(), 3u * 8u + 2u * 167u * 8u);

  // From now on the score plot shows the unknowns too.
  run("ShowPCAAxis");
  EXPECT_EQ(drawn().size(), 167u + 3u);
}

// With a loaded reference the specimens' shape variables have column means far from 0. Copies
// of specimens must still be classified as those specimens: on `canon`'s frame.
TEST_F(UnknownsTest, CopiesOfSpecimensGetTheirDistancesWithALoadedReference) {
  runWithFile("LoadData", example("apes.txt"));
  runWithFile("LoadReference", writeMatrix("ref.txt", raw().row(40)));
  runWithFile("LoadGroupList", example("apes-groups.txt"));
  const Matrix glist = state().GLIST;
  // The first specimen of each group.
  std::vector<Eigen::Index> rows;
  for (double g = 1; g <= glist.maxCoeff(); ++g)
    for (Eigen::Index i = 0; i < glist.rows(); ++i)
      if (glist(i) == g) {
        rows.push_back(i);
        break;
      }
  ASSERT_GE(rows.size(), 2u);
  Matrix copies(static_cast<Eigen::Index>(rows.size()), raw().cols());
  Matrix codes(copies.rows(), 1);
  for (Eigen::Index r = 0; r < copies.rows(); ++r) {
    copies.row(r) = raw().row(rows[r]);
    codes(r) = glist(rows[r]);
  }
  runWithFile("LoadUData", writeMatrix("u.txt", copies));
  runWithFile("LoadUGroup", writeMatrix("uc.txt", codes));
  ASSERT_EQ(dialogs.messages.size(), 2u) << dialogs.messages.back().text;

  const auto& s = state();
  const Eigen::Index k = static_cast<Eigen::Index>(s.NumCVA(0));
  ASSERT_GE(k, 1);
  const Matrix K = s.vstats.canon.leftCols(k);
  const Matrix U = s.NUCVASCORES.leftCols(k);
  const stats::GroupMean1Result r = stats::grpmean1(K, glist, U, codes);
  for (Eigen::Index u = 0; u < U.rows(); ++u) {
    const Eigen::Index i = rows[u];
    EXPECT_LT((U.row(u) - K.row(i)).cwiseAbs().maxCoeff(), 1e-8) << "copy of specimen " << i;
    EXPECT_EQ(r.yunknown(u, 1), r.y(i, 2)) << "copy of specimen " << i;
    EXPECT_NEAR(r.yunknown(u, 2), r.y(i, 3), 1e-8);
  }
  // The plotted scores keep the frame of the specimens' CVA scores.
  for (Eigen::Index u = 0; u < U.rows(); ++u)
    EXPECT_LT((s.UCVASCORES.row(u) - s.CVAScores.row(rows[u])).cwiseAbs().maxCoeff(), 1e-8);
}

TEST_F(UnknownsTest, UnknownCodesThatDoNotFitChangeNothing) {
  // Before the CVA run.
  runWithFile("LoadData", example("apes.txt"));
  runWithFile("LoadUData", writeMatrix("u.txt", raw().topRows(3)));
  runWithFile("LoadUGroup", writeMatrix("c.txt", Matrix::Ones(3, 1)));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, HasSubstr("Run the CVA"));

  runWithFile("LoadGroupList", example("apes-groups.txt"));
  const AnalysisState before = state();
  const std::string groupBox = stringOf("GroupBox");
  dialogs.messages.clear();
  runWithFile("LoadUGroup", writeMatrix("two.txt", Matrix::Ones(2, 1)));
  runWithFile("LoadUGroup", writeMatrix("bad.txt", Matrix::Constant(3, 1, 2.5)));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text,
            "Error: The unknown data has 3 entries, the group list has 2");
  EXPECT_THAT(dialogs.messages[1].text, HasSubstr("2.5"));
  const auto& s = state();
  EXPECT_EQ(s.UDATA, before.UDATA);
  EXPECT_EQ(s.DATA, before.DATA);
  EXPECT_EQ(s.UGLIST.size(), 0);
  EXPECT_EQ(s.UCVASCORES.size(), 0);
  EXPECT_EQ(s.FNAME1, before.FNAME1);
  EXPECT_EQ(s.UNKNOWNACTIVE.size(), 0);
  EXPECT_EQ(stringOf("GroupBox"), groupBox);
}

}  // namespace
}  // namespace tessaly::dispatch::testing
