// The export and significance actions: the CVA scores, canonical axes, eigenvalues, partial
// warp scores and reference written to plain text files, the scree plots of the eigenvalues,
// and the report of the tests of the canonical dimensions shown or appended to a file.
#include <algorithm>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <string>
#include <vector>

#include "core/csv.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/cva_run.h"
#include "dispatch/output_file.h"
#include "dispatch/plot_notes.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "plotlib/plotting.h"

namespace tessaly::dispatch {

namespace {

const char* const kNoResults = "There are no CVA results yet: load a group list first";

// Every row's elements by "%g ", each row followed by " \n ": the layout other programs read
// back (every line after the first starts with a blank).
std::string matrixText(const Matrix& m) {
  std::string text;
  for (Eigen::Index i = 0; i < m.rows(); ++i) {
    text += formatText("%g ", FormatArgs().add(Matrix(m.row(i))));
    text += formatText(" \n ");
  }
  return text;
}

// Results of earlier data are refused.
void saveMatrix(const std::string& title, const Matrix& m, const std::string& header = {}) {
  requireCurrentResults();
  writeOutputFile(title, FileMode::Replace, [&] { return header + matrixText(m); });
}

// The report of the dimension tests of the CVA run, as the run itself showed it.
std::string significanceReport() {
  const auto& s = analysisState();
  requireCurrentResults();
  if (!s.hasVstats || s.d.size() == 0) throw Error(kNoResults);
  const double d = s.d(0);
  const auto tested = [&](const Matrix& m) { return static_cast<double>(m.size()) >= d; };
  if (!(d >= 0 && d == std::floor(d)) || !tested(s.p) || !tested(s.vstats.lambda) ||
      !tested(s.vstats.chisq) || !tested(s.vstats.chisqdf))
    throw Error(
        formatText("The CVA results hold no tests for %s canonical dimensions", {num2str(d)}));
  return cvaReport(s.d, s.p, s.vstats);
}

// Every tested canonical dimension i (from 1): its eigenvalue and share of their sum, and the
// test that the group means differ along dimensions i and beyond. The p-value is the upper tail
// of the chi-square itself, so that it stays resolved below the spacing of doubles at 1.
std::string dimensionTestsCsv() {
  const auto& s = analysisState();
  requireCurrentResults();
  if (!s.hasVstats) throw Error(kNoResults);
  const auto& v = s.vstats;
  const double total = s.Dmatrix.sum();
  CsvTable table({"dimension", "eigenvalue", "percent", "wilks_lambda", "chi_square", "df", "p"});
  for (Eigen::Index i = 0; i < v.lambda.size() && i < s.Dmatrix.size(); ++i) {
    const double p = boost::math::gamma_q(v.chisqdf(i) / 2, v.chisq(i) / 2);
    for (double x : {static_cast<double>(i + 1), s.Dmatrix(i), 100 * s.Dmatrix(i) / total,
                     v.lambda(i), v.chisq(i), v.chisqdf(i), p})
      table.number(x);
    table.endRow();
  }
  return table.str();
}

// Every eigenvalue with variation between the groups, largest first, raw or as percentages of
// their sum.
void screePlot(bool percentages, const std::string& title) {
  const auto& s = analysisState();
  requireCurrentResults();
  if (s.NumCVA.size() == 0) throw Error(kNoResults);
  const Eigen::Index n = nonZeroAxes(s.Dmatrix);
  RowVector escore = s.Dmatrix.reshaped().head(n).transpose();
  if (percentages) escore *= 100 / escore.sum();

  plotlib::cla();
  platform::axis("normal");
  if (n < 1) return;  // nothing to plot: the axes stay cleared
  platform::plot(RowVector::LinSpaced(n, 1, static_cast<double>(n)), escore, "ko");
  platform::axis("auto");
  plotlib::title(title);
  if (plotNotesOn()) {
    plotlib::xlabel("Canonical axis");
    plotlib::ylabel(percentages ? "Percent of the eigenvalues" : "Eigenvalue");
  }
}

}  // namespace

void SavePCA() {
  requireCurrentResults();
  saveMatrix("File Name for Partial Warp Scores", shownScores(analysisState().CVAScores));
}

void SaveCVAAxes() {
  saveMatrix("File Name for Canonical Variate Axes loadings", analysisState().Vmatrix);
}

void SaveEigen() {
  const Matrix& eigen = analysisState().Dmatrix;
  requireCurrentResults();
  writeOutputFile("File Name for Eigenvalue list", FileMode::Replace, [&] {
    std::string text;
    for (Eigen::Index i = 0; i < eigen.size(); ++i)
      text += formatText("%g ", {eigen(i)}) + formatText(" \n ");
    return text;
  });
}

void SavePCMatrix() {
  // The canonical axes are stored in decreasing order of their eigenvalues, and the header
  // says so.
  saveMatrix("File Name for Principal Component Matrix", analysisState().Vmatrix,
             formatText("First column corresponds to largest eigenvalue, last column to "
                        "smallest \n"));
}

void ScreePlot() {
  screePlot(false, "Scree Plot-Raw Eigenvalues");
}

void ScreePercentages() {
  screePlot(true, "Scree Plot as Percentage of Variance");
}

void CheckSig() {
  setResults(platform::Value(significanceReport()));
}

void WriteSig() {
  const std::string report = significanceReport();
  writeOutputFile("File Name for Tests of Significance (Append)", FileMode::Append,
                  [&] { return formatText("\n%s \n\n", {report}); });
}

void SaveDimensionTests() {
  const std::string table = dimensionTestsCsv();
  writeOutputFile("File Name for Tests of every Canonical Dimension (CSV)", FileMode::Replace,
                  [&] { return table; });
}

void SaveWarp() {
  saveMatrix("File Name for Partial Warp Scores", analysisState().pwscores);
}

void SaveRef() {
  const Matrix& reference = analysisState().reference;
  requireCurrentResults();
  writeOutputFile("File Name for Reference", FileMode::Replace, [&] {
    // All elements in storage order: x1 y1 ... xk yk cs for the reference row.
    return formatText("%g ", FormatArgs().add(reference)) + formatText(" \n ");
  });
}

}  // namespace tessaly::dispatch
