// The cross-validation action on the ape skulls: its answers, its record, its files, and that
// a refused or failed run leaves everything as it was.
#include "dispatch/crossvalidation.h"

#include <map>
#include <sstream>

#include "core/random.h"
#include "fixture.h"

namespace tessaly::dispatch::testing {
namespace {

class CrossValidationTest : public DispatchTest {
 protected:
  void analyse(const Matrix& data, const Matrix& glist) {
    runWithFile("LoadData", writeMatrix("data.txt", data));
    runWithFile("LoadGroupList", writeMatrix("groups.txt", glist));
    ASSERT_TRUE(errors().empty());
  }
  void apes() {
    runWithFile("LoadData", example("apes.txt"));
    runWithFile("LoadGroupList", example("apes-groups.txt"));
  }
  std::vector<std::string> errors() const {
    std::vector<std::string> texts;
    for (const auto& m : dialogs.messages)
      if (m.title == "Tessaly Error") texts.push_back(m.text);
    return texts;
  }
  std::string results() const { return model().get(auxResults, "String").toText(); }
  void validate(const std::vector<std::string>& answers) {
    dialogs.inputs.push_back(answers);
    run("CrossValidate");
  }
  std::vector<std::vector<std::string>> csv(const std::string& action, const std::string& name) {
    dialogs.chooseSave(folder / name);
    run(action);
    std::istringstream in(readFile(folder / name));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
      rows.emplace_back();
      std::istringstream fields(line);
      for (std::string f; std::getline(fields, f, ',');) rows.back().push_back(f);
    }
    return rows;
  }
};

TEST_F(CrossValidationTest, RefusedAnswersAndMissingStepsChangeNothing) {
  dialogs.inputs.push_back(std::nullopt);
  run("CrossValidate");  // cancelled: nothing at all
  EXPECT_TRUE(dialogs.messages.empty());
  validate({"loo", "all", "equal"});
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "There are no CVA results yet: load a group list first");
  apes();
  model().set(auxResults, "String", platform::Value("earlier report"));
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"1", "all", "equal"},
       "The folds must be loo (leave-one-out) or a whole number of 2 or more, not \"1\""},
      {{"ten", "all", "equal"},
       "The folds must be loo (leave-one-out) or a whole number of 2 or more, not \"ten\""},
      {{"loo", "some", "equal"},
       "The refit must be all (the whole analysis) or cva (the discriminant functions only), "
       "not \"some\""},
      {{"5", "cva", "flat"}, "The priors must be equal or proportional, not \"flat\""},
      {{"25", "cva", "equal"},
       "25 folds are more than the 24 specimens of the smallest group, 5: every fold must be "
       "able to hold one of each group"},
  };
  for (const auto& [answers, message] : cases) {
    validate(answers);
    EXPECT_EQ(errors().back(), message);
  }
  // Cancel in the progress dialog: nothing changes, the random numbers included.
  setRandomSeed(5);
  const RandomEngine before = randomEngine();
  dialogs.stopAt = 1;
  validate({"loo", "cva", "equal"});
  EXPECT_EQ(dialogs.messages.back().text, "The cross-validation was stopped: nothing has changed");
  EXPECT_EQ(dialogs.progressEnds, 1);
  EXPECT_TRUE(randomEngine() == before);
  EXPECT_EQ(results(), "earlier report");
  EXPECT_FALSE(state().CROSSVAL.valid);
}

TEST_F(CrossValidationTest, SingularFoldStopsWithItsReason) {
  // Seven specimens in each of two groups and twelve shape variables: the full W has just
  // enough degrees of freedom, a fit without one specimen has not.
  analyse(syntheticData(2, 7, 8, 0.2, 0.05, 4), codes(2, 7));
  model().set(auxResults, "String", platform::Value("earlier report"));
  for (const char* refit : {"cva", "all"}) {
    validate({"loo", refit, "equal"});
    EXPECT_EQ(errors().back(),
              "The cross-validation stopped in the fit without specimen 1: The pooled "
              "within-group covariance of the shape variables is singular: 12 shape variables, "
              "but 13 specimens in 2 groups allow at most 11; use fewer landmarks or more "
              "specimens");
  }
  EXPECT_EQ(results(), "earlier report");
  EXPECT_FALSE(state().CROSSVAL.valid);
}

// The report's tables and percentages are those of the file's assigned columns.
TEST_F(CrossValidationTest, ReportCountsAreThoseOfTheClassificationFile) {
  apes();
  EXPECT_EQ(csv("SaveClassification", "resub.csv")[0].size(), 5u + 12u);
  validate({"6", "cva", "proportional"});
  ASSERT_TRUE(errors().empty()) << errors()[0];
  const auto rows = csv("SaveClassification", "classification.csv");
  ASSERT_EQ(rows.size(), 168u);
  EXPECT_EQ(rows[0][0] + rows[0][4] + rows[0][5] + rows[0][17] + rows[0][18] + rows[0][29],
            "specimenassignedposterior_1cv_assignedcv_posterior_1cv_typicality_6");
  int resub = 0, cv = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    resub += rows[i][3] == rows[i][4];
    cv += rows[i][3] == rows[i][17];
  }
  const std::string text = results();
  std::ostringstream overall;
  overall.setf(std::ios::fixed);
  overall.precision(1);
  overall << "Overall                " << 100.0 * resub / 167 << "            " << 100.0 * cv / 167;
  EXPECT_NE(text.find(overall.str()), std::string::npos) << text;
  EXPECT_NE(text.find("6 folds: each group's specimens dealt at random to the folds (seed "),
            std::string::npos);
  EXPECT_EQ(csv("SaveCVScores", "cv-scores.csv")[0],
            (std::vector<std::string>{"specimen", "label", "image", "group", "CV1", "CV2", "CV3",
                                      "CV4", "CV5"}));
}

}  // namespace
}  // namespace tessaly::dispatch::testing
