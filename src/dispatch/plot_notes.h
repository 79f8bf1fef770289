#pragma once
// What makes a plot explain itself: axis titles that say what the axes are, and a legend that
// maps each plot symbol to its group (its name when the groups have names, else its code).
// The one-command analysis adds them to its pictures; the windows show them in the plot when
// the Plot Settings entry "Legend and Axis Titles" is checked.
#include <string>
#include <vector>

#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::dispatch {

// "CV 1 (58.0% of the between-group variance)": axis is 1-based; the share is the axis's
// eigenvalue in the sum of all eigenvalues.
std::string cvAxisTitle(int axis, const Matrix& eigenvalues);

// The group codes drawn in the plot: those of the specimens, and of the unknowns when they
// are active, each once, in increasing order.
std::vector<double> plottedCodes();

// The legend text of a code: its name, else "Group" and the code.
std::string legendText(double code);

// A legend axes (Tag "Legend", in pixels, not shown as axes) in the figure of `axes`, one
// row per plotted code, at the bottom left of the figure until it is placed; -1 when no group
// is plotted. The current axes stays `axes`. filled: markers filled as the plot's are.
platform::Handle addLegend(platform::Handle axes, bool filled);

// The legend axes of the figure of `axes` go.
void removeLegends(platform::Handle axes);

// True while the windows' plots carry their legend and axis titles.
bool plotNotesOn();

// When the notes are on: the axis titles of the current axes, and a legend in its top right
// corner. Nothing otherwise.
void notePlot(const std::string& xTitle, const std::string& yTitle, bool filled);

}  // namespace tessaly::dispatch
