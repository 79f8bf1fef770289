#pragma once
// Pieces shared by the readers of landmark text files (TPS, NTS): lines at any line end,
// trimming, numbers in the C locale and the words that mark a missing landmark.
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The text without blanks, tabs and line ends around it.
std::string_view trimLine(std::string_view s);

// Splits text into lines at LF, CR LF or a lone CR; a leading byte order mark is skipped.
class LineReader {
 public:
  explicit LineReader(std::string_view text);
  bool next(std::string_view& line);
  size_t number() const { return number_; }
  // Where the line read last starts.
  size_t start() const { return start_; }
  // The text from the start of the next line on, for a caller that reads a line where it
  // stands; pass(size) then counts that line, `size` bytes with its line end.
  std::string_view rest() const { return text_.substr(pos_); }
  void pass(size_t size) {
    start_ = pos_;
    pos_ += size;
    ++number_;
  }

 private:
  size_t lineEnd();

  std::string_view text_;
  size_t pos_ = 0;
  size_t start_ = 0;
  size_t number_ = 0;
  // The next LF and the next CR at or after pos_ (the text's size when there is none), found
  // with memchr and kept until passed, so that each byte is looked at about once.
  size_t nextLf_ = 0, nextCr_ = 0;
  bool scanned_ = false;
};

// A whole word as a number; "+" allowed in front; a number beyond the range of a double is read
// as infinite (and then refused as not finite by the caller).
bool parseCoordinate(std::string_view word, double& x);

// NA or NaN in any letter case: a landmark coordinate that was not digitised.
bool isMissingWord(std::string_view word);

// "a, b, c" of at most `most` names, then "and n more".
std::string nameList(const std::vector<std::string>& names, size_t most = 20);

}  // namespace tessaly
