// "LoadGroupList": the group codes are read and the whole canonical variates analysis is run.
#include "dispatch/cva_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/controls.h"
#include "dispatch/group_styles.h"
#include "dispatch/mfload.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "shape/superimposition.h"
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

Matrix normalisedReference(const Matrix& reference, Eigen::Index columns) {
  if (reference.rows() != 1 || reference.cols() != columns)
    throw Error(formatText("The reference has %d rows of %d numbers where one row of %d is needed",
                           {static_cast<double>(reference.rows()),
                            static_cast<double>(reference.cols()), static_cast<double>(columns)}));
  Matrix centred = shape::centerref(reference);
  return centred / shape::centsize(centred)(0);
}

Matrix unitColumns(const Matrix& v) {
  Matrix out = v;
  for (Eigen::Index j = 0; j < out.cols(); ++j) out.col(j) /= out.col(j).norm();
  return out;
}

Matrix centredShapeScores(const Matrix& scores, const Matrix& pwscores, Eigen::Index s) {
  if (pwscores.rows() == 0 || pwscores.cols() < s || s < 1)
    throw Error("There are no partial warp scores of the specimens: run the CVA first");
  if (scores.cols() < s)
    throw Error(formatText("The scores have %d columns where %d shape variables are needed",
                           {static_cast<double>(scores.cols()), static_cast<double>(s)}));
  // One number, the mean of the last shape variable over the specimens, is taken from every
  // element (not a separate mean per column).
  double c = pwscores.col(s - 1).mean();
  return scores.leftCols(s).array() - c;
}

Matrix specimenCentredShapeScores(const Matrix& scores, const Matrix& pwscores, Eigen::Index s) {
  centredShapeScores(scores, pwscores, s);  // the same checks
  const RowVector means = pwscores.leftCols(s).colwise().mean();
  return scores.leftCols(s).rowwise() - means;
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
};

// centredShapeScores(pwscores, pwscores, s) * v, a block of specimens at a time, so that the
// centred shape variables of a large data set are not all held beside the scores.
Matrix cvaScores(const Matrix& pwscores, Eigen::Index s, const Matrix& v) {
  constexpr Eigen::Index kBlock = 8192;
  const double c = pwscores.col(s - 1).mean();
  Matrix scores(pwscores.rows(), v.cols());
  for (Eigen::Index r = 0; r < pwscores.rows(); r += kBlock) {
    const Eigen::Index b = std::min(kBlock, pwscores.rows() - r);
    const Matrix centred = pwscores.block(r, 0, b, s).array() - c;
    scores.middleRows(r, b).noalias() = centred * v;
  }
  return scores;
}

CvaRun computeCva(const AnalysisState& s, Matrix codes) {
  const Eigen::Index n = s.DATA.cols();
  CvaRun run;
  run.GLIST = std::move(codes);
  // The reference: the consensus of the data, or the loaded configuration centred and scaled
  // to unit centroid size.
  run.reference = isTrue(s.referencetype) ? normalisedReference(s.reference, n)
                                          : shape::getconsensus(s.DATA).xref;
  run.DATA = shape::getpsup(s.DATA, run.reference);
  run.pwscores = shape::getpw_arbit(run.reference, run.DATA);
  const Eigen::Index npw = run.pwscores.cols();
  stats::ManovaResult result = stats::manova1(run.pwscores.leftCols(npw - 1), run.GLIST, 0.05);
  run.d = result.d;
  run.p = result.p;
  run.vstats = std::move(result.stats);
  run.Vmatrix = unitColumns(run.vstats.eigenvec);
  run.CVAScores = cvaScores(run.pwscores, n - 5, run.Vmatrix);
  run.Dmatrix = run.vstats.eigenval;
  if (run.Dmatrix.size() < 2)
    throw Error("The canonical analysis gave fewer than two eigenvalues to show");
  return run;
}

// The run is taken by value: the state's earlier matrices, swapped into it, go when it ends.
void store(AnalysisState& s, CvaRun run) {
  s.GLIST = std::move(run.GLIST);
  s.reference = std::move(run.reference);
  s.DATA = std::move(run.DATA);
  s.pwscores = std::move(run.pwscores);
  s.d = std::move(run.d);
  s.p = std::move(run.p);
  s.vstats = std::move(run.vstats);
  s.hasVstats = true;
  s.Vmatrix = std::move(run.Vmatrix);
  s.CVAScores = std::move(run.CVAScores);
  s.Dmatrix = std::move(run.Dmatrix);
  s.NumCVA = s.d;
}

}  // namespace

// The run is all or nothing: everything is computed first, and the state, the plot, the
// controls and the results window change only once all of it has succeeded. A failure leaves
// the earlier analysis as it was, with the arrow pointer.
void LoadGroupList() {
  auto& model = platform::model();
  const platform::Handle remembered = model.currentFigure();
  auto loaded = mfload(1, FileKind::GroupList);
  if (!loaded) return;

  auto& s = analysisState();
  const Eigen::Index m = s.DATA.rows(), n = s.DATA.cols();
  if (m == 0 || n < 7)
    throw Error("Load a landmark data file of at least three landmarks before the group list");

  Matrix codes = asCodeColumn(loaded->data, "group list");
  if (codes.rows() != m) {
    platform::dialogs().message(
        formatText("Error: The data has %i entries, the group list has %i",
                   {static_cast<double>(m), static_cast<double>(codes.rows())}),
        "");
    return;
  }
  checkGroupCodes(codes, "group list");

  CvaRun run;
  {
    BusyPointer busy(remembered);
    run = computeCva(s, std::move(codes));
  }
  const std::string report = cvaReport(run.d, run.p, run.vstats);
  const std::string summary = cvaSummary(run.d, run.p);
  // The results window is found (or opened) before anything changes; the drawing still goes
  // to the window that was current, and the results window stays current if it was opened.
  const platform::Handle before = model.currentFigure();
  const platform::Handle results = resultsControl();
  const platform::Handle after = model.currentFigure();
  if (after != before && before >= 0 && model.isHandle(before)) model.setCurrentFigure(before);

  store(s, std::move(run));
  s.GNAMES = std::move(loaded->names);
  s.FNAME1 = loaded->fname;
  plotlib::cla();
  setEnable("LoadReference", "Off");
  setString("GroupBox",
            formatText("File: %s \n %3.0f Specimens \n", {s.FNAME1, static_cast<double>(m)}));
  plotRows(s.DATA, s.GLIST);
  graphics::setsymbolfill(platform::gca(), 1);

  model.set(results, "String", platform::Value(report));
  platform::dialogs().message(summary, "CVA Complete");

  setString("XBox", "1");
  setString("YBox", "2");
  setString("XBoxExp", formatText("%1.4f", {s.Dmatrix(0)}));
  setString("YBoxExp", formatText("%1.4f", {s.Dmatrix(1)}));
  if (after != before && after >= 0 && model.isHandle(after)) model.setCurrentFigure(after);
}

}  // namespace tessaly::dispatch
