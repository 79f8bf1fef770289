#pragma once
// Test doubles of the platform's interfaces, shared by the test suites: dialogs that answer
// from queues and record what was asked and shown, and a console that collects its text.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/interfaces.h"

namespace tessaly::test_support {

namespace fs = std::filesystem;

// Dialogs that answer from queues filled by the test, and record what was asked and shown.
// A dialog with no queued answer counts as cancelled and is recorded as unanswered.
class ScriptedDialogs : public platform::Dialogs {
 public:
  struct Request {
    std::string filter;  // or the prompts joined by '|' for input dialogs
    std::string title;
  };
  struct Message {
    std::string text;
    std::string title;
    bool error = false;  // reported through error(): it ended an action
  };

  std::deque<std::optional<platform::FileChoice>> files;  // answers to getFile
  std::deque<std::optional<platform::FileChoice>> saves;  // answers to putFile
  std::deque<std::optional<std::vector<std::string>>> inputs;
  std::deque<std::string> answers;  // answers to question
  std::deque<std::optional<platform::Pick>> picks;

  std::vector<Request> fileRequests, saveRequests, inputRequests, questionRequests;
  std::vector<Message> messages;
  // Every file dialog and question in the order asked: "getFile FILTER TITLE",
  // "putFile FILTER TITLE", "question TEXT | TITLE | [BUTTON]...".
  std::vector<std::string> asked;
  int unanswered = 0;

  // Queues the choice of a file given by its path (folder and name split as a dialog would).
  void chooseFile(const fs::path& path) { files.push_back(choice(path)); }
  void chooseSave(const fs::path& path) { saves.push_back(choice(path)); }
  void cancelFile() { files.push_back(std::nullopt); }
  void cancelSave() { saves.push_back(std::nullopt); }

  static platform::FileChoice choice(const fs::path& path) {
    fs::path absolute = fs::absolute(path);
    std::string folder = absolute.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return {absolute.filename().string(), folder};
  }

  std::optional<platform::FileChoice> getFile(const std::string& filter,
                                              const std::string& title) override {
    fileRequests.push_back({filter, title});
    asked.push_back("getFile " + filter + " " + title);
    return next(files);
  }
  std::optional<platform::FileChoice> putFile(const std::string& filter,
                                              const std::string& title) override {
    saveRequests.push_back({filter, title});
    asked.push_back("putFile " + filter + " " + title);
    return next(saves);
  }
  std::optional<std::vector<std::string>> input(const std::vector<std::string>& prompts,
                                                const std::string& title,
                                                const std::vector<std::string>&) override {
    std::string joined;
    for (const auto& p : prompts) joined += (joined.empty() ? "" : "|") + p;
    inputRequests.push_back({joined, title});
    return next(inputs);
  }
  std::string question(const std::string& q, const std::string& title,
                       const std::vector<std::string>& buttons) override {
    questionRequests.push_back({q, title});
    std::string labels;
    for (const auto& b : buttons) labels += "[" + b + "]";
    asked.push_back("question " + q + " | " + title + " | " + labels);
    if (answers.empty()) {
      ++unanswered;
      return {};
    }
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  void message(const std::string& text, const std::string& title) override {
    messages.push_back({text, title});
  }
  void error(const std::string& text, const std::string& title) override {
    messages.push_back({text, title, true});
  }
  std::optional<platform::Pick> pick(double) override { return next(picks); }
  // The person stops a long action once `stopAt` steps are done (never when negative).
  double stopAt = -1;
  int progressCalls = 0, progressEnds = 0;
  bool progress(const std::string&, double done, double) override {
    ++progressCalls;
    return stopAt < 0 || done < stopAt;
  }
  void endProgress() override { ++progressEnds; }

 private:
  template <typename T>
  std::optional<T> next(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) {
      ++unanswered;
      return std::nullopt;
    }
    auto answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

// A console that keeps everything written to it.
class CollectingConsole : public platform::Console {
 public:
  std::string text;
  void write(const std::string& t) override { text += t; }
};

}  // namespace tessaly::test_support
