// The principal components of the CVA run: the score plot, the variance bars, the tables, the
// CVA on components with its report line, and the warnings and messages that point to it.
#include "dispatch/components.h"

#include <charconv>

#include "fixture.h"
#include "support/sscp.h"

namespace tessaly::dispatch::testing {
namespace {

using ::testing::HasSubstr;

class ComponentsTest : public DispatchTest {
 protected:
  void runApes(const std::optional<std::string>& components = std::nullopt) {
    runWithFile("LoadData", example("apes.txt"));
    if (components) dialogs.inputs.push_back(std::vector<std::string>{*components});
    runWithFile(components ? "LoadGroupListPCs" : "LoadGroupList", example("apes-groups.txt"));
  }
  std::string results() const { return model().get(auxResults, "String").toText(); }
  // The numbers of a CSV line after its first `skip` fields.
  static std::vector<double> numbers(const std::string& line, size_t skip) {
    std::vector<double> out;
    size_t start = 0;
    for (size_t field = 0; start <= line.size(); ++field) {
      const size_t end = std::min(line.find(',', start), line.size());
      if (field >= skip) {
        double x = 0;
        std::from_chars(line.data() + start, line.data() + end, x);
        out.push_back(x);
      }
      start = end + 1;
    }
    return out;
  }
};

TEST_F(ComponentsTest, ScoresVarianceAndTablesShowTheComponents) {
  runApes();
  const analysis::Pca& pca = shapeComponents();
  ASSERT_TRUE(state().hasPca);
  ASSERT_EQ(pca.scores.rows(), 167);
  EXPECT_EQ(state().components, 0);

  dialogs.inputs.push_back(std::vector<std::string>{"2", "3"});
  run("ShowPCScores");
  const auto points = drawn();
  ASSERT_EQ(points.size(), 167u);
  EXPECT_EQ(model().get(points[10], "XData").number(), pca.scores(10, 1));
  EXPECT_EQ(model().get(points[10], "YData").number(), pca.scores(10, 2));

  run("ShowPCVariance");
  const auto bars = drawn("patch");
  ASSERT_EQ(bars.size(), static_cast<size_t>(pca.percent.size()));
  EXPECT_EQ(model().get(bars[1], "YData").matrix().maxCoeff(), pca.percent(1));

  for (const char* name : {"scores.csv", "variances.csv", "loadings.csv"})
    dialogs.chooseSave(folder / name);
  run("SavePCs");
  std::istringstream variances(readFile(folder / "variances.csv"));
  std::string line;
  std::getline(variances, line);
  EXPECT_EQ(line, "component,eigenvalue,percent,cumulative_percent");
  for (Eigen::Index j = 0; std::getline(variances, line); ++j)
    EXPECT_EQ(numbers(line, 1),
              (std::vector<double>{pca.eigenvalues(j), pca.percent(j), pca.cumulative(j)}));
  std::istringstream scores(readFile(folder / "scores.csv"));
  std::getline(scores, line);
  std::getline(scores, line);
  EXPECT_EQ(line.substr(0, 16), "1,1,,1,specimen,");
  EXPECT_DOUBLE_EQ(numbers(line, 5)[0], pca.scores(0, 0));
  EXPECT_THAT(readFile(folder / "loadings.csv"), HasSubstr("\npw5_y,"));
  EXPECT_THAT(readFile(folder / "loadings.csv"), HasSubstr("\nuniform_2,"));
}

TEST_F(ComponentsTest, CvaOnComponentsSaysWhichAndKeepsShapeSpaceAxes) {
  runApes("3");
  const auto& s = state();
  EXPECT_EQ(s.components, 3);
  ASSERT_EQ(s.Dmatrix.size(), 3);
  ASSERT_EQ(s.Vmatrix.rows(), 12);  // directions in the shape variables, for the deformations
  EXPECT_THAT(results(), HasSubstr("the first 3 principal components"));
  // The CVA scores are the shape variables times the axes, as without components.
  const Matrix shape = s.pwscores.leftCols(12);
  const Matrix centred = shape.array() - shape.col(11).mean();
  EXPECT_LT((centred * s.Vmatrix - s.CVAScores).cwiseAbs().maxCoeff(), 1e-12);
  // A bad choice is refused before anything changes.
  dialogs.inputs.push_back(std::vector<std::string>{"one"});
  runWithFile("LoadGroupListPCs", example("apes-groups.txt"));
  EXPECT_THAT(messageTexts().back(), HasSubstr("whole number of principal components"));
  EXPECT_EQ(s.components, 3);
}

TEST_F(ComponentsTest, ManyShapeVariablesWarnAndASingularRunNamesTheOption) {
  struct Case {
    int perGroup;
    const char* expected;
  };
  // 10 landmarks: 16 shape variables; 3 groups of 12 give N - G = 33 (warned), of 5 give
  // N - G = 12 (singular).
  for (const Case c : {Case{12, "more than a third of N - G"}, Case{5, "--pcs"}}) {
    resetAnalysisState();
    runWithFile("LoadData", writeMatrix("d.txt", syntheticData(3, c.perGroup, 10, 0.1, 0.02, 4)));
    runWithFile("LoadGroupList", writeMatrix("g.txt", codes(3, c.perGroup)));
    const std::string shown = results() + messageTexts().back();
    EXPECT_THAT(shown, HasSubstr(c.expected)) << c.perGroup;
  }
}

TEST_F(ComponentsTest, DeformationAlongAComponentNeedsARunAndAComponent) {
  run("ShowPCDeformation", platform::Value(2.0));  // refused before it asks for a component
  EXPECT_THAT(messageTexts().back(), HasSubstr("no principal components yet"));
  runApes();
  dialogs.inputs.push_back(std::vector<std::string>{"13"});
  run("ShowPCDeformation", platform::Value(2.0));
  EXPECT_THAT(messageTexts().back(), HasSubstr("There is no principal component 13"));
  dialogs.inputs.push_back(std::vector<std::string>{"2"});
  run("ShowPCDeformation", platform::Value(2.0));
  EXPECT_FALSE(drawn().empty());
}

// With components, the distances and the cross-validation take the component scores as their
// variables and say so; the table of shape variables keeps the shape variables.
TEST_F(ComponentsTest, ResamplingAnalysesRunOnTheComponents) {
  runApes("4");
  dialogs.inputs.push_back(std::vector<std::string>{"20"});
  dialogs.chooseSave(folder / "distances.csv");
  run("GroupDistances");
  EXPECT_THAT(results(), HasSubstr("Shape variables: the first 4 principal components (--pcs)"));
  // The Mahalanobis distance of groups 1 and 2 over the first four component scores.
  const Matrix y = state().pca.scores.leftCols(4);
  Matrix W, B;
  test_support::sscp(y, state().GLIST, W, B);
  W /= static_cast<double>(y.rows() - 6);
  const Matrix means = test_support::groupMeans(y, state().GLIST);
  const RowVector d = means.row(0) - means.row(1);
  const double expected = std::sqrt((d * W.inverse() * d.transpose())(0));
  std::istringstream table(readFile(folder / "distances.csv"));
  std::string line;
  std::getline(table, line);
  std::getline(table, line);
  EXPECT_NEAR(numbers(line, 4)[0], expected, 1e-10 * expected);

  dialogs.inputs.push_back(std::vector<std::string>{"loo", "all", "equal"});
  run("CrossValidate");
  EXPECT_THAT(results(), HasSubstr("components (--pcs), computed afresh in each fold"));
  dialogs.chooseSave(folder / "shape.csv");
  dialogs.chooseSave(folder / "coordinates.csv");
  run("SaveTidyTables");
  const std::string shape = readFile(folder / "shape.csv");
  EXPECT_THAT(shape.substr(0, shape.find('\n')),
              ::testing::EndsWith(",pw5_y,uniform_1,uniform_2,centroid_size"));
}

}  // namespace
}  // namespace tessaly::dispatch::testing
