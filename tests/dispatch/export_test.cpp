// The export and significance actions, and the output file procedure they share: files byte
// for byte from a hand-made state, replace and append modes, cancelled and failed opens.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "core/error.h"
#include "dispatch/output_file.h"
#include "fixture.h"
#include "platform/axis.h"

namespace tessaly::dispatch::testing {
namespace {

class ExportTest : public DispatchTest {
 protected:
  fs::path save(const std::string& action, const std::string& name) {
    dialogs.chooseSave(folder / name);
    run(action);
    return folder / name;
  }
  // Two tested canonical dimensions, the first with a p-value below the double spacing at 1.
  void setTests() {
    auto& s = state();
    s.hasVstats = true;
    s.d = scalar(2);
    s.p.resize(3, 1);
    s.p << 0, 0.0123, 0.5;
    s.vstats.lambda.resize(3, 1);
    s.vstats.lambda << 0.1, 0.5, 0.9;
    s.vstats.chisq.resize(3, 1);
    s.vstats.chisq << 30.25, 5.5, 0.125;
    s.vstats.chisqdf.resize(3, 1);
    s.vstats.chisqdf << 6, 2, 1;
  }
  static std::string titleOf(platform::Handle axes) { return model().get(axes, "Title").toText(); }
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    return names;
  }
};

const std::string kReport =
    "Results from CVA/Manova \n \n \nAxis 1 Lambda= 0.1000 chisq=30.2500 df=6 p<2.22045e-16"
    "\nAxis 2 Lambda= 0.5000 chisq=5.5000 df=2 p=0.0123";

TEST_F(ExportTest, MatrixFilesHaveOneLinePerRow) {
  auto& s = state();
  s.CVAScores.resize(2, 2);
  s.CVAScores << 1, 2.5, 3, 4;
  s.pwscores.resize(2, 3);
  s.pwscores << 0.125, -1e-5, 7, 1234567, 0, -2;
  s.Vmatrix.resize(2, 2);
  s.Vmatrix << 0.6, -0.8, 0.8, 0.6;

  EXPECT_EQ(readFile(save("SavePCA", "cva.txt")), "1 2.5  \n 3 4  \n ");
  EXPECT_EQ(readFile(save("SaveWarp", "warp.txt")), "0.125 -1e-05 7  \n 1.23457e+06 0 -2  \n ");
  EXPECT_EQ(readFile(save("SaveCVAAxes", "axes.txt")), "0.6 -0.8  \n 0.8 0.6  \n ");
  EXPECT_EQ(readFile(save("SavePCMatrix", "pc.txt")),
            "First column corresponds to largest eigenvalue, last column to smallest \n"
            "0.6 -0.8  \n 0.8 0.6  \n ");

  std::vector<std::string> titles;
  for (const auto& r : dialogs.saveRequests) {
    titles.push_back(r.title);
    EXPECT_EQ(r.filter, "*.*");
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"File Name for Partial Warp Scores",
                                              "File Name for Partial Warp Scores",
                                              "File Name for Canonical Variate Axes loadings",
                                              "File Name for Principal Component Matrix"}));
}

TEST_F(ExportTest, EigenvaluesAndReference) {
  auto& s = state();
  s.Dmatrix.resize(3, 1);
  s.Dmatrix << 3, 1.5, 0.25;
  s.reference.resize(1, 5);
  s.reference << 0.5, -0.5, 0, 1e-20, 1;
  EXPECT_EQ(readFile(save("SaveEigen", "eigen.txt")), "3  \n 1.5  \n 0.25  \n ");
  EXPECT_EQ(readFile(save("SaveRef", "ref.txt")), "0.5 -0.5 0 1e-20 1  \n ");
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Eigenvalue list");
  EXPECT_EQ(dialogs.saveRequests[1].title, "File Name for Reference");

  // Before the analysis there is nothing to write but the line end of the reference.
  s.reference = Matrix();
  s.CVAScores = Matrix();
  EXPECT_EQ(readFile(save("SaveRef", "ref.txt")), " \n ");
  EXPECT_EQ(readFile(save("SavePCA", "cva.txt")), "");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ExportTest, ReplacingKeepsNoTraceOfTheOldFile) {
  state().Dmatrix = scalar(2);
  const fs::path path = writeFile("eigen.txt", std::string(500, 'x') + "\n");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  save("SaveEigen", "eigen.txt");
  EXPECT_EQ(readFile(path), "2  \n ");
  // The file keeps its permissions and no temporary file is left beside it.
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(leftovers(), std::vector<std::string>{"eigen.txt"});

  // Saving through a link replaces the file it points to and keeps the link.
  fs::create_directories(folder / "real");
  fs::rename(path, folder / "real" / "eigen.txt");
  fs::create_symlink(folder / "real" / "eigen.txt", folder / "link.txt");
  state().Dmatrix = scalar(7);
  save("SaveEigen", "link.txt");
  EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
  EXPECT_EQ(readFile(folder / "real" / "eigen.txt"), "7  \n ");
}

