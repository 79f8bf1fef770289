#include "platform/console.h"

#include "core/diagnostics.h"
#include "platform/platform.h"

namespace tessaly::platform {

void CollectingConsole::write(const std::string& text) {
  text_ += text;
}

std::vector<std::string> CollectingConsole::lines() const {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text_.size()) {
    size_t end = text_.find('\n', start);
    if (end == std::string::npos) {
      out.push_back(text_.substr(start));
      break;
    }
    out.push_back(text_.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void routeDiagnosticsToConsole() {
  // Looks the console up at each write: a face may install another or the platform be reset.
  setDiagnosticSink([](const std::string& text) { platform().console().write(text); });
}

void routeDiagnosticsToStandardError() {
  setDiagnosticSink({});
}

}  // namespace tessaly::platform
