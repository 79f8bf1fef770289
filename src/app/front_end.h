#pragma once
// The windows of the program: one window per figure of the object model, kept in step with
// it; the person's clicks and edits run the controls' callbacks one at a time, with the busy
// pointer, and go into the session record. The dialogs the actions open are the person's
// dialogs seen through the recorder.
#include <QObject>
#include <map>
#include <memory>
#include <string>

#include "app/figure_window.h"
#include "app/recent_files.h"
#include "app/session_recorder.h"
#include "platform/interfaces.h"
#include "platform/object_model.h"

class QLabel;
class QMenu;

namespace tessaly::app {

class FrontEnd : public QObject {
  Q_OBJECT
 public:
  // person answers the dialogs (the Qt dialogs, or scripted answers in tests); console and
  // clipboard may be left out.
  FrontEnd(platform::Dialogs& person, platform::Clipboard* clipboard = nullptr,
           platform::Console* console = nullptr);
  ~FrontEnd() override;

  // The program's start-up with the window description files of resourceFolder, then a
  // window for each figure. A failing start-up is an Error.
  void startUp(const std::string& resourceFolder);

  // A window for every figure that has none; none for the figures that are gone.
  void syncWindows();
  FigureWindow* windowOf(platform::Handle figure) const;
  FigureWindow* mainWindow() const;
  FigureCanvas* canvasOfAxes(platform::Handle axes) const;

  // The person clicked the object (a control, a menu entry): its callback runs, recorded as
  // one step with the answers given to its dialogs.
  void activate(platform::Handle object);
  // The person changed a property of a control: the model takes it, the record notes it.
  void userSet(platform::Handle object, const std::string& property, const platform::Value& v);

  // Runs the action that opens files of that kind ("LoadData") on the given file, as if the
  // person had chosen it in the action's file dialog: recorded as that action with the file. A
  // file that is gone is refused with its name and taken off the recent files.
  void openFile(const std::string& action, const std::string& path);
  // A file dropped on the main window: a group list (one word a line) once data are loaded,
  // else landmark data.
  void dropFile(const std::string& path);
  RecentFiles& recentFiles() { return *recent_; }
  // The window's zoom becomes the limits of its axes, so that saved pictures and a replay
  // show it; recorded as the person setting the limits of each axes.
  void applyZoom(FigureWindow* window);
  // Keeps the recent files in an INI file of that path instead of the person's settings.
  void useSettingsFile(const std::string& path);

  SessionRecorder& recorder() { return recorder_; }
  // The main window's status bar: what is loaded, and what the last action did.
  QString statusText() const;
  QString loadedText() const;
  // Writes the record as a script; a file that cannot be written is an Error.
  void saveSessionScript(const std::string& path) const { recorder_.save(path); }

 private:
  void onChange(const platform::Change& change);
  void scheduleSync();
  void addOwnEntries(FigureWindow* window);
  void askSessionScript(QWidget* parent);
  void showAbout(QWidget* parent);
  // Whether the person lets go of results not yet saved (asked only when there are some).
  bool mayDiscard(const std::string& question, const std::string& title, const std::string& yes);
  void noteSaving(const std::string& callback, bool ok);
  void showStatus(const QString& action);
  void fillRecentMenu(QMenu* menu);
  void noteOpened(const std::string& callback, bool ok);

  SessionRecorder recorder_;
  RecordingDialogs dialogs_;
  std::map<platform::Handle, FigureWindow*> windows_;
  int listener_ = 0;
  bool running_ = false;
  bool syncPending_ = false;
  bool unsaved_ = false;      // a CVA ran and nothing has been saved since
  QLabel* loaded_ = nullptr;  // the status bar's summary of what is loaded
  std::unique_ptr<RecentFiles> recent_;
};

// The text of a property value as a script's set step gives it.
std::string scriptValue(const platform::Value& v);

}  // namespace tessaly::app
