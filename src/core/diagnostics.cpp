#include "core/diagnostics.h"

#include <iostream>

namespace tessaly {

namespace {
std::function<void(const std::string&)>& sink() {
  static std::function<void(const std::string&)> current;
  return current;
}
}  // namespace

void diagnostic(const std::string& text) {
  if (sink())
    sink()(text);
  else
    std::cerr << text;
}

void setDiagnosticSink(std::function<void(const std::string&)> newSink) {
  sink() = std::move(newSink);
}

}  // namespace tessaly
