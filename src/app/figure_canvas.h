#pragma once
// The drawing area of a window: paints the Cairo picture of the figure (its axes with every
// plotted object; the controls are real widgets on top of it) and turns mouse clicks in an
// axes into picks in data units.
#include <QWidget>
#include <optional>

#include "platform/interfaces.h"
#include "platform/object_model.h"

namespace tessaly::app {

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

  // The data point under a pixel of the canvas, in the given axes' units.
  platform::Pick pickAt(platform::Handle axes, QPointF pixel, int button) const;

 signals:
  void pickDone();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  platform::Handle figure_;
  bool dirty_ = true;
  bool picking_ = false;
  platform::Handle pickAxes_ = -1;
  std::optional<platform::Pick> pick_;
};

}  // namespace tessaly::app
