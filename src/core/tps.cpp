#include "core/tps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

#include "core/dload.h"
#include "core/error.h"

namespace tessaly {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// At most this many specimens are named in the warning about a missing SCALE.
constexpr size_t kNamedInWarning = 20;

std::string_view trim(std::string_view s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string_view::npos) return {};
  const size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A keyword line "NAME = value": the name in upper case and the value without blanks around
// it. Nothing when the line does not start with a name followed by "=".
struct Keyword {
  std::string name;
  std::string_view value;
};

std::optional<Keyword> keywordOf(std::string_view line) {
  line = trim(line);
  if (line.empty() || !isLetter(line[0])) return std::nullopt;
  size_t i = 0;
  while (i < line.size() && isNameChar(line[i])) ++i;
  size_t eq = line.find_first_not_of(kBlanks, i);
  if (eq == std::string_view::npos || line[eq] != '=') return std::nullopt;
  Keyword k;
  for (size_t j = 0; j < i; ++j) k.name += upper(line[j]);
  k.value = trim(line.substr(eq + 1));
  return k;
}

// Splits text into lines at LF, CR LF or a lone CR.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {
    if (text_.substr(0, kUtf8Bom.size()) == kUtf8Bom) text_.remove_prefix(kUtf8Bom.size());
  }
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    start_ = pos_;
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (end == pos_ || text_[pos_ - 1] == '\r'))
      ++pos_;
    ++number_;
    return true;
  }
  size_t number() const { return number_; }
  // Where the line read last starts.
  size_t start() const { return start_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t start_ = 0;
  size_t number_ = 0;
};

