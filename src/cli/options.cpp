#include "cli/options.h"

#include <filesystem>
#include <fstream>

#include "analysis/resampling.h"
#include "cli/analyze.h"
#include "core/error.h"

namespace tessaly::cli {

namespace fs = std::filesystem;

CLI::Validator inputFileCheck(const std::string& what) {
  auto check = [what](std::string& path) -> std::string {
    if (path.empty()) return {};
    const std::string named = "The " + what + " \"" + path + "\"";
    std::string copy = path;
    if (!CLI::ExistingFile(copy).empty()) {
      std::error_code ec;
      return named + (fs::is_directory(path, ec) ? " is not a file" : " does not exist");
    }
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return named + " is not a file";
    if (!std::ifstream(path)) return named + " cannot be read";
    return {};
  };
  return CLI::Validator(check, "FILE", "input file");
}

CLI::Validator jackknifeCheck() {
  auto check = [](std::string& text) -> std::string {
    try {
      parseJackknife(text);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  };
  return CLI::Validator(check, "N,FRACTION", "jackknife");
}

CLI::Validator threadsCheck() {
  auto check = [](std::string& text) -> std::string {
    try {
      analysis::parseThreads(text, kThreadsOption);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  };
  return CLI::Validator(check, "N", "threads");
}

}  // namespace tessaly::cli
