// The folders under src/ form layers, and an include may only point down them:
//   core < shape, stats < analysis < platform < render < plotlib < graphics < dispatch < shell
//   < cli, app
// Folders on one level (shape and stats; cli and app) do not include each other. Every
// `#include "folder/..."` of every source file is read and checked against that order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The level of each folder; a folder not listed has no place in the order.
std::optional<int> level(const std::string& folder) {
  static const std::map<std::string, int> levels = {
      {"core", 0},     {"shape", 1},  {"stats", 1},   {"analysis", 2},
      {"platform", 3}, {"render", 4}, {"plotlib", 5}, {"graphics", 6},
      {"dispatch", 7}, {"shell", 8},  {"cli", 9},     {"app", 9}};
  auto it = levels.find(folder);
  if (it == levels.end()) return std::nullopt;
  return it->second;
}

// Why a file in `from` may not include a header of `to`, or nothing when it may.
std::optional<std::string> refusal(const std::string& from, const std::string& to) {
  if (from == to) return std::nullopt;
  const auto a = level(from), b = level(to);
  if (!a) return "the folder " + from + " has no place in the order of layers";
  if (!b) return "the folder " + to + " has no place in the order of layers";
  if (*b > *a) return to + " lies above " + from;
  if (*b == *a) return to + " and " + from + " are peers and must not include each other";
  return std::nullopt;
}

// The folders named by the quoted includes of a text, with their line numbers.
std::vector<std::pair<int, std::string>> includedFolders(std::istream& in) {
  static const std::regex include(R"re(^\s*#\s*include\s*"([^"/]+)/[^"]*")re");
  std::vector<std::pair<int, std::string>> out;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::smatch m;
    if (std::regex_search(line, m, include)) out.emplace_back(number, m[1].str());
  }
  return out;
}

bool isSource(const fs::path& p) {
  const auto ext = p.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

TEST(IncludeOrder, TheRuleRefusesEveryUpwardOrSidewaysInclude) {
  EXPECT_FALSE(refusal("dispatch", "stats"));
  EXPECT_FALSE(refusal("analysis", "shape"));
  EXPECT_EQ(refusal("stats", "analysis"), "analysis lies above stats");
  EXPECT_EQ(refusal("analysis", "platform"), "platform lies above analysis");
  EXPECT_FALSE(refusal("stats", "core"));
  EXPECT_FALSE(refusal("cli", "shell"));
  EXPECT_FALSE(refusal("app", "render"));
  EXPECT_FALSE(refusal("render", "render"));
  EXPECT_EQ(refusal("stats", "platform"), "platform lies above stats");
  EXPECT_EQ(refusal("plotlib", "graphics"), "graphics lies above plotlib");
  EXPECT_EQ(refusal("core", "shape"), "shape lies above core");
  EXPECT_EQ(refusal("shape", "stats"), "stats and shape are peers and must not include each other");
  EXPECT_EQ(refusal("app", "cli"), "cli and app are peers and must not include each other");
  EXPECT_EQ(refusal("widgets", "core"), "the folder widgets has no place in the order of layers");
  EXPECT_EQ(refusal("core", "Eigen"), "the folder Eigen has no place in the order of layers");
}

TEST(IncludeOrder, IncludesAreReadWithTheirLineNumbers) {
  std::istringstream text(
      "#include <vector>\n"
      "#include \"core/matrix.h\"\n"
      "  #  include \"platform/value.h\"  // why\n"
      "// #include \"shell/x.h\" is only a comment\n"
      "#include \"local.h\"\n");
  const auto found = includedFolders(text);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], (std::pair<int, std::string>{2, "core"}));
  EXPECT_EQ(found[1], (std::pair<int, std::string>{3, "platform"}));
}

TEST(IncludeOrder, EverySourceFileIncludesOnlyDownTheLayers) {
  const fs::path src(TESSALY_SOURCES);
  ASSERT_TRUE(fs::is_directory(src)) << src;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file() || !isSource(entry.path())) continue;
    const fs::path relative = fs::relative(entry.path(), src);
    if (!relative.has_parent_path()) continue;  // files of src/ itself
    const std::string folder = relative.begin()->string();
    std::ifstream in(entry.path());
    ++files;
    for (const auto& [line, to] : includedFolders(in)) {
      if (auto why = refusal(folder, to))
        ADD_FAILURE() << relative.string() << ":" << line << ": includes " << to << "/: " << *why;
    }
  }
  EXPECT_GT(files, 50);
}

}  // namespace
