#pragma once
// The lines of a TPS file as its reader sees them: keyword lines, plain landmark lines (read
// where they lie, the bulk of a file) and the LM= lines at which a large file is cut into parts
// that are read side by side.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::tps {

inline constexpr std::string_view kBlanks = " \t";

inline char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// A keyword line "NAME = value": the name in upper case and the value without blanks around
// it. Nothing when the line does not start with a name followed by "=".
struct Keyword {
  std::string name;
  std::string_view value;
};

std::optional<Keyword> keywordOf(std::string_view line);

// A whole number of at least `least` written as the value of a keyword.
bool parseCount(std::string_view value, long least, long& n);

// A line of text where a landmark line could stand: its first word is no number and no mark
// of a missing value, and it does not start as a number does.
bool isTextLine(std::string_view line);

// The file name of an IMAGE= value, without its folder (either kind of separator).
std::string withoutFolder(std::string_view image);

// A finite number at p, read as parseCoordinate reads a word ('+' allowed in front), that a
// blank or the line's end follows; nullptr when there is none.
inline const char* finiteNumber(const char* p, const char* end, double& x) {
  if (p != end && *p == '+') ++p;
  const auto [after, ec] = std::from_chars(p, end, x);
  if (ec != std::errc() || !std::isfinite(x)) return nullptr;
  if (after != end && !isBlank(*after) && *after != '\n' && *after != '\r') return nullptr;
  return after;
}

// The size of a plain landmark line "x y" at the start of text, its line end included, with
// its two numbers in xy; 0 for any other line, which the general reading then takes (and
// refuses with its message where it must). The bulk of a file is read here, where it lies.
inline size_t plainLandmarkLine(std::string_view text, double xy[2]) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p != end && isBlank(*p)) ++p;
  p = finiteNumber(p, end, xy[0]);
  if (!p || p == end || !isBlank(*p)) return 0;
  while (p != end && isBlank(*p)) ++p;
  p = finiteNumber(p, end, xy[1]);
  if (!p) return 0;
  while (p != end && isBlank(*p)) ++p;
  if (p != end && *p == '\r')
    ++p;
  else if (p != end && *p != '\n')
    return 0;
  if (p != end && *p == '\n') ++p;
  return static_cast<size_t>(p - text.data());
}

// Calls f(start) with where each LM= line of text that starts at `from` or later starts, in
// file order, until f returns false: each "=" whose line holds only blanks and LM before it, as
// keywordOf reads the line. Found with memchr, so it costs little beside the reading.
template <typename F>
void forEachLmLine(std::string_view text, size_t from, F f) {
  for (size_t at = text.find('=', from); at != std::string_view::npos;
       at = text.find('=', at + 1)) {
    size_t i = at;
    while (i > from && isBlank(text[i - 1])) --i;
    if (i < from + 2 || upper(text[i - 1]) != 'M' || upper(text[i - 2]) != 'L') continue;
    i -= 2;
    while (i > from && isBlank(text[i - 1])) --i;
    if ((i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r') && !f(i)) return;
  }
}

// The LM= lines of the text, as forEachLmLine finds them.
size_t countLmLines(std::string_view text);

// The lines of a text that ends at a line end, counted as LineReader counts them: LF, CR LF
// and a lone CR each end one.
size_t lineEnds(std::string_view text);

// A large text cut into parts of at least partBytes, each but the first starting at an LM=
// line, so that every part holds whole specimens.
std::vector<std::string_view> cutAtLmLines(std::string_view text, size_t partBytes);

// The landmark count of the first specimen in the text that has landmarks; 0 when none has.
long firstLandmarkCount(std::string_view text);

}  // namespace tessaly::tps