TEST_F(ExportTest, ACancelledSaveWritesNothingAndAFailedOneSaysWhy) {
  setTests();
  state().Dmatrix = scalar(2);
  fs::create_directories(folder / "taken");
  const fs::path plain = writeFile("plain.txt", "kept");
  const fs::path before = fs::current_path();
  const struct {
    fs::path target;
    const char* reason;
  } failing[] = {
      {folder / "missing" / "out.txt", "No such file or directory"},
      {folder / "taken", "Is a directory"},
      {plain / "out.txt", "Not a directory"},
  };
  for (const char* action :
       {"SavePCA", "SaveCVAAxes", "SaveEigen", "SavePCMatrix", "SaveWarp", "SaveRef", "WriteSig"}) {
    dialogs.messages.clear();
    dialogs.cancelSave();
    run(action);
    EXPECT_TRUE(dialogs.messages.empty()) << action;
    for (const auto& f : failing) {
      dialogs.messages.clear();
      dialogs.chooseSave(f.target);
      run(action);
      ASSERT_EQ(dialogs.messages.size(), 1u) << action;
      EXPECT_EQ(dialogs.messages[0].text,
                "Cannot write " + fs::absolute(f.target).string() + ": " + f.reason)
          << action;
    }
  }
  EXPECT_EQ(readFile(plain), "kept");
  auto names = leftovers();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"plain.txt", "taken"}));
  EXPECT_TRUE(fs::is_empty(folder / "taken"));
  EXPECT_EQ(fs::current_path(), before);
}

TEST_F(ExportTest, ChosenFolderBecomesCurrent) {
  state().Dmatrix = scalar(2);
  fs::create_directories(folder / "sub");
  dialogs.chooseSave(folder / "sub" / "eigen.txt");
  run("SaveEigen");
  EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(folder / "sub"));
  EXPECT_TRUE(fs::exists("eigen.txt"));
}

TEST_F(ExportTest, CheckSigShowsTheReport) {
  setTests();
  run("CheckSig");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(model().get(auxResults, "String").toText(), kReport);

  // No significant dimension: the header alone.
  state().d = scalar(0);
  run("CheckSig");
  EXPECT_EQ(model().get(auxResults, "String").toText(), "Results from CVA/Manova \n \n ");
}

TEST_F(ExportTest, WriteSigAppendsReports) {
  setTests();
  const fs::path path = save("WriteSig", "sig.txt");
  EXPECT_EQ(readFile(path), "\n" + kReport + " \n\n");
  save("WriteSig", "sig.txt");
  EXPECT_EQ(readFile(path), "\n" + kReport + " \n\n\n" + kReport + " \n\n");
  EXPECT_EQ(dialogs.saveRequests[0].title, "File Name for Tests of Significance (Append)");
}

TEST_F(ExportTest, SignificanceReportNeedsTheAnalysis) {
  model().set(auxResults, "String", platform::Value("earlier"));
  run("CheckSig");
  run("WriteSig");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text, "There are no CVA results yet: load a group list first");
  EXPECT_EQ(model().get(auxResults, "String").toText(), "earlier");
  EXPECT_TRUE(dialogs.saveRequests.empty());

  // More dimensions claimed than tests stored.
  setTests();
  state().d = scalar(4);
  run("CheckSig");
  EXPECT_EQ(dialogs.messages.back().text,
            "The CVA results hold no tests for 4 canonical dimensions");
  EXPECT_EQ(model().get(auxResults, "String").toText(), "earlier");
}

