#pragma once
// A test fixture that writes small input files into the temporary folder and removes them
// afterwards. Each file name carries the process, the test's name and a counter, so tests run
// side by side never share a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tessaly::test_support {

class TempFileTest : public ::testing::Test {
 protected:
  // Writes text byte for byte (line ends as given) and returns the file's path.
  std::string write(const std::string& text) {
    auto path = std::filesystem::temp_directory_path() /
                ("tessaly_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
    std::ofstream(path, std::ios::binary) << text;
    paths_.push_back(path);
    return path.string();
  }
  void TearDown() override {
    for (auto& p : paths_) std::filesystem::remove(p);
  }

 private:
  std::vector<std::filesystem::path> paths_;
  int counter_ = 0;
};

}  // namespace tessaly::test_support
