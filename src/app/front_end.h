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
#include "app/session_recorder.h"
#include "platform/interfaces.h"
#include "platform/object_model.h"

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

  SessionRecorder& recorder() { return recorder_; }
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

  SessionRecorder recorder_;
  RecordingDialogs dialogs_;
  std::map<platform::Handle, FigureWindow*> windows_;
  int listener_ = 0;
  bool running_ = false;
  bool syncPending_ = false;
  bool unsaved_ = false;  // a CVA ran and nothing has been saved since
};

// The text of a property value as a script's set step gives it.
std::string scriptValue(const platform::Value& v);

}  // namespace tessaly::app
