#include "core/dload.h"

#include <charconv>
#include <fstream>

#include "core/error.h"

namespace tessaly {

namespace {

bool parseNumber(const std::string& word, double& x) {
  const char* first = word.data();
  const char* last = first + word.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, x);
  return ec == std::errc() && end == last;
}

// A line that holds nothing but its line end (a carriage return before it included). Blanks
// and tabs alone count as nothing too: an invisible line must not become a row of no numbers.
bool isEmptyLine(const std::string& line) {
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

std::string fileError(const std::string& path, size_t lineNo, const std::string& what) {
  return "Cannot read " + path + ", line " + std::to_string(lineNo) + ": " + what;
}

}  // namespace

bool parseNumberLine(const std::string& line, std::vector<double>& numbers, std::string& bad) {
  numbers.clear();
  size_t pos = 0;
  while (pos < line.size()) {
    pos = line.find_first_not_of(" \t\r,", pos);
    if (pos == std::string::npos) break;
    size_t end = line.find_first_of(" \t\r,", pos);
    if (end == std::string::npos) end = line.size();
    std::string word = line.substr(pos, end - pos);
    double x = 0;
    if (!parseNumber(word, x)) {
      bad = word;
      return false;
    }
    numbers.push_back(x);
    pos = end;
  }
  return true;
}

Matrix dload(const std::string& path, bool* opened) {
  std::ifstream in(path, std::ios::binary);
  if (opened) *opened = static_cast<bool>(in);
  if (!in) return scalar(-1);
  std::vector<std::vector<double>> rows;
  std::string line;
  size_t lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (lineNo > 1 && isEmptyLine(line)) break;
    std::vector<double> numbers;
    std::string bad;
    if (!parseNumberLine(line, numbers, bad))
      throw Error(fileError(path, lineNo, "\"" + bad + "\" is not a number"));
    if (numbers.empty()) throw Error(fileError(path, lineNo, "no numbers on the line"));
    if (!rows.empty() && numbers.size() != rows.front().size())
      throw Error(fileError(path, lineNo,
                            std::to_string(numbers.size()) + " numbers where line 1 has " +
                                std::to_string(rows.front().size())));
    rows.push_back(std::move(numbers));
  }
  if (rows.empty()) throw Error("Cannot read " + path + ": the file holds no data");
  Matrix x(static_cast<Eigen::Index>(rows.size()), static_cast<Eigen::Index>(rows[0].size()));
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows[i].size(); ++j) x(i, j) = rows[i][j];
  return x;
}

}  // namespace tessaly
