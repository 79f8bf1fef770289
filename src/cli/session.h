#pragma once
// A batch session: the program started as it starts for a person (the main window and the
// results window loaded, the analysis state cleared), its dialogs answered from the steps of a
// script, and what a person would see (message boxes, the results text, console lines) printed
// as it appears.
//
// Printed on the output stream:
//   message: TEXT              a message box without a title
//   message (TITLE): TEXT      a message box with a title
//   results:                   the results text changed; its lines follow
//   console text as it is written
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/script.h"
#include "platform/object_model.h"
#include "platform/scripted_dialogs.h"

namespace tessaly::cli {

class NoScriptClipboard : public platform::Clipboard {
 public:
  explicit NoScriptClipboard(std::ostream& err) : err_(err) {}
  void setPicture(const std::string& png, const std::string& svg) override;

 private:
  std::ostream& err_;
};

class Session {
 public:
  // Installs the session's dialogs and console on the platform for as long as it lives.
  Session(std::ostream& out, std::ostream& err);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The program's own start-up, with the window description files taken from resourceFolder.
  void startUp(const std::string& resourceFolder);

  // Relative file paths in answers and in print steps are taken from this folder (the
  // script's folder; at first the folder the runner was started in), not from the folder that
  // the last file dialog moved to.
  void setBaseFolder(const std::string& folder);

  // Runs one step. An error that ends it is thrown (tessaly::Error or another exception);
  // answers left over are returned so the caller can warn about them.
  std::vector<std::string> run(const Step& step);

  // Runs a whole script and returns the exit status. A step that fails is reported as
  // "SCRIPT:LINE: message" on the error stream; it ends the script with status 1, unless
  // "on-error continue" came before it, in which case the script goes on (status 0).
  int runScript(const std::vector<Step>& steps, const std::string& scriptName);

  // Whether changes of the results text are printed (on by default).
  void setEchoResults(bool on) { echoResults_ = on; }
  // Where console lines go (the output stream by default); nullptr drops them.
  void setConsoleStream(std::ostream* stream) { console_.setStream(stream); }

  platform::ScriptedDialogs& dialogs() { return dialogs_; }
  platform::Handle mainWindow() const { return mainWindow_; }
  // The results text as one text, lines joined by line ends.
  std::string resultsText() const;

 private:
  void runAction(const Step& step);
  void runCall(const Step& step);
  void runSet(const Step& step);
  void runPrint(const Step& step);
  void watchResults();

  std::ostream& out_;
  std::ostream& err_;
  platform::ScriptedDialogs dialogs_;
  platform::StreamConsole console_;
  NoScriptClipboard clipboard_;
  platform::Handle mainWindow_ = -1;
  std::string baseFolder_;
  bool echoResults_ = true;
  int listener_ = 0;
};

// The value a text from a script gives a property whose current value is `current`: numbers
// (blanks or commas between them, one row) for a numeric property, the text itself otherwise.
// A text that is not numbers for a numeric property is an Error.
platform::Value propertyValueFromText(const platform::Value& current, const std::string& text,
                                      const std::string& what);

// The folder of the running program, where the build puts the window description files.
std::string programFolder();

}  // namespace tessaly::cli
