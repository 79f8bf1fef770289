#pragma once
// The services the program talks to: the object tree, dialogs, clipboard and console of the
// face it runs in. One instance serves the whole run (`platform()`); a face installs its own
// dialogs, clipboard and console, and tests start from a fresh one with `resetPlatform()`.
#include <memory>

#include "platform/interfaces.h"
#include "platform/object_model.h"

namespace tessaly::platform {

class Platform {
 public:
  Platform();

  ObjectModel& model() { return model_; }
  Dialogs& dialogs() { return *dialogs_; }
  Clipboard& clipboard() { return *clipboard_; }
  Console& console() { return *console_; }

  // The face owns what it installs and keeps it alive while installed.
  void setDialogs(Dialogs* dialogs);
  void setClipboard(Clipboard* clipboard);
  void setConsole(Console* console);

 private:
  ObjectModel model_;
  Dialogs* dialogs_;
  Clipboard* clipboard_;
  Console* console_;
};

Platform& platform();
// A fresh object tree; the installed dialogs, clipboard and console stay.
void resetPlatform();

// Shorthands used throughout the program.
inline ObjectModel& model() {
  return platform().model();
}
inline Dialogs& dialogs() {
  return platform().dialogs();
}
inline Console& console() {
  return platform().console();
}

}  // namespace tessaly::platform
