#include "core/dload.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/bands.h"
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

namespace {

// Rows are parsed a block at a time into row order and then copied into the column-ordered
// matrix, so that the numbers of a row are not written a whole column apart.
constexpr Eigen::Index kBlockRows = 64;
using RowBlock = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// A large file is read in parts of about this many bytes, each ending at a line end, the parts
// on the threads.
constexpr std::size_t kPartBytes = std::size_t{1} << 22;

// Where the lines of a part stop being rows: at an empty line (the end of the data) or at a
// line that is refused. `line` counts the part's lines from 0.
struct PartEnd {
  enum class Kind { None, Empty, Refused };
  Kind kind = Kind::None;
  Eigen::Index line = 0;
  const char* next = nullptr;  // the text after an empty line
  std::string message;         // what was wrong with a refused line
};

// One part of the file, [first, last), from line `firstLine` (0-based) of the data on.
struct Part {
  const char* first = nullptr;
  const char* last = nullptr;
  Eigen::Index firstLine = 0;
  PartEnd end;
};

// The parts after line 1: [first, last) cut after a line end at about every kPartBytes.
std::vector<Part> splitIntoParts(const char* first, const char* last) {
  std::vector<Part> parts;
  while (first != last) {
    const char* cut = last;
    if (static_cast<std::size_t>(last - first) > kPartBytes) {
      const char* eol = static_cast<const char*>(
          std::memchr(first + kPartBytes, '\n', static_cast<size_t>(last - first - kPartBytes)));
      cut = eol ? eol + 1 : last;
    }
    parts.push_back({first, cut, 0, {}});
    first = cut;
  }
  return parts;
}

// Parses the lines of a part into rows firstLine + 1 on of x (row 0 is line 1), stopping at
// the part's first empty or refused line.
void readPart(Part& part, Matrix& x) {
  const Eigen::Index cols = x.cols();
  RowBlock block(kBlockRows, cols);
  Eigen::Index rows = 0, inBlock = 0;
  auto flush = [&] {
    x.middleRows(1 + part.firstLine + rows - inBlock, inBlock) = block.topRows(inBlock);
    inBlock = 0;
  };
  std::string bad;
  for (const char* p = part.first; p != part.last;) {
    const char* eol =
        static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(part.last - p)));
    if (!eol) eol = part.last;
    const std::string_view line(p, static_cast<size_t>(eol - p));
    p = eol == part.last ? part.last : eol + 1;
    PartEnd& end = part.end;
    end.line = rows;
    if (isEmptyLine(line)) {
      end.kind = PartEnd::Kind::Empty;
      end.next = p;
      break;
    }
    Eigen::Index count = 0;
    const bool read = scanLine(
        line,
        [&](double v) {
          if (count < cols) block(inBlock, count) = v;
          ++count;
        },
        bad);
    end.kind = PartEnd::Kind::Refused;
    if (!read) {
      end.message = "\"" + bad + "\" is not a number";
      break;
    }
    if (count == 0) {
      end.message = "no numbers on the line";
      break;
    }
    if (count != cols) {
      end.message = std::to_string(count) + " numbers where line 1 has " + std::to_string(cols);
      break;
    }
    end.kind = PartEnd::Kind::None;
    ++rows;
    if (++inBlock == kBlockRows) flush();
  }
  if (inBlock) flush();
}

}  // namespace

Matrix dload(const std::string& path, bool* opened, std::vector<std::string>* warnings) {
  FileBytes bytes;
  const bool open = bytes.open(path);
  if (opened) *opened = open;
  if (!open) return scalar(-1);
  return dloadText(bytes.text(), path, warnings);
}

Matrix dloadText(std::string_view text, const std::string& path,
                 std::vector<std::string>* warnings) {
  if (text.empty()) throw Error("Cannot read " + path + ": the file holds no data");
  // Line 1 sets the count of numbers of every row.
  const char* last = text.data() + text.size();
  const char* eol = static_cast<const char*>(std::memchr(text.data(), '\n', text.size()));
  if (!eol) eol = last;
  std::string bad;
  std::vector<double> first;
  if (!parseNumberLine(std::string(text.data(), eol), first, bad))
    throw Error(fileError(path, 1, "\"" + bad + "\" is not a number"));
  if (first.empty()) throw Error(fileError(path, 1, "no numbers on the line"));
  const char* rest = eol == last ? last : eol + 1;

  // The matrix is sized by the count of lines; each part, its first line known from the counts
  // of the parts before it, writes its own rows.
  std::vector<Part> parts = splitIntoParts(rest, last);
  const auto partCount = static_cast<Eigen::Index>(parts.size());
  std::vector<Eigen::Index> partLines(parts.size());
  forEachBand(partCount, 1, [&](Eigen::Index b, Eigen::Index, Eigen::Index) {
    const Part& part = parts[static_cast<size_t>(b)];
    partLines[static_cast<size_t>(b)] = lineCount(part.first, part.last);
  });
  Eigen::Index lines = 0;
  for (size_t b = 0; b < parts.size(); ++b) {
    parts[b].firstLine = lines;
    lines += partLines[b];
  }
  Matrix x(1 + lines, static_cast<Eigen::Index>(first.size()));
  x.row(0) = Eigen::Map<const RowVector>(first.data(), x.cols());
  forEachBand(partCount, 1, [&](Eigen::Index b, Eigen::Index, Eigen::Index) {
    readPart(parts[static_cast<size_t>(b)], x);
  });

  // The data end at the first part that stopped early, as a reading line by line would.
  for (const Part& part : parts) {
    const size_t lineNo = static_cast<size_t>(2 + part.firstLine + part.end.line);
    if (part.end.kind == PartEnd::Kind::Refused)
      throw Error(fileError(path, lineNo, part.end.message));
    if (part.end.kind != PartEnd::Kind::Empty) continue;
    // Notes after the data are allowed, but rows lost to a stray empty line must show.
    const size_t unread = warnings ? filledLineCount(part.end.next, last) : 0;
    if (unread) warnings->push_back(unreadLinesWarning(path, lineNo, unread));
    return x.topRows(static_cast<Eigen::Index>(lineNo) - 1);
  }
  return x;
}

}  // namespace tessaly
