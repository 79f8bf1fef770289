#include "dispatch/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/replace_file.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void writeFailed(const std::string& path, int err) {
  throw Error("Error writing " + path + ": " + std::strerror(err));
}

// Writes all of text to an open stream and closes it; the errno of the first failure, or 0.
int writeAndClose(std::FILE* file, const std::string& text, bool sync) {
  int err = 0;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) err = errno;
  if (!err && std::fflush(file) != 0) err = errno;
  if (!err && sync && ::fsync(::fileno(file)) != 0) err = errno;
  if (std::fclose(file) != 0 && !err) err = errno;
  return err ? err : 0;
}

// The last byte of a file, or nothing when it is empty or cannot be read.
int lastByte(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return EOF;
  int c = EOF;
  if (std::fseek(in, -1, SEEK_END) == 0) c = std::fgetc(in);
  std::fclose(in);
  return c;
}

bool appendText(const std::string& path, const std::string& text) {
  const int last = lastByte(path);
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) return false;
  // A record appended after a last line without its line end would share that line.
  const bool separate = last != EOF && last != '\n' && !(text.size() && text.front() == '\n');
  if (int err = writeAndClose(file, separate ? "\n" + text : text, false)) writeFailed(path, err);
  return true;
}

bool replaceText(const std::string& path, const std::string& text) {
  const ReplaceResult result = replaceFile(path, text);
  if (result.opened && result.error) writeFailed(path, result.error);
  return result.opened;
}

}  // namespace

bool writeTextFile(const std::string& path, FileMode mode, const std::string& text) {
  return mode == FileMode::Append ? appendText(path, text) : replaceText(path, text);
}

OutputOutcome writeOutputFile(const std::string& title, FileMode mode,
                              const std::function<std::string()>& content) {
  auto choice = platform::dialogs().putFile("*.*", title);
  if (!choice) return OutputOutcome::Cancelled;
  if (!choice->folder.empty()) {
    std::error_code ec;
    fs::current_path(choice->folder, ec);
  }
  const std::string text = content();
  return writeTextFile(choice->path(), mode, text) ? OutputOutcome::Written
                                                   : OutputOutcome::NotOpened;
}

}  // namespace tessaly::dispatch
