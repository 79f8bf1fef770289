#include "dispatch/plot_notes.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "core/format.h"
#include "dispatch/controls.h"
#include "dispatch/group_styles.h"
#include "dispatch/input_files.h"
#include "dispatch/state.h"
#include "graphics/styling.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"

namespace tessaly::dispatch {

using platform::Handle;
using platform::model;
using platform::Value;

namespace {

// Legend layout in pixels: one entry a row, the marker in a column of its own.
constexpr double kRow = 20, kPad = 8, kMarkerColumn = 24, kCharWidth = 8.5;

}  // namespace

std::string cvAxisTitle(int axis, const Matrix& eigenvalues) {
  const double total = eigenvalues.sum();
  std::string text = "CV " + std::to_string(axis);
  if (axis >= 1 && axis <= eigenvalues.size() && total > 0)
    text += " (" + formatText("%.1f", {100 * eigenvalues(axis - 1) / total}) +
            "% of the between-group variance)";
  return text;
}

std::vector<double> plottedCodes() {
  const auto& s = analysisState();
  std::set<double> codes(s.GLIST.data(), s.GLIST.data() + s.GLIST.size());
  if (isTrue(s.UNKNOWNACTIVE)) codes.insert(s.UGLIST.data(), s.UGLIST.data() + s.UGLIST.size());
  return {codes.begin(), codes.end()};
}

std::string legendText(double code) {
  const auto& s = analysisState();
  std::string name = groupNameOf(code);
  const bool unknownsOnly = std::find(s.GLIST.data(), s.GLIST.data() + s.GLIST.size(), code) ==
                            s.GLIST.data() + s.GLIST.size();
  if (name.empty() && unknownsOnly) name = unknownNameOf(code);
  return name.empty() ? "Group " + num2str(code) : name;
}

Handle addLegend(Handle axes, bool filled) {
  const std::vector<double> codes = plottedCodes();
  if (codes.empty()) return -1;
  std::vector<std::string> texts;
  size_t longest = 0;
  for (double g : codes) {
    texts.push_back(legendText(g));
    longest = std::max(longest, texts.back().size());
  }
  const double width = kPad + kMarkerColumn + kCharWidth * static_cast<double>(longest) + kPad;
  const double height = 2 * kPad + kRow * static_cast<double>(codes.size());
  const Handle legend = model().create("axes", model().figureOf(axes),
                                       {{"Tag", Value("Legend")},
                                        {"Units", Value("pixels")},
                                        {"Position", Value(RowVector{{0, 0, width, height}})},
                                        {"Visible", Value("off")}});
  model().setCurrentAxes(legend);
  platform::hold(legend, "on");
  platform::axis(legend, RowVector{{0, width, 0, height}});
  platform::plot(legend, Matrix{{0.5, width - 0.5, width - 0.5, 0.5, 0.5}},
                 Matrix{{0.5, 0.5, height - 0.5, height - 0.5, 0.5}}, "-",
                 {{"Color", Matrix{{0.6, 0.6, 0.6}}}});
  for (size_t i = 0; i < codes.size(); ++i) {
    const double y = height - kPad - kRow * (static_cast<double>(i) + 0.5);
    plotGroupPoint(kPad + kMarkerColumn / 2, y, codes[i]);
    platform::text(kPad + kMarkerColumn, y, texts[i], {{"VerticalAlignment", Value("middle")}});
  }
  if (filled) graphics::setsymbolfill(platform::gca(), 1);
  model().setCurrentAxes(axes);
  return legend;
}

void removeLegends(Handle axes) {
  if (!model().isHandle(axes)) return;
  for (Handle h : model().children(model().figureOf(axes)))
    if (model().type(h) == "axes" && model().get(h, "Tag").toText() == "Legend") model().remove(h);
}

bool plotNotesOn() {
  return analysisState().plotNotes;
}

void notePlot(const std::string& xTitle, const std::string& yTitle, bool filled) {
  if (!plotNotesOn()) return;
  const Handle axes = platform::gca();
  model().set(axes, "XLabel", Value(xTitle));
  model().set(axes, "YLabel", Value(yTitle));
  removeLegends(axes);
  const Handle legend = addLegend(axes, filled);
  if (legend < 0) return;
  // Inside the plot's top right corner, clear of the frame.
  const RowVector box = platform::pixelPosition(model(), axes);
  RowVector at = model().get(legend, "Position").matrix();
  at(0) = box(0) + box(2) - at(2) - 6;
  at(1) = box(1) + box(3) - at(3) - 6;
  model().set(legend, "Position", Value(at));
}

}  // namespace tessaly::dispatch
