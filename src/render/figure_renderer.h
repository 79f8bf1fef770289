#pragma once
// Draws a figure of the object model on a painter: the figure background, every axes (its
// background, plotted lines, markers, patches and texts clipped to the box, then box, ticks,
// tick labels, axis labels and title) and the controls. Device pixels have their origin at the
// figure's top left; font and marker sizes in points are 4/3 pixel each (96 pixels an inch).
#include <array>
#include <map>

#include "core/matrix.h"
#include "platform/object_model.h"
#include "render/painter.h"

namespace tessaly::render {

constexpr double kPixelsPerPoint = 96.0 / 72.0;
struct RenderOptions {
  bool noui = false;      // leave the controls out
  bool printing = false;  // a hard copy: the figure background turns white ("InvertHardcopy")
  // Leave a white figure background unpainted, so that an encapsulated picture's bounding
  // box closes tightly around what is drawn.
  bool blankPaper = false;
  // Limits [xmin xmax ymin ymax] shown instead of the axes' own (a window's zoom), by axes.
  std::map<platform::Handle, std::array<double, 4>> view = {};
};

// The figure's width and height in pixels.
struct Size {
  double width = 0;
  double height = 0;
};
Size figureSize(const platform::ObjectModel& m, platform::Handle figure);

// The axes' plot box in device pixels (origin top left).
Rect axesBox(const platform::ObjectModel& m, platform::Handle axes);

void renderFigure(const platform::ObjectModel& m, platform::Handle figure, Painter& painter,
                  const RenderOptions& options = {});

}  // namespace tessaly::render
