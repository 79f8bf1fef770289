#pragma once
// The readers of data and window files take a path: the fuzz input is written to a file of
// this process's own in the temporary folder, replaced on every run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tessaly::fuzz {

inline std::string writeInput(const uint8_t* data, size_t size, const std::string& extension) {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("tessaly-fuzz-" + std::to_string(getpid()) + extension))
                                      .string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

}  // namespace tessaly::fuzz
