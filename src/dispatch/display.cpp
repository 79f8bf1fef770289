// Displays of the specimens: superimposed configurations in three registrations, the scores
// on two canonical axes, and the stepping of the axis numbers.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/controls.h"
#include "dispatch/cva_run.h"
#include "dispatch/group_styles.h"
#include "dispatch/input_files.h"
#include "dispatch/plot_notes.h"
#include "dispatch/state.h"
#include "graphics/showshape.h"
#include "graphics/styling.h"
#include "platform/linespec.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "shape/superimposition.h"
#include "stats/ellipse.h"

namespace tessaly::dispatch {

namespace {

// The codes of the first `count` specimens must exist and have a symbol.
void checkCodes(const Matrix& codes, Eigen::Index count, const char* what) {
  if (codes.size() < count)
    throw Error(formatText(
        "There are %d specimens but only %d %s",
        {static_cast<double>(count), static_cast<double>(codes.size()), std::string(what)}));
  checkGroupCodes(codes.topRows(count), what);
}

bool unknownsActive() {
  return isTrue(analysisState().UNKNOWNACTIVE);
}

// Registered configurations: drawn as they are, without the reference angle.
void plotRegistered(const Matrix& rows, const Matrix& codes) {
  plotRows(rows, codes, useCodeTable() ? std::optional<double>(0.0) : std::nullopt);
}

void writeHandle(const std::string& tag) {
  auto found = findTag(tag);
  platform::console().write(tag + " = " + (found.empty() ? "[]" : num2str(found.front())) + "\n");
}

void writeRows(const std::string& name, const Matrix& rows) {
  std::string text = name + " =\n";
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    for (Eigen::Index j = 0; j < rows.cols(); ++j) text += formatText("%12.4f", {rows(i, j)});
    text += "\n";
  }
  platform::console().write(text);
}

enum class Registration { Baseline, SlidingBaseline };

void showRegistered(Registration kind) {
  auto& s = analysisState();
  checkCodes(s.GLIST, s.DATA.rows(), "group codes");
  const bool unknowns = unknownsActive();
  if (unknowns) checkCodes(s.UGLIST, s.UDATA.rows(), "codes of unknowns");

  plotlib::cla();
  writeHandle("BaseBox1");
  writeHandle("BaseBox2");
  const double b1 = getNumber("BaseBox1");
  const double b2 = getNumber("BaseBox2");
  auto registered = [&](const Matrix& rows) {
    Matrix bc = shape::basereg(rows, b1, b2);
    return kind == Registration::Baseline ? bc : shape::meth3sup(bc);
  };

  plotRegistered(registered(s.DATA), s.GLIST);
  if (unknowns) {
    Matrix bc = registered(s.UDATA);
    if (kind == Registration::SlidingBaseline) writeRows("bcdata", bc);
    plotRegistered(bc, s.UGLIST);
  }
  graphics::setsymbolfill(platform::gca(), 1);
  notePlot("x", "y", !useCodeTable());
}

// The canonical axis number in a box, checked against the columns of the scores.
Eigen::Index axisNumber(const char* tag, Eigen::Index axes) {
  double t = getNumber(tag);
  if (!(t >= 1 && t <= static_cast<double>(axes) && t == std::floor(t)))
    throw Error(formatText("There is no canonical axis %s: the scores have %d axes",
                           {num2str(t), static_cast<double>(axes)}));
  return static_cast<Eigen::Index>(t) - 1;
}

// Steps the axis number in `box` within the axes along which the groups differ, shows the
// eigenvalue of the new axis in `shown`, and redraws the plot when it shows that axis. At the
// last such axis a step up says why it stops; at axis 1 a step down does nothing.
bool stepAxis(const char* box, const char* shown, int step, const char* display) {
  const auto& s = analysisState();
  requireCurrentResults();
  const Eigen::Index axes = nonZeroAxes(s.Dmatrix);
  const double now = getNumber(box);
  const double from = std::isfinite(now) ? std::floor(now) : 0;  // a typed "NaN" starts over
  const double t = std::clamp(from + step, 1.0, std::max(static_cast<double>(axes), 1.0));
  if (axes > 0 && t == now && step > 0 && static_cast<Eigen::Index>(t) < s.Dmatrix.size()) {
    platform::dialogs().message(
        formatText("Canonical axis %d has no variation between the groups (eigenvalue %g)",
                   {t + 1, s.Dmatrix(static_cast<Eigen::Index>(t))}),
        "Canonical Axes");
    return false;
  }
  if (axes == 0 || t == now) return false;
  setString(box, num2str(t));
  setString(shown, num2str(s.Dmatrix(static_cast<Eigen::Index>(t) - 1)));
  return s.shown == display;
}

// "CV 1 (57.1%)": the axis and its share of the eigenvalues.
// Each group's 95% ellipses (of its scores, and of its mean) on axes xp and yp, in the colour of
// the group's first point; groups of fewer than three specimens have none.
void drawEllipses(const Matrix& scores, Eigen::Index xp, Eigen::Index yp,
                  const std::vector<platform::Handle>& firstPoint) {
  const Matrix& codes = analysisState().GLIST;
  for (std::size_t g = 0; g < firstPoint.size(); ++g) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index i = 0; i < scores.rows(); ++i)
      if (codes(i) == static_cast<double>(g + 1)) rows.push_back(i);
    if (rows.size() < 3) continue;
    Matrix xy(static_cast<Eigen::Index>(rows.size()), 2);
    for (std::size_t k = 0; k < rows.size(); ++k)
      xy.row(static_cast<Eigen::Index>(k)) << scores(rows[k], xp), scores(rows[k], yp);
    stats::GroupEllipses e;
    try {
      e = stats::groupEllipses95(xy);
    } catch (const Error& error) {
      throw Error(groupLabel(static_cast<double>(g + 1)) + ": " + error.what());
    }
    const platform::Value colour = platform::model().get(firstPoint[g], "Color");
    for (const Matrix* outline : {&e.scores, &e.mean})
      platform::plot(Matrix(outline->row(0)), Matrix(outline->row(1)), "-", {{"Color", colour}});
  }
}

