#include "app/figure_canvas.h"

#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/platform.h"
#include "render/print.h"

namespace tessaly::app {

using platform::Handle;
using platform::model;

FigureCanvas::FigureCanvas(Handle figure, QWidget* parent) : QWidget(parent), figure_(figure) {
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void FigureCanvas::markDirty() {
  if (dirty_) return;
  dirty_ = true;
  update();
}

void FigureCanvas::paintEvent(QPaintEvent*) {
  dirty_ = false;
  QPainter painter(this);
  if (!model().isHandle(figure_)) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  render::RenderOptions options;
  options.noui = true;  // the controls are widgets of their own
  const double scale = devicePixelRatioF();
  const render::Image image = render::renderImage(model(), figure_, options, scale);
  QImage picture(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                 image.stride * 4, QImage::Format_ARGB32_Premultiplied);
  picture.setDevicePixelRatio(scale);
  painter.fillRect(rect(), palette().window());
  painter.drawImage(QPointF(0, 0), picture);
}

platform::Pick FigureCanvas::pickAt(Handle axes, QPointF pixel, int button) const {
  const render::Rect box = render::axesBox(model(), axes);
  const Matrix xlim = model().get(axes, "XLim").matrix();
  const Matrix ylim = model().get(axes, "YLim").matrix();
  double fx = box.width > 0 ? (pixel.x() - box.x) / box.width : 0;
  double fy = box.height > 0 ? (pixel.y() - box.y) / box.height : 0;
  if (model().get(axes, "XDir").toText() == "reverse") fx = 1 - fx;
  if (model().get(axes, "YDir").toText() != "reverse") fy = 1 - fy;
  platform::Pick p;
  p.x = xlim(0) + fx * (xlim(1) - xlim(0));
  p.y = ylim(0) + fy * (ylim(1) - ylim(0));
  p.button = button;
  return p;
}

std::optional<platform::Pick> FigureCanvas::waitForPick(Handle axes) {
  if (!isVisible()) return std::nullopt;
  picking_ = true;
  pickAxes_ = axes;
  pick_.reset();
  setCursor(Qt::CrossCursor);
  window()->raise();
  window()->activateWindow();
  setFocus();
  QEventLoop loop;
  connect(this, &FigureCanvas::pickDone, &loop, &QEventLoop::quit);
  loop.exec();
  picking_ = false;
  unsetCursor();
  return pick_;
}

void FigureCanvas::mousePressEvent(QMouseEvent* event) {
  if (!picking_ || !model().isHandle(pickAxes_)) return QWidget::mousePressEvent(event);
  int button = 1;
  if (event->button() == Qt::MiddleButton) button = 2;
  if (event->button() == Qt::RightButton) button = 3;
  pick_ = pickAt(pickAxes_, event->position(), button);
  emit pickDone();
}

void FigureCanvas::keyPressEvent(QKeyEvent* event) {
  if (picking_ && event->key() == Qt::Key_Escape) {
    pick_.reset();
    emit pickDone();
    return;
  }
  QWidget::keyPressEvent(event);
}

void FigureCanvas::hideEvent(QHideEvent* event) {
  if (picking_) {
    pick_.reset();
    emit pickDone();
  }
  QWidget::hideEvent(event);
}

}  // namespace tessaly::app
