#include "app/front_end.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <charconv>
#include <cstdlib>

#include "app/install_paths.h"
#include "app/qt_dialogs.h"
#include "core/error.h"
#include "core/random.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/window_files.h"
#include "shell/callback.h"
#include "shell/function_table.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "0"
#endif

namespace tessaly::app {

using platform::Handle;
using platform::model;
using platform::Value;

std::string scriptValue(const Value& v) {
  if (!v.isNumeric()) return v.toText();
  std::string out;
  const Matrix& m = v.matrix();
  for (Eigen::Index i = 0; i < m.size(); ++i) out += (i ? " " : "") + exactNumber(m(i));
  return out;
}

FrontEnd::FrontEnd(platform::Dialogs& person, platform::Clipboard* clipboard,
                   platform::Console* console)
    : dialogs_(person, recorder_) {
  platform::platform().setDialogs(&dialogs_);
  if (clipboard) platform::platform().setClipboard(clipboard);
  if (console) platform::platform().setConsole(console);
  listener_ = model().subscribe([this](const platform::Change& c) { onChange(c); });
}

FrontEnd::~FrontEnd() {
  model().unsubscribe(listener_);
  for (auto& [fig, window] : windows_) delete window;
  platform::platform().setDialogs(nullptr);
  platform::platform().setClipboard(nullptr);
  platform::platform().setConsole(nullptr);
}

void FrontEnd::startUp(const std::string& resourceFolder) {
  platform::setResourceFolder(resourceFolder);
  // Windows are moved onto the screen the program really has.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->availableGeometry();
    model().set(platform::ObjectModel::kRoot, "ScreenSize",
                Value(RowVector{{1, 1, double(r.width()), double(r.height())}}));
  }
  // A TESSALY_SEED that is not a whole number stops the start with its message.
  const std::uint64_t seed = startingSeed();
  setRandomSeed(seed);
  recorder_.setSeed(seed);
  shell::callFunction("Tessaly6l", {}, 0);
  syncWindows();
}

FigureWindow* FrontEnd::windowOf(Handle figure) const {
  auto it = windows_.find(figure);
  return it == windows_.end() ? nullptr : it->second;
}

FigureWindow* FrontEnd::mainWindow() const {
  for (auto& [fig, window] : windows_)
    if (model().isHandle(fig) && model().get(fig, "Tag").toText() == "Tessaly6l") return window;
  return nullptr;
}

FigureCanvas* FrontEnd::canvasOfAxes(Handle axes) const {
  if (!model().isHandle(axes)) return nullptr;
  FigureWindow* w = windowOf(model().figureOf(axes));
  return w ? w->canvas() : nullptr;
}

void FrontEnd::syncWindows() {
  syncPending_ = false;
  for (auto it = windows_.begin(); it != windows_.end();) {
    if (model().isHandle(it->first)) {
      ++it;
      continue;
    }
    it->second->deleteLater();
    it = windows_.erase(it);
  }
  std::vector<Handle> figures = model().children(platform::ObjectModel::kRoot);
  std::reverse(figures.begin(), figures.end());
  for (Handle fig : figures) {
    if (model().type(fig) != "figure" || windows_.count(fig)) continue;
    auto* window = new FigureWindow(fig, *this);
    windows_[fig] = window;
    if (model().get(fig, "Tag").toText() == "Tessaly6l") addOwnEntries(window);
    const RowVector box = platform::pixelPosition(model(), fig);
    const RowVector screen = platform::pixelPosition(model(), platform::ObjectModel::kRoot);
    window->move(int(box(0)), std::max(0, int(screen(3) - box(1) - box(3))));
    if (model().get(fig, "Visible").toText() != "off") window->show();
  }
}

void FrontEnd::scheduleSync() {
  if (syncPending_) return;
  syncPending_ = true;
  QTimer::singleShot(0, this, &FrontEnd::syncWindows);
}

void FrontEnd::onChange(const platform::Change& change) {
  switch (change.kind) {
    case platform::Change::Kind::Created:
      if (model().type(change.handle) == "figure") scheduleSync();
      break;
    case platform::Change::Kind::Deleted:
      if (windows_.count(change.handle)) scheduleSync();
      for (auto& [fig, window] : windows_) window->forget(change.handle);
      break;
    case platform::Change::Kind::Property:
      for (auto& [fig, window] : windows_) window->follow(change.handle, change.property);
      break;
    case platform::Change::Kind::Raised:
      if (FigureWindow* w = windowOf(change.handle)) {
        w->show();
        w->raise();
      }
      break;
  }
  for (auto& [fig, window] : windows_) window->canvas()->markDirty();
}