bool parseDouble(std::string_view word, double& x) {
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

// A whole number of at least `least` written as the value of a keyword.
bool parseCount(std::string_view value, long least, long& n) {
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  return ec == std::errc() && end == value.data() + value.size() && n >= least;
}

// What is known of the specimen being read, for its row and for messages.
struct Specimen {
  size_t number = 0;  // 1-based
  long k = 0;
  std::vector<double> xy;
  std::string id, image;
  double scale = 1;
  bool hasScale = false;
  long pointsLeft = 0;  // curve points still to skip
  long pointsOfCurve = 0;
};

class TpsParser {
 public:
  TpsParser(std::string_view text, const std::string& path)
      : text_(text), lines_(text), path_(path) {}

  TpsData run() {
    std::string_view line;
    while (lines_.next(line)) readLine(line);
    if (current_.number != 0) {
      if (landmarksMissing())
        fail(formatCount("the file ends after %1 of its %2 landmarks", current_.xy.size() / 2,
                         current_.k));
      if (current_.pointsLeft > 0)
        fail(formatCount("the file ends after %1 of the %2 points of a curve",
                         static_cast<size_t>(current_.pointsOfCurve - current_.pointsLeft),
                         current_.pointsOfCurve));
      finishSpecimen();
    }
    return finish();
  }

 private:
  bool landmarksMissing() const { return current_.xy.size() < 2 * static_cast<size_t>(current_.k); }

  void readLine(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return;
    // Keywords start with a letter; landmark lines (the bulk of a file) do not.
    if (isLetter(line[first])) {
      if (auto kw = keywordOf(line)) {
        readKeyword(*kw);
        return;
      }
    }
    if (current_.number == 0) fail("a line of numbers before the first LM=");
    if (landmarksMissing()) {
      readLandmark(line);
    } else if (current_.pointsLeft > 0) {
      --current_.pointsLeft;
      ++skippedPoints_;
    } else {
      fail(formatCount("more landmark lines than the %1 of its LM=", size_t(current_.k), 0));
    }
  }

  void readKeyword(const Keyword& kw) {
    if (kw.name == "LM3")
      fail(
          "LM3= marks three-dimensional landmarks; Tessaly analyses two-dimensional landmarks "
          "only");
    if (kw.name == "LM") {
      startSpecimen(kw.value);
      return;
    }
    if (current_.number == 0) fail("the keyword " + kw.name + "= comes before the first LM=");
    if (landmarksMissing())
      fail(formatCount("its landmark block ends after %1 of its %2 landmarks",
                       current_.xy.size() / 2, current_.k));
    if (current_.pointsLeft > 0)
      fail(formatCount("a curve ends after %1 of its %2 points",
                       static_cast<size_t>(current_.pointsOfCurve - current_.pointsLeft),
                       current_.pointsOfCurve));
    if (kw.name == "ID") {
      current_.id = std::string(kw.value);
    } else if (kw.name == "IMAGE") {
      current_.image = std::string(kw.value);
    } else if (kw.name == "COMMENT" || kw.name == "VARIABLES") {
      // kept by digitising programs for their own use
    } else if (kw.name == "SCALE") {
      readScale(kw.value);
    } else if (kw.name == "CURVES") {
      long c = 0;
      if (!parseCount(kw.value, 0, c))
        fail("CURVES= must give a whole number of curves, not \"" + std::string(kw.value) + "\"");
    } else if (kw.name == "POINTS") {
      long p = 0;
      if (!parseCount(kw.value, 0, p))
        fail("POINTS= must give a whole number of points, not \"" + std::string(kw.value) + "\"");
      current_.pointsLeft = current_.pointsOfCurve = p;
    } else {
      fail("the keyword " + kw.name + "= is not one that Tessaly reads");
    }
  }

  void readScale(std::string_view value) {
    if (value.empty()) return;  // an empty SCALE means 1
    double s = 0;
    if (!parseDouble(value, s) || !std::isfinite(s) || !(s > 0))
      fail("SCALE= must be a positive number, not \"" + std::string(value) + "\"");
    current_.scale = s;
    current_.hasScale = true;
  }

  void startSpecimen(std::string_view value) {
    if (current_.number != 0) finishSpecimen();
    current_ = Specimen{};
    current_.number = ++count_;
    current_.xy.reserve(2 * static_cast<size_t>(std::max(k_, 0L)));
    long k = 0;
    if (!parseCount(value, 1, k))
      fail("LM= must give a whole number of landmarks, not \"" + std::string(value) + "\"");
    if (k_ != 0 && k != k_)
      fail(formatCount("it has %1 landmarks where the specimens before it have %2", size_t(k), k_));
    k_ = current_.k = k;
    if (rows_.empty()) rows_.reserve(text_.size() / 8);
  }

  void readLandmark(std::string_view line) {
    double xy[2];
    size_t n = 0, pos = 0;
    const size_t size = line.size();
    while (true) {
      while (pos < size && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
      if (pos == size) break;
      size_t end = pos;
      while (end < size && line[end] != ' ' && line[end] != '\t') ++end;
      std::string_view word = line.substr(pos, end - pos);
      double x = 0;
      if (!parseDouble(word, x)) fail(notANumber(word));
      if (!std::isfinite(x)) fail("\"" + std::string(word) + "\" is not a finite number");
      if (n < 2) xy[n] = x;
      ++n;
      pos = end;
    }
    if (n != 2)
      fail(formatCount("a landmark line holds %1 numbers where it must hold two (x y)", n, 2));
    current_.xy.push_back(xy[0]);
    current_.xy.push_back(xy[1]);
  }

  static std::string notANumber(std::string_view word) {
    std::string text = "\"" + std::string(word) + "\" is not a number";
    std::string u;
    for (char c : word) u += upper(c);
    if (u == "NA")
      text += " (missing landmarks are not estimated: complete the specimen or leave it out)";
    return text;
  }

  void finishSpecimen() {
    Specimen& s = current_;
    const size_t k = static_cast<size_t>(s.k);
    double cx = 0, cy = 0;
    for (size_t j = 0; j < k; ++j) {
      if (s.hasScale) s.xy[2 * j] *= s.scale, s.xy[2 * j + 1] *= s.scale;
      cx += s.xy[2 * j];
      cy += s.xy[2 * j + 1];
    }
    cx /= static_cast<double>(k);
    cy /= static_cast<double>(k);
    double ss = 0;
    for (size_t j = 0; j < k; ++j) {
      const double dx = s.xy[2 * j] - cx, dy = s.xy[2 * j + 1] - cy;
      ss += dx * dx + dy * dy;
    }
    rows_.insert(rows_.end(), s.xy.begin(), s.xy.end());
    rows_.push_back(std::sqrt(ss));
    labels_.push_back(!s.id.empty() ? s.id : s.image);
    if (s.hasScale)
      ++scaled_;
    else
      unscaled_.push_back(who(s));
  }

  TpsData finish() {
    TpsData out;
    const Eigen::Index n = static_cast<Eigen::Index>(count_), cols = 2 * k_ + 1;
    out.rows =
        Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
            rows_.data(), n, cols);
    out.labels = std::move(labels_);
    if (scaled_ > 0 && !unscaled_.empty()) out.warnings.push_back(scaleWarning());
    if (skippedPoints_ > 0)
      out.warnings.push_back(path_ + ": " + std::to_string(skippedPoints_) +
                             " curve points (POINTS= blocks) were skipped; only the landmarks "
                             "are read");
    return out;
  }

  std::string scaleWarning() const {
    std::string names;
    for (size_t i = 0; i < unscaled_.size() && i < kNamedInWarning; ++i)
      names += (i ? ", " : "") + unscaled_[i];
    if (unscaled_.size() > kNamedInWarning)
      names += " and " + std::to_string(unscaled_.size() - kNamedInWarning) + " more";
    return path_ + ": " + std::to_string(unscaled_.size()) + " of " + std::to_string(count_) +
           " specimens have no SCALE= and are taken at scale 1: " + names;
  }

  static std::string who(const Specimen& s) {
    std::string text = "specimen " + std::to_string(s.number);
    if (!s.id.empty()) text += " (ID " + s.id + ")";
    return text;
  }

  // The ID of the specimen being read, looked for from the current line up to the next LM=
  // when it is not read yet.
  std::string idAhead() const {
    if (!current_.id.empty() || current_.number == 0) return current_.id;
    LineReader ahead(text_.substr(lines_.start()));
    std::string_view line;
    bool first = true;
    while (ahead.next(line)) {
      auto kw = keywordOf(line);
      const bool current = std::exchange(first, false);
      if (!kw) continue;
      if ((kw->name == "LM" || kw->name == "LM3") && !current) break;
      if (kw->name == "ID") return std::string(kw->value);
    }
    return {};
  }

  [[noreturn]] void fail(const std::string& what) const {
    std::string where = "Cannot read " + path_ + ", line " + std::to_string(lines_.number()) + ": ";
    if (current_.number != 0) {
      Specimen s;
      s.number = current_.number;
      s.id = idAhead();
      where += who(s) + ": ";
    }
    throw Error(where + what);
  }

  static std::string formatCount(std::string text, size_t a, long b) {
    auto put = [&text](const std::string& mark, const std::string& value) {
      const size_t at = text.find(mark);
      if (at != std::string::npos) text.replace(at, mark.size(), value);
    };
    put("%1", std::to_string(a));
    put("%2", std::to_string(b));
    return text;
  }

  std::string_view text_;
  LineReader lines_;
  std::string path_;
  Specimen current_;
  size_t count_ = 0;
  long k_ = 0;
  std::vector<double> rows_;
  std::vector<std::string> labels_;
  size_t scaled_ = 0;
  std::vector<std::string> unscaled_;
  size_t skippedPoints_ = 0;
};

// The first line of a file that is not blank (at most 4096 characters of it).
std::string firstLine(const std::string& path, bool& opened) {
  std::ifstream in(path, std::ios::binary);
  opened = static_cast<bool>(in);
  std::string line;
  char c = 0;
  while (line.size() < 4096 && in.get(c)) {
    const bool end = c == '\r' || c == '\n';
    if (end && !trim(line).empty() && line != kUtf8Bom) break;
    if (!end) line += c;
  }
  if (line.substr(0, kUtf8Bom.size()) == kUtf8Bom) line.erase(0, kUtf8Bom.size());
  return line;
}

}  // namespace