// "CV 1 (57.1%), unit axis" or "..., within-group units": the axis, its share of the
// eigenvalues and the scale of the scores.
std::string windowAxisTitle(Eigen::Index axis) {
  const auto& s = analysisState();
  const Matrix& D = s.Dmatrix;
  std::string text = "CV " + std::to_string(axis + 1);
  if (axis < D.size() && D.sum() > 0)
    text += " (" + formatText("%.1f", {100 * D(axis) / D.sum()}) + "%)";
  return text + (s.withinUnits ? ", within-group units" : ", unit axis");
}

}  // namespace

void ShowProcrustes() {
  auto& s = analysisState();
  checkCodes(s.GLIST, s.DATA.rows(), "group codes");
  const bool unknowns = unknownsActive();
  if (unknowns) checkCodes(s.UGLIST, s.UDATA.rows(), "codes of unknowns");
  plotlib::cla();
  plotRows(s.DATA, s.GLIST);
  if (unknowns) plotRows(s.UDATA, s.UGLIST);
  graphics::setsymbolfill(platform::gca(), 1);
  notePlot("x", "y", !useCodeTable());
}

void ShowBC() {
  showRegistered(Registration::Baseline);
}

void ShowSBR() {
  showRegistered(Registration::SlidingBaseline);
}

