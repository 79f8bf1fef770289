#pragma once
// What the program asks of the face it runs in (windows or batch runner): dialogs, the
// clipboard and the diagnostic console. Each face implements these; the scripted dialogs serve
// tests and the batch runner.
#include <optional>
#include <string>
#include <vector>

namespace tessaly::platform {

// A file chosen in a file dialog: its name and its folder (ending in a separator).
struct FileChoice {
  std::string name;
  std::string folder;
  std::string path() const { return folder + name; }
};

// One mouse click in an axes, in data units; button 1, 2 or 3.
struct Pick {
  double x = 0;
  double y = 0;
  int button = 1;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // File-open dialog; nothing when the user cancels.
  virtual std::optional<FileChoice> getFile(const std::string& filter,
                                            const std::string& title) = 0;
  // File-save dialog; nothing when the user cancels.
  virtual std::optional<FileChoice> putFile(const std::string& filter,
                                            const std::string& title) = 0;
  // One answer per prompt; nothing when the user cancels.
  virtual std::optional<std::vector<std::string>> input(
      const std::vector<std::string>& prompts, const std::string& title,
      const std::vector<std::string>& defaults) = 0;
  // The text of the chosen button; an empty text when the dialog was closed.
  virtual std::string question(const std::string& question, const std::string& title,
                               const std::vector<std::string>& buttons) = 0;
  // Shows a message and returns at once.
  virtual void message(const std::string& text, const std::string& title) = 0;
  // Reports an error that ended an action or a by-name call, whatever its text (which may be
  // empty). Shown as a message; a face that runs steps (the batch runner) takes it as the
  // failure of the step.
  virtual void error(const std::string& text, const std::string& title) { message(text, title); }
  // One click in the given axes; nothing when none can be had.
  virtual std::optional<Pick> pick(double axesHandle) = 0;
  // Shows (or moves on) a progress dialog titled `title` at `done` of `total` steps of a long
  // action; false once the person has asked to stop. endProgress closes the dialog. A face
  // without such a dialog shows nothing and never stops.
  virtual bool progress(const std::string& title, double done, double total) {
    (void)title, (void)done, (void)total;
    return true;
  }
  virtual void endProgress() {}
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // A picture of a window as PNG bytes and as SVG text.
  virtual void setPicture(const std::string& png, const std::string& svg) = 0;
};

class Console {
 public:
  virtual ~Console() = default;
  // One piece of diagnostic text (line ends included as given).
  virtual void write(const std::string& text) = 0;
};

}  // namespace tessaly::platform
