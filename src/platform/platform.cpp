#include "platform/platform.h"

#include <iostream>

#include "platform/console.h"

namespace tessaly::platform {

namespace {

// Until a face installs its own: every dialog is cancelled, nothing reaches a clipboard, and
// the console is the standard error stream.
class NoDialogs : public Dialogs {
 public:
  std::optional<FileChoice> getFile(const std::string&, const std::string&) override { return {}; }
  std::optional<FileChoice> putFile(const std::string&, const std::string&) override { return {}; }
  std::optional<std::vector<std::string>> input(const std::vector<std::string>&, const std::string&,
                                                const std::vector<std::string>&) override {
    return {};
  }
  std::string question(const std::string&, const std::string&,
                       const std::vector<std::string>&) override {
    return {};
  }
  void message(const std::string& text, const std::string&) override { std::cerr << text << '\n'; }
  std::optional<Pick> pick(double) override { return {}; }
};

class NoClipboard : public Clipboard {
 public:
  void setPicture(const std::string&, const std::string&) override {}
};

class ErrorStreamConsole : public Console {
 public:
  void write(const std::string& text) override { std::cerr << text; }
};

NoDialogs noDialogs;
NoClipboard noClipboard;
ErrorStreamConsole errorStreamConsole;

std::unique_ptr<Platform>& instance() {
  static std::unique_ptr<Platform> platform = std::make_unique<Platform>();
  return platform;
}

}  // namespace

Platform::Platform()
    : dialogs_(&noDialogs), clipboard_(&noClipboard), console_(&errorStreamConsole) {}

void Platform::setDialogs(Dialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : &noDialogs;
}

void Platform::setClipboard(Clipboard* clipboard) {
  clipboard_ = clipboard ? clipboard : &noClipboard;
}

void Platform::setConsole(Console* console) {
  console_ = console ? console : &errorStreamConsole;
  // Diagnostics follow the installed console (which is standard error until a face installs
  // its own).
  routeDiagnosticsToConsole();
}

Platform& platform() {
  return *instance();
}

void resetPlatform() {
  Platform& old = platform();
  auto fresh = std::make_unique<Platform>();
  fresh->setDialogs(&old.dialogs());
  fresh->setClipboard(&old.clipboard());
  fresh->setConsole(&old.console());
  instance() = std::move(fresh);
}

}  // namespace tessaly::platform
