#include "platform/scripted_dialogs.h"

#include <cmath>
#include <filesystem>
#include <ostream>

#include "core/error.h"
#include "core/numbers.h"
#include "core/text.h"

namespace tessaly::platform {

namespace fs = std::filesystem;

namespace {

// A whole number or a decimal number, with blanks around it at most.
bool readNumber(const std::string& text, double& value) {
  return parseNumber(trimBlanks(text), value) && std::isfinite(value);
}

}  // namespace

FileChoice splitFileChoice(const std::string& path, const std::string& base) {
  fs::path p(path);
  if (p.is_relative()) p = (base.empty() ? fs::current_path() : fs::path(base)) / p;
  p = p.lexically_normal();
  FileChoice choice;
  choice.name = p.filename().string();
  std::string folder = p.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  choice.folder = folder;
  return choice;
}

Pick parsePick(const std::string& text) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  Pick pick;
  double button = 1;
  const bool ok = (parts.size() == 2 || parts.size() == 3) && readNumber(parts[0], pick.x) &&
                  readNumber(parts[1], pick.y) &&
                  (parts.size() == 2 || readNumber(parts[2], button));
  if (!ok || (button != 1 && button != 2 && button != 3)) {
    throw Error("\"" + text + "\" is not a mouse pick: give X,Y or X,Y,BUTTON (button 1, 2 or 3)");
  }
  pick.button = static_cast<int>(button);
  return pick;
}

void ScriptedDialogs::answer(const std::string& text) {
  answers_.push_back(text);
}

void ScriptedDialogs::answerAll(const std::vector<std::string>& texts) {
  answers_.insert(answers_.end(), texts.begin(), texts.end());
}

std::vector<std::string> ScriptedDialogs::takeUnused() {
  std::vector<std::string> unused(answers_.begin(), answers_.end());
  answers_.clear();
  return unused;
}

void ScriptedDialogs::clearRecord() {
  messages_.clear();
  asked_.clear();
}

std::optional<std::string> ScriptedDialogs::next() {
  if (answers_.empty()) return std::nullopt;
  std::string a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<FileChoice> ScriptedDialogs::file(Kind kind, const std::string& title) {
  const auto a = next();
  const bool answered = a && !a->empty();
  asked_.push_back({kind, title, answered});
  if (!answered) return std::nullopt;
  FileChoice choice = splitFileChoice(*a, baseFolder_);
  // A real dialog offers only what is there: an existing file to open, an existing folder to
  // save into. A mistyped path is refused here rather than passed on to an open that would
  // fail without a word.
  std::error_code ec;
  if (kind == Kind::GetFile && !fs::exists(choice.path(), ec)) {
    throw Error("\"" + title + "\": there is no file \"" + choice.path() + "\"");
  }
  if (kind == Kind::PutFile && !fs::is_directory(choice.folder, ec)) {
    throw Error("\"" + title + "\": there is no folder \"" + choice.folder + "\"");
  }
  return choice;
}

std::optional<FileChoice> ScriptedDialogs::getFile(const std::string&, const std::string& title) {
  return file(Kind::GetFile, title);
}

std::optional<FileChoice> ScriptedDialogs::putFile(const std::string&, const std::string& title) {
  return file(Kind::PutFile, title);
}

std::optional<std::vector<std::string>> ScriptedDialogs::input(
    const std::vector<std::string>& prompts, const std::string& title,
    const std::vector<std::string>& defaults) {
  if (answers_.empty()) {
    asked_.push_back({Kind::Input, title, false});
    return std::nullopt;
  }
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < prompts.size(); ++i) {
    if (auto a = next()) {
      texts.push_back(*a);
    } else {
      texts.push_back(i < defaults.size() ? defaults[i] : std::string());
    }
  }
  asked_.push_back({Kind::Input, title, true});
  return texts;
}

std::string ScriptedDialogs::question(const std::string& question, const std::string&,
                                      const std::vector<std::string>& buttons) {
  const std::vector<std::string> standard = {"Yes", "No", "Cancel"};
  const std::vector<std::string>& choices = buttons.empty() ? standard : buttons;
  const auto a = next();
  if (!a || a->empty()) {
    asked_.push_back({Kind::Question, question, false});
    return {};
  }
  for (const std::string& b : choices) {
    if (lowercase(b) == lowercase(*a)) {
      asked_.push_back({Kind::Question, question, true});
      return b;
    }
  }
  std::string list;
  for (const std::string& b : choices) list += (list.empty() ? "" : ", ") + b;
  throw Error("\"" + *a + "\" is not an answer to \"" + question + "\" (" + list + ")");
}

void ScriptedDialogs::message(const std::string& text, const std::string& title) {
  messages_.push_back({text, title, false});
  if (messageListener_) messageListener_(messages_.back());
}

void ScriptedDialogs::error(const std::string& text, const std::string& title) {
  messages_.push_back({text, title, true});
  if (messageListener_) messageListener_(messages_.back());
}

std::optional<Pick> ScriptedDialogs::pick(double) {
  const auto a = next();
  if (!a || a->empty()) {
    asked_.push_back({Kind::Pick, {}, false});
    return std::nullopt;
  }
  Pick p = parsePick(*a);
  asked_.push_back({Kind::Pick, {}, true});
  return p;
}

void StreamConsole::write(const std::string& text) {
  if (!out_) return;
  *out_ << text;
  out_->flush();
}

}  // namespace tessaly::platform
