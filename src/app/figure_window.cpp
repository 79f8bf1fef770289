#include "app/figure_window.h"

#include <QBitmap>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/front_end.h"
#include "platform/platform.h"

namespace tessaly::app {

using platform::Handle;
using platform::model;
using platform::Value;

namespace {

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string textOf(Handle h, const char* property) {
  const Value v = model().get(h, property);
  return v.isNumeric() && v.isEmpty() ? std::string() : v.toText();
}

bool isOn(Handle h, const char* property) {
  return lowered(textOf(h, property)) != "off";
}

// The lines of a "String": a list as it is, a text split at its line ends.
QStringList linesOf(Handle h) {
  QStringList out;
  for (const std::string& line : model().get(h, "String").lines()) out << qs(line);
  if (out.size() == 1 && out.front().contains('\n')) out = out.front().split('\n');
  return out;
}

double numberOf(Handle h, const char* property) {
  const Value v = model().get(h, property);
  return v.isNumeric() && !v.isEmpty() ? v.number() : 0.0;
}

// A list or popup entry chosen by "Value" (1-based), or -1.
int chosenRow(Handle h, int count) {
  const double v = numberOf(h, "Value");
  const int row = static_cast<int>(std::lround(v)) - 1;
  return row >= 0 && row < count ? row : -1;
}

Qt::Alignment alignmentOf(Handle h) {
  const std::string a = lowered(textOf(h, "HorizontalAlignment"));
  Qt::Alignment horizontal = a == "left"    ? Qt::AlignLeft
                             : a == "right" ? Qt::AlignRight
                                            : Qt::AlignHCenter;
  return horizontal | Qt::AlignVCenter;
}

void setItems(QComboBox* box, const QStringList& items) {
  QStringList now;
  for (int i = 0; i < box->count(); ++i) now << box->itemText(i);
  if (now == items) return;
  box->clear();
  box->addItems(items);
}

void setItems(QListWidget* list, const QStringList& items) {
  QStringList now;
  for (int i = 0; i < list->count(); ++i) now << list->item(i)->text();
  if (now == items) return;
  list->clear();
  list->addItems(items);
}

// The figure's custom pointer: a 16-by-16 picture, 1 black, 2 white, anything else clear.
QCursor customPointer(Handle fig) {
  const Matrix cdata = model().get(fig, "PointerShapeCData").matrix();
  QImage image(static_cast<int>(cdata.cols()), static_cast<int>(cdata.rows()),
               QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (Eigen::Index r = 0; r < cdata.rows(); ++r)
    for (Eigen::Index c = 0; c < cdata.cols(); ++c) {
      if (cdata(r, c) == 1) image.setPixel(int(c), int(r), qRgb(0, 0, 0));
      if (cdata(r, c) == 2) image.setPixel(int(c), int(r), qRgb(255, 255, 255));
    }
  int hx = 0, hy = 0;
  const Value hot = model().get(fig, "PointerShapeHotSpot");
  if (hot.isNumeric() && hot.matrix().size() >= 2) {
    hy = static_cast<int>(hot.matrix()(0)) - 1;
    hx = static_cast<int>(hot.matrix()(1)) - 1;
  }
  return QCursor(QPixmap::fromImage(image), hx, hy);
}

}  // namespace

FigureWindow::FigureWindow(Handle figure, FrontEnd& front)
    : figure_(figure), front_(front), canvas_(new FigureCanvas(figure)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  // On a screen smaller than the layout the window scrolls; on a larger one the plot grows.
  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(canvas_);
  setCentralWidget(scroll);
  canvas_->installEventFilter(this);
  build();
}

void FigureWindow::build() {
  const RowVector box = platform::pixelPosition(model(), figure_);
  const QSize size(static_cast<int>(box(2)), static_cast<int>(box(3)));
  std::vector<Handle> children = model().children(figure_);
  std::reverse(children.begin(), children.end());  // oldest first: the back-most first
  for (Handle h : children) {
    const std::string& type = model().type(h);
    if (type == "uicontrol") addControl(h);
    if (type == "uimenu") addMenu(h, nullptr);
  }
  if (menus_.empty()) menuBar()->hide();
  // The layout of the window file is the smallest size; a larger window grows the plot.
  canvas_->setMinimumSize(size);
  canvas_->resize(size);
  adjustSize();
  applyTitle();
  applyPointer();
}

QWidget* FigureWindow::widgetOf(Handle control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : it->second;
}

QAction* FigureWindow::actionOf(Handle menu) const {
  auto it = menus_.find(menu);
  return it == menus_.end() ? nullptr : it->second;
}

QWidget* FigureWindow::makeControl(Handle h, const std::string& style) {
  if (style == "pushbutton") {
    auto* b = new QPushButton(canvas_);
    connect(b, &QPushButton::clicked, this, [this, h] { front_.activate(h); });
    return b;
  }
  if (style == "togglebutton" || style == "checkbox" || style == "radiobutton") {
    QAbstractButton* b;
    if (style == "togglebutton") {
      b = new QPushButton(canvas_);
      b->setCheckable(true);
    } else if (style == "checkbox") {
      b = new QCheckBox(canvas_);
    } else {
      b = new QRadioButton(canvas_);
      b->setAutoExclusive(false);
    }
    connect(b, &QAbstractButton::clicked, this, [this, h](bool checked) {
      front_.userSet(h, "Value", Value(numberOf(h, checked ? "Max" : "Min")));
      front_.activate(h);
    });
    return b;
  }
  if (style == "edit" && numberOf(h, "Max") - numberOf(h, "Min") > 1) {
    // A report: read, selected and copied, written only by the actions.
    auto* e = new QPlainTextEdit(canvas_);
    e->setReadOnly(true);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    e->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    e->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return e;
  }
  if (style == "edit") {
    auto* e = new QLineEdit(canvas_);
    connect(e, &QLineEdit::editingFinished, this, [this, h, e] {
      if (e->text().toStdString() == textOf(h, "String")) return;
      front_.userSet(h, "String", Value(e->text().toStdString()));
      front_.activate(h);
    });
    return e;
  }
  if (style == "frame") {
    auto* g = new QGroupBox(canvas_);
    g->setAttribute(Qt::WA_TransparentForMouseEvents);
    return g;
  }
  if (style == "popupmenu") {
    auto* c = new QComboBox(canvas_);
    connect(c, &QComboBox::activated, this, [this, h](int row) {
      front_.userSet(h, "Value", Value(row + 1));
      front_.activate(h);
    });
    return c;
  }
  if (style == "listbox") {
    auto* l = new QListWidget(canvas_);
    connect(l, &QListWidget::currentRowChanged, this, [this, h](int row) {
      if (row < 0) return;
      front_.userSet(h, "Value", Value(row + 1));
      front_.activate(h);
    });
    return l;
  }
  auto* label = new QLabel(canvas_);  // "text", and any style this program does not draw
  label->setWordWrap(true);
  return label;
}

void FigureWindow::addControl(Handle h) {
  QWidget* w = makeControl(h, lowered(textOf(h, "Style")));
  w->setObjectName(qs(textOf(h, "Tag")));
  controls_[h] = w;
  refreshControl(h);
}

void FigureWindow::refreshControl(Handle h) {
  QWidget* w = widgetOf(h);
  if (!w) return;
  QSignalBlocker block(w);
  place(h, w);
  w->setEnabled(isOn(h, "Enable"));
  w->setVisible(isOn(h, "Visible"));
  w->setToolTip(qs(textOf(h, "TooltipString")));
  const QStringList lines = linesOf(h);
  const QString text = lines.join('\n');
  const bool atMax = numberOf(h, "Value") == numberOf(h, "Max");
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(text);
    if (b->isCheckable()) b->setChecked(atMax);
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    if (e->text() != text) e->setText(text);
    e->setAlignment(alignmentOf(h));
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    if (t->toPlainText() != text) t->setPlainText(text);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(text);
    l->setAlignment(alignmentOf(h));
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(text);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    setItems(c, lines);
    c->setCurrentIndex(chosenRow(h, c->count()));
  } else if (auto* list = qobject_cast<QListWidget*>(w)) {
    setItems(list, lines);
    list->setCurrentRow(chosenRow(h, list->count()));
  }
}

void FigureWindow::place(Handle h, QWidget* w) {
  const RowVector fig = platform::pixelPosition(model(), figure_);
  const RowVector box = platform::pixelPosition(model(), h);
  // The model measures from the bottom left, the widgets from the top left.
  w->setGeometry(static_cast<int>(std::lround(box(0))),
                 static_cast<int>(std::lround(fig(3) - box(1) - box(3))),
                 static_cast<int>(std::lround(box(2))), static_cast<int>(std::lround(box(3))));
}

void FigureWindow::addMenu(Handle h, QMenu* parent) {
  std::vector<Handle> entries = model().children(h);
  std::reverse(entries.begin(), entries.end());
  const QString label = qs(textOf(h, "Label"));
  if (parent && lowered(textOf(h, "Separator")) == "on") parent->addSeparator();
  QAction* action;
  if (!entries.empty()) {
    QMenu* menu = parent ? parent->addMenu(label) : menuBar()->addMenu(label);
    for (Handle e : entries)
      if (model().type(e) == "uimenu") addMenu(e, menu);
    action = menu->menuAction();
  } else {
    action = parent ? parent->addAction(label) : menuBar()->addAction(label);
    connect(action, &QAction::triggered, this, [this, h] {
      front_.activate(h);
      refreshMenu(h);  // the check mark is the action's to set, not the click's
    });
  }
  menus_[h] = action;
  refreshMenu(h);
}

void FigureWindow::refreshMenu(Handle h) {
  QAction* a = actionOf(h);
  if (!a || !model().isHandle(h)) return;
  QSignalBlocker block(a);
  a->setText(qs(textOf(h, "Label")));
  a->setEnabled(isOn(h, "Enable"));
  a->setVisible(isOn(h, "Visible"));
  const bool checked = lowered(textOf(h, "Checked")) == "on";
  // Entries found by Tag are the settings whose check mark the actions keep.
  if (checked || !textOf(h, "Tag").empty()) a->setCheckable(!a->menu());
  a->setChecked(checked);
  const std::string key = textOf(h, "Accelerator");
  if (!key.empty()) a->setShortcut(QKeySequence(qs("Ctrl+" + key)));
}

void FigureWindow::follow(Handle h, const std::string& property) {
  if (h == figure_) {
    if (property == "pointer" || property == "pointershapecdata") applyPointer();
    if (property == "name" || property == "numbertitle") applyTitle();
    if (property == "visible") setVisible(isOn(h, "Visible"));
    return;
  }
  if (controls_.count(h)) refreshControl(h);
  if (menus_.count(h)) refreshMenu(h);
}

void FigureWindow::forget(Handle h) {
  if (auto it = controls_.find(h); it != controls_.end()) {
    it->second->deleteLater();
    controls_.erase(it);
  }
  if (auto it = menus_.find(h); it != menus_.end()) {
    it->second->setVisible(false);
    menus_.erase(it);
  }
}

QMenu* FigureWindow::topMenu(const QString& title) {
  for (QAction* a : menuBar()->actions())
    if (a->menu() && a->text() == title) return a->menu();
  menuBar()->show();
  return menuBar()->addMenu(title);
}

void FigureWindow::fitOnScreen() {
  QScreen* where = screen();
  if (!where) return;
  const QRect room = where->availableGeometry();
  int extra = menuBar()->isVisibleTo(this) ? menuBar()->sizeHint().height() : 0;
  if (auto* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
    extra += bar->sizeHint().height();
  // The window manager's title bar and frame, once known; a usual one before.
  const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(8, 32);
  QSize layout = canvas_->minimumSize() + QSize(0, extra);
  const QSize most = room.size() - frame;
  // Cut in height, the window scrolls up and down: room for that scroll bar beside the plot.
  if (layout.height() > most.height())
    layout.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  resize(layout.boundedTo(most));
  const int x = std::clamp(pos().x(), room.left(),
                           std::max(room.left(), room.right() - width() - frame.width()));
  const int y = std::clamp(pos().y(), room.top(),
                           std::max(room.top(), room.bottom() - height() - frame.height()));
  move(x, y);
}

void FigureWindow::applyTitle() {
  QString name = qs(textOf(figure_, "Name"));
  if (name.isEmpty()) name = QStringLiteral("Tessaly");
  setWindowTitle(name);
}

void FigureWindow::applyPointer() {
  const std::string pointer = lowered(textOf(figure_, "Pointer"));
  if (pointer == "watch") {
    setCursor(Qt::WaitCursor);
  } else if (pointer == "custom") {
    setCursor(customPointer(figure_));
  } else if (pointer == "crosshair" || pointer == "fullcrosshair" || pointer == "cross") {
    setCursor(Qt::CrossCursor);
  } else if (pointer == "hand") {
    setCursor(Qt::PointingHandCursor);
  } else if (pointer == "ibeam") {
    setCursor(Qt::IBeamCursor);
  } else {
    unsetCursor();
  }
}

void FigureWindow::closeEvent(QCloseEvent* event) {
  // Closing the window closes the figure; an action that reports into it opens it again.
  if (model().isHandle(figure_)) model().remove(figure_);
  event->accept();
}

namespace {

// The first local file among the dropped things, or "".
std::string droppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile().toStdString();
  return {};
}

}  // namespace

void FigureWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFile(event->mimeData()).empty()) event->acceptProposedAction();
}

