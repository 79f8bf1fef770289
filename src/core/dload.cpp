#include "core/dload.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>

#include "core/error.h"
#include "core/numbers.h"

namespace tessaly {

namespace {

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == ',';
}

// A line that holds nothing but its line end (a carriage return before it included). Blanks
// and tabs alone count as nothing too: an invisible line must not become a row of no numbers.
bool isEmptyLine(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

std::string fileError(const std::string& path, size_t lineNo, const std::string& what) {
  return "Cannot read " + path + ", line " + std::to_string(lineNo) + ": " + what;
}

// Reads the numbers of one line and hands each to `take`. Returns true, or false with the
// first word that is not a number in `bad`. The numbers are parsed where they lie, so a large
// file is read without a copy of each word.
template <typename Take>
bool scanLine(std::string_view line, Take take, std::string& bad) {
  const char* p = line.data();
  const char* last = p + line.size();
  while (true) {
    while (p != last && isSeparator(*p)) ++p;
    if (p == last) return true;
    double x = 0;
    const char* end = parseNumberPrefix(p, last, x);
    if (!end || (end != last && !isSeparator(*end))) {
      const char* wordEnd = p;
      while (wordEnd != last && !isSeparator(*wordEnd)) ++wordEnd;
      bad.assign(p, wordEnd);
      return false;
    }
    take(x);
    p = end;
  }
}

// The whole file in memory; false when it cannot be opened.
bool readWholeFile(const std::string& path, std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    if (size > 0) bytes.reserve(static_cast<size_t>(size));
    std::rewind(file);
  }
  char chunk[1 << 16];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
  std::fclose(file);
  return true;
}

}  // namespace

bool parseNumberLine(const std::string& line, std::vector<double>& numbers, std::string& bad) {
  numbers.clear();
  return scanLine(
      line, [&](double x) { numbers.push_back(x); }, bad);
}

Matrix dload(const std::string& path, bool* opened) {
  std::string bytes;
  const bool open = readWholeFile(path, bytes);
  if (opened) *opened = open;
  if (!open) return scalar(-1);

  std::vector<double> values;  // row after row
  size_t cols = 0, rows = 0, lineNo = 0;
  const char* p = bytes.data();
  const char* last = p + bytes.size();
  std::string bad;
  while (p != last) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(last - p)));
    if (!eol) eol = last;
    const std::string_view line(p, static_cast<size_t>(eol - p));
    p = eol == last ? last : eol + 1;
    ++lineNo;
    if (lineNo > 1 && isEmptyLine(line)) break;
    const size_t before = values.size();
    if (!scanLine(
            line, [&](double x) { values.push_back(x); }, bad))
      throw Error(fileError(path, lineNo, "\"" + bad + "\" is not a number"));
    const size_t count = values.size() - before;
    if (count == 0) throw Error(fileError(path, lineNo, "no numbers on the line"));
    if (rows == 0) {
      cols = count;
      // The first line gives the row length: room for the rest at the same density.
      values.reserve(bytes.size() / (line.size() + 1) * cols + cols);
    } else if (count != cols) {
      throw Error(
          fileError(path, lineNo,
                    std::to_string(count) + " numbers where line 1 has " + std::to_string(cols)));
    }
    ++rows;
  }
  if (rows == 0) throw Error("Cannot read " + path + ": the file holds no data");
  using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
  return Eigen::Map<const RowMajor>(values.data(), static_cast<Eigen::Index>(rows),
                                    static_cast<Eigen::Index>(cols));
}

}  // namespace tessaly
