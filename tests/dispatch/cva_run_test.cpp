// The group list and the CVA run, checked against values worked out here from the scores:
// the within- and between-group matrices, the canonical axes' properties and the report texts.
#include "dispatch/cva_run.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/dload.h"
#include "fixture.h"
#include "platform/window_files.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;
constexpr double kEps = std::numeric_limits<double>::epsilon();

std::string cprintf(const char* format, auto... values) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

// Within- and between-group sums of squares and products of the rows of x.
void sscp(const Matrix& x, const Matrix& groups, Matrix& W, Matrix& B) {
  const RowVector grand = x.colwise().mean();
  W = Matrix::Zero(x.cols(), x.cols());
  B = W;
  for (int g = 1; g <= static_cast<int>(groups.maxCoeff()); ++g) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index i = 0; i < x.rows(); ++i)
      if (groups(i) == g) rows.push_back(i);
    if (rows.empty()) continue;
    Matrix xg(rows.size(), x.cols());
    for (size_t r = 0; r < rows.size(); ++r) xg.row(r) = x.row(rows[r]);
    const RowVector mean = xg.colwise().mean();
    const Matrix centred = xg.rowwise() - mean;
    W += centred.transpose() * centred;
    B += static_cast<double>(rows.size()) * (mean - grand).transpose() * (mean - grand);
  }
}

class CvaRunTest : public DispatchTest {
 protected:
  void runApes() {
    runWithFile("LoadData", example("apes.txt"));
    runWithFile("LoadGroupList", example("apes-groups.txt"));
  }
  // The report and message texts as the run should write them, built from its numbers.
  static std::string expectedReport(const AnalysisState& s) {
    std::string text = "Results from CVA/Manova \n \n ";
    for (int i = 1; i <= static_cast<int>(s.d(0)); ++i) {
      const double p = s.p(i - 1);
      text += cprintf("\nAxis %d Lambda= %3.4f chisq=%3.4f df=%d ", i, s.vstats.lambda(i - 1),
                      s.vstats.chisq(i - 1), static_cast<int>(s.vstats.chisqdf(i - 1)));
      text += p < kEps ? "p<2.22045e-16" : cprintf("p=%3.6g", p);
    }
    return text;
  }
  static std::string expectedMessage(const AnalysisState& s) {
    std::string text =
        cprintf("There were %3.0f distinct canonical variates, the p-scores were ", s.d(0));
    for (int i = 1; i <= static_cast<int>(s.d(0)); ++i)
      text += s.p(i - 1) < kEps ? " <2.22045e-16, " : cprintf(" %1.6g, ", s.p(i - 1));
    return text;
  }
};

