#include "core/tps_lines.h"

#include <algorithm>

#include "core/line_reader.h"

namespace tessaly::tps {

namespace {

bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::optional<Keyword> keywordOf(std::string_view line) {
  line = trimLine(line);
  if (line.empty() || !isLetter(line[0])) return std::nullopt;
  size_t i = 0;
  while (i < line.size() && isNameChar(line[i])) ++i;
  size_t eq = line.find_first_not_of(kBlanks, i);
  if (eq == std::string_view::npos || line[eq] != '=') return std::nullopt;
  Keyword k;
  for (size_t j = 0; j < i; ++j) k.name += upper(line[j]);
  k.value = trimLine(line.substr(eq + 1));
  return k;
}

bool parseCount(std::string_view value, long least, long& n) {
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  return ec == std::errc() && end == value.data() + value.size() && n >= least;
}

bool isTextLine(std::string_view line) {
  line = trimLine(line);
  const std::string_view word = line.substr(0, line.find_first_of(kBlanks));
  const char c = word.empty() ? '0' : word[0];
  if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') return false;
  double x = 0;
  return !parseCoordinate(word, x) && !isMissingWord(word);
}

std::string withoutFolder(std::string_view image) {
  const size_t slash = image.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? image : image.substr(slash + 1));
}

size_t countLmLines(std::string_view text) {
  size_t count = 0;
  forEachLmLine(text, 0, [&count](size_t) { return ++count, true; });
  return count;
}

size_t lineEnds(std::string_view text) {
  if (text.empty()) return 0;
  const char* p = text.data();
  const size_t last = text.size() - 1;
  size_t count = 0;
  // Without branches and counted in bytes, 255 at most at a time, so that the loop is
  // vectorised on the widest lanes.
  for (size_t i = 0; i < last;) {
    const size_t end = std::min(last, i + 255);
    unsigned char ends = 0;
    for (; i < end; ++i)
      ends += static_cast<unsigned char>((p[i] == '\n') | ((p[i] == '\r') & (p[i + 1] != '\n')));
    count += ends;
  }
  return count + (p[last] == '\n' || p[last] == '\r');
}

std::vector<std::string_view> cutAtLmLines(std::string_view text, size_t partBytes) {
  std::vector<std::string_view> parts;
  size_t first = 0, cut = 0;
  do {
    cut = text.size();
    if (text.size() - first > partBytes)
      forEachLmLine(text, first + partBytes, [&cut](size_t start) { return cut = start, false; });
    parts.push_back(text.substr(first, cut - first));
    first = cut;
  } while (cut != text.size());
  return parts;
}

long firstLandmarkCount(std::string_view text) {
  long k = 0;
  forEachLmLine(text, 0, [&](size_t start) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    const std::optional<Keyword> kw = keywordOf(text.substr(start, end - start));
    long n = 0;
    if (!kw || !parseCount(kw->value, 1, n)) return true;
    // More landmarks than the text has bytes cannot be read: the read fails without rows.
    k = static_cast<size_t>(n) <= text.size() ? n : 0;
    return false;
  });
  return k;
}

}  // namespace tessaly::tps
