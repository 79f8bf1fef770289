// "LoadGroupList": the group codes are read and the whole canonical variates analysis is run.
#include "dispatch/cva_run.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "analysis/fit.h"
#include "core/error.h"
#include "core/format.h"
#include "core/groups.h"
#include "dispatch/actions.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/controls.h"
#include "dispatch/exaggeration.h"
#include "dispatch/group_styles.h"
#include "dispatch/input_files.h"
#include "dispatch/mfload.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

namespace {

// p-values below the spacing of doubles at 1 are not resolved by the chi-square tail and are
// reported as "p<" this value.
constexpr double kEps = std::numeric_limits<double>::epsilon();

// Takes a row of codes as a column; anything else than a vector is refused.
Matrix asCodeColumn(const Matrix& codes, const std::string& what) {
  if (codes.cols() == 1) return codes;
  if (codes.rows() == 1) return codes.transpose();
  throw Error(formatText("The %s must hold one group code per line; the file has %d columns",
                         {what, static_cast<double>(codes.cols())}));
}

}  // namespace

Matrix keptCodes(const Matrix& codes, const std::vector<size_t>& kept, size_t specimens,
                 const std::string& list, const std::string& file) {
  if (kept.empty() || codes.rows() != static_cast<Eigen::Index>(specimens)) return codes;
  Matrix out(static_cast<Eigen::Index>(kept.size()), 1);
  for (size_t i = 0; i < kept.size(); ++i)
    out(static_cast<Eigen::Index>(i)) = codes(static_cast<Eigen::Index>(kept[i] - 1));
  showWarning(formatText(
      "The %s has one line for each of the %d specimens of the %s; the lines of the %d specimens "
      "that were skipped are left out",
      {list, static_cast<double>(specimens), file, static_cast<double>(specimens - kept.size())}));
  return out;
}

Eigen::Index nonZeroAxes(const Matrix& eigenvalues) {
  if (eigenvalues.size() == 0 || !(eigenvalues(0) > 0)) return 0;
  const double floor = eigenvalues(0) * 1e-9;
  Eigen::Index n = 0;
  while (n < eigenvalues.size() && eigenvalues(n) > floor) ++n;
  return n;
}

Matrix withinGroupScores(const Matrix& scores) {
  const auto& s = analysisState();
  const Matrix& V = s.Vmatrix;
  const Matrix& W = s.vstats.W;
  if (!s.hasVstats || W.rows() != V.rows() || W.cols() != V.rows() || scores.cols() > V.cols() ||
      !(s.vstats.dfW > 0))
    throw Error("There are no CVA results to scale the scores by: load a group list first");
  Matrix out = scores;
  for (Eigen::Index j = 0; j < out.cols(); ++j)
    out.col(j) /= std::sqrt(V.col(j).dot(W * V.col(j)) / s.vstats.dfW);
  return out;
}

Matrix shownScores(const Matrix& scores) {
  return analysisState().withinUnits ? withinGroupScores(scores) : scores;
}

void checkAxisVariation(Eigen::Index axis) {
  const Matrix& D = analysisState().Dmatrix;
  const Eigen::Index n = nonZeroAxes(D);
  if (D.size() == 0 || axis < n || axis >= D.size()) return;
  throw Error(formatText(
      "Canonical axis %d has no variation between the groups (eigenvalue %g): the groups differ "
      "along axes 1 to %d only",
      {static_cast<double>(axis + 1), D(axis), static_cast<double>(n)}));
}

std::string cvaReport(const Matrix& d, const Matrix& p, const stats::ManovaStats& v) {
  std::string report = formatText("%s \n \n %s \n \n", {std::string("Results from CVA/Manova")});
  int dims = d.size() ? static_cast<int>(d(0)) : 0;
  for (int i = 1; i <= dims; ++i) {
    auto at = [i](const Matrix& m) { return m(i - 1); };
    double pi = at(p);
    if (pi < kEps)
      report += formatText("\nAxis %i Lambda= %3.4f chisq=%3.4f df=%i p<%3.6g",
                           {double(i), at(v.lambda), at(v.chisq), at(v.chisqdf), kEps});
    else
      report += formatText("\nAxis %i Lambda= %3.4f chisq=%3.4f df=%i p=%3.6g",
                           {double(i), at(v.lambda), at(v.chisq), at(v.chisqdf), pi});
  }
  return report;
}