void FigureWindow::dropEvent(QDropEvent* event) {
  const std::string path = droppedFile(event->mimeData());
  if (path.empty()) return;
  event->acceptProposedAction();
  // Opened once the drop is over, so that the program the file came from is not kept waiting.
  QTimer::singleShot(0, &front_, [front = &front_, path] { front->dropFile(path); });
}

bool FigureWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == canvas_ && event->type() == QEvent::Resize)
    growPlot(static_cast<QResizeEvent*>(event)->size());
  return QMainWindow::eventFilter(watched, event);
}

// A larger window gives the room to the plot: the figure takes the new size, the axes grows
// with it, the controls left of the plot keep their place under the top edge and those below
// it keep theirs above the bottom edge.
void FigureWindow::growPlot(QSize size) {
  if (growing_ || !model().isHandle(figure_)) return;
  if (lowered(textOf(figure_, "Units")) != "pixels") return;
  RowVector fig = platform::pixelPosition(model(), figure_);
  const double dw = size.width() - fig(2), dh = size.height() - fig(3);
  if (dw == 0 && dh == 0) return;
  std::vector<Handle> axes;
  for (Handle h : model().children(figure_))
    if (model().type(h) == "axes" && lowered(textOf(h, "Units")) == "pixels") axes.push_back(h);
  growing_ = true;
  fig(2) = size.width();
  fig(3) = size.height();
  model().set(figure_, "Position", Value(fig));
  if (axes.size() == 1) {
    RowVector a = model().get(axes.front(), "Position").matrix();
    for (auto& [h, w] : controls_) {
      if (lowered(textOf(h, "Units")) != "pixels") continue;
      RowVector c = model().get(h, "Position").matrix();
      if (c(0) + c(2) > a(0) + 1) continue;
      c(1) += dh;
      model().set(h, "Position", Value(c));
    }
    a(2) = std::max(a(2) + dw, 50.0);
    a(3) = std::max(a(3) + dh, 50.0);
    model().set(axes.front(), "Position", Value(a));
  }
  for (auto& [h, w] : controls_) place(h, w);
  growing_ = false;
  canvas_->markDirty();
}

}  // namespace tessaly::app