TEST_F(CvaRunTest, ApesRunLeavesConsistentResults) {
  runApes();
  const auto& s = state();
  ASSERT_TRUE(dialogs.messages.size() == 1u)
      << (dialogs.messages.empty() ? "" : dialogs.messages[0].text);

  EXPECT_EQ(s.GLIST, dload(example("apes-groups.txt").string()));
  EXPECT_EQ(s.FNAME1, "apes-groups.txt");
  EXPECT_EQ(stringOf("GroupBox"), "File: apes-groups.txt \n 167 Specimens \n");
  EXPECT_EQ(prop("LoadReference", "Enable").toText(), "Off");
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
  EXPECT_EQ(model().get(auxFigure, "Pointer").toText(), "arrow");

  // The specimens are superimposed: centred, unit centroid size, sizes kept in the last column.
  const Matrix raw = dload(example("apes.txt").string());
  ASSERT_EQ(s.DATA.rows(), 167);
  for (Eigen::Index i = 0; i < s.DATA.rows(); i += 20) {
    double sx = 0, sy = 0, ss = 0;
    for (int j = 0; j < 8; ++j) {
      sx += s.DATA(i, 2 * j);
      sy += s.DATA(i, 2 * j + 1);
      ss += s.DATA(i, 2 * j) * s.DATA(i, 2 * j) + s.DATA(i, 2 * j + 1) * s.DATA(i, 2 * j + 1);
    }
    EXPECT_NEAR(sx, 0, 1e-12);
    EXPECT_NEAR(sy, 0, 1e-12);
    EXPECT_NEAR(ss, 1, 1e-12);
    EXPECT_DOUBLE_EQ(s.DATA(i, 16), raw(i, 16));
  }
  // Every landmark of every specimen is drawn.
  EXPECT_EQ(drawnPoints().size(), 167u * 8u);

  // Canonical axes: 12 shape variables, unit columns, in decreasing order of eigenvalue.
  ASSERT_EQ(s.pwscores.rows(), 167);
  ASSERT_EQ(s.pwscores.cols(), 13);
  ASSERT_EQ(s.Vmatrix.rows(), 12);
  ASSERT_EQ(s.Vmatrix.cols(), 12);
  for (Eigen::Index j = 0; j < 12; ++j) EXPECT_NEAR(s.Vmatrix.col(j).norm(), 1, 1e-12);
  EXPECT_EQ(s.Dmatrix, s.vstats.eigenval);
  for (Eigen::Index j = 1; j < 12; ++j) EXPECT_GE(s.Dmatrix(j - 1), s.Dmatrix(j));

  // The axes diagonalise the within- and between-group matrices of the scores, with the
  // eigenvalues as the ratios: the defining property of canonical variates.
  Matrix W, B;
  sscp(s.pwscores.leftCols(12), s.GLIST, W, B);
  const Matrix VW = s.Vmatrix.transpose() * W * s.Vmatrix;
  const Matrix VB = s.Vmatrix.transpose() * B * s.Vmatrix;
  for (Eigen::Index a = 0; a < 5; ++a) {
    EXPECT_NEAR(VB(a, a) / VW(a, a), s.Dmatrix(a), 1e-7 * s.Dmatrix(0));
    for (Eigen::Index b = 0; b < 12; ++b) {
      if (a != b) {
        EXPECT_NEAR(VW(a, b) / std::sqrt(VW(a, a) * VW(b, b)), 0, 1e-7);
      }
    }
  }
  // Wilks' lambda over all dimensions, from the eigenvalues, and against the published figure
  // for these skulls.
  double lambda = 1;
  for (Eigen::Index j = 0; j < 12; ++j) lambda /= 1 + s.Dmatrix(j);
  EXPECT_NEAR(s.vstats.lambda(0), lambda, 1e-9);
  EXPECT_NEAR(s.vstats.lambda(0), 0.004014, 0.0002);

  // Scores: one number, the mean of the last shape variable, is taken from every element.
  const double c = s.pwscores.col(11).mean();
  const Matrix expected = (s.pwscores.leftCols(12).array() - c).matrix() * s.Vmatrix;
  EXPECT_LT((s.CVAScores - expected).cwiseAbs().maxCoeff(), 1e-12);

  // Report, message and boxes.
  ASSERT_GE(s.d(0), 1);
  EXPECT_LE(s.d(0), 5);
  EXPECT_EQ(model().get(auxResults, "String").toText(), expectedReport(s));
  EXPECT_THAT(expectedReport(s), HasSubstr("p<2.22045e-16"));
  EXPECT_EQ(dialogs.messages[0].text, expectedMessage(s));
  EXPECT_EQ(dialogs.messages[0].title, "CVA Complete");
  EXPECT_EQ(s.NumCVA, s.d);
  EXPECT_EQ(stringOf("XBox"), "1");
  EXPECT_EQ(stringOf("YBox"), "2");
  EXPECT_EQ(stringOf("XBoxExp"), cprintf("%1.4f", s.Dmatrix(0)));
  EXPECT_EQ(stringOf("YBoxExp"), cprintf("%1.4f", s.Dmatrix(1)));
}

