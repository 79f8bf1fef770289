#include "core/group_list.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>

#include "core/dload.h"
#include "core/error.h"

namespace tessaly {

namespace {

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  const size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

// The lines of a file, at LF, CR LF or a lone CR, each without the blanks around it.
std::vector<std::string> trimmedLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  char c = 0;
  bool afterCr = false;
  while (in.get(c)) {
    if (c == '\n' && afterCr) {
      afterCr = false;
      continue;
    }
    afterCr = c == '\r';
    if (c == '\r' || c == '\n') {
      lines.push_back(trimmed(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(trimmed(line));
  return lines;
}

// A line that starts with a number is a row of codes (perhaps with a typing error further on),
// never a name.
bool startsWithNumber(const std::string& line) {
  const std::string first = line.substr(0, line.find_first_of(" \t,"));
  std::vector<double> numbers;
  std::string bad;
  return parseNumberLine(first, numbers, bad) && !numbers.empty();
}

// The names of a name list: leading blank lines skipped, the list ending at the next blank
// line. Empty when a line of the list starts with a number (then it is no name list).
std::vector<std::string> nameLines(const std::string& path) {
  std::vector<std::string> lines = trimmedLines(path), names;
  size_t i = 0;
  while (i < lines.size() && lines[i].empty()) ++i;
  for (; i < lines.size() && !lines[i].empty(); ++i) {
    if (startsWithNumber(lines[i])) return {};
    names.push_back(lines[i]);
  }
  return names;
}

GroupList codesOfNames(const std::vector<std::string>& lines, const GroupNames& known) {
  GroupList list;
  list.names = known;
  std::map<std::string, size_t> codeOf;
  for (size_t g = 0; g < known.size(); ++g)
    if (!known[g].empty()) codeOf.emplace(known[g], g + 1);
  list.codes.resize(static_cast<Eigen::Index>(lines.size()), 1);
  for (size_t i = 0; i < lines.size(); ++i) {
    auto [it, added] = codeOf.emplace(lines[i], list.names.size() + 1);
    if (added) list.names.push_back(lines[i]);
    list.codes(static_cast<Eigen::Index>(i)) = static_cast<double>(it->second);
  }
  return list;
}

std::string lineError(const std::string& path, size_t line, const std::string& what) {
  return "Cannot read " + path + ", line " + std::to_string(line) + ": " + what;
}

}  // namespace

GroupList readGroupList(const std::string& path, bool* opened, const GroupNames& known) {
  try {
    GroupList list;
    list.codes = dload(path, opened, &list.warnings);
    return list;
  } catch (const Error&) {
    const std::vector<std::string> names = nameLines(path);
    if (names.empty()) throw;
    return codesOfNames(names, known);
  }
}

GroupNames readGroupNames(const std::string& path) {
  std::ifstream probe(path);
  if (!probe) throw Error("Cannot open " + path + ": the file could not be read");
  probe.close();
  const std::vector<std::string> lines = trimmedLines(path);
  GroupNames names;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    const size_t gap = line.find_first_of(" \t");
    const std::string code = line.substr(0, gap);
    const std::string name = gap == std::string::npos ? "" : trimmed(line.substr(gap));
    long g = 0;
    auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), g);
    if (ec != std::errc() || end != code.data() + code.size() || g < 1 || g > 1000000 ||
        name.empty())
      throw Error(lineError(path, i + 1,
                            "a line must hold a group code (a whole number from 1) and a name, "
                            "not \"" +
                                line + "\""));
    const size_t at = static_cast<size_t>(g);
    if (names.size() < at) names.resize(at);
    if (!names[at - 1].empty())
      throw Error(lineError(path, i + 1, "group code " + code + " is named twice"));
    names[at - 1] = name;
  }
  if (names.empty()) throw Error("Cannot read " + path + ": the file names no group");
  return names;
}

std::string groupName(const GroupNames& names, double g) {
  if (!(g >= 1 && g <= static_cast<double>(names.size()) && g == std::floor(g))) return {};
  return names[static_cast<size_t>(g) - 1];
}

}  // namespace tessaly