bool isTpsText(std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    if (trim(line).empty()) continue;
    auto kw = keywordOf(line);
    return kw && (kw->name == "LM" || kw->name == "LM3");
  }
  return false;
}

TpsData parseTps(std::string_view text, const std::string& path) {
  return TpsParser(text, path).run();
}

bool readWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) {
    text.resize(static_cast<size_t>(size));
    in.read(text.data(), size);
    text.resize(static_cast<size_t>(in.gcount()));
  } else {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return true;
}

TpsData readLandmarkFile(const std::string& path, bool* opened) {
  bool ok = true;
  const std::string start = firstLine(path, ok);
  if (ok && isTpsText(start)) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (in) {
      // Read in one piece into memory that is not cleared first: large files are the rule.
      const std::streamoff size = std::max<std::streamoff>(in.tellg(), 0);
      in.seekg(0, std::ios::beg);
      auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(size) + 1);
      in.read(buffer.get(), size);
      if (opened) *opened = true;
      return parseTps(std::string_view(buffer.get(), static_cast<size_t>(in.gcount())), path);
    }
  }
  TpsData out;
  out.rows = dload(path, opened, &out.warnings);
  return out;
}

std::string numericText(const Matrix& rows) {
  std::string text;
  char buffer[32];
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    for (Eigen::Index j = 0; j < rows.cols(); ++j) {
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, rows(i, j));
      if (j) text += ' ';
      text.append(buffer, end);
    }
    text += '\n';
  }
  return text;
}

}  // namespace tessaly
