// Plot settings chosen from the menus: grid density, arrow heads, reference symbol, grid line
// style and width, and the group code table.
#include <string>
#include <utility>
#include <vector>

#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/controls.h"
#include "dispatch/group_styles.h"
#include "dispatch/mfload.h"
#include "dispatch/plot_notes.h"
#include "dispatch/state.h"
#include "graphics/styling.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"

namespace tessaly::dispatch {

namespace {

// The value a menu entry passes: a number, or a text holding one.
double numberArgument(const platform::Value& fpass, const char* action) {
  if (fpass.isNumeric() && fpass.matrix().size() > 0) return fpass.number();
  if (fpass.isText()) {
    std::vector<double> numbers;
    std::string bad;
    if (parseNumberLine(fpass.text(), numbers, bad) && numbers.size() == 1) return numbers[0];
  }
  throw Error(std::string("The action ") + action + " needs a number");
}

std::string textArgument(const platform::Value& fpass, const char* action) {
  if (fpass.isText()) return fpass.text();
  throw Error(std::string("The action ") + action + " needs a line style text");
}

// Checks the entry whose value equals the choice and unchecks the others.
template <typename T>
void checkOne(const std::vector<std::pair<const char*, T>>& entries, const T& chosen) {
  for (const auto& [tag, value] : entries) setChecked(tag, value == chosen);
}

}  // namespace

void SetPlotDensity(const platform::Value& fpass) {
  double density = numberArgument(fpass, "SetPlotDensity");
  checkOne<double>({{"Density10", 10}, {"Density20", 20}, {"Density30", 30}, {"Density50", 50}},
                   density);
  analysisState().vplotdensity = scalar(density);
}

// Legend and axis titles in the window plots: toggled, and the score plot redrawn with or
// without them.
void PlotNotes() {
  auto& s = analysisState();
  s.plotNotes = !s.plotNotes;
  setChecked("PlotNotes", s.plotNotes);
  const platform::Handle axes = platform::gca();
  removeLegends(axes);
  if (!s.plotNotes)
    for (const char* property : {"XLabel", "YLabel"})
      platform::model().set(axes, property, platform::Value(std::string()));
  if (s.shown == "scores") ShowPCAAxis();
}

// Scores in within-group units (pooled within-group variance 1 along each axis) or on the unit
// axes: toggled for the score plot and the saved scores, the plot redrawn.
void WithinGroupUnits() {
  auto& s = analysisState();
  s.withinUnits = !s.withinUnits;
  setChecked("WithinGroupUnits", s.withinUnits);
  if (s.shown == "scores") ShowPCAAxis();
}

// The 95% confidence ellipses of the groups' scores and of their means in the score plot:
// toggled, the plot redrawn.
void ConfidenceEllipses() {
  auto& s = analysisState();
  s.ellipses = !s.ellipses;
  setChecked("Ellipses", s.ellipses);
  if (s.shown == "scores") ShowPCAAxis();
}

void ArrowHeads() {
  setChecked("ArrowHeads", true);
  setChecked("NoArrowHeads", false);
  analysisState().vaheads = scalar(1);
}

void NoArrowHeads() {
  setChecked("ArrowHeads", false);
  setChecked("NoArrowHeads", true);
  analysisState().vaheads = scalar(0);
}

void SetReferenceSymbol(const platform::Value& fpass) {
  std::string symbol = textArgument(fpass, "SetReferenceSymbol");
  checkOne<std::string>(
      {{"RefSquare", "ks"}, {"RefDiamond", "kd"}, {"RefCircle", "ko"}, {"RefPlus", "k+"}}, symbol);
  analysisState().vrefsymbol = symbol;
}

void SetLineFormat1(const platform::Value& fpass) {
  std::string format = textArgument(fpass, "SetLineFormat1");
  checkOne<std::string>({{"Line1Red", "r"}, {"Line1Black", "k"}, {"Line1Dotted", "k:"}}, format);
  analysisState().vlineformat1 = format;
}

void SetLineWidth(const platform::Value& fpass) {
  double weight = numberArgument(fpass, "SetLineWidth");
  checkOne<double>(
      {{"Weight5", 5}, {"Weight10", 10}, {"Weight15", 15}, {"Weight20", 20}, {"Weigth25", 25}},
      weight);
  auto& s = analysisState();
  s.vlinewidth = scalar(weight / 10);
  // The lines already drawn take the new width at once.
  graphics::setlinethickness(platform::gca(), weight / 10);
}

void CodeLoad() {
  auto loaded = mfload(1);
  // A cancelled dialog or a file that cannot be read changes nothing.
  if (!loaded) return;
  // A file of the wrong shape changes nothing either: the symbols stay as they were.
  if (loaded->data.cols() != 6)
    throw Error(
        "The file loaded does not have the correct dimensions to be a Group Code File, Please "
        "try another file");
  auto& s = analysisState();
  s.altcode = scalar(1);
  s.codearray = std::move(loaded->data);
}

void SetBWCode() {
  auto& s = analysisState();
  // An unset altcode counts as off, so the first use switches the table on.
  if (!isTrue(s.altcode)) {
    s.altcode = scalar(1);
    s.codearray = bwCodeTable();
    setLabel("BWButton", "Return to Default Symbols");
  } else {
    s.altcode = scalar(0);
    setLabel("BWButton", "Use BW Symbols");
  }
}

void ShowSymbolCodes() {
  auto& s = analysisState();
  const bool codes = isTrue(s.altcode);
  if (codes && s.codearray.rows() > 0 && s.codearray.cols() < 6)
    throw Error("The group code table does not have the six columns of a style row");
  if (!codes && s.ColorList.empty())
    throw Error("There are no plot symbols: load a landmark data file first");
  if (codes)
    for (Eigen::Index i = 0; i < s.codearray.rows(); ++i) markerLetter(s.codearray(i, 3));
  plotlib::cla();
  if (codes) {
    for (Eigen::Index i = 0; i < s.codearray.rows(); ++i) {
      const auto row = s.codearray.row(i);
      platform::plot(0.1, static_cast<double>(i + 1), "",
                     {{"MarkerSize", row(4)},
                      {"Marker", markerLetter(row(3))},
                      {"Color", Matrix(row.leftCols(3))},
                      {"MarkerFaceColor", "None"}});
      platform::hold("on");
      platform::text(0.5, static_cast<double>(i + 1), num2str(static_cast<double>(i + 1)));
    }
  } else {
    for (size_t i = 0; i < s.ColorList.size(); ++i) {
      platform::plot(0.1, static_cast<double>(i + 1), s.ColorList[i]);
      platform::hold("on");
      platform::text(0.5, static_cast<double>(i + 1), num2str(static_cast<double>(i + 1)));
    }
  }
  // Equal units, the limits widened by one unit on every side, equal units again.
  platform::axis("equal");
  RowVector limits = platform::axis();
  RowVector widen(4);
  widen << -1, 1, -1, 1;
  platform::axis(RowVector(limits + widen));
  platform::axis("equal");
  platform::hold("off");
}

}  // namespace tessaly::dispatch
