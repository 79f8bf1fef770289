#include "core/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

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
  if (!file) return {};
  return {true, writeAndClose(file, bytes, false)};
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
  if (exists && fs::is_directory(target, ec)) return {};
  if (exists && ::access(target.c_str(), W_OK) != 0) return {};

  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return exists ? writeInPlace(target, bytes) : ReplaceResult{};

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

}  // namespace tessaly
