#pragma once
// The drawing area of a window: paints the Cairo picture of the figure (its axes with every
// plotted object; the controls are real widgets on top of it) and turns mouse clicks in an
// axes into picks in data units.
#include <QWidget>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/interfaces.h"
#include "platform/object_model.h"

namespace tessaly::app {

inline QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

class FigureCanvas : public QWidget {
  Q_OBJECT
 public:
  FigureCanvas(platform::Handle figure, QWidget* parent = nullptr);

  platform::Handle figure() const { return figure_; }
  // Asks for a repaint once the current callback has returned to the event loop.
  void markDirty();

  // Waits for one click in the given axes: left button 1, middle 2, right 3. Escape, or the
  // window closing, gives nothing.
  std::optional<platform::Pick> waitForPick(platform::Handle axes);
  bool picking() const { return picking_; }

  // The data point under a pixel of the canvas, in the given axes' units as shown.
  platform::Pick pickAt(platform::Handle axes, QPointF pixel, int button) const;

  // Zoom and pan of the window's view: the limits [xmin xmax ymin ymax] the axes are shown
  // with. They change neither the axes nor any picture saved of them; a new drawing in the
  // axes ends them.
  std::array<double, 4> shownLimits(platform::Handle axes) const;
  bool zoomed() const { return !view_.empty(); }
  // Zooms the axes under the pixel by `factor` (below 1 closer) about the point there.
  void zoomAt(QPointF pixel, double factor);
  // Moves the view of the axes under `from` so that what was there lies under `to`.
  void panBy(QPointF from, QPointF to);
  void resetZoom();
  // The axes whose view is zoomed, with their limits.
  std::map<platform::Handle, std::array<double, 4>> zoom() const;

 signals:
  void pickDone();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  platform::Handle figure_;
  bool dirty_ = true;
  bool picking_ = false;
  platform::Handle pickAxes_ = -1;
  std::optional<platform::Pick> pick_;

  struct View {
    std::array<double, 4> limits;
    std::vector<platform::Handle> drawn;  // the axes' children when the view was set
  };
  std::map<platform::Handle, View> view_;
  std::optional<QPointF> dragFrom_;
  platform::Handle axesAt(QPointF pixel) const;
  void setView(platform::Handle axes, const std::array<double, 4>& limits);
  void dropStaleViews();
};

}  // namespace tessaly::app
