#pragma once
// Axis limits of an axes: set explicitly, fitted to the data ("auto"), and widened so that one
// data unit has the same length on both axes ("equal"). Limits in auto mode are computed only
// when read or drawn, so plotting many objects does not refit after each one.
#include <string>

#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::platform {

// [xmin xmax ymin ymax] as shown in the axes' box. Automatic limits fit the data with a small
// margin, rounded out to the tick step, so that no point lies on the frame.
RowVector shownLimits(const ObjectModel& m, Handle axes);

// The `axis` verb on the current axes.
// axis()                 -> the limits shown, [xmin xmax ymin ymax]
// axis([a b c d])        -> fixed limits (XLimMode/YLimMode "manual")
// axis("auto")           -> limits fitted to the data, with a margin
// axis("tight")          -> fixed limits at the extent of the data
// axis("equal")          -> equal data units on both axes
// axis("normal")         -> limits fill the box without the equal-units constraint
RowVector axis();
void axis(const RowVector& limits);
void axis(const std::string& mode);
// The same on a given axes.
RowVector axis(Handle axes);
void axis(Handle axes, const RowVector& limits);
void axis(Handle axes, const std::string& mode);

}  // namespace tessaly::platform