// Every eigenvalue with variation between the groups, largest first; the one of rounding noise
// is left out. The title goes with the plot: the next display clears it.
TEST_F(ExportTest, ScreePlotsShowEveryNonZeroEigenvalueLargestFirst) {
  auto& s = state();
  s.Dmatrix.resize(4, 1);
  s.Dmatrix << 6, 3, 1, 6e-16;
  s.NumCVA = scalar(1);

  run("ScreePlot");
  ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  auto lines = drawn();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(model().get(lines[0], "XData").matrix(), (Matrix(1, 3) << 1, 2, 3).finished());
  EXPECT_EQ(model().get(lines[0], "YData").matrix(), (Matrix(1, 3) << 6, 3, 1).finished());
  EXPECT_EQ(model().get(lines[0], "Marker").toText(), "o");
  EXPECT_EQ(model().get(lines[0], "LineStyle").toText(), "none");
  EXPECT_EQ(titleOf(mainAxes), "Scree Plot-Raw Eigenvalues");

  run("ScreePercentages");
  lines = drawn();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(model().get(lines[0], "YData").matrix(), (Matrix(1, 3) << 60, 30, 10).finished());
  EXPECT_EQ(titleOf(mainAxes), "Scree Plot as Percentage of Variance");
  run("ClearData");
  EXPECT_EQ(titleOf(mainAxes), "");

  // Without variation between the groups there is nothing to plot: the axes are only cleared.
  s.Dmatrix = Matrix::Zero(3, 1);
  s.NumCVA = scalar(0);
  run("ScreePlot");
  EXPECT_TRUE(drawn().empty());
  EXPECT_TRUE(dialogs.messages.empty());

  s.NumCVA = Matrix();
  run("ScreePlot");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "There are no CVA results yet: load a group list first");
}

// Every tested dimension as a CSV row; the p-values are the chi-square upper tails, checked
// against their closed forms Q(3, x) = e^-x (1 + x + x^2/2), Q(1, x) = e^-x, Q(1/2, x) =
// erfc(sqrt x) at half the chi-square.
TEST_F(ExportTest, DimensionTestsGiveEveryTestedDimension) {
  setTests();
  state().Dmatrix.resize(3, 1);
  state().Dmatrix << 3, 1, 0;
  const std::string text = readFile(save("SaveDimensionTests", "dims.csv"));
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "dimension,eigenvalue,percent,wilks_lambda,chi_square,df,p");
  const double x1 = 15.125, x2 = 2.75;
  const std::vector<std::pair<std::string, double>> rows = {
      {"1,3,75,0.1,30.25,6,", std::exp(-x1) * (1 + x1 + x1 * x1 / 2)},
      {"2,1,25,0.5,5.5,2,", std::exp(-x2)},
      {"3,0,0,0.9,0.125,1,", std::erfc(0.25)}};
  for (const auto& [start, p] : rows) {
    ASSERT_TRUE(std::getline(lines, line));
    ASSERT_EQ(line.rfind(start, 0), 0u) << line;
    EXPECT_NEAR(std::stod(line.substr(start.size())) / p, 1, 1e-13) << line;
  }
  EXPECT_FALSE(std::getline(lines, line));
}

TEST_F(ExportTest, ContentErrorWritesNothing) {
  const fs::path path = writeFile("kept.txt", "old");
  dialogs.chooseSave(path);
  EXPECT_THROW(
      writeOutputFile("T", FileMode::Replace, []() -> std::string { throw Error("no content"); }),
      Error);
  dialogs.chooseSave(path);
  EXPECT_THROW(
      writeOutputFile("T", FileMode::Append, []() -> std::string { throw Error("no content"); }),
      Error);
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(leftovers(), std::vector<std::string>{"kept.txt"});
}

}  // namespace
}  // namespace tessaly::dispatch::testing
