#pragma once
// Diagnostic output of the numeric routines (values written "to the console"). Nothing depends
// on it. Goes to standard error until a face routes it elsewhere (the platform console).
#include <functional>
#include <string>

namespace tessaly {

void diagnostic(const std::string& text);
// Routes diagnostic text; an empty function restores standard error.
void setDiagnosticSink(std::function<void(const std::string&)> sink);

}  // namespace tessaly
