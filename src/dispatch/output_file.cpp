#include "dispatch/output_file.h"

#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/replace_file.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

namespace fs = std::filesystem;

void writeTextFile(const std::string& path, FileMode mode, const std::string& text) {
  if (mode == FileMode::Append) {
    appendToFile(path, text);
  } else {
    saveFile(path, text);
  }
}

OutputOutcome writeOutputFile(const std::string& title, FileMode mode,
                              const std::function<std::string()>& content) {
  auto choice = platform::dialogs().putFile("*.*", title);
  if (!choice) return OutputOutcome::Cancelled;
  std::error_code ec;
  const fs::path before = fs::current_path(ec);
  if (!choice->folder.empty()) fs::current_path(choice->folder, ec);
  try {
    const std::string text = content();
    writeTextFile(choice->path(), mode, text);
  } catch (const Error&) {
    // A failed save changes nothing, not even the current folder.
    if (!before.empty()) fs::current_path(before, ec);
    throw;
  }
  return OutputOutcome::Written;
}

}  // namespace tessaly::dispatch
