#pragma once
// A fresh object tree with the window description files of the program, scripted dialogs, a
// collecting console, an empty analysis state and a temporary current folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dispatch/state.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "platform/scripted_dialogs.h"
#include "platform/window_files.h"

namespace tessaly::shell::testing {

namespace fs = std::filesystem;

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::resetPlatform();
    platform::platform().setConsole(&console);
    platform::platform().setDialogs(&dialogs);
    platform::setResourceFolder(TESSALY_RESOURCES);
    dispatch::resetAnalysisState();
    oldFolder = fs::current_path();
    folder = fs::temp_directory_path() /
             ("tessaly-shell-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    fs::current_path(folder);
  }

  void TearDown() override {
    fs::current_path(oldFolder);
    fs::remove_all(folder);
    platform::platform().setConsole(nullptr);
    platform::platform().setDialogs(nullptr);
    platform::resetPlatform();
  }

  static void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }

  static std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static std::vector<platform::Handle> figures() {
    std::vector<platform::Handle> out;
    for (platform::Handle h : platform::model().children(platform::ObjectModel::kRoot))
      if (platform::model().type(h) == "figure") out.push_back(h);
    return out;
  }

  static platform::Handle tagged(const std::string& tag) {
    auto found = platform::model().findobj("Tag", platform::Value(tag));
    return found.empty() ? -1 : found.front();
  }

  bool consoleHas(const std::string& line) const {
    auto lines = console.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  platform::CollectingConsole console;
  platform::ScriptedDialogs dialogs;
  fs::path folder;
  fs::path oldFolder;
};

}  // namespace tessaly::shell::testing
