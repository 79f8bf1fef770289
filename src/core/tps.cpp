#include "core/tps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <map>
#include <optional>
#include <span>
#include <utility>

#include "core/bands.h"
#include "core/error.h"
#include "core/line_reader.h"

namespace tessaly {

namespace {

constexpr std::string_view kBlanks = " \t";

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

// A whole number of at least `least` written as the value of a keyword.
bool parseCount(std::string_view value, long least, long& n) {
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  return ec == std::errc() && end == value.data() + value.size() && n >= least;
}

// A line of text where a landmark line could stand: its first word is no number and no mark
// of a missing value, and it does not start as a number does.
bool isTextLine(std::string_view line) {
  line = trimLine(line);
  const std::string_view word = line.substr(0, line.find_first_of(kBlanks));
  const char c = word.empty() ? '0' : word[0];
  if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') return false;
  double x = 0;
  return !parseCoordinate(word, x) && !isMissingWord(word);
}

// The file name of an IMAGE= value, without its folder (either kind of separator).
std::string withoutFolder(std::string_view image) {
  const size_t slash = image.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? image : image.substr(slash + 1));
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// A finite number at p, read as parseCoordinate reads a word ('+' allowed in front), that a
// blank or the line's end follows; nullptr when there is none.
const char* finiteNumber(const char* p, const char* end, double& x) {
  if (p != end && *p == '+') ++p;
  const auto [after, ec] = std::from_chars(p, end, x);
  if (ec != std::errc() || !std::isfinite(x)) return nullptr;
  if (after != end && !isBlank(*after) && *after != '\n' && *after != '\r') return nullptr;
  return after;
}

// The size of a plain landmark line "x y" at the start of text, its line end included, with
// its two numbers in xy; 0 for any other line, which the general reading then takes (and
// refuses with its message where it must). The bulk of a file is read here, where it lies.
size_t plainLandmarkLine(std::string_view text, double xy[2]) {
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

size_t countLmLines(std::string_view text) {
  size_t count = 0;
  forEachLmLine(text, 0, [&count](size_t) { return ++count, true; });
  return count;
}

// The lines of a text that ends at a line end, counted as LineReader counts them: LF, CR LF
// and a lone CR each end one.
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

// A large text cut into parts of at least partBytes, each but the first starting at an LM=
// line, so that every part holds whole specimens.
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

// The landmark count of the first specimen in the text that has landmarks; 0 when none has.
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

// A run of entries in one of the parser's stores that all specimens share.
struct Run {
  size_t first = 0, size = 0;
};

// What is known of one specimen, for its row and for messages: a record of fixed size. Its
// ID and image name lie in the parser's buffer of names, its coordinates (the landmarks, then
// the points of its curves, scaled) in row `at` of the parser's rows or, when they do not fit
// there, in its flat store from `at` on.
struct Specimen {
  size_t number = 0;  // 1-based
  long k = 0;
  size_t read = 0;  // coordinate pairs read (landmarks and curve points)
  size_t at = 0;
  bool inRows = false;
  bool hasScale = false;
  bool degenerate = false;  // its landmarks all coincide
  double scale = 1;
  double size = 0;  // the centroid size of its points
  Run id, image;
  Run curves;   // the points read of each curve
  Run missing;  // the 0-based landmarks that are missing
};

std::string who(size_t number, std::string_view id) {
  std::string text = "specimen " + std::to_string(number);
  if (!id.empty()) text += " (ID " + std::string(id) + ")";
  return text;
}

std::string formatCount(std::string text, size_t a, long b) {
  auto put = [&text](const std::string& mark, const std::string& value) {
    const size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), value);
  };
  put("%1", std::to_string(a));
  put("%2", std::to_string(b));
  return text;
}

// The centroid size of the first k landmarks of xy.
double centroidSize(const double* xy, size_t k) {
  double cx = 0, cy = 0;
  for (size_t j = 0; j < k; ++j) cx += xy[2 * j], cy += xy[2 * j + 1];
  cx /= static_cast<double>(k);
  cy /= static_cast<double>(k);
  double ss = 0;
  for (size_t j = 0; j < k; ++j) {
    const double dx = xy[2 * j] - cx, dy = xy[2 * j + 1] - cy;
    ss += dx * dx + dy * dy;
  }
  return std::sqrt(ss);
}

// True when the present landmarks of xy (k of them) all lie on one point.
bool allCoincide(const double* xy, size_t k) {
  bool first = true;
  double x0 = 0, y0 = 0;
  for (size_t j = 0; j < k; ++j) {
    const double x = xy[2 * j], y = xy[2 * j + 1];
    if (std::isnan(x) || std::isnan(y)) continue;
    if (first) {
      x0 = x, y0 = y, first = false;
    } else if (x != x0 || y != y0) {
      return false;
    }
  }
  return true;
}

// A part refused at one of its lines, counted from the part's start: the file's line number is
// known only when the lines of the parts before are counted, which a reading that succeeds
// never needs.
struct PartFailure {
  size_t line;
  std::string what;
};

// The configuration rows that the parts fill: row i for specimen i + 1 when it has k landmarks.
// They are sized by the count of LM= lines and the landmark count of the first specimen, so
// that a file of specimens alike (the rule) is read into them directly. They are not used
// (k 0, no rows) for curve points (their count is known only when a block ends) nor when they
// would take more than 8 bytes for each byte of the file.
struct SharedRows {
  Matrix rows;
  long k = 0;
  SharedRows(std::string_view text, size_t specimens, const LandmarkOptions& options) {
    const long first = firstLandmarkCount(text);
    const auto cols = static_cast<size_t>(2 * first + 1);
    if (first == 0 || options.curves != LandmarkOptions::Curves::Skip ||
        specimens > text.size() / cols)
      return;
    k = first;
    rows.resize(static_cast<Eigen::Index>(specimens), static_cast<Eigen::Index>(cols));
  }
};

class TpsParser {
 public:
  // The parser of the part `text` of the file, which holds `specimens` LM= lines and follows
  // `before` of them.
  TpsParser(std::string_view text, const std::string& path, const LandmarkOptions& options,
            size_t before, size_t specimens, SharedRows& rows)
      : text_(text), lines_(text), path_(path), options_(options), count_(before), rows_(&rows) {
    specimens_.emplace_back().reserve(specimens);
    if (rows.k > 0) band_.resize(kBand, rows.rows.cols());
  }

