#include "dispatch/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/error.h"
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

// Permissions for a new file, as a plain open for writing would give it.
mode_t newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool replaceText(const std::string& path, const std::string& text) {
  fs::path target(path);
  std::error_code ec;
  // Replace the file a link points to, not the link.
  if (fs::is_symlink(target, ec)) {
    fs::path real = fs::canonical(target, ec);
    if (!ec) target = real;
  }
  const bool exists = fs::exists(target, ec);
  if (exists && fs::is_directory(target, ec)) return false;
  if (exists && ::access(target.c_str(), W_OK) != 0) return false;

  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    // A folder that takes no new files: a file already there may still be written in place.
    if (!exists) return false;
    std::FILE* file = std::fopen(target.c_str(), "wb");
    if (!file) return false;
    if (int err = writeAndClose(file, text, false)) writeFailed(path, err);
    return true;
  }

  struct stat old {};
  ::fchmod(fd, exists && ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode());
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    writeFailed(path, err);
  }
  if (int err = writeAndClose(file, text, true)) {
    ::unlink(temp.c_str());
    writeFailed(path, err);
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    writeFailed(path, err);
  }
  return true;
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