void ShowPCAAxis() {
  auto& s = analysisState();
  requireCurrentResults();
  if (s.CVAScores.rows() == 0)
    throw Error("There are no CVA scores to show: load a group list to run the CVA first");
  const Eigen::Index xp = axisNumber("XBox", s.CVAScores.cols());
  const Eigen::Index yp = axisNumber("YBox", s.CVAScores.cols());
  checkAxisVariation(xp);
  checkAxisVariation(yp);
  const bool labels = getValue("PCALabel") != 0;
  const bool centroids = getValue("CentroidButton") != 0;
  const Eigen::Index m = s.CVAScores.rows();
  checkCodes(s.GLIST, m, "group codes");
  const bool unknowns = unknownsActive();
  const Eigen::Index mu = unknowns ? s.UDATA.rows() : 0;
  if (unknowns) {
    checkCodes(s.UGLIST, mu, "codes of unknowns");
    if (s.UCVASCORES.rows() < mu || s.UCVASCORES.cols() != s.CVAScores.cols())
      throw Error("The unknown specimens have no CVA scores: load their codes again");
  }

  // On the unit axes, or in within-group units when that is chosen.
  const Matrix sc = shownScores(s.CVAScores);
  const Matrix usc = unknowns ? shownScores(s.UCVASCORES) : Matrix();
  const int ngroups = static_cast<int>(s.GLIST.topRows(m).maxCoeff());
  std::vector<double> xsum(ngroups, 0), ysum(ngroups, 0), count(ngroups, 0);
  std::vector<platform::Handle> firstPoint(ngroups, -1);
  auto add = [&](Eigen::Index i, platform::Handle point) {
    int g = static_cast<int>(s.GLIST(i)) - 1;
    if (firstPoint[g] < 0) firstPoint[g] = point;
    xsum[g] += sc(i, xp);
    ysum[g] += sc(i, yp);
    count[g] += 1;
  };

  plotlib::cla();
  add(0, plotGroupPoint(sc(0, xp), sc(0, yp), s.GLIST(0)));
  platform::hold("on");
  for (Eigen::Index i = 1; i < m; ++i) {
    add(i, plotGroupPoint(sc(i, xp), sc(i, yp), s.GLIST(i)));
  }
  for (Eigen::Index i = 0; i < mu; ++i) plotGroupPoint(usc(i, xp), usc(i, yp), s.UGLIST(i));

  if (labels) {
    for (Eigen::Index i = 0; i < m; ++i)
      platform::text(sc(i, xp), sc(i, yp), formatText("%3.0i", {static_cast<double>(i + 1)}));
    for (Eigen::Index i = 0; i < mu; ++i) {
      platform::Handle t =
          platform::text(usc(i, xp), usc(i, yp), formatText("%3.0i", {static_cast<double>(i + 1)}));
      platform::model().set(t, "Color", platform::Value(Matrix(*platform::colorOfName("r"))));
    }
  }

  if (centroids) {
    for (int g = 0; g < ngroups; ++g)
      if (count[g] != 0) plotGroupPoint(xsum[g] / count[g], ysum[g] / count[g], g + 1, 3, 12);
  }

  if (s.ellipses) drawEllipses(sc, xp, yp, firstPoint);
  if (!useCodeTable()) graphics::setsymbolfill(platform::gca(), 1);
  notePlot(windowAxisTitle(xp), windowAxisTitle(yp), !useCodeTable());
  s.shown = "scores";
}

void UpXAxis() {
  if (stepAxis("XBox", "XBoxExp", +1, "scores")) ShowPCAAxis();
}
void DownXAxis() {
  if (stepAxis("XBox", "XBoxExp", -1, "scores")) ShowPCAAxis();
}
void UpYAxis() {
  if (stepAxis("YBox", "YBoxExp", +1, "scores")) ShowPCAAxis();
}
void DownYAxis() {
  if (stepAxis("YBox", "YBoxExp", -1, "scores")) ShowPCAAxis();
}
void UpDisplay() {
  if (stepAxis("ShowBox", "VarianceBox", +1, "deformation"))
    ShowPCADeformation(platform::Value(analysisState().shownRegistration));
}
void DownDisplay() {
  if (stepAxis("ShowBox", "VarianceBox", -1, "deformation"))
    ShowPCADeformation(platform::Value(analysisState().shownRegistration));
}

}  // namespace tessaly::dispatch
