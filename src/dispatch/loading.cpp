// Reading the landmark data and the unknown specimens.
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/controls.h"
#include "dispatch/input_files.h"
#include "dispatch/mfload.h"
#include "dispatch/state.h"
#include "plotlib/plotting.h"

namespace tessaly::dispatch {

namespace {

// "File: name \n  12 Specimens \n   8 Landmarks" and its unknown-file variant.
std::string fileSummary(const std::string& format, const std::string& fname, const Matrix& m) {
  double rows = static_cast<double>(m.rows());
  double landmarks = (static_cast<double>(m.cols()) - 1) / 2;
  return formatText(format, {fname, rows, landmarks});
}

}  // namespace

void LoadData() {
  auto loaded = mfload(1, FileKind::Landmarks);
  if (!loaded) return;  // cancelled: nothing changes
  checkLandmarkColumns(*loaded);

  auto& s = analysisState();
  // Results of other specimens (another number of them, or of landmarks) are no longer the
  // loaded data's; a file of the same specimens keeps them.
  const bool hadResults = s.hasVstats || s.CVAScores.size() > 0;
  if (hadResults && (loaded->data.rows() != s.CVAScores.rows() ||
                     (s.reference.size() > 0 && loaded->data.cols() != s.reference.cols())))
    s.resultsStale = true;
  s.DATA = std::move(loaded->data);
  s.LABELS = std::move(loaded->labels);
  s.FNAME1 = loaded->fname;
  s.IMAGES = std::move(loaded->images);
  s.KINDS = std::move(loaded->kinds);
  s.KEPT = std::move(loaded->kept);
  s.FILESPECIMENS = loaded->specimens;
  setString("FileBox",
            fileSummary("File: %s \n %3.0f Specimens \n %3.0f Landmarks", s.FNAME1, s.DATA));

  // A new data set starts from the default display settings.
  s.ColorList = defaultColorList();
  s.vplotdensity = scalar(20);
  s.vlinewidth = scalar(1.5);
  s.vlineformat1 = "k-";
  s.vrefsymbol = "ko";
  s.vaheads = scalar(1);
  s.defangle = scalar(10);
  s.marker1x = s.marker2x = s.marker1y = s.marker2y = scalar(0);
  s.referencetype = scalar(0);

  setEnable("LoadGroup", "On");
  setEnable("NoLoadGroup", "On");
  setEnable("LoadReference", "On");

  // The code table stays in use only when it was switched on explicitly (altcode 1); an unset
  // altcode stays unset.
  if (s.altcode.size() > 0 && !(s.altcode.array() == 1).all()) s.altcode = scalar(0);
}

void LoadUData() {
  auto loaded = mfload(1, FileKind::Landmarks);
  if (!loaded) return;
  checkLandmarkColumns(*loaded);
  slideOntoSpecimens(*loaded);

  auto& s = analysisState();
  s.UDATA = std::move(loaded->data);
  s.ULABELS = std::move(loaded->labels);
  s.UIMAGES = std::move(loaded->images);
  s.UKEPT = std::move(loaded->kept);
  s.UFILESPECIMENS = loaded->specimens;
  s.FNAME1 = loaded->fname;
  std::string earlier = getString("FileBox");
  std::string summary =
      fileSummary("Unknown File: %s \n %3.0f Specimens \n %3.0f Landmarks", s.FNAME1, s.UDATA);
  // The newest summary first, the texts of earlier loads after it.
  setString("FileBox", summary + earlier);
}

void ClearData() {
  plotlib::cla();
  auto& s = analysisState();
  s.DATA = s.CVAScores = s.pwscores = s.UDATA = s.UCVASCORES = s.UPWSCORES = Matrix();
  s.UNKNOWNACTIVE = scalar(0);
  s.UGLIST = s.GLIST = s.Vmatrix = s.Dmatrix = s.NumCVA = s.reference = Matrix();
  // What is kept of the results is no longer shown or saved until the next run.
  if (s.hasVstats || s.d.size() > 0) s.resultsStale = true;
  s.GNAMES.clear();
  s.UGNAMES.clear();
  s.IMAGES.clear();
  s.KINDS.clear();
  s.KEPT.clear();
  s.FILESPECIMENS = 0;
  s.UIMAGES.clear();
  s.UKEPT.clear();
  s.UFILESPECIMENS = 0;
  s.LABELS.clear();
  s.ULABELS.clear();
  s.UVARIABLES = Matrix();
  s.CROSSVAL = {};
  s.pca = analysis::Pca();
  s.hasPca = false;
  s.components = 0;
  s.componentChoice.clear();
  setString("FileBox", "No File Loaded");
  setString("GroupBox", "No File Loaded");
}

}  // namespace tessaly::dispatch
