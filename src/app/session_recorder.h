#pragma once
// The record of what a person does in the windows, written in the batch runner's script
// syntax so that `tessaly-batch` can replay it: each action or by-name call with the answers
// given to its dialogs, and each control the person changed (`set TAG PROPERTY VALUE`).
//
// File answers are kept as full paths and written relative to the script's folder when they
// lie below it. A cancelled file dialog, question or pick is written as an empty answer ''.
// A step that failed in the windows is wrapped in "on-error continue" ... "on-error stop", so
// that the replay passes over the same failure and stops at any other. A step the person
// stopped at its progress dialog changed nothing and is written as a comment only.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/interfaces.h"

namespace tessaly::app {

class SessionRecorder {
 public:
  struct Answer {
    bool isPath = false;
    std::string text;
  };

  // A control's callback text begins to run as the person's click.
  void beginStep(const std::string& callbackText);
  // An answer the person gave to a dialog of the running step; ignored outside a step.
  void answer(const Answer& a);
  // The running step failed (an error was reported).
  void markFailed();
  // The person stopped the running step at its progress dialog.
  void markStopped();
  void endStep();
  bool stepRunning() const { return running_; }

  // The person changed a control's property.
  void recordSet(const std::string& tag, const std::string& property, const std::string& value);

  // The seed the random numbers started from, written first so that simulated levels and
  // jackknife draws come out the same on replay.
  void setSeed(std::uint64_t seed) { seed_ = seed; }

  // The whole record as a script whose relative paths are taken from `folder`.
  std::string script(const std::string& folder) const;
  // Writes the script; a file that cannot be written is an Error naming it and the reason.
  void save(const std::string& path) const;

  bool empty() const { return entries_.empty(); }
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    bool isSet = false;
    std::string callback;  // a step: its callback text
    std::vector<Answer> answers;
    bool failed = false;
    bool stopped = false;
    std::string tag, property, value;  // a set
  };
  std::vector<Entry> entries_;
  Entry current_;
  bool running_ = false;
  std::optional<std::uint64_t> seed_;
};

// One word of a script line, quoted when the batch runner's word splitting needs it.
std::string scriptWord(const std::string& text);

// A path as the script names it: relative to folder when it lies below it.
std::string scriptPath(const std::string& path, const std::string& folder);

// A number as the shortest text that reads back as the same double.
std::string exactNumber(double x);

// Dialogs that pass every question on to the person's dialogs and note the answers in the
// record.
class RecordingDialogs : public platform::Dialogs {
 public:
  RecordingDialogs(platform::Dialogs& person, SessionRecorder& recorder)
      : person_(&person), recorder_(recorder) {}
  void setPerson(platform::Dialogs& person) { person_ = &person; }

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
  void error(const std::string& text, const std::string& title) override;
  std::optional<platform::Pick> pick(double axesHandle) override;
  bool progress(const std::string& title, double done, double total) override;
  void endProgress() override { person_->endProgress(); }

 private:
  void noteFile(const std::optional<platform::FileChoice>& choice);
  platform::Dialogs* person_;
  SessionRecorder& recorder_;
};

}  // namespace tessaly::app