std::string cvaSummary(const Matrix& d, const Matrix& p) {
  double dims = d.size() ? d(0) : 0;
  std::string text =
      formatText("There were %3.0f distinct canonical variates, the p-scores were ", {dims});
  for (int i = 1; i <= static_cast<int>(dims); ++i) {
    double pi = p(i - 1);
    text += pi < kEps ? formatText(" <%1.6g, ", {kEps}) : formatText(" %1.6g, ", {pi});
  }
  return text;
}

namespace {

// Everything a CVA run gives, computed before any of it is stored.
struct CvaRun {
  Matrix GLIST, reference, DATA, pwscores, d, p, Vmatrix, CVAScores, Dmatrix;
  stats::ManovaStats vstats;
  analysis::Pca pca;
  Eigen::Index components = 0;
};

// The fit, with a singular pooled covariance explained: with more shape variables than
// N - G the within-group matrix cannot be inverted, and the principal components are the way
// out (or fewer of them, when the CVA already runs on components).
analysis::Fit fitOrExplain(const AnalysisState& s, const Matrix& codes,
                           const analysis::FitOptions& options) {
  std::optional<Matrix> reference;
  if (isTrue(s.referencetype)) reference = s.reference;
  try {
    return analysis::fit(s.DATA, codes, reference, options);
  } catch (const Error& e) {
    if (std::string(e.what()) != stats::kSingularWithin) throw;
    const double nMinusG = static_cast<double>(codes.rows() - numberGroups(codes).count());
    if (options.components.used())
      throw Error(
          formatText("%s Run the CVA on fewer principal components (--pcs), at most "
                     "N - G - 1 = %d.",
                     {std::string(stats::kSingularWithin), nMinusG - 1}));
    throw Error(formatText(
        "%s There are %d shape variables and N - G = %d: run the CVA on principal components "
        "(--pcs auto, or Load Group List and Run CVA on Principal Components in the File menu).",
        {std::string(stats::kSingularWithin), static_cast<double>(s.DATA.cols() - 5), nMinusG}));
  }
}

CvaRun computeCva(const AnalysisState& s, Matrix codes, const analysis::FitOptions& options) {
  analysis::Fit f = fitOrExplain(s, codes, options);
  if (f.eigenvalues.size() < 2)
    throw Error("The canonical analysis gave fewer than two eigenvalues to show");
  CvaRun run;
  run.GLIST = std::move(codes);
  run.reference = std::move(f.reference);
  run.DATA = std::move(f.superimposed);
  // The components are shown whether or not the CVA ran on them; when it did not, they are
  // computed when first shown.
  run.components = f.components;
  if (f.pca) run.pca = std::move(*f.pca);
  run.pwscores = std::move(f.pwscores);
  run.d = std::move(f.manova.d);
  run.p = std::move(f.manova.p);
  run.vstats = std::move(f.manova.stats);
  run.Vmatrix = std::move(f.axes);
  run.CVAScores = std::move(f.cvScores);
  run.Dmatrix = std::move(f.eigenvalues);
  return run;
}

// What the report adds after the dimension tests: which components the CVA ran on, or a
// warning when the shape variables are many for the specimens.
std::string componentsNote(const CvaRun& run, const std::string& choice) {
  const double n = static_cast<double>(run.pwscores.rows());
  const double nMinusG = n - static_cast<double>(numberGroups(run.GLIST).count());
  if (run.components > 0) {
    const double held = run.pca.cumulative(run.components - 1);
    const std::string how =
        choice == "auto" ? formatText(
                               "auto: the fewest that hold 95%% of the variance, at most "
                               "N - G - 1 = %d; they hold %.1f%%",
                               {nMinusG - 1, held})
                         : formatText("--pcs %s; they hold %.1f%% of the variance", {choice, held});
    return formatText("\n \nShape variables: the first %d principal components (%s)",
                      {static_cast<double>(run.components), how});
  }
  const double variables = static_cast<double>(run.pwscores.cols() - 1);
  if (variables * 3 <= nMinusG) return {};
  return formatText(
      "\n \nWarning: the %d shape variables are more than a third of N - G = %d, so the "
      "canonical axes overstate how far apart the groups are; a CVA on principal components "
      "(--pcs) avoids this",
      {variables, nMinusG});
}

// The run is taken by value: the state's earlier matrices, swapped into it, go when it ends.
void store(AnalysisState& s, CvaRun run) {
  s.GLIST = std::move(run.GLIST);
  s.reference = std::move(run.reference);
  s.DATA = std::move(run.DATA);
  s.pwscores = std::move(run.pwscores);
  s.CROSSVAL = {};  // a validation of the earlier analysis
  s.d = std::move(run.d);
  s.p = std::move(run.p);
  s.vstats = std::move(run.vstats);
  s.hasVstats = true;
  s.Vmatrix = std::move(run.Vmatrix);
  s.CVAScores = std::move(run.CVAScores);
  s.Dmatrix = std::move(run.Dmatrix);
  s.NumCVA = s.d;
  s.pca = std::move(run.pca);
  s.hasPca = true;
  s.components = run.components;
  s.resultsStale = false;
}

// The run is all or nothing: everything is computed first, and the state, the plot, the
// controls and the results window change only once all of it has succeeded. A failure leaves
// the earlier analysis as it was, with the arrow pointer.
void runCva(const analysis::FitOptions& options, const std::string& choice) {
  auto& model = platform::model();
  const platform::Handle remembered = model.currentFigure();
  auto loaded = mfload(1, FileKind::GroupList);
  if (!loaded) return;

  auto& s = analysisState();
  const Eigen::Index m = s.DATA.rows(), n = s.DATA.cols();
  if (m == 0 || n < 7)
    throw Error("Load a landmark data file of at least three landmarks before the group list");

  Matrix codes = keptCodes(asCodeColumn(loaded->data, "group list"), s.KEPT, s.FILESPECIMENS,
                           "group list", "data file");
  if (codes.rows() != m)
    throw Error(formatText("Error: The data has %i entries, the group list has %i",
                           {static_cast<double>(m), static_cast<double>(codes.rows())}));
  checkGroupCodes(codes, "group list");

  CvaRun run;
  {
    BusyPointer busy(remembered);
    run = computeCva(s, std::move(codes), options);
  }
  const std::string report = cvaReport(run.d, run.p, run.vstats) + componentsNote(run, choice);
  const std::string summary = cvaSummary(run.d, run.p);
  // The results window is found (or opened) before anything changes; the drawing still goes
  // to the window that was current, and the results window stays current if it was opened.
  const platform::Handle before = model.currentFigure();
  const platform::Handle results = resultsControl();
  const platform::Handle after = model.currentFigure();
  if (after != before && before >= 0 && model.isHandle(before)) model.setCurrentFigure(before);

  store(s, std::move(run));
  s.componentChoice = choice;
  s.GNAMES = std::move(loaded->names);
  s.FNAME1 = loaded->fname;
  plotlib::cla();
  setEnable("LoadReference", "Off");
  setString("GroupBox",
            formatText("File: %s \n %3.0f Specimens \n", {s.FNAME1, static_cast<double>(m)}));
  plotRows(s.DATA, s.GLIST);
  graphics::setsymbolfill(platform::gca(), 1);

  showResults(results, platform::Value(report));
  platform::dialogs().message(summary, "CVA Complete");

  setString("XBox", "1");
  setString("YBox", "2");
  setString("XBoxExp", formatText("%1.4f", {s.Dmatrix(0)}));
  setString("YBoxExp", formatText("%1.4f", {s.Dmatrix(1)}));
  setDefaultExaggeration();
  if (after != before && after >= 0 && model.isHandle(after)) model.setCurrentFigure(after);
}

}  // namespace

void LoadGroupList() {
  runCva({}, "");
}

void LoadGroupListPCs() {
  auto answers = platform::dialogs().input(
      {"Principal components for the CVA: a number (2 or more), or auto for those that hold "
       "95% of the variance"},
      "CVA on Principal Components", {"auto"});
  if (!answers) return;
  answers->resize(1);
  analysis::FitOptions options;
  options.components = analysis::parseComponentChoice((*answers)[0]);
  if (!options.components.used())
    throw Error("Choose the principal components for the CVA: a number of 2 or more, or auto");
  runCva(options, (*answers)[0]);
}

}  // namespace tessaly::dispatch
