#pragma once
// A file's bytes for the readers of large files: a plain file mapped into memory (read once,
// without a copy), anything else (a pipe) read into a buffer that grows.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tessaly {

class FileBytes {
 public:
  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() {
    if (mapped_) ::munmap(mapped_, size_);
  }
  // False when the file cannot be opened. The file is opened once: a pipe that were closed
  // and opened again would lose what its writer sent in between (or end the writer).
  bool open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = map(fd) || read(fd);
    ::close(fd);
    return ok;
  }
  const char* begin() const { return mapped_ ? static_cast<const char*>(mapped_) : buffer_.get(); }
  const char* end() const { return begin() + size_; }
  std::string_view text() const { return {begin(), size_}; }

 private:
  bool map(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return false;
    const auto size = static_cast<size_t>(st.st_size);
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (p == MAP_FAILED) return false;
    mapped_ = p;
    size_ = size;
    return true;
  }
  // Reads to the end of the file (or its first read error) into a buffer that doubles.
  bool read(int fd) {
    size_t capacity = 1 << 16;
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity);
    while (true) {
      const ssize_t got = ::read(fd, buffer_.get() + size_, capacity - size_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return true;
      size_ += static_cast<size_t>(got);
      if (size_ < capacity) continue;
      auto larger = std::make_unique_for_overwrite<char[]>(2 * capacity);
      std::memcpy(larger.get(), buffer_.get(), size_);
      buffer_ = std::move(larger);
      capacity *= 2;
    }
  }

  void* mapped_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t size_ = 0;
};

}  // namespace tessaly
