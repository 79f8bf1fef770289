#include "app/session_recorder.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/replace_file.h"
#include "shell/callback.h"
#include "shell/windows.h"

namespace tessaly::app {

namespace fs = std::filesystem;

namespace {

bool plainCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("_-+./,:=@%^").find(c) != std::string_view::npos;
}

// Callbacks that only write a note on the console (sub-functions of a window named after
// a control): replaying them would change nothing, and they need the clicked object.
bool isWindowNote(const shell::CallbackCall& call) {
  if (call.function != "Tessaly6l" && call.function != "AuxBox") return false;
  if (call.args.empty()) return false;
  const auto* name = std::get_if<platform::Value>(&call.args.front().value);
  return name && name->isText() && shell::isSubFunction(call.function, name->text());
}

// "Tessalysw('LoadData')" and "AuxBoxsw" can be written as the script's action steps,
// which carry their answers on the same line.
bool actionName(const shell::CallbackCall& call, std::string& name) {
  if (call.args.empty()) {
    name = call.function;
    return true;
  }
  if (call.function != "Tessalysw" || call.args.size() != 1) return false;
  const auto* action = std::get_if<platform::Value>(&call.args.front().value);
  if (!action || !action->isText()) return false;
  name = action->text();
  return true;
}

std::string answerWords(const std::vector<SessionRecorder::Answer>& answers,
                        const std::string& folder) {
  std::string words;
  for (const auto& a : answers)
    words += " " + scriptWord(a.isPath ? scriptPath(a.text, folder) : a.text);
  return words;
}

// The script lines of one step.
std::string stepLines(const std::string& callback,
                      const std::vector<SessionRecorder::Answer>& answers,
                      const std::string& folder) {
  shell::CallbackCall call;
  try {
    call = shell::parseCallback(callback);
  } catch (const std::exception&) {
    return "# not replayable: " + callback + "\n";
  }
  if (isWindowNote(call)) return {};
  std::string name;
  if (actionName(call, name)) return scriptWord(name) + answerWords(answers, folder) + "\n";
  // The answers follow the callback text after a "--".
  if (answers.empty()) return "call " + callback + "\n";
  return "call " + callback + " --" + answerWords(answers, folder) + "\n";
}

}  // namespace

std::string scriptWord(const std::string& text) {
  if (text.empty()) return "''";
  bool plain = text.front() != '#';
  for (char c : text) plain = plain && plainCharacter(c);
  if (plain) return text;
  // Single quotes keep everything; a quote itself is closed, escaped and reopened.
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string scriptPath(const std::string& path, const std::string& folder) {
  if (folder.empty()) return path;
  const fs::path p = fs::path(path).lexically_normal();
  const fs::path base = fs::absolute(folder).lexically_normal();
  const fs::path rel = p.lexically_relative(base);
  if (rel.empty() || *rel.begin() == "..") return path;
  return rel.string();
}

std::string exactNumber(double x) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, r.ptr);
}

void SessionRecorder::beginStep(const std::string& callbackText) {
  current_ = Entry{};
  current_.callback = callbackText;
  running_ = true;
}

void SessionRecorder::answer(const Answer& a) {
  if (running_) current_.answers.push_back(a);
}

void SessionRecorder::markFailed() {
  if (running_) current_.failed = true;
}

void SessionRecorder::markStopped() {
  if (running_) current_.stopped = true;
}

void SessionRecorder::endStep() {
  if (!running_) return;
  running_ = false;
  entries_.push_back(std::move(current_));
  current_ = Entry{};
}

void SessionRecorder::recordSet(const std::string& tag, const std::string& property,
                                const std::string& value) {
  Entry e;
  e.isSet = true;
  e.tag = tag;
  e.property = property;
  e.value = value;
  entries_.push_back(std::move(e));
}

std::string SessionRecorder::script(const std::string& folder) const {
  std::ostringstream out;
  out << "# Tessaly session: replay it with  tessaly-batch THIS-FILE\n";
  if (seed_) out << "seed " << *seed_ << "\n";
  for (const Entry& e : entries_) {
    if (e.isSet) {
      out << "set " << scriptWord(e.tag) << " " << scriptWord(e.property) << " "
          << scriptWord(e.value) << "\n";
      continue;
    }
    const std::string lines = stepLines(e.callback, e.answers, folder);
    if (lines.empty()) continue;
    if (e.stopped) {
      out << "# stopped in the windows, nothing changed: " << lines;
      continue;
    }
    if (e.failed) out << "# this step failed in the windows as well\non-error continue\n";
    out << lines;
    if (e.failed) out << "on-error stop\n";
  }
  return out.str();
}

void SessionRecorder::save(const std::string& path) const {
  saveFile(path, script(fs::absolute(path).parent_path().string()));
}

void RecordingDialogs::noteFile(const std::optional<platform::FileChoice>& choice) {
  recorder_.answer(choice ? SessionRecorder::Answer{true, choice->path()}
                          : SessionRecorder::Answer{false, ""});
}

std::optional<platform::FileChoice> RecordingDialogs::getFile(const std::string& filter,
                                                              const std::string& title) {
  auto choice = person_->getFile(filter, title);
  noteFile(choice);
  return choice;
}

std::optional<platform::FileChoice> RecordingDialogs::putFile(const std::string& filter,
                                                              const std::string& title) {
  auto choice = person_->putFile(filter, title);
  noteFile(choice);
  return choice;
}

std::optional<std::vector<std::string>> RecordingDialogs::input(
    const std::vector<std::string>& prompts, const std::string& title,
    const std::vector<std::string>& defaults) {
  auto answers = person_->input(prompts, title, defaults);
  // A cancelled input dialog ends its action, so it is the step's last dialog: leaving its
  // answers out cancels it on replay.
  if (answers)
    for (const std::string& a : *answers) recorder_.answer({false, a});
  return answers;
}

std::string RecordingDialogs::question(const std::string& question, const std::string& title,
                                       const std::vector<std::string>& buttons) {
  std::string chosen = person_->question(question, title, buttons);
  recorder_.answer({false, chosen});
  return chosen;
}

void RecordingDialogs::message(const std::string& text, const std::string& title) {
  person_->message(text, title);
}

bool RecordingDialogs::progress(const std::string& title, double done, double total) {
  const bool goOn = person_->progress(title, done, total);
  if (!goOn) recorder_.markStopped();
  return goOn;
}

void RecordingDialogs::error(const std::string& text, const std::string& title) {
  // Every error that ended an action is reported here, whatever its title.
  recorder_.markFailed();
  person_->error(text, title);
}

std::optional<platform::Pick> RecordingDialogs::pick(double axesHandle) {
  auto p = person_->pick(axesHandle);
  recorder_.answer(
      {false, p ? exactNumber(p->x) + "," + exactNumber(p->y) + "," + std::to_string(p->button)
                : std::string()});
  return p;
}

}  // namespace tessaly::app
