#pragma once
// A console that keeps what it is given, line by line: for the batch face's log and for
// tests that check diagnostic output.
#include <string>
#include <vector>

#include "platform/interfaces.h"

namespace tessaly::platform {

class CollectingConsole : public Console {
 public:
  void write(const std::string& text) override;
  // The complete lines so far, without their line ends, then the unfinished last line (if any).
  std::vector<std::string> lines() const;
  // Everything written, as written.
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

// Sends the numeric routines' diagnostic output (core/diagnostics.h) to the console of the
// current platform, whichever console is installed at the time of writing. A face calls this
// once it has installed its console.
void routeDiagnosticsToConsole();
// Back to the standard error stream.
void routeDiagnosticsToStandardError();

}  // namespace tessaly::platform
