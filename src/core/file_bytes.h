#pragma once
// A file's bytes for the readers of large files: a plain file mapped into memory (read once,
// without a copy), anything else (a pipe) read into a buffer that grows.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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
  // False when the file cannot be opened.
  bool open(const std::string& path) {
    if (map(path)) return true;
    return read(path);
  }
  const char* begin() const { return mapped_ ? static_cast<const char*>(mapped_) : buffer_.get(); }
  const char* end() const { return begin() + size_; }
  std::string_view text() const { return {begin(), size_}; }

 private:
  bool map(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      const auto size = static_cast<size_t>(st.st_size);
      void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (p != MAP_FAILED) {
        mapped_ = p;
        size_ = size;
      }
    }
    ::close(fd);
    return mapped_ != nullptr;
  }
  bool read(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    size_t capacity = 1 << 16;
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity);
    while (true) {
      size_ += std::fread(buffer_.get() + size_, 1, capacity - size_, file);
      if (size_ < capacity) break;  // the end of the file, or an error
      auto larger = std::make_unique_for_overwrite<char[]>(2 * capacity);
      std::memcpy(larger.get(), buffer_.get(), size_);
      buffer_ = std::move(larger);
      capacity *= 2;
    }
    std::fclose(file);
    return true;
  }

  void* mapped_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t size_ = 0;
};

}  // namespace tessaly
