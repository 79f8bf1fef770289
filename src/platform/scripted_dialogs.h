#pragma once
// Dialogs answered from a queue instead of a person: the batch runner and the tests give, in
// order, the answers that the dialogs of an action will ask for. Every message box and every
// dialog asked is recorded, so a caller can show or check them afterwards.
//
// Answers, one text each, taken from the front of the queue:
// - file dialog: a file path; a relative path is taken from the base folder (when one is
//   set) or from the current folder; an empty answer cancels. As a real dialog would, the
//   open dialog takes only a file that exists and the save dialog only an existing folder:
//   anything else is an Error;
// - input dialog: one text per prompt; prompts left without an answer take their default,
//   and a dialog that finds the queue empty is cancelled;
// - question: the text of one of its buttons (letter case free); an empty answer closes it;
// - mouse pick: "X,Y" or "X,Y,BUTTON" (button 1, 2 or 3); an empty answer cancels.
// A dialog that finds the queue empty is cancelled (or closed).
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/interfaces.h"

namespace tessaly::platform {

class ScriptedDialogs : public Dialogs {
 public:
  struct MessageBox {
    std::string text;
    std::string title;
    bool error = false;  // shown through error(): an error ended the action
  };
  enum class Kind { GetFile, PutFile, Input, Question, Pick };
  // A dialog as it was asked (message boxes are kept apart, in messages()).
  struct Asked {
    Kind kind;
    std::string title;  // for a question, its question text; for a pick, empty
    bool answered;      // false when it was cancelled or closed
  };

  // Appends answers to the queue.
  void answer(const std::string& text);
  void answerAll(const std::vector<std::string>& texts);
  // Forgets the answers not yet used and hands them back.
  std::vector<std::string> takeUnused();
  std::size_t pending() const { return answers_.size(); }

  // The folder that relative file paths are taken from; empty: the current folder at the time
  // the dialog is asked.
  void setBaseFolder(const std::string& folder) { baseFolder_ = folder; }

  // Called for every message box as it is shown.
  void onMessage(std::function<void(const MessageBox&)> listener) {
    messageListener_ = std::move(listener);
  }

  const std::vector<MessageBox>& messages() const { return messages_; }
  const std::vector<Asked>& asked() const { return asked_; }
  void clearRecord();

  std::optional<FileChoice> getFile(const std::string& filter, const std::string& title) override;
  std::optional<FileChoice> putFile(const std::string& filter, const std::string& title) override;
  std::optional<std::vector<std::string>> input(const std::vector<std::string>& prompts,
                                                const std::string& title,
                                                const std::vector<std::string>& defaults) override;
  std::string question(const std::string& question, const std::string& title,
                       const std::vector<std::string>& buttons) override;
  void message(const std::string& text, const std::string& title) override;
  void error(const std::string& text, const std::string& title) override;
  std::optional<Pick> pick(double axesHandle) override;

 private:
  std::optional<std::string> next();
  std::optional<FileChoice> file(Kind kind, const std::string& title);

  std::deque<std::string> answers_;
  std::string baseFolder_;
  std::vector<MessageBox> messages_;
  std::vector<Asked> asked_;
  std::function<void(const MessageBox&)> messageListener_;
};

// Splits a path into the file choice of a file dialog: the absolute folder (ending in a
// separator) and the file name. Relative paths are taken from base, or from the current folder
// when base is empty.
FileChoice splitFileChoice(const std::string& path, const std::string& base = {});

// Reads a mouse pick "X,Y" or "X,Y,BUTTON"; anything else is an Error.
Pick parsePick(const std::string& text);

// A console that writes every piece of text to a stream as it comes, or drops it when it has
// no stream.
class StreamConsole : public Console {
 public:
  explicit StreamConsole(std::ostream* out) : out_(out) {}
  void setStream(std::ostream* out) { out_ = out; }
  void write(const std::string& text) override;

 private:
  std::ostream* out_;
};

}  // namespace tessaly::platform