TEST_F(CvaRunTest, ThreeGroupsGiveAtMostTwoAxes) {
  const Matrix data = syntheticData(3, 10, 8, 0.3, 0.02, 7);
  runWithFile("LoadData", writeMatrix("three.txt", data));
  runWithFile("LoadGroupList", writeMatrix("three-groups.txt", codes(3, 10)));
  const auto& s = state();
  ASSERT_EQ(dialogs.messages.size(), 1u) << dialogs.messages[0].text;
  EXPECT_EQ(s.d, scalar(2));
  const std::string report = model().get(auxResults, "String").toText();
  EXPECT_EQ(report, expectedReport(s));
  EXPECT_THAT(report, HasSubstr("\nAxis 2 "));
  EXPECT_EQ(report.find("\nAxis 3 "), std::string::npos);
  EXPECT_EQ(s.Vmatrix.cols(), 12);
}

TEST_F(CvaRunTest, NoSignificantDimensionReportsOnlyTheHeader) {
  // Groups drawn from one population: the first dimension test is not significant.
  const Matrix data = syntheticData(3, 15, 5, 0.0, 0.05, 11);
  runWithFile("LoadData", writeMatrix("null.txt", data));
  runWithFile("LoadGroupList", writeMatrix("null-groups.txt", codes(3, 15)));
  const auto& s = state();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  ASSERT_GT(s.p(0), 0.05);
  EXPECT_EQ(s.d, scalar(0));
  EXPECT_EQ(model().get(auxResults, "String").toText(), "Results from CVA/Manova \n \n ");
  EXPECT_EQ(dialogs.messages[0].text,
            "There were   0 distinct canonical variates, the p-scores were ");
  EXPECT_EQ(s.NumCVA, scalar(0));
  EXPECT_EQ(s.CVAScores.rows(), 45);
}

// A wrong group list is refused before anything changes: the data stay as loaded, nothing is
// cleared or drawn, and the reference can still be loaded.
TEST_F(CvaRunTest, WrongGroupListChangesNothing) {
  runWithFile("LoadData", example("apes.txt"));
  model().create("line", mainAxes);
  const Matrix raw = state().DATA;
  const Matrix groups = dload(example("apes-groups.txt").string());

  runWithFile("LoadGroupList", writeMatrix("short.txt", groups.topRows(166)));
  Matrix longer(168, 1);
  longer << groups, scalar(1);
  runWithFile("LoadGroupList", writeMatrix("long.txt", longer));
  Matrix badCode = groups;
  badCode(40) = 0;  // codes are positive
  runWithFile("LoadGroupList", writeMatrix("code0.txt", badCode));
  badCode(40) = 1.5;
  runWithFile("LoadGroupList", writeMatrix("half.txt", badCode));
  runWithFile("LoadGroupList", writeMatrix("wide.txt", Matrix::Ones(167, 2)));

  ASSERT_EQ(dialogs.messages.size(), 5u);
  EXPECT_EQ(dialogs.messages[0].text, "Error: The data has 167 entries, the group list has 166");
  EXPECT_TRUE(dialogs.messages[0].error);
  EXPECT_EQ(dialogs.messages[1].text, "Error: The data has 167 entries, the group list has 168");
  EXPECT_THAT(dialogs.messages[2].text, HasSubstr("Line 41 of the group list holds 0"));
  EXPECT_THAT(dialogs.messages[3].text, HasSubstr("Line 41 of the group list holds 1.5"));
  EXPECT_THAT(dialogs.messages[4].text, HasSubstr("one group code per line"));

  const auto& s = state();
  EXPECT_EQ(s.DATA, raw);
  EXPECT_EQ(s.GLIST.size(), 0);
  EXPECT_EQ(s.reference.size(), 0);
  EXPECT_EQ(s.pwscores.size(), 0);
  EXPECT_EQ(s.FNAME1, "apes.txt");
  EXPECT_EQ(stringOf("GroupBox"), "No File Loaded");
  EXPECT_EQ(prop("LoadReference", "Enable").toText(), "On");
  EXPECT_EQ(drawn().size(), 1u);
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
}

