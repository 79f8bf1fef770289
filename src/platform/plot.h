#pragma once
// Drawing into the current axes: plot, text and hold. Every plotted object is a line or text
// object of the object tree; the renderer draws whatever the tree holds.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::platform {

// Lines through (x, y) in the current axes, one per column (or per row when only that fits)
// of a matrix argument; x and y vectors of one length give one line. lineSpec is a line style text
// ("ko", "k-", "b--", ...; see linespec.h); props are set afterwards and win over the lineSpec.
// With hold off (axes "NextPlot" "replace") the axes are cleared first. Returns the lines.
// Mismatched sizes are an Error and draw nothing.
std::vector<Handle> plot(const Matrix& x, const Matrix& y, std::string_view lineSpec = "",
                         const PropertyList& props = {});
std::vector<Handle> plot(const Matrix& x, const Matrix& y, const PropertyList& props);
// One point or one segment list, the common case: same as above with 1-by-1 x and y.
Handle plot(double x, double y, std::string_view lineSpec = "", const PropertyList& props = {});
// Points of one style into the current axes, drawn as one-point plots of (x(k), y(k)) with
// lineSpec and props would be, held as one point set (see ObjectModel::createPoints): with hold
// off the axes are cleared first. Returns its handle (nothing for no points).
std::vector<Handle> plotPoints(std::span<const double> x, std::span<const double> y,
                               std::string_view lineSpec = "", const PropertyList& props = {});
// The style of a point set: a lineSpec and the properties set after it.
struct PointStyle {
  std::string lineSpec;
  PropertyList props;
};
// `count` point sets of `points` points each into the current axes at once, drawn as
// plotPoints of each in order would draw them: set k in styles[styleOf[k]], with the
// coordinates fill(k, x, y) writes (see ObjectModel::createPointSets). Every style is resolved
// once and checked before the axes are cleared. Returns the handles in order.
std::vector<Handle> plotPointSets(size_t count, size_t points, std::span<const PointStyle> styles,
                                  std::span<const std::uint32_t> styleOf,
                                  const ObjectModel::PointFill& fill);
// The same into a given axes.
std::vector<Handle> plot(Handle axes, const Matrix& x, const Matrix& y,
                         std::string_view lineSpec = "", const PropertyList& props = {});

// A text object at (x, y) in data units of the current axes. Not affected by hold.
Handle text(double x, double y, const std::string& string, const PropertyList& props = {});
// One text per point; strings holds one text for all or one per point.
std::vector<Handle> text(const Matrix& x, const Matrix& y, const std::vector<std::string>& strings,
                         const PropertyList& props = {});

// hold("on"): later plots add to the axes; hold("off"): a new plot replaces what is there.
// The words are read without regard to case; anything else is an Error.
void hold(const std::string& onOff);
void hold(Handle axes, const std::string& onOff);
// Whether the current axes hold their plots (without making axes).
bool ishold();

// What a plot with hold off does before it draws: removes the plot objects (lines, texts,
// patches) of the axes and sets the limits and aspect back to automatic.
void resetAxes(Handle axes);
// What every drawing routine does first: resetAxes when the axes do not hold their plots.
void preparePlot(Handle axes);
// The colour a line gets from the axes' "ColorOrder" when nothing names one: entry k, cycling.
RowVector orderColor(Handle axes, size_t k = 0);

}  // namespace tessaly::platform
