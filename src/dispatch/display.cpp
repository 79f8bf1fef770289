// Displays of the specimens: superimposed configurations in three registrations, the scores
// on two canonical axes, and the stepping of the axis numbers.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/common.h"
#include "dispatch/state.h"
#include "platform/linespec.h"
#include "platform/platform.h"
#include "shape/superimposition.h"

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
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    double g = codes(i);
    if (useCodeTable())
      showShapeCode(rows.row(i), codeRow(g), 0.0);
    else
      showShape(rows.row(i), listSymbol(g));
  }
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

  cla();
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
  symbolFill();
}

// The canonical axis number in a box, checked against the columns of the scores.
Eigen::Index axisNumber(const char* tag, Eigen::Index axes) {
  double t = getNumber(tag);
  if (!(t >= 1 && t <= static_cast<double>(axes) && t == std::floor(t)))
    throw Error(formatText("There is no canonical axis %s: the scores have %d axes",
                           {num2str(t), static_cast<double>(axes)}));
  return static_cast<Eigen::Index>(t) - 1;
}

// Steps the axis number in `box` and shows the eigenvalue of the new axis in `shown`. The
// number is written first; an axis without an eigenvalue then stops the action, leaving the
// eigenvalue box as it was.
void stepAxis(const char* box, const char* shown, int step) {
  double t = getNumber(box) + step;
  setString(box, num2str(t));
  const Matrix& D = analysisState().Dmatrix;
  if (!(t >= 1 && t <= static_cast<double>(D.size()) && t == std::floor(t)))
    throw Error(formatText("There is no canonical axis %s: the analysis has %d eigenvalues",
                           {num2str(t), static_cast<double>(D.size())}));
  setString(shown, num2str(D(static_cast<Eigen::Index>(t) - 1)));
}

}  // namespace

void ShowProcrustes() {
  auto& s = analysisState();
  checkCodes(s.GLIST, s.DATA.rows(), "group codes");
  const bool unknowns = unknownsActive();
  if (unknowns) checkCodes(s.UGLIST, s.UDATA.rows(), "codes of unknowns");
  cla();
  plotRows(s.DATA, s.GLIST);
  if (unknowns) plotRows(s.UDATA, s.UGLIST);
  symbolFill();
}

void ShowBC() {
  showRegistered(Registration::Baseline);
}

void ShowSBR() {
  showRegistered(Registration::SlidingBaseline);
}

void ShowPCAAxis() {
  auto& s = analysisState();
  if (s.CVAScores.rows() == 0)
    throw Error("There are no CVA scores to show: load a group list to run the CVA first");
  const Eigen::Index xp = axisNumber("XBox", s.CVAScores.cols());
  const Eigen::Index yp = axisNumber("YBox", s.CVAScores.cols());
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

  const int ngroups = static_cast<int>(s.GLIST.topRows(m).maxCoeff());
  std::vector<double> xsum(ngroups, 0), ysum(ngroups, 0), count(ngroups, 0);
  auto add = [&](Eigen::Index i) {
    int g = static_cast<int>(s.GLIST(i)) - 1;
    xsum[g] += s.CVAScores(i, xp);
    ysum[g] += s.CVAScores(i, yp);
    count[g] += 1;
  };

  cla();
  plotGroupPoint(s.CVAScores(0, xp), s.CVAScores(0, yp), s.GLIST(0));
  add(0);
  hold(true);
  for (Eigen::Index i = 1; i < m; ++i) {
    plotGroupPoint(s.CVAScores(i, xp), s.CVAScores(i, yp), s.GLIST(i));
    add(i);
  }
  for (Eigen::Index i = 0; i < mu; ++i)
    plotGroupPoint(s.UCVASCORES(i, xp), s.UCVASCORES(i, yp), s.UGLIST(i));

  if (labels) {
    for (Eigen::Index i = 0; i < m; ++i)
      textAt(s.CVAScores(i, xp), s.CVAScores(i, yp),
             formatText("%3.0i", {static_cast<double>(i + 1)}));
    for (Eigen::Index i = 0; i < mu; ++i) {
      platform::Handle t = textAt(s.UCVASCORES(i, xp), s.UCVASCORES(i, yp),
                                  formatText("%3.0i", {static_cast<double>(i + 1)}));
      platform::model().set(t, "Color", platform::Value(Matrix(*platform::colorOfName("r"))));
    }
  }

  if (centroids) {
    for (int g = 0; g < ngroups; ++g)
      if (count[g] != 0) plotGroupPoint(xsum[g] / count[g], ysum[g] / count[g], g + 1, 3, 12);
  }

  if (!useCodeTable()) symbolFill();
}

void UpXAxis() {
  stepAxis("XBox", "XBoxExp", +1);
}
void DownXAxis() {
  stepAxis("XBox", "XBoxExp", -1);
}
void UpYAxis() {
  stepAxis("YBox", "YBoxExp", +1);
}
void DownYAxis() {
  stepAxis("YBox", "YBoxExp", -1);
}
void UpDisplay() {
  stepAxis("ShowBox", "VarianceBox", +1);
}
void DownDisplay() {
  stepAxis("ShowBox", "VarianceBox", -1);
}

}  // namespace tessaly::dispatch