  // Reads the part's lines; the specimen read last ends with the part, at the file's end
  // (`last`) or at the LM= line that starts the next part.
  void read(bool last) {
    std::string_view line;
    while (true) {
      while (landmarksMissing() && readPlainLandmark()) {
      }
      if (!lines_.next(line)) break;
      readLine(line);
    }
    if (current_.number != 0) {
      if (last) {
        fileEnds();
      } else {
        ++lineAfter_;  // the checks of the next LM= line, at that line
        blockEnds(false);
      }
      finishSpecimen();
    }
    flushBand();
  }

  // The specimens of the parts after this one, in file order, joined to its own. Their
  // records stay where their parts made them (a copy of them all would cost more than the
  // rest of the join); the stores they point into are joined.
  void join(std::span<TpsParser> after) {
    size_t names = names_.size();
    for (const TpsParser& p : after) names += p.names_.size();
    names_.reserve(names);
    for (TpsParser& p : after) append(p);
  }

 private:
  bool landmarksMissing() const { return current_.read < static_cast<size_t>(current_.k); }

  void fileEnds() const {
    if (landmarksMissing())
      fail(formatCount("the file ends after %1 of its %2 landmarks", current_.read, current_.k));
    if (pointsLeft_ > 0)
      fail(formatCount("the file ends after %1 of the %2 points of a curve",
                       static_cast<size_t>(pointsOfCurve_ - pointsLeft_), pointsOfCurve_));
  }

