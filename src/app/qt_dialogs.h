#pragma once
// The dialogs, clipboard and console of the windows: Qt file, input and question dialogs,
// message boxes that do not block, picks as clicks in the plot, the system clipboard, and
// the terminal the program was started from as its console.
#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/figure_canvas.h"
#include "platform/interfaces.h"

class QWidget;
class QProgressDialog;

namespace tessaly::app {

class QtDialogs : public platform::Dialogs {
 public:
  // canvasOf finds the drawing area that shows an axes (nullptr when none does).
  explicit QtDialogs(std::function<FigureCanvas*(platform::Handle)> canvasOf);
  ~QtDialogs() override;

  // A folder offered beside the usual places of the file dialogs (the example data).
  void setExampleFolder(const std::string& folder) { examples_ = folder; }
  // The window that message boxes stand in front of when no window is active.
  void setMainWindow(std::function<QWidget*()> main) { mainWindow_ = std::move(main); }
  // The message box of that title while it is on screen (nullptr otherwise).
  QMessageBox* openMessage(const QString& title) const {
    auto it = boxes_.find(title);
    return it == boxes_.end() ? nullptr : it->second.data();
  }

  std::optional<platform::FileChoice> getFile(const std::string& filter,
                                              const std::string& title) override;
  std::optional<platform::FileChoice> putFile(const std::string& filter,
                                              const std::string& title) override;
  std::optional<std::vector<std::string>> input(const std::vector<std::string>& prompts,
                                                const std::string& title,
                                                const std::vector<std::string>& defaults) override;
  std::string question(const std::string& question, const std::string& title,
                       const std::vector<std::string>& buttons) override;
  void message(const std::string& text, const std::string& title) override;
  std::optional<platform::Pick> pick(double axesHandle) override;
  bool progress(const std::string& title, double done, double total) override;
  void endProgress() override;

 private:
  std::optional<platform::FileChoice> file(bool save, const std::string& filter,
                                           const std::string& title);
  std::function<FigureCanvas*(platform::Handle)> canvasOf_;
  std::function<QWidget*()> mainWindow_;
  std::map<QString, QPointer<QMessageBox>> boxes_;
  std::string examples_;
  std::unique_ptr<QProgressDialog> progress_;
};

// A file dialog filter ("*.txt", "*.*") in Qt's form.
QString qtFilter(const std::string& filter);

class QtClipboard : public platform::Clipboard {
 public:
  // The picture as an image, with its PNG bytes and its SVG text beside it for programs that
  // take those.
  void setPicture(const std::string& png, const std::string& svg) override;
};

class TerminalConsole : public platform::Console {
 public:
  void write(const std::string& text) override;
};

// While it lives, no busy pointer hides the normal one (a dialog is waiting for the person);
// the busy pointer comes back afterwards.
class BusyPause {
 public:
  BusyPause();
  ~BusyPause();
  BusyPause(const BusyPause&) = delete;
  BusyPause& operator=(const BusyPause&) = delete;

 private:
  int paused_ = 0;
};

}  // namespace tessaly::app
