// The export and significance actions: the CVA scores, canonical axes, eigenvalues, partial
// warp scores and reference written to plain text files, the scree plots of the eigenvalues,
// and the report of the tests of the canonical dimensions shown or appended to a file.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/common.h"
#include "dispatch/output_file.h"
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

void saveMatrix(const std::string& title, const Matrix& m, const std::string& header = {}) {
  writeOutputFile(title, FileMode::Replace, [&] { return header + matrixText(m); });
}

// The report of the dimension tests of the CVA run, as the run itself showed it.
std::string significanceReport() {
  const auto& s = analysisState();
  if (!s.hasVstats || s.d.size() == 0) throw Error(kNoResults);
  const double d = s.d(0);
  const auto tested = [&](const Matrix& m) { return static_cast<double>(m.size()) >= d; };
  if (!(d >= 0 && d == std::floor(d)) || !tested(s.p) || !tested(s.vstats.lambda) ||
      !tested(s.vstats.chisq) || !tested(s.vstats.chisqdf))
    throw Error(
        formatText("The CVA results hold no tests for %s canonical dimensions", {num2str(d)}));
  return cvaReport(s.d, s.p, s.vstats);
}

// The eigenvalues NumCVA-1 down to 1, raw or as percentages of their sum.
void screePlot(bool percentages, const std::string& title) {
  const auto& s = analysisState();
  if (s.NumCVA.size() == 0) throw Error(kNoResults);
  const double numCva = s.NumCVA(0);
  if (!(numCva >= 0 && numCva == std::floor(numCva) &&
        numCva - 1 <= static_cast<double>(s.Dmatrix.size())))
    throw Error(formatText("There are %i eigenvalues, fewer than the %s canonical variates",
                           {static_cast<double>(s.Dmatrix.size()), num2str(numCva)}));
  const Eigen::Index n = static_cast<Eigen::Index>(numCva) - 1;

  RowVector escore(std::max<Eigen::Index>(n, 0));
  for (Eigen::Index i = 1; i <= n; ++i) escore(i - 1) = s.Dmatrix(n - i);
  if (percentages) escore *= 100 / escore.sum();

  cla();
  platform::axis("normal");
  if (n < 1) return;  // nothing to plot: the axes stay cleared
  platform::plot(RowVector::LinSpaced(n, 1, static_cast<double>(n)), escore, "ko");
  platform::axis("auto");
  plotlib::title(title);
}

}  // namespace

void SavePCA() {
  saveMatrix("File Name for Partial Warp Scores", analysisState().CVAScores);
}

void SaveCVAAxes() {
  saveMatrix("File Name for Canonical Variate Axes loadings", analysisState().Vmatrix);
}

void SaveEigen() {
  const Matrix& eigen = analysisState().Dmatrix;
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

void SaveWarp() {
  saveMatrix("File Name for Partial Warp Scores", analysisState().pwscores);
}

void SaveRef() {
  const Matrix& reference = analysisState().reference;
  writeOutputFile("File Name for Reference", FileMode::Replace, [&] {
    // All elements in storage order: x1 y1 ... xk yk cs for the reference row.
    return formatText("%g ", FormatArgs().add(reference)) + formatText(" \n ");
  });
}

}  // namespace tessaly::dispatch