  // A block cut short, by the next LM= too, is named as the specimen it belongs to.
  void blockEnds(bool ahead) const {
    if (landmarksMissing())
      fail(formatCount("its landmark block ends after %1 of its %2 landmarks", current_.read,
                       current_.k),
           ahead);
  }

  // Another part's stores after this one's, its records pointing into them.
  void append(TpsParser& p) {
    for (Specimen& s : p.specimens_.front()) {
      s.id.first += names_.size();
      s.image.first += names_.size();
      s.curves.first += curvePoints_.size();
      s.missing.first += missing_.size();
      if (!s.inRows) s.at += values_.size();
    }
    specimens_.push_back(std::move(p.specimens_.front()));
    names_ += p.names_;
    values_.insert(values_.end(), p.values_.begin(), p.values_.end());
    curvePoints_.insert(curvePoints_.end(), p.curvePoints_.begin(), p.curvePoints_.end());
    missing_.insert(missing_.end(), p.missing_.begin(), p.missing_.end());
    for (const std::string& name : p.skippedKeywords_) skipKeyword(name);
    skippedPoints_ += p.skippedPoints_;
  }

  void skipKeyword(const std::string& name) {
    if (std::ranges::find(skippedKeywords_, name) == skippedKeywords_.end())
      skippedKeywords_.push_back(name);
  }
  bool keepCurves() const { return options_.curves != LandmarkOptions::Curves::Skip; }

  template <typename T>
  static std::span<const T> entries(const std::vector<T>& store, Run run) {
    return std::span<const T>(store).subspan(run.first, run.size);
  }
  std::string_view name(Run run) const {
    return std::string_view(names_).substr(run.first, run.size);
  }
  std::string who(const Specimen& s) const { return tessaly::who(s.number, name(s.id)); }

  // The next line when it is a plain landmark line: its numbers are stored and the line
  // passed. Anything else (missing values among them) is left to readLine.
  bool readPlainLandmark() {
    double xy[2];
    const size_t size = plainLandmarkLine(lines_.rest(), xy);
    if (size == 0 || (options_.negativeMissing && (xy[0] < 0 || xy[1] < 0))) return false;
    lines_.pass(size);
    points_.push_back(xy[0]);
    points_.push_back(xy[1]);
    ++current_.read;
    return true;
  }