void FrontEnd::activate(Handle object) {
  // One callback at a time: a click that comes while one waits for a pick is passed over.
  if (running_ || !model().isHandle(object)) return;
  const char* property = model().type(object) == "axes" ? "ButtonDownFcn" : "Callback";
  if (!model().hasProperty(object, property)) return;
  const std::string text = model().get(object, property).toText();
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return;
  // Asked before the step, so that the record (and a replay) holds only what was done.
  if (text.find("'ClearData'") != std::string::npos &&
      !mayDiscard("There are CVA results not yet saved. Clear the data anyway?", "Clear Data",
                  "Clear"))
    return;
  running_ = true;
  recorder_.beginStep(text);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = shell::runCallback(object);
  QApplication::restoreOverrideCursor();
  if (!ok) recorder_.markFailed();
  recorder_.endStep();
  running_ = false;
  noteSaving(text, ok);
  syncWindows();
}

bool FrontEnd::mayDiscard(const std::string& question, const std::string& title,
                          const std::string& yes) {
  if (!unsaved_) return true;
  return dialogs_.question(question, title, {yes, "Cancel"}) == yes;
}

void FrontEnd::noteSaving(const std::string& callback, bool ok) {
  if (!ok) return;
  const auto has = [&](const char* word) { return callback.find(word) != std::string::npos; };
  if (has("'LoadGroupList'")) unsaved_ = dispatch::analysisState().hasVstats;
  if (has("'Save") || has("'Write") || has("AuxBoxsw") || has("'ClearData'")) unsaved_ = false;
}

void FrontEnd::userSet(Handle object, const std::string& property, const Value& v) {
  if (!model().isHandle(object)) return;
  model().set(object, property, v);
  const Value tag = model().get(object, "Tag");
  if (tag.isText() && !tag.text().empty())
    recorder_.recordSet(tag.text(), property, scriptValue(v));
}

void FrontEnd::addOwnEntries(FigureWindow* window) {
  QMenu* file = window->topMenu(QStringLiteral("File"));
  file->addSeparator();
  QAction* save = file->addAction(tr("Save Session Script..."));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  save->setToolTip(tr("Write what was done so far as a script for tessaly-batch"));
  connect(save, &QAction::triggered, this, [this, window] { askSessionScript(window); });
  file->addSeparator();
  QAction* quit = file->addAction(tr("Quit"));
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));  // some desktops name no quit key
  connect(quit, &QAction::triggered, this, [this] {
    if (mayDiscard("There are CVA results not yet saved. Quit anyway?", "Quit", "Quit"))
      QApplication::closeAllWindows();
  });
  QMenu* help = window->topMenu(tr("Help"));
  QAction* guide = help->addAction(tr("User Guide"));
  guide->setShortcut(QKeySequence::HelpContents);
  connect(guide, &QAction::triggered, this, [window] {
    const std::string path = userGuide();
    if (path.empty() ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
      QMessageBox::information(window, tr("User Guide"),
                               tr("The user guide (README.md) was not found or could not be "
                                  "opened."));
  });
  QAction* about = help->addAction(tr("About Tessaly"));
  connect(about, &QAction::triggered, this, [this, window] { showAbout(window); });
}

void FrontEnd::askSessionScript(QWidget* parent) {
  const QString path = QFileDialog::getSaveFileName(
      parent, tr("Save Session Script"), QDir::current().filePath(QStringLiteral("session.tss")),
      tr("Session scripts (*.tss);;All files (*)"), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  try {
    saveSessionScript(path.toStdString());
  } catch (const Error& e) {
    QMessageBox::warning(parent, tr("Save Session Script"), QString::fromStdString(e.what()));
  }
}

void FrontEnd::showAbout(QWidget* parent) {
  QMessageBox::about(
      parent, tr("About Tessaly"),
      tr("<h3>Tessaly %1</h3>"
         "<p>Canonical variates analysis of two-dimensional landmark data: Procrustes "
         "superimposition, partial warps and the uniform component, MANOVA with its canonical "
         "axes, classification with a jackknife test, and deformation grids.</p>"
         "<p>File &gt; Save Session Script writes what you did as a script; "
         "<tt>tessaly-batch SCRIPT</tt> does it again and writes the same files.</p>")
          .arg(QStringLiteral(TESSALY_VERSION)));
}

}  // namespace tessaly::app