// A MANOVA that cannot be computed (more shape variables than the specimens support) stops
// the run with its message; the steps before it stay, and the pointer is an arrow again.
// What a failed run must leave exactly as it was.
void expectSameAnalysis(const AnalysisState& a, const AnalysisState& b) {
  EXPECT_EQ(a.DATA, b.DATA);
  EXPECT_EQ(a.GLIST, b.GLIST);
  EXPECT_EQ(a.FNAME1, b.FNAME1);
  EXPECT_EQ(a.reference, b.reference);
  EXPECT_EQ(a.referencetype, b.referencetype);
  EXPECT_EQ(a.pwscores, b.pwscores);
  EXPECT_EQ(a.d, b.d);
  EXPECT_EQ(a.p, b.p);
  EXPECT_EQ(a.NumCVA, b.NumCVA);
  EXPECT_EQ(a.Vmatrix, b.Vmatrix);
  EXPECT_EQ(a.Dmatrix, b.Dmatrix);
  EXPECT_EQ(a.CVAScores, b.CVAScores);
  EXPECT_EQ(a.vstats.canon, b.vstats.canon);
  EXPECT_EQ(a.vstats.eigenvec, b.vstats.eigenvec);
  EXPECT_EQ(a.hasVstats, b.hasVstats);
}

// A run that fails part-way (the MANOVA on a singular within-group matrix, a loaded reference
// that does not fit) changes nothing: the state, the plot, the boxes and the results window are
// those of the earlier run, and the pointer is the arrow.
TEST_F(CvaRunTest, FailedRunLeavesTheEarlierAnalysisWhole) {
  const Matrix data = syntheticData(2, 10, 8, 0.3, 0.02, 3);
  runWithFile("LoadData", writeMatrix("few.txt", data));
  runWithFile("LoadGroupList", writeMatrix("two-groups.txt", codes(2, 10)));
  ASSERT_EQ(dialogs.messages.size(), 1u) << dialogs.messages[0].text;
  run("ShowGrouping");
  const std::string grouping = model().get(auxResults, "String").toText();
  runWithFile("LoadGroupList", writeMatrix("two-groups.txt", codes(2, 10)));
  const AnalysisState before = state();
  const std::string report = model().get(auxResults, "String").toText();
  const std::string groupBox = stringOf("GroupBox");
  const size_t lines = drawn().size();
  ASSERT_GT(lines, 0u);

  // Thirteen groups among twenty specimens leave 7 degrees of freedom for 12 variables.
  Matrix thirteen(20, 1);
  for (int i = 0; i < 20; ++i) thirteen(i) = 1 + i % 13;
  dialogs.messages.clear();
  runWithFile("LoadGroupList", writeMatrix("thirteen.txt", thirteen));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Tessaly Error");
  EXPECT_THAT(console.text, ::testing::EndsWith(dialogs.messages[0].text + "\n"));
  expectSameAnalysis(state(), before);
  EXPECT_EQ(model().get(auxResults, "String").toText(), report);
  EXPECT_EQ(stringOf("GroupBox"), groupBox);
  EXPECT_EQ(drawn().size(), lines);
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
  // The next action still works on the two-group analysis.
  run("ShowGrouping");
  EXPECT_EQ(model().get(auxResults, "String").toText(), grouping);

  // A loaded reference of the wrong size is refused by the run before anything changes.
  state().reference = Matrix::Ones(1, 9);
  state().referencetype = scalar(1);
  AnalysisState withReference = state();
  dialogs.messages.clear();
  runWithFile("LoadGroupList", writeMatrix("two-groups.txt", codes(2, 10)));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, ::testing::HasSubstr("The reference has 1 rows of 9"));
  expectSameAnalysis(state(), withReference);
  EXPECT_EQ(drawn().size(), lines);
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
}