  void readLine(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') return;
    // Keywords start with a letter; landmark lines (the bulk of a file) do not.
    if (isLetter(line[first])) {
      if (auto kw = keywordOf(line)) {
        readKeyword(*kw);
        return;
      }
    }
    if (isTextLine(line))
      fail("the line \"" + std::string(trimLine(line)) +
           "\" is neither a landmark (x y) nor a keyword (NAME=value)");
    if (current_.number == 0) fail("a line of numbers before the first LM=");
    if (landmarksMissing()) {
      readLandmark(line);
    } else if (pointsLeft_ > 0) {
      --pointsLeft_;
      ++curvePoints_.back();
      if (keepCurves())
        readLandmark(line);
      else
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
    const bool lm = kw.name == "LM";
    if (!lm && !isSpecimenKeyword(kw.name)) {
      // NUM= and the like number or describe the file; they carry no landmarks.
      if (kw.name != "NUM") skipKeyword(kw.name);
      return;
    }
    if (current_.number == 0 && !lm)
      fail("the keyword " + kw.name + "= comes before the first LM=");
    blockEnds(!lm);
    if (lm) {
      startSpecimen(kw.value);
      return;
    }
    if (pointsLeft_ > 0)
      fail(formatCount("a curve ends after %1 of its %2 points",
                       static_cast<size_t>(pointsOfCurve_ - pointsLeft_), pointsOfCurve_));
    readSpecimenKeyword(kw);
  }

  static bool isSpecimenKeyword(const std::string& name) {
    for (const char* known : {"ID", "IMAGE", "COMMENT", "VARIABLES", "SCALE", "CURVES", "POINTS"})
      if (name == known) return true;
    return false;
  }

  void readSpecimenKeyword(const Keyword& kw) {
    if (kw.name == "ID") {
      current_.id = keepName(kw.value);
    } else if (kw.name == "IMAGE") {
      current_.image = keepName(kw.value);
    } else if (kw.name == "SCALE") {
      readScale(kw.value);
    } else if (kw.name == "CURVES") {
      if (!parseCount(kw.value, 0, curvesDeclared_))
        fail("CURVES= must give a whole number of curves, not \"" + std::string(kw.value) + "\"");
    } else if (kw.name == "POINTS") {
      long p = 0;
      if (!parseCount(kw.value, 0, p))
        fail("POINTS= must give a whole number of points, not \"" + std::string(kw.value) + "\"");
      pointsLeft_ = pointsOfCurve_ = p;
      curvePoints_.push_back(0);
      ++current_.curves.size;
    }
    // COMMENT= and VARIABLES= are kept by digitising programs for their own use.
  }

  // The text appended to the buffer of names (read while it is at hand, made into the
  // result's strings at the end).
  Run keepName(std::string_view text) {
    const Run run{names_.size(), text.size()};
    names_.append(text);
    return run;
  }

  void readScale(std::string_view value) {
    if (value.empty()) return;  // an empty SCALE means 1
    double s = 0;
    // SCALE=0 makes every landmark coincide: such a specimen is left out or refused as one
    // that cannot be analysed, not as a misread file.
    if (!parseCoordinate(value, s) || !std::isfinite(s) || !(s >= 0))
      fail("SCALE= must be a positive number, not \"" + std::string(value) + "\"");
    current_.scale = s;
    current_.hasScale = true;
  }

  void startSpecimen(std::string_view value) {
    if (current_.number != 0) finishSpecimen();
    current_ = Specimen{};
    current_.number = ++count_;
    current_.curves.first = curvePoints_.size();
    current_.missing.first = missing_.size();
    curvesDeclared_ = pointsLeft_ = pointsOfCurve_ = 0;
    points_.clear();
    long k = 0;
    if (!parseCount(value, 0, k))
      fail("LM= must give a whole number of landmarks, not \"" + std::string(value) + "\"");
    current_.k = k;
  }

  void readLandmark(std::string_view line) {
    double xy[2];
    size_t n = 0, pos = 0;
    const size_t size = line.size();
    while (true) {
      while (pos < size && isBlank(line[pos])) ++pos;
      if (pos == size) break;
      size_t end = pos;
      while (end < size && !isBlank(line[end])) ++end;
      std::string_view word = line.substr(pos, end - pos);
      double x = 0;
      if (isMissingWord(word))
        x = std::nan("");
      else if (!parseCoordinate(word, x))
        fail("\"" + std::string(word) + "\" is not a number");
      else if (!std::isfinite(x))
        fail("\"" + std::string(word) + "\" is not a finite number");
      if (n < 2) xy[n] = x;
      ++n;
      pos = end;
    }
    if (n != 2)
      fail(formatCount("a landmark line holds %1 numbers where it must hold two (x y)", n, 2));
    const bool negative = options_.negativeMissing && (xy[0] < 0 || xy[1] < 0);
    if (std::isnan(xy[0]) || std::isnan(xy[1]) || negative) {
      xy[0] = xy[1] = std::nan("");
      missing_.push_back(static_cast<Eigen::Index>(current_.read));
      ++current_.missing.size;
    }
    points_.push_back(xy[0]);
    points_.push_back(xy[1]);
    ++current_.read;
  }

  // The specimen read: its points scaled, measured while they are at hand, and stored.
  void finishSpecimen() {
    Specimen& s = current_;
    if (static_cast<long>(s.curves.size) != curvesDeclared_ && keepCurves())
      fail(formatCount("CURVES= gives %1 curves, but %2 POINTS= blocks follow",
                       static_cast<size_t>(curvesDeclared_), static_cast<long>(s.curves.size)),
           false);
    if (s.hasScale)
      for (double& v : points_) v *= s.scale;
    if (s.read > 0) {
      s.degenerate = allCoincide(points_.data(), static_cast<size_t>(s.k));
      s.size = centroidSize(points_.data(), s.read);
    }
    store(s);
    specimens_.back().push_back(s);
  }

  // The coordinates into the shared rows when the specimen has their landmark count, else
  // into the flat store.
  void store(Specimen& s) {
    const auto row = static_cast<Eigen::Index>(s.number - 1);
    if (s.k == rows_->k && row < rows_->rows.rows()) {
      s.inRows = true;
      s.at = static_cast<size_t>(row);
      if (inBand_ > 0 && bandFirst_ + inBand_ != row) flushBand();
      if (inBand_ == 0) bandFirst_ = row;
      band_.row(inBand_).head(2 * s.k) = Eigen::Map<const RowVector>(points_.data(), 2 * s.k);
      band_(inBand_, 2 * s.k) = s.size;
      if (++inBand_ == kBand) flushBand();
    } else {
      s.at = values_.size();
      values_.insert(values_.end(), points_.begin(), points_.end());
    }
  }

  // The rows of the band into theirs in the rows, whole columns of the band at a time.
  void flushBand() {
    if (inBand_ > 0) rows_->rows.middleRows(bandFirst_, inBand_) = band_.topRows(inBand_);
    inBand_ = 0;
  }

  template <typename F>
  void eachSpecimen(F f) const {
    for (const std::vector<Specimen>& part : specimens_)
      for (const Specimen& s : part) f(s);
  }
  size_t specimenCount() const {
    size_t count = 0;
    for (const std::vector<Specimen>& part : specimens_) count += part.size();
    return count;
  }

  // The landmark count of most specimens (the first such count in the file on a tie), among
  // those that have landmarks.
  long commonCount() const {
    std::map<long, size_t> counts;
    eachSpecimen([&counts](const Specimen& s) {
      if (s.k > 0) ++counts[s.k];
    });
    long best = 0;
    size_t most = 0;
    eachSpecimen([&](const Specimen& s) {
      if (s.k > 0 && s.k != best && counts[s.k] > most) most = counts[s.k], best = s.k;
    });
    return best;
  }

 public:
  // The file-wide checks and warnings, and the result, of the specimens read.
  TpsData finish() {
    TpsData out;
    out.specimens = specimenCount();
    std::vector<std::string> placeholders, odd;
    const long k = commonCount();
    std::vector<const Specimen*> kept;
    kept.reserve(out.specimens);
    eachSpecimen([&](const Specimen& s) {
      if (s.k == 0)
        placeholders.push_back(who(s));
      else if (s.k != k || s.degenerate)
        odd.push_back(who(s) + (s.k != k ? " (" + std::to_string(s.k) + " landmarks)"
                                         : " (all landmarks coincide)"));
      else
        kept.push_back(&s);
    });
    if (!placeholders.empty())
      out.warnings.push_back(
          path_ + ": " + std::to_string(placeholders.size()) +
          " specimens have no landmarks (LM=0) and were skipped: " + nameList(placeholders));
    if (kept.empty()) failFile("no specimen holds landmarks that can be analysed");
    if (!odd.empty()) leaveOut(out, odd, k, kept.size());
    checkCurves(kept);
    checkMissing(kept, out);
    build(kept, k, out);
    if (!skippedKeywords_.empty())
      out.warnings.push_back(path_ + ": the keywords " + nameList(skippedKeywords_) +
                             " carry no landmarks and were skipped");
    return out;
  }

 private:
  void leaveOut(TpsData& out, const std::vector<std::string>& odd, long k, size_t n) const {
    const std::string counts = std::to_string(n) + " of the " + std::to_string(specimenCount()) +
                               " specimens have " + std::to_string(k) + " landmarks; ";
    if (!options_.skipIncomplete)
      failFile(counts + std::to_string(odd.size()) +
               " cannot be analysed with them: " + nameList(odd) +
               ". Complete them, or skip them (--incomplete skip) to load only the specimens "
               "with " +
               std::to_string(k) + " landmarks");
    out.warnings.push_back(path_ + ": " + counts + "the other " + std::to_string(odd.size()) +
                           " were skipped: " + nameList(odd));
  }

  void checkCurves(const std::vector<const Specimen*>& kept) const {
    if (!keepCurves()) return;
    const auto first = entries(curvePoints_, kept.front()->curves);
    for (const Specimen* s : kept)
      if (!std::ranges::equal(entries(curvePoints_, s->curves), first))
        failFile(who(*s) + " has other curves (CURVES= and POINTS=) than " + who(*kept.front()) +
                 "; every specimen must have the same curves with the same numbers of points");
  }

  void checkMissing(const std::vector<const Specimen*>& kept, TpsData& out) const {
    std::vector<std::string> named;
    bool complete = false;
    for (const Specimen* s : kept) {
      complete = complete || s->missing.size == 0;
      if (s->missing.size == 0) continue;
      std::string text = who(*s) + ": landmark";
      if (s->missing.size > 1) text += "s";
      const auto missing = entries(missing_, s->missing);
      for (size_t i = 0; i < missing.size(); ++i)
        text += (i ? ", " : " ") + std::to_string(missing[i] + 1);
      named.push_back(text);
      const size_t present = s->read - s->missing.size;
      if (options_.estimateMissing && present < 3)
        failFile(who(*s) + " has " + std::to_string(present) +
                 " landmarks present; at least three are needed to estimate the missing ones");
    }
    if (named.empty()) return;
    if (!options_.estimateMissing)
      failFile("missing landmarks (NA, nan" +
               std::string(options_.negativeMissing ? ", negative coordinates" : "") + ") in " +
               std::to_string(named.size()) + " specimens: " + nameList(named, 10) +
               ". Estimate them from the complete specimens (--missing estimate), or complete or "
               "leave out those specimens");
    if (!complete)
      failFile(
          "every specimen has missing landmarks; estimating them needs at least one complete "
          "specimen");
    out.warnings.push_back(path_ + ": missing landmarks estimated in " +
                           std::to_string(named.size()) + " specimens: " + nameList(named, 10));
  }

  // True when the kept specimens are the parser's rows, all of them and in their order.
  bool keptAreTheRows(const std::vector<const Specimen*>& kept) const {
    if (static_cast<Eigen::Index>(kept.size()) != rows_->rows.rows()) return false;
    for (size_t i = 0; i < kept.size(); ++i)
      if (!kept[i]->inRows || kept[i]->at != i) return false;
    return true;
  }

  // The rows of the kept specimens, gathered from where each was stored, a band of specimens
  // at a time so that both the reads and the writes stay in the cache.
  void gatherRows(const std::vector<const Specimen*>& kept, Matrix& rows) const {
    constexpr size_t band = 64;
    const Eigen::Index cs = rows.cols() - 1;
    for (size_t first = 0; first < kept.size(); first += band) {
      const size_t last = std::min(kept.size(), first + band);
      for (Eigen::Index j = 0; j < cs; ++j) {
        double* column = rows.col(j).data();
        for (size_t i = first; i < last; ++i) {
          const Specimen& s = *kept[i];
          column[i] = s.inRows ? rows_->rows(static_cast<Eigen::Index>(s.at), j)
                               : values_[s.at + static_cast<size_t>(j)];
        }
      }
    }
    for (size_t i = 0; i < kept.size(); ++i) rows(static_cast<Eigen::Index>(i), cs) = kept[i]->size;
  }

  void build(const std::vector<const Specimen*>& kept, long k, TpsData& out) {
    if (keptAreTheRows(kept)) {
      out.rows = std::move(rows_->rows);
    } else {
      const auto points = static_cast<Eigen::Index>(kept.front()->read);
      out.rows.resize(static_cast<Eigen::Index>(kept.size()), 2 * points + 1);
      gatherRows(kept, out.rows);
    }
    labelsOf(kept, out);
    if (kept.size() != specimenCount())
      for (const Specimen* s : kept) out.kept.push_back(s->number);
    if (keepCurves()) {
      out.kinds.assign(static_cast<size_t>(k), 0);
      const bool slide = options_.curves == LandmarkOptions::Curves::Slide;
      const auto curves = entries(curvePoints_, kept.front()->curves);
      for (size_t c = 0; c < curves.size(); ++c)
        out.kinds.insert(out.kinds.end(), static_cast<size_t>(curves[c]),
                         slide ? static_cast<int>(c + 1) : 0);
    }
    scaleWarning(kept, out);
    if (skippedPoints_ > 0)
      out.warnings.push_back(path_ + ": " + std::to_string(skippedPoints_) +
                             " curve points (POINTS= blocks) were skipped; only the landmarks "
                             "are read");
  }

  // The labels (ID, else IMAGE), image names and missing landmarks of the kept specimens.
  void labelsOf(const std::vector<const Specimen*>& kept, TpsData& out) const {
    out.labels.reserve(kept.size());
    bool anyImage = false, anyMissing = false;
    for (const Specimen* s : kept) {
      out.labels.emplace_back(name(s->id.size != 0 ? s->id : s->image));
      anyImage = anyImage || s->image.size != 0;
      anyMissing = anyMissing || s->missing.size != 0;
    }
    if (anyImage) {
      out.images.reserve(kept.size());
      for (const Specimen* s : kept) out.images.push_back(withoutFolder(name(s->image)));
    }
    if (anyMissing)
      for (const Specimen* s : kept) {
        const auto missing = entries(missing_, s->missing);
        out.missing.emplace_back(missing.begin(), missing.end());
      }
  }

  // When some specimens have a SCALE= and others not, one warning names those without.
  void scaleWarning(const std::vector<const Specimen*>& kept, TpsData& out) const {
    const auto scaled = std::ranges::count_if(kept, [](const Specimen* s) { return s->hasScale; });
    if (scaled == 0 || static_cast<size_t>(scaled) == kept.size()) return;
    std::vector<std::string> unscaled;
    for (const Specimen* s : kept)
      if (!s->hasScale) unscaled.push_back(who(*s));
    out.warnings.push_back(
        path_ + ": " + std::to_string(unscaled.size()) + " of " + std::to_string(kept.size()) +
        " specimens have no SCALE= and are taken at scale 1: " + nameList(unscaled));
  }

  // The ID of the specimen being read, looked for from the current line up to the next LM=
  // when it is not read yet (and `ahead`).
  std::string idAhead(bool ahead) const {
    if (current_.id.size != 0 || current_.number == 0 || !ahead)
      return std::string(name(current_.id));
    LineReader reader(text_.substr(lines_.start()));
    std::string_view line;
    bool first = true;
    while (reader.next(line)) {
      auto kw = keywordOf(line);
      const bool current = std::exchange(first, false);
      if (!kw) continue;
      if ((kw->name == "LM" || kw->name == "LM3") && !current) break;
      if (kw->name == "ID") return std::string(kw->value);
    }
    return {};
  }

  // Refuses the file at the current line of the part, naming the specimen being read; its ID
  // is looked for further on when `ahead`.
  [[noreturn]] void fail(const std::string& what, bool ahead = true) const {
    std::string text;
    if (current_.number != 0) text = tessaly::who(current_.number, idAhead(ahead)) + ": ";
    throw PartFailure{lineAfter_ + lines_.number(), text + what};
  }

  [[noreturn]] void failFile(const std::string& what) const {
    throw Error("Cannot read " + path_ + ": " + what);
  }

  std::string_view text_;
  LineReader lines_;
  std::string path_;
  LandmarkOptions options_;
  Specimen current_;
  std::vector<double> points_;  // the current specimen's coordinates
  // The state of the curve being read in the current specimen.
  long curvesDeclared_ = 0, pointsLeft_ = 0, pointsOfCurve_ = 0;
  size_t lineAfter_ = 0;  // 1 once the part's end stands for the next part's first line
  size_t count_ = 0;      // the specimens begun, those of the parts before included
  SharedRows* rows_;
  // The last rows stored, rows bandFirst_ on, kept in row order until kBand of them are
  // written at once, so that each write of a column fills whole lines of the cache.
  static constexpr Eigen::Index kBand = 64;
  Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> band_;
  Eigen::Index bandFirst_ = 0, inBand_ = 0;
  std::vector<double> values_;  // the coordinates of the specimens not in rows_
  std::string names_;
  std::vector<long> curvePoints_;
  std::vector<Eigen::Index> missing_;
  std::vector<std::vector<Specimen>> specimens_;  // those of each part joined, in file order
  std::vector<std::string> skippedKeywords_;
  size_t skippedPoints_ = 0;
};

}  // namespace

bool isTpsText(std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    const std::string_view t = trimLine(line);
    if (t.empty() || t[0] == '#') continue;
    auto kw = keywordOf(line);
    return kw && (kw->name == "LM" || kw->name == "LM3" || kw->name == "NUM");
  }
  return false;
}

