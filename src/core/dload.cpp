#include "core/dload.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/error.h"
#include "core/file_bytes.h"
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

// The number of lines in [first, last): line ends, and one more for a last line without one.
Eigen::Index lineCount(const char* first, const char* last) {
  if (first == last) return 0;
  return std::count(first, last, '\n') + (last[-1] != '\n');
}

// The lines in [first, last) that hold more than blanks.
size_t filledLineCount(const char* first, const char* last) {
  size_t count = 0;
  while (first != last) {
    const char* eol =
        static_cast<const char*>(std::memchr(first, '\n', static_cast<size_t>(last - first)));
    if (!eol) eol = last;
    if (!isEmptyLine(std::string_view(first, static_cast<size_t>(eol - first)))) ++count;
    first = eol == last ? last : eol + 1;
  }
  return count;
}

}  // namespace

std::string unreadLinesWarning(const std::string& path, size_t line, size_t count) {
  return path + ": " + std::to_string(count) + (count == 1 ? " line" : " lines") + " after line " +
         std::to_string(line) + (count == 1 ? " was" : " were") +
         " not read: the data end at the first empty line";
}

bool parseNumberLine(const std::string& line, std::vector<double>& numbers, std::string& bad) {
  numbers.clear();
  return scanLine(
      line, [&](double x) { numbers.push_back(x); }, bad);
}

// Rows are parsed a block at a time into row order and then copied into the column-ordered
// matrix, so that the numbers of a row are not written a whole column apart.
constexpr Eigen::Index kBlockRows = 64;
using RowBlock = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

Matrix dload(const std::string& path, bool* opened, std::vector<std::string>* warnings) {
  FileBytes bytes;
  const bool open = bytes.open(path);
  if (opened) *opened = open;
  if (!open) return scalar(-1);

  // The numbers go into the matrix, sized by line 1 and the count of lines.
  Matrix x;
  RowBlock block;
  Eigen::Index cols = 0, rows = 0, inBlock = 0;
  auto flush = [&] {
    x.middleRows(rows - inBlock, inBlock) = block.topRows(inBlock);
    inBlock = 0;
  };
  size_t lineNo = 0;
  const char* p = bytes.begin();
  const char* last = bytes.end();
  std::string bad;
  std::vector<double> first;
  while (p != last) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(last - p)));
    if (!eol) eol = last;
    const std::string_view line(p, static_cast<size_t>(eol - p));
    p = eol == last ? last : eol + 1;
    ++lineNo;
    if (lineNo > 1 && isEmptyLine(line)) {
      // Notes after the data are allowed, but rows lost to a stray empty line must show.
      const size_t unread = warnings ? filledLineCount(p, last) : 0;
      if (unread) warnings->push_back(unreadLinesWarning(path, lineNo, unread));
      break;
    }
    Eigen::Index count = 0;
    const bool read = rows == 0 ? parseNumberLine(std::string(line), first, bad)
                                : scanLine(
                                      line,
                                      [&](double v) {
                                        if (count < cols) block(inBlock, count) = v;
                                        ++count;
                                      },
                                      bad);
    if (!read) throw Error(fileError(path, lineNo, "\"" + bad + "\" is not a number"));
    if (rows == 0) count = static_cast<Eigen::Index>(first.size());
    if (count == 0) throw Error(fileError(path, lineNo, "no numbers on the line"));
    if (rows == 0) {
      cols = count;
      x.resize(1 + lineCount(p, last), cols);
      block.resize(kBlockRows, cols);
      block.row(0) = Eigen::Map<const RowVector>(first.data(), cols);
    } else if (count != cols) {
      throw Error(
          fileError(path, lineNo,
                    std::to_string(count) + " numbers where line 1 has " + std::to_string(cols)));
    }
    ++rows;
    if (++inBlock == kBlockRows) flush();
  }
  if (rows == 0) throw Error("Cannot read " + path + ": the file holds no data");
  if (inBlock) flush();
  if (rows < x.rows()) return x.topRows(rows);  // the data ended at an empty line
  return x;
}

}  // namespace tessaly
