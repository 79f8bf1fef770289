#include "core/error.h"
#include "platform/platform.h"
#include "plotlib/plotting.h"

namespace tessaly::plotlib {

void movegui(Handle figure, const std::string& where) {
  platform::ObjectModel& m = platform::model();
  if (m.type(figure) != "figure") throw Error("movegui moves a figure.");
  std::string word = platform::propertyKey(where);
  if (word != "onscreen" && word != "center")
    throw Error("movegui takes \"onscreen\" or \"center\", not \"" + where + "\".");
  RowVector screen = platform::pixelPosition(m, platform::ObjectModel::kRoot);
  RowVector box = platform::pixelPosition(m, figure);
  // Screen and window positions count pixels from 1 at the left and bottom.
  const double left = screen(0), bottom = screen(1);
  const double right = left + screen(2) - 1, top = bottom + screen(3) - 1;
  RowVector moved = box;
  if (word == "center") {
    moved(0) = left + (screen(2) - box(2)) / 2;
    moved(1) = bottom + (screen(3) - box(3)) / 2;
  } else {
    // Right and bottom edges in first; then the left and top edges, which win for a window
    // larger than the screen, so that its title bar stays reachable.
    moved(0) = std::min(moved(0), right - box(2) + 1);
    moved(0) = std::max(moved(0), left);
    moved(1) = std::max(moved(1), bottom);
    moved(1) = std::min(moved(1), top - box(3) + 1);
  }
  if (moved == box) return;
  // Place it in pixels, then give the position back in the figure's own units.
  platform::Value units = m.get(figure, "Units");
  m.set(figure, "Units", "pixels");
  m.set(figure, "Position", moved);
  m.set(figure, "Units", units);
}

void movegui(const std::string& where) {
  platform::ObjectModel& m = platform::model();
  Handle fig = m.currentFigure();
  if (fig < 0) throw Error("movegui needs a figure.");
  movegui(fig, where);
}

}  // namespace tessaly::plotlib