namespace {

// The failure of part b as the file's error, its line counted from the start of the file.
[[noreturn]] void rethrowAtFileLine(const std::exception_ptr& error,
                                    std::span<const std::string_view> parts, size_t b,
                                    const std::string& path) {
  try {
    std::rethrow_exception(error);
  } catch (const PartFailure& failure) {
    size_t line = failure.line;
    for (size_t p = 0; p < b; ++p) line += lineEnds(parts[p]);
    throw Error("Cannot read " + path + ", line " + std::to_string(line) + ": " + failure.what);
  }
}

}  // namespace

// The parts are read on the threads, each knowing the specimen it starts at from a count of
// the LM= lines made first, and joined in file order; the first part that fails in file order
// gives the error, as a reading from the start would. A text of one part is read on this thread.
TpsData parseTps(std::string_view text, const std::string& path, const LandmarkOptions& options,
                 size_t partBytes) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  const std::vector<std::string_view> parts = cutAtLmLines(text, std::max<size_t>(partBytes, 1));
  const auto count = static_cast<Eigen::Index>(parts.size());
  std::vector<size_t> before(parts.size() + 1);
  forEachBand(count, 1, [&](Eigen::Index b, Eigen::Index, Eigen::Index) {
    before[static_cast<size_t>(b) + 1] = countLmLines(parts[static_cast<size_t>(b)]);
  });
  for (size_t b = 1; b < before.size(); ++b) before[b] += before[b - 1];
  SharedRows rows(text, before.back(), options);
  std::vector<TpsParser> parsers;
  parsers.reserve(parts.size());
  for (size_t b = 0; b < parts.size(); ++b)
    parsers.emplace_back(parts[b], path, options, before[b], before[b + 1] - before[b], rows);
  std::vector<std::exception_ptr> errors(parts.size());
  forEachBand(count, 1, [&](Eigen::Index b, Eigen::Index, Eigen::Index) {
    const auto at = static_cast<size_t>(b);
    try {
      parsers[at].read(at + 1 == parts.size());
    } catch (...) {
      errors[at] = std::current_exception();
    }
  });
  for (size_t b = 0; b < parts.size(); ++b)
    if (errors[b]) rethrowAtFileLine(errors[b], parts, b, path);
  parsers.front().join(std::span(parsers).subspan(1));
  return parsers.front().finish();
}

}  // namespace tessaly