TEST_F(CvaRunTest, LoadedReferenceIsUsedCentredAndScaled) {
  const Matrix raw = dload(example("apes.txt").string());
  runWithFile("LoadData", example("apes.txt"));
  fs::path refFile = writeMatrix("ref.txt", raw.row(5) * 3.0);
  runWithFile("LoadReference", refFile);
  ASSERT_EQ(state().referencetype, scalar(1));
  runWithFile("LoadGroupList", example("apes-groups.txt"));

  // Centre and scale the loaded row by hand.
  Matrix ref = raw.row(5) * 3.0;
  double mx = 0, my = 0;
  for (int j = 0; j < 8; ++j) mx += ref(2 * j) / 8, my += ref(2 * j + 1) / 8;
  double ss = 0;
  for (int j = 0; j < 8; ++j) {
    ref(2 * j) -= mx;
    ref(2 * j + 1) -= my;
    ss += ref(2 * j) * ref(2 * j) + ref(2 * j + 1) * ref(2 * j + 1);
  }
  ref.leftCols(16) /= std::sqrt(ss);
  EXPECT_LT((state().reference.leftCols(16) - ref.leftCols(16)).cwiseAbs().maxCoeff(), 1e-12);

  // With the consensus instead the reference differs.
  const Matrix loadedRun = state().reference;
  run("ClearData");
  runWithFile("LoadData", example("apes.txt"));
  runWithFile("LoadGroupList", example("apes-groups.txt"));
  EXPECT_GT((state().reference.leftCols(16) - loadedRun.leftCols(16)).cwiseAbs().maxCoeff(), 1e-3);
}

// The results text is found again when its window was closed: the window is reopened from its
// description file.
TEST_F(CvaRunTest, ResultsWindowIsReopenedWhenClosed) {
  model().remove(auxFigure);
  writeFile("AuxBox.fig", R"({"format": "tessaly-window", "version": 1,
    "figure": {"properties": {"Name": "Results"},
               "children": [{"type": "uicontrol",
                             "properties": {"Tag": "AuxResults", "Style": "edit"}}]}})");
  platform::setResourceFolder(folder.string());
  runApes();
  platform::setResourceFolder("");
  auto found = model().findobj("Tag", platform::Value("AuxResults"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(model().get(found[0], "String").toText(), expectedReport(state()));
  EXPECT_EQ(model().get(mainFigure, "Pointer").toText(), "arrow");
}

// In within-group units the pooled within-group variance of the scores along every axis is 1,
// worked out from the groups directly; the saved scores and the plot follow the choice.
TEST_F(CvaRunTest, WithinGroupUnitsHaveUnitPooledVariance) {
  runApes();
  const auto& s = state();
  const Matrix scaled = withinGroupScores(s.CVAScores);
  const double groups = s.GLIST.maxCoeff(), n = static_cast<double>(s.GLIST.rows());
  for (Eigen::Index j = 0; j < scaled.cols(); ++j) {
    double ss = 0;
    for (double g = 1; g <= groups; ++g) {
      double sum = 0, sum2 = 0, count = 0;
      for (Eigen::Index i = 0; i < scaled.rows(); ++i)
        if (s.GLIST(i) == g) sum += scaled(i, j), sum2 += scaled(i, j) * scaled(i, j), ++count;
      ss += sum2 - sum * sum / count;
    }
    EXPECT_NEAR(ss / (n - groups), 1, 1e-9) << j;
    // Only the scale changes: every column keeps the direction of the unit-axis scores.
    EXPECT_GT(scaled.col(j).dot(s.CVAScores.col(j)), 0);
  }
  run("WithinGroupUnits");
  run("ShowPCAAxis");
  const auto lines = drawn();
  EXPECT_DOUBLE_EQ(model().get(lines[0], "XData").number(), scaled(0, 0));
  dialogs.chooseSave(folder / "scores.txt");
  run("SavePCA");
  std::istringstream saved(readFile(folder / "scores.txt"));
  double first = 0;
  saved >> first;
  EXPECT_NEAR(first, scaled(0, 0), 1e-5 * std::abs(scaled(0, 0)));
}

}  // namespace
}  // namespace tessaly::dispatch::testing
