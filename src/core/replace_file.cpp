#include "core/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/error.h"

namespace tessaly {

namespace fs = std::filesystem;

namespace {

// Writes all of bytes to an open stream and closes it; the errno of the first failure, or 0.
int writeAndClose(std::FILE* file, std::string_view bytes, bool sync) {
  int err = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    err = errno;
  if (!err && std::fflush(file) != 0) err = errno;
  if (!err && sync && ::fsync(::fileno(file)) != 0) err = errno;
  if (std::fclose(file) != 0 && !err) err = errno;
  return err;
}

// Permissions for a new file, as a plain open for writing would give it.
mode_t newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

ReplaceResult writeInPlace(const fs::path& target, std::string_view bytes) {
  std::FILE* file = std::fopen(target.c_str(), "wb");
  if (!file) return {false, errno};
  return {true, writeAndClose(file, bytes, false)};
}

// The last byte of a file, or EOF when it is empty or cannot be read.
int lastByte(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return EOF;
  int c = EOF;
  if (std::fseek(in, -1, SEEK_END) == 0) c = std::fgetc(in);
  std::fclose(in);
  return c;
}

}  // namespace

ReplaceResult replaceFile(const std::string& path, std::string_view bytes) {
  fs::path target(path);
  std::error_code ec;
  // Replace the file a link points to, not the link.
  if (fs::is_symlink(target, ec)) {
    fs::path real = fs::canonical(target, ec);
    if (!ec) target = real;
  }
  const bool exists = fs::exists(target, ec);
  if (exists && fs::is_directory(target, ec)) return {false, EISDIR};
  if (exists && ::access(target.c_str(), W_OK) != 0) return {false, errno};

  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    const int err = errno;
    return exists ? writeInPlace(target, bytes) : ReplaceResult{false, err};
  }

  struct stat old {};
  ::fchmod(fd, exists && ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode());
  std::FILE* file = ::fdopen(fd, "wb");
  int err = 0;
  if (!file) {
    err = errno;
    ::close(fd);
  } else {
    err = writeAndClose(file, bytes, true);
  }
  if (!err && std::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err) ::unlink(temp.c_str());
  return {true, err};
}

std::string writeFailureText(const std::string& path, int error) {
  return "Cannot write " + path + ": " + std::generic_category().message(error);
}

void saveFile(const std::string& path, std::string_view bytes) {
  const ReplaceResult result = replaceFile(path, bytes);
  if (!result.written()) throw Error(writeFailureText(path, result.error ? result.error : EIO));
}

void appendToFile(const std::string& path, std::string_view bytes) {
  const int last = lastByte(path);
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) throw Error(writeFailureText(path, errno));
  const bool separate = last != EOF && last != '\n' && !(!bytes.empty() && bytes.front() == '\n');
  int err = 0;
  if (separate && std::fputc('\n', file) == EOF) err = errno;
  if (err) {
    std::fclose(file);
  } else {
    err = writeAndClose(file, bytes, false);
  }
  if (err) throw Error(writeFailureText(path, err));
}

}  // namespace tessaly
