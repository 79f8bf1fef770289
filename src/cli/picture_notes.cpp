#include "cli/picture_notes.h"

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

namespace tessaly::cli {

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
  const auto& s = dispatch::analysisState();
  std::set<double> codes(s.GLIST.data(), s.GLIST.data() + s.GLIST.size());
  if (dispatch::isTrue(s.UNKNOWNACTIVE))
    codes.insert(s.UGLIST.data(), s.UGLIST.data() + s.UGLIST.size());
  return {codes.begin(), codes.end()};
}

std::string legendText(double code) {
  const auto& s = dispatch::analysisState();
  std::string name = dispatch::groupNameOf(code);
  const bool unknownsOnly = std::find(s.GLIST.data(), s.GLIST.data() + s.GLIST.size(), code) ==
                            s.GLIST.data() + s.GLIST.size();
  if (name.empty() && unknownsOnly) name = dispatch::unknownNameOf(code);
  return name.empty() ? "Group " + num2str(code) : name;
}

PictureNotes::PictureNotes(const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, bool filled)
    : axes_(model().gca()) {
  for (const char* property : {"Title", "XLabel", "YLabel"})
    saved_.emplace_back(property, model().get(axes_, property));
  model().set(axes_, "Title", Value(title));
  model().set(axes_, "XLabel", Value(xTitle));
  model().set(axes_, "YLabel", Value(yTitle));
  addLegend(filled);
}

PictureNotes::~PictureNotes() {
  if (legend_ >= 0 && model().isHandle(legend_)) model().remove(legend_);
  if (!model().isHandle(axes_)) return;
  for (const auto& [property, value] : saved_) model().set(axes_, property, value);
  model().setCurrentAxes(axes_);
}

void PictureNotes::addLegend(bool filled) {
  const std::vector<double> codes = plottedCodes();
  if (codes.empty()) return;
  std::vector<std::string> texts;
  size_t longest = 0;
  for (double g : codes) {
    texts.push_back(legendText(g));
    longest = std::max(longest, texts.back().size());
  }
  const double width = kPad + kMarkerColumn + kCharWidth * static_cast<double>(longest) + kPad;
  const double height = 2 * kPad + kRow * static_cast<double>(codes.size());
  legend_ = model().create("axes", model().figureOf(axes_),
                           {{"Tag", Value("Legend")},
                            {"Units", Value("pixels")},
                            {"Position", Value(RowVector{{0, 0, width, height}})},
                            {"Visible", Value("off")}});
  model().setCurrentAxes(legend_);
  platform::hold(legend_, "on");
  platform::axis(legend_, RowVector{{0, width, 0, height}});
  platform::plot(legend_, Matrix{{0.5, width - 0.5, width - 0.5, 0.5, 0.5}},
                 Matrix{{0.5, 0.5, height - 0.5, height - 0.5, 0.5}}, "-",
                 {{"Color", Matrix{{0.6, 0.6, 0.6}}}});
  for (size_t i = 0; i < codes.size(); ++i) {
    const double y = height - kPad - kRow * (static_cast<double>(i) + 0.5);
    dispatch::plotGroupPoint(kPad + kMarkerColumn / 2, y, codes[i]);
    platform::text(kPad + kMarkerColumn, y, texts[i], {{"VerticalAlignment", Value("middle")}});
  }
  if (filled) graphics::setsymbolfill(platform::gca(), 1);
  model().setCurrentAxes(axes_);
}

}  // namespace tessaly::cli
