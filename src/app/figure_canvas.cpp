#include "app/figure_canvas.h"

#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "platform/axis.h"
#include "platform/platform.h"
#include "render/figure_renderer.h"
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
  dropStaleViews();
  options.view = zoom();
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
  const std::array<double, 4> lim = shownLimits(axes);
  double fx = box.width > 0 ? (pixel.x() - box.x) / box.width : 0;
  double fy = box.height > 0 ? (pixel.y() - box.y) / box.height : 0;
  if (model().get(axes, "XDir").toText() == "reverse") fx = 1 - fx;
  if (model().get(axes, "YDir").toText() != "reverse") fy = 1 - fy;
  platform::Pick p;
  p.x = lim[0] + fx * (lim[1] - lim[0]);
  p.y = lim[2] + fy * (lim[3] - lim[2]);
  p.button = button;
  return p;
}

Handle FigureCanvas::axesAt(QPointF pixel) const {
  if (!model().isHandle(figure_)) return -1;
  for (Handle h : model().children(figure_)) {  // newest, the front-most, first
    if (model().type(h) != "axes" || model().get(h, "Visible").toText() == "off") continue;
    const render::Rect b = render::axesBox(model(), h);
    if (pixel.x() >= b.x && pixel.x() <= b.x + b.width && pixel.y() >= b.y &&
        pixel.y() <= b.y + b.height)
      return h;
  }
  return -1;
}

std::array<double, 4> FigureCanvas::shownLimits(Handle axes) const {
  if (auto it = view_.find(axes); it != view_.end()) return it->second.limits;
  try {
    const RowVector l = platform::shownLimits(model(), axes);
    return {l(0), l(1), l(2), l(3)};
  } catch (const std::exception&) {
    return {0, 1, 0, 1};  // limits that cannot be worked out: drawn on the unit square
  }
}

void FigureCanvas::setView(Handle axes, const std::array<double, 4>& limits) {
  if (!(limits[0] < limits[1] && limits[2] < limits[3]) || !std::isfinite(limits[0]) ||
      !std::isfinite(limits[1]) || !std::isfinite(limits[2]) || !std::isfinite(limits[3]))
    return;
  view_[axes] = {limits, model().children(axes)};
  markDirty();
}

// A view belongs to the drawing it was made on: one drawn again is shown whole.
void FigureCanvas::dropStaleViews() {
  for (auto it = view_.begin(); it != view_.end();) {
    if (!model().isHandle(it->first) || model().children(it->first) != it->second.drawn)
      it = view_.erase(it);
    else
      ++it;
  }
}

std::map<Handle, std::array<double, 4>> FigureCanvas::zoom() const {
  std::map<Handle, std::array<double, 4>> out;
  for (const auto& [axes, v] : view_) out[axes] = v.limits;
  return out;
}

void FigureCanvas::zoomAt(QPointF pixel, double factor) {
  dropStaleViews();
  const Handle axes = axesAt(pixel);
  if (axes < 0 || !(factor > 0)) return;
  const platform::Pick at = pickAt(axes, pixel, 1);
  const std::array<double, 4> l = view_.count(axes) ? view_.at(axes).limits : shownLimits(axes);
  setView(axes, {at.x + (l[0] - at.x) * factor, at.x + (l[1] - at.x) * factor,
                 at.y + (l[2] - at.y) * factor, at.y + (l[3] - at.y) * factor});
}

void FigureCanvas::panBy(QPointF from, QPointF to) {
  dropStaleViews();
  const Handle axes = axesAt(from);
  if (axes < 0) return;
  if (!view_.count(axes)) setView(axes, shownLimits(axes));
  const platform::Pick a = pickAt(axes, from, 1), b = pickAt(axes, to, 1);
  std::array<double, 4> l = view_.at(axes).limits;
  const double dx = a.x - b.x, dy = a.y - b.y;
  setView(axes, {l[0] + dx, l[1] + dx, l[2] + dy, l[3] + dy});
}

void FigureCanvas::resetZoom() {
  view_.clear();
  markDirty();
}

void FigureCanvas::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return QWidget::wheelEvent(event);
  zoomAt(event->position(), std::pow(1.25, -notches));
  event->accept();
}

void FigureCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (!dragFrom_ || picking_) return QWidget::mouseMoveEvent(event);
  panBy(*dragFrom_, event->position());
  dragFrom_ = event->position();
}

void FigureCanvas::mouseReleaseEvent(QMouseEvent* event) {
  dragFrom_.reset();
  QWidget::mouseReleaseEvent(event);
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
  if (!picking_ && event->button() == Qt::LeftButton && axesAt(event->position()) >= 0) {
    dragFrom_ = event->position();  // a drag in a plot moves its view
    return;
  }
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
