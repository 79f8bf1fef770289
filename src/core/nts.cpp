// The NTS matrix file. Its specimens are written out as the blocks of a TPS text and read by
// the TPS reader, so that both kinds of file are checked and left out alike.
#include <charconv>
#include <cmath>

#include "core/error.h"
#include "core/line_reader.h"
#include "core/text.h"
#include "core/tps.h"

namespace tessaly {

namespace {

// The words of the file after its comment lines (those that start with a double quote), each
// with the line it stands on.
struct Word {
  std::string_view text;
  size_t line;
};

std::vector<Word> wordsOf(std::string_view text) {
  std::vector<Word> words;
  LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    line = trimLine(line);
    if (line.empty() || line[0] == '"') continue;
    size_t pos = 0;
    while (pos < line.size()) {
      pos = line.find_first_not_of(" \t,", pos);
      if (pos == std::string_view::npos) break;
      const size_t end = std::min(line.find_first_of(" \t,", pos), line.size());
      words.push_back({line.substr(pos, end - pos), lines.number()});
      pos = end;
    }
  }
  return words;
}

// A count of the header with an optional L after it (labels follow).
bool headerCount(std::string_view word, size_t& n, bool& labelled) {
  labelled = !word.empty() && (word.back() == 'L' || word.back() == 'l');
  if (labelled) word.remove_suffix(1);
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), n);
  return ec == std::errc() && end == word.data() + word.size();
}

bool isDim(std::string_view word, std::string_view& value) {
  if (word.size() < 4 || lowercase(word.substr(0, 4)) != "dim=") return false;
  value = word.substr(4);
  return true;
}

class NtsReader {
 public:
  NtsReader(std::string_view text, const std::string& path) : words_(wordsOf(text)), path_(path) {}

  // The specimens as TPS text: one LM= block each, with its row label as ID.
  std::string tpsText() {
    readHeader();
    std::vector<std::string> rowLabels = labels(rowsLabelled_ ? rows_ : 0);
    labels(colsLabelled_ ? cols_ : 0);
    valuesStart_ = at_;
    const bool oneLandmarkARow = cols_ == 2;
    if (!oneLandmarkARow && cols_ % 2 != 0)
      fail(words_.empty() ? 1 : words_.front().line,
           std::to_string(cols_) + " columns cannot be x y pairs of landmarks");
    const size_t specimens = oneLandmarkARow ? 1 : rows_;
    const size_t k = oneLandmarkARow ? rows_ : cols_ / 2;
    std::string text;
    for (size_t i = 0; i < specimens; ++i) {
      text += "LM=" + std::to_string(k) + "\n";
      for (size_t j = 0; j < 2 * k; ++j) text += coordinate() + (j % 2 ? "\n" : " ");
      if (!oneLandmarkARow && i < rowLabels.size()) text += "ID=" + rowLabels[i] + "\n";
    }
    if (at_ < words_.size())
      fail(words_[at_].line, "more values than the " + std::to_string(rows_ * cols_) +
                                 " of its header (" + std::to_string(rows_) + " rows of " +
                                 std::to_string(cols_) + ")");
    return text;
  }

 private:
  void readHeader() {
    if (words_.size() < 4) fail(1, "the header must be \"1 N C 0\" (type, rows, columns, missing)");
    const size_t line = words_[0].line;
    size_t type = 0, missing = 0;
    bool labelled = false;
    if (!headerCount(words_[0].text, type, labelled) || type != 1 || labelled ||
        !headerCount(words_[1].text, rows_, rowsLabelled_) ||
        !headerCount(words_[2].text, cols_, colsLabelled_) ||
        !headerCount(words_[3].text, missing, labelled) || labelled || rows_ == 0 || cols_ == 0)
      fail(line, "the header must be \"1 N C 0\" (type 1, rows, columns, missing), not \"" +
                     headerText() + "\"");
    at_ = 4;
    if (missing != 0) {
      if (at_ >= words_.size() || !parseCoordinate(words_[at_].text, missingValue_))
        fail(line, "a header with missing values must give the value that marks them");
      hasMissingValue_ = true;
      ++at_;
    }
    std::string_view dim;
    if (at_ < words_.size() && words_[at_].line == line && isDim(words_[at_].text, dim)) {
      if (dim == "3")
        fail(line,
             "dim=3 marks three-dimensional landmarks; Tessaly analyses two-dimensional "
             "landmarks only");
      if (dim != "2") fail(line, "dim= must be 2, not \"" + std::string(dim) + "\"");
      ++at_;
    }
  }

  std::string headerText() const {
    std::string text;
    for (size_t i = 0; i < words_.size() && words_[i].line == words_[0].line; ++i)
      text += (i ? " " : "") + std::string(words_[i].text);
    return text;
  }

  std::vector<std::string> labels(size_t n) {
    std::vector<std::string> out;
    for (size_t i = 0; i < n; ++i) {
      if (at_ >= words_.size()) fail(lastLine(), "the file ends within its labels");
      out.emplace_back(words_[at_++].text);
    }
    return out;
  }

  // The next value as TPS text: its shortest exact form, or NA when it is missing.
  std::string coordinate() {
    if (at_ >= words_.size())
      fail(lastLine(), "the file ends after " + std::to_string(at_ - valuesStart_) + " of the " +
                           std::to_string(rows_ * cols_) + " values of its header");
    const Word& w = words_[at_++];
    double x = 0;
    if (isMissingWord(w.text)) return "NA";
    if (!parseCoordinate(w.text, x))
      fail(w.line, "\"" + std::string(w.text) + "\" is not a number");
    if (!std::isfinite(x)) fail(w.line, "\"" + std::string(w.text) + "\" is not a finite number");
    if (hasMissingValue_ && x == missingValue_) return "NA";
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, end);
  }

  size_t lastLine() const { return words_.empty() ? 1 : words_.back().line; }

  [[noreturn]] void fail(size_t line, const std::string& what) const {
    throw Error("Cannot read " + path_ + ", line " + std::to_string(line) + ": " + what);
  }

  std::vector<Word> words_;
  std::string path_;
  size_t at_ = 0, valuesStart_ = 0;
  size_t rows_ = 0, cols_ = 0;
  bool rowsLabelled_ = false, colsLabelled_ = false;
  bool hasMissingValue_ = false;
  double missingValue_ = 0;
};

}  // namespace

bool isNtsText(std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    line = trimLine(line);
    if (line.empty()) continue;
    if (line[0] == '"') return true;
    const std::string lower = lowercase(line);
    return lower.substr(0, 2) == "1 " && lower.find_first_of("l=") != std::string::npos;
  }
  return false;
}

TpsData parseNts(std::string_view text, const std::string& path, const LandmarkOptions& options) {
  return parseTps(NtsReader(text, path).tpsText(), path, options);
}

}  // namespace tessaly
