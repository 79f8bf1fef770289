// The deformation displays: the shape change along a canonical axis (or along the regression
// of the scores on it), and at two markers placed in the plot of canonical scores and between
// them. Every setting is read and checked before anything is drawn, so an action that stops
// leaves the drawing, the markers and the remembered rotation angle as they were.
#include "graphics/deformation.h"

#include <cmath>
#include <vector>

#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/components.h"
#include "dispatch/controls.h"
#include "dispatch/cva_run.h"
#include "dispatch/group_styles.h"
#include "dispatch/mfload.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "platform/window_files.h"
#include "shape/configuration.h"

namespace tessaly::dispatch {

namespace {

void requireCanonicalAxes() {
  const auto& s = analysisState();
  requireCurrentResults();
  if (s.Vmatrix.size() == 0 || s.reference.size() == 0)
    throw Error("There are no canonical axes to show: load a group list to run the CVA first");
}

// A canonical axis number from a box: a whole number within the columns of Vmatrix.
Eigen::Index axisFromBox(const char* tag) {
  const double t = getNumber(tag);
  const auto axes = analysisState().Vmatrix.cols();
  if (!(t >= 1 && t <= static_cast<double>(axes) && t == std::floor(t)))
    throw Error(formatText("There is no canonical axis %s: the analysis has %d axes",
                           {num2str(t), static_cast<double>(axes)}));
  return static_cast<Eigen::Index>(t) - 1;
}

double registrationOf(const platform::Value& fpass) {
  double suptype = -1;
  if (fpass.isNumeric() && fpass.matrix().size() == 1) {
    suptype = fpass.number();
  } else if (fpass.isText()) {
    std::vector<double> numbers;
    std::string bad;
    if (parseNumberLine(fpass.text(), numbers, bad) && numbers.size() == 1) suptype = numbers[0];
  }
  if (!(suptype == 0 || suptype == 1 || suptype == 2 || suptype == 3))
    throw Error(
        "Choose the registration of the deformation: 0 baseline, 1 sliding baseline, 2 none, "
        "3 resistant fit");
  return suptype;
}

double stateNumber(const Matrix& m, double fallback) {
  return m.size() > 0 ? m(0) : fallback;
}

// The settings of one drawing, all read before anything is drawn.
struct Drawing {
  double suptype = 0, b1 = 1, b2 = 2, plottype = 1;
  graphics::DeformationStyle style;
};

Drawing readDrawing(double suptype) {
  const auto& s = analysisState();
  Drawing d;
  d.suptype = suptype;
  d.b1 = getNumber("BaseBox1");
  d.b2 = getNumber("BaseBox2");
  d.plottype = getValue("DeFormat");
  d.style.rangeexpansion = getNumber("RangeBox");
  d.style.trimreq = getValue("GridTrimButton");
  d.style.lineweight = stateNumber(s.vlinewidth, 1);
  if (!s.vlineformat1.empty()) d.style.linespec = s.vlineformat1;
  if (!s.vrefsymbol.empty()) d.style.symboltype = s.vrefsymbol;
  d.style.aheadspec = stateNumber(s.vaheads, 1);
  d.style.defangle = stateNumber(s.defangle, 10);
  return d;
}

// Draws the deformation to the target scores and remembers the rotation angle, if one was made.
void show(const RowVector& target, const Drawing& d) {
  auto& s = analysisState();
  graphics::DeformationResult r =
      graphics::showpw5(s.reference, target, stateNumber(s.vplotdensity, 20), d.plottype, d.suptype,
                        d.b1, d.b2, d.style);
  if (r.theta) s.defangle = scalar(*r.theta);
}

// The target score row E [direction', 1].
RowVector targetRow(const Matrix& direction, double E) {
  RowVector row(direction.size() + 1);
  for (Eigen::Index i = 0; i < direction.size(); ++i) row(i) = E * direction(i);
  row(direction.size()) = E;
  return row;
}

// The regression of every shape variable on the canonical score t, as a unit direction.
Matrix regressionDirection(Eigen::Index t) {
  const auto& s = analysisState();
  if (s.CVAScores.rows() != s.pwscores.rows() || t >= s.CVAScores.cols())
    throw Error("The CVA scores do not match the partial warp scores: run the CVA again");
  const Eigen::Index nc = s.pwscores.cols();
  Matrix x(s.pwscores.rows(), nc);
  x.leftCols(nc - 1) = s.pwscores.leftCols(nc - 1);
  x.col(nc - 1) = s.CVAScores.col(t).array().exp().matrix();
  Matrix slope = shape::growvec3(x).col(0);
  return slope / std::sqrt(slope.squaredNorm());
}

enum class Marker { First, Second, Difference };

void closeResultsWindow() {
  auto found = findTag("AuxResults");
  if (!found.empty()) {
    platform::close(platform::model().figureOf(found.front()));
    return;
  }
  try {
    platform::close(platform::openfig("AuxBox", "reuse"));
  } catch (const Error&) {
    // No results window to close.
  }
}

void showMarker(Marker which) {
  requireCanonicalAxes();
  auto& s = analysisState();
  const double list = getValue("MarkerSuperList");
  if (!(list >= 1 && list <= 4 && list == std::floor(list)))
    throw Error("Choose the registration of the marker display in its list");
  Drawing d = readDrawing(list - 1);
  const double E = getNumber("MarkerScaleBox");
  const Eigen::Index p1 = axisFromBox("XBox"), p2 = axisFromBox("YBox");
  const double m1x = stateNumber(s.marker1x, 0), m1y = stateNumber(s.marker1y, 0);
  const double m2x = stateNumber(s.marker2x, 0), m2y = stateNumber(s.marker2y, 0);
  double mx = m1x, my = m1y;
  if (which == Marker::Second) mx = m2x, my = m2y;
  if (which == Marker::Difference) mx = m2x - m1x, my = m2y - m1y;
  const Matrix direction = s.Vmatrix.col(p1) * mx + s.Vmatrix.col(p2) * my;
  closeResultsWindow();
  show(targetRow(direction, E), d);
}

void drawMarker(double x, double y, const char* lineSpec, const char* face) {
  platform::hold("on");
  platform::plot(x, y, lineSpec, {{"MarkerFaceColor", std::string(face)}, {"MarkerSize", 6.0}});
  platform::plot(x, y, "k+", {{"MarkerSize", 8.0}});
}

void placeMarker(Matrix& mx, Matrix& my, const char* lineSpec, const char* face) {
  auto pick = platform::dialogs().pick(static_cast<double>(platform::gca()));
  if (!pick) return;  // no click: the marker stays where it was
  mx = scalar(pick->x);
  my = scalar(pick->y);
  drawMarker(pick->x, pick->y, lineSpec, face);
}

}  // namespace

void ShowPCADeformation(const platform::Value& fpass) {
  requireCanonicalAxes();
  auto& s = analysisState();
  Drawing d = readDrawing(registrationOf(fpass));
  const double E = getNumber("ExagerationBox");
  const Eigen::Index t = axisFromBox("ShowBox");
  checkAxisVariation(t);
  const Matrix direction = getValue("RegrButton") != 0 ? regressionDirection(t) : s.Vmatrix.col(t);
  show(targetRow(direction, E), d);
  s.shown = "deformation";
  s.shownRegistration = d.suptype;
}

// The shape change along a principal component: the component's loadings are the direction in
// the shape variables, drawn with the settings of the canonical axes' display.
void ShowPCDeformation(const platform::Value& fpass) {
  const analysis::Pca& pca = shapeComponents();
  Drawing d = readDrawing(registrationOf(fpass));
  const double E = getNumber("ExagerationBox");
  auto answers =
      platform::dialogs().input({"Principal component"}, "Deformation along a Component", {"1"});
  if (!answers) return;
  answers->resize(1);
  const Eigen::Index t = componentNumber((*answers)[0]);
  show(targetRow(pca.loadings.col(t), E), d);
}

void PlaceM1() {
  auto& s = analysisState();
  placeMarker(s.marker1x, s.marker1y, "ro", "r");
}

void PlaceM2() {
  auto& s = analysisState();
  placeMarker(s.marker2x, s.marker2y, "go", "g");
}

void RestoreMarkers() {
  const auto& s = analysisState();
  drawMarker(stateNumber(s.marker1x, 0), stateNumber(s.marker1y, 0), "ro", "r");
  drawMarker(stateNumber(s.marker2x, 0), stateNumber(s.marker2y, 0), "go", "g");
}

void ShowMarker1PCA(const platform::Value&) {
  showMarker(Marker::First);
}
void ShowMarker2PCA(const platform::Value&) {
  showMarker(Marker::Second);
}
void ShowMarkerDif(const platform::Value&) {
  showMarker(Marker::Difference);
}

}  // namespace tessaly::dispatch
