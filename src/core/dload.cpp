#include "core/dload.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
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

// A file's bytes, read into a buffer that is not cleared first (a large file is touched once).
struct FileBytes {
  std::unique_ptr<char[]> data;
  size_t size = 0;
};

// The whole file in memory; false when it cannot be opened. A plain file is read in one go into
// a buffer one byte larger than the file; anything else (a pipe) into a buffer that grows.
bool readWholeFile(const std::string& path, FileBytes& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  long size = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    size = std::max(std::ftell(file), 0L);
    std::rewind(file);
  }
  size_t capacity = static_cast<size_t>(size) + 1;
  bytes.data = std::make_unique_for_overwrite<char[]>(capacity);
  while (true) {
    bytes.size += std::fread(bytes.data.get() + bytes.size, 1, capacity - bytes.size, file);
    if (bytes.size < capacity) break;  // the end of the file, or an error
    auto larger = std::make_unique_for_overwrite<char[]>(2 * capacity);
    std::memcpy(larger.get(), bytes.data.get(), bytes.size);
    bytes.data = std::move(larger);
    capacity *= 2;
  }
  std::fclose(file);
  return true;
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

Matrix dload(const std::string& path, bool* opened, std::vector<std::string>* warnings) {
  FileBytes bytes;
  const bool open = readWholeFile(path, bytes);
  if (opened) *opened = open;
  if (!open) return scalar(-1);

  // The numbers go straight into the matrix, sized by line 1 and the count of lines.
  Matrix x;
  Eigen::Index cols = 0, rows = 0;
  size_t lineNo = 0;
  const char* p = bytes.data.get();
  const char* last = p + bytes.size;
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
                                        if (count < cols) x(rows, count) = v;
                                        ++count;
                                      },
                                      bad);
    if (!read) throw Error(fileError(path, lineNo, "\"" + bad + "\" is not a number"));
    if (rows == 0) count = static_cast<Eigen::Index>(first.size());
    if (count == 0) throw Error(fileError(path, lineNo, "no numbers on the line"));
    if (rows == 0) {
      cols = count;
      x.resize(1 + lineCount(p, last), cols);
      x.row(0) = Eigen::Map<const RowVector>(first.data(), cols);
    } else if (count != cols) {
      throw Error(
          fileError(path, lineNo,
                    std::to_string(count) + " numbers where line 1 has " + std::to_string(cols)));
    }
    ++rows;
  }
  if (rows == 0) throw Error("Cannot read " + path + ": the file holds no data");
  if (rows < x.rows()) return x.topRows(rows);  // the data ended at an empty line
  return x;
}

}  // namespace tessaly
