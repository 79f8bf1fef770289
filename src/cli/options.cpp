#include "cli/options.h"

#include <CLI/CLI.hpp>
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

// A validator from a parser that throws the user's message for a value it refuses.
template <class Parse>
CLI::Validator parserCheck(Parse parse, const char* valueName, const char* name) {
  auto check = [parse](std::string& text) -> std::string {
    try {
      parse(text);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  };
  return CLI::Validator(check, valueName, name);
}

}  // namespace

CLI::Validator jackknifeCheck() {
  return parserCheck([](const std::string& t) { parseJackknife(t); }, "N,FRACTION", "jackknife");
}

CLI::Validator componentsCheck() {
  return parserCheck([](const std::string& t) { analysis::parseComponentChoice(t); }, "m|auto",
                     "principal components");
}

CLI::Validator threadsCheck() {
  return parserCheck([](const std::string& t) { analysis::parseThreads(t, kThreadsOption); }, "N",
                     "threads");
}

CLI::Validator permutationsCheck() {
  return parserCheck([](const std::string& t) { parsePermutations(t); }, "N", "permutations");
}

}  // namespace tessaly::cli
