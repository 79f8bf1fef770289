// A loaded reference configuration, and the unknown specimens: superimposed on the reference
// of the CVA run, scored on its canonical axes and drawn with the specimens.
#include <algorithm>

#include "analysis/fit.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/controls.h"
#include "dispatch/cva_run.h"
#include "dispatch/group_styles.h"
#include "dispatch/mfload.h"
#include "dispatch/state.h"
#include "graphics/showshape.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "shape/superimposition.h"

namespace tessaly::dispatch {

namespace {

// The parts of the CVA run that scoring other specimens needs, from the analysis state: the
// reference, the means of the p shape variables, the unit axes and the canonical coefficients
// (and the components the CVA ran on).
analysis::Fit scoringFit(const AnalysisState& s, Eigen::Index p) {
  if (s.pwscores.rows() == 0 || s.pwscores.cols() < p || p < 1)
    throw Error("There are no partial warp scores of the specimens: run the CVA first");
  analysis::Fit f;
  f.reference = s.reference;
  f.variableMeans = s.pwscores.leftCols(p).colwise().mean();
  f.axes = s.Vmatrix;
  f.manova.stats.eigenvec = s.vstats.eigenvec;
  if (s.components > 0) {
    // A CVA on components: the coefficients act on the unknowns' component scores.
    f.pca = s.pca;
    f.components = s.components;
    f.variableMeans = s.pca.scores.leftCols(s.components).colwise().mean();
  }
  return f;
}

}  // namespace

void LoadUGroup() {
  auto& model = platform::model();
  const platform::Handle remembered = model.currentFigure();
  auto loaded = mfload(1, FileKind::UnknownCodes);
  if (!loaded) return;

  auto& s = analysisState();
  const Eigen::Index m = s.UDATA.rows(), n = s.UDATA.cols();

  // Everything the scoring needs is checked before anything changes, so that a wrong file or
  // a missing step leaves the analysis as it was.
  requireCurrentResults();
  if (s.Vmatrix.size() == 0 || s.reference.size() == 0 || s.pwscores.size() == 0 || !s.hasVstats)
    throw Error("Run the CVA (load a group list) before loading the codes of unknown specimens");
  if (m == 0) throw Error("Load a file of unknown specimens before their codes");
  if (n != s.reference.cols())
    throw Error(formatText(
        "The unknown specimens have %d landmarks where the reference has %d",
        {(static_cast<double>(n) - 1) / 2, (static_cast<double>(s.reference.cols()) - 1) / 2}));
  Matrix codes = loaded->data;
  if (codes.cols() != 1 && codes.rows() == 1) codes.transposeInPlace();
  if (codes.cols() == 1)
    codes =
        keptCodes(codes, s.UKEPT, s.UFILESPECIMENS, "code list of the unknowns", "unknowns' file");
  if (codes.cols() != 1 || codes.rows() != m)
    throw Error(formatText("Error: The unknown data has %i entries, the group list has %i",
                           {static_cast<double>(m), static_cast<double>(codes.size())}));
  checkGroupCodes(codes, "codes of unknowns");
  checkGroupCodes(s.GLIST.topRows(std::min(s.GLIST.rows(), s.DATA.rows())), "group list");
  if (s.GLIST.rows() < s.DATA.rows())
    throw Error("The group list is shorter than the data: load the group list again");

  // Superimposition and scores, computed before they are stored: plotted in the frame of the
  // specimens' CVA scores, classified in the frame of `canon`.
  analysis::Scores scores = analysis::score(scoringFit(s, n - 5), s.UDATA);
  Matrix tempdata = shape::getpsup(s.DATA, s.reference);

  s.UGLIST = std::move(codes);
  s.UGNAMES = std::move(loaded->names);
  s.FNAME1 = loaded->fname;
  plotlib::cla();
  setEnable("LoadReference", "Off");
  {
    BusyPointer busy(remembered);
    setString("GroupBox", formatText("Unknown File: %s \n %3.0f Specimens \n",
                                     {s.FNAME1, static_cast<double>(m)}));
    s.UDATA = std::move(scores.superimposed);
    s.UPWSCORES = std::move(scores.pwscores);
    s.UVARIABLES = std::move(scores.variables);
    s.UCVASCORES = std::move(scores.cvScores);
    s.NUCVASCORES = std::move(scores.canonicalScores);
  }
  plotlib::cla();

  plotRows(s.UDATA, s.UGLIST);
  s.DATA = shape::getpsup(s.DATA, s.reference);
  plotRows(s.DATA, s.GLIST);
  // The specimens once more, on top of the unknowns.
  plotRows(tempdata, s.GLIST);
  graphics::setsymbolfill(platform::gca(), 1);
  s.UNKNOWNACTIVE = scalar(1);
}

void LoadReference() {
  auto loaded = mfload(1, FileKind::Landmarks);
  if (!loaded) return;
  checkLandmarkColumns(*loaded);

  auto& s = analysisState();
  const Matrix& ref = loaded->data;
  const Eigen::Index mg = ref.rows(), ng = ref.cols(), n = s.DATA.cols();
  // A file that does not fit fails the load, and the analysis goes back to the consensus.
  if (ng != n) {
    s.referencetype = scalar(0);
    throw Error(
        "The number of landmarks in the reference does not match the number of landmarks in "
        "the data, Reverting to consensus reference");
  }
  if (mg > 1) {
    s.referencetype = scalar(0);
    throw Error("The reference file had more than 1 specimen,  Reverting to consensus specimen");
  }
  Matrix normalised = analysis::normalisedReference(ref, n);
  std::string text = formatText("Successfully loaded reference file %s with %f landmarks",
                                {loaded->fname, (static_cast<double>(ng) - 1) / 2});
  s.referencetype = scalar(1);
  graphics::showshape_rot(ref, "ro");  // as loaded, before centring and scaling
  platform::dialogs().message(text, "Reference Loaded");
  s.reference = std::move(normalised);
}

}  // namespace tessaly::dispatch
