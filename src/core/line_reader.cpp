#include "core/line_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tessaly {

std::string_view trimLine(std::string_view s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string_view::npos) return {};
  const size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

LineReader::LineReader(std::string_view text) : text_(text) {
  if (text_.substr(0, kUtf8Bom.size()) == kUtf8Bom) text_.remove_prefix(kUtf8Bom.size());
}

namespace {

// The position of the first c in text from `from` on, or the text's size.
size_t findByte(std::string_view text, size_t from, char c) {
  const void* at = std::memchr(text.data() + from, c, text.size() - from);
  return at ? static_cast<size_t>(static_cast<const char*>(at) - text.data()) : text.size();
}

}  // namespace

// Where the line from pos_ ends. Short lines, the rule, are looked through byte by byte, which
// costs less than a call of memchr; longer ones with memchr.
size_t LineReader::lineEnd() {
  const size_t near = std::min(text_.size(), pos_ + 64);
  for (size_t i = pos_; i < near; ++i)
    if (text_[i] == '\n' || text_[i] == '\r') return i;
  if (near == text_.size()) return near;
  if (!scanned_ || nextLf_ < pos_) nextLf_ = findByte(text_, near, '\n');
  if (!scanned_ || nextCr_ < pos_) nextCr_ = findByte(text_, near, '\r');
  scanned_ = true;
  return std::min(nextLf_, nextCr_);
}

bool LineReader::next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  start_ = pos_;
  const size_t end = lineEnd();
  line = text_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '\n' && (end == pos_ || text_[pos_ - 1] == '\r'))
    ++pos_;
  ++number_;
  return true;
}

bool parseCoordinate(std::string_view word, double& x) {
  const char* first = word.data();
  const char* last = first + word.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, x);
  if (ec == std::errc::result_out_of_range && end == last) {
    x = HUGE_VAL;  // reported as not finite
    return true;
  }
  return ec == std::errc() && end == last;
}

bool isMissingWord(std::string_view word) {
  auto is = [&](std::string_view name) {
    if (word.size() != name.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
      if ((word[i] | 0x20) != name[i]) return false;
    return true;
  };
  return is("na") || is("nan");
}

std::string nameList(const std::vector<std::string>& names, size_t most) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < most; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > most) text += " and " + std::to_string(names.size() - most) + " more";
  return text;
}

}  // namespace tessaly
