// The session-script reader on any text: every step it gives is well formed, or it refuses
// the script at a line that exists.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "cli/script.h"

namespace {

bool wellFormed(const tessaly::cli::Step& step) {
  using Kind = tessaly::cli::Step::Kind;
  switch (step.kind) {
    case Kind::Action:
      return true;  // an unknown or empty name is refused when the step runs
    case Kind::Call:
      return !step.text.empty();
    case Kind::Set:
      return step.args.size() == 3;
    case Kind::Print:
      return step.args.size() == 1;
    case Kind::Seed:
    case Kind::OnError:
      return step.args.empty();
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  std::istringstream in(text);
  try {
    int last = 0;
    for (const tessaly::cli::Step& step : tessaly::cli::parseScript(in)) {
      if (step.line <= last || step.line > lines || !wellFormed(step)) std::abort();
      last = step.line;
    }
  } catch (const tessaly::cli::ScriptError& e) {
    if (e.line() < 1 || e.line() > lines) std::abort();
  }
  return 0;
}
