#include "cli/options.h"

#include <filesystem>
#include <fstream>

#include "analysis/pca.h"
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

namespace {

// A validator whose message is the text of the Error that parse throws for a refused value.
CLI::Validator checkBy(void (*parse)(const std::string&), const std::string& type,
                       const std::string& name) {
  auto check = [parse](std::string& text) -> std::string {
    try {
      parse(text);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  };
  return CLI::Validator(check, type, name);
}

}  // namespace

CLI::Validator jackknifeCheck() {
  return checkBy([](const std::string& text) { parseJackknife(text); }, "N,FRACTION", "jackknife");
}

CLI::Validator componentsCheck() {
  return checkBy([](const std::string& text) { analysis::parseComponentChoice(text); }, "m|auto",
                 "principal components");
}

CLI::Validator threadsCheck() {
  return checkBy([](const std::string& text) { analysis::parseThreads(text, kThreadsOption); }, "N",
                 "threads");
}

}  // namespace tessaly::cli
