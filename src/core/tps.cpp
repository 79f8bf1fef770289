#include "core/tps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <span>
#include <utility>

#include "core/bands.h"
#include "core/error.h"
#include "core/line_reader.h"
#include "core/tps_lines.h"
#include "core/tps_records.h"

namespace tessaly::tps {

namespace {

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

class TpsParser {
 public:
  // The parser of the part `text` of the file, which holds `specimens` LM= lines and follows
  // `before` of them.
  TpsParser(std::string_view text, const std::string& path, const LandmarkOptions& options,
            size_t before, size_t specimens, SharedRows& rows)
      : text_(text), lines_(text), path_(path), options_(options), count_(before), rows_(&rows) {
    stores_.specimens.emplace_back().reserve(specimens);
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
    size_t names = stores_.names.size();
    for (const TpsParser& p : after) names += p.stores_.names.size();
    stores_.names.reserve(names);
    for (TpsParser& p : after) stores_.append(p.stores_);
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

  bool keepCurves() const { return options_.curves != LandmarkOptions::Curves::Skip; }

  std::string_view name(Run run) const { return stores_.name(run); }

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
      ++stores_.curvePoints.back();
      if (keepCurves())
        readLandmark(line);
      else
        ++stores_.skippedPoints;
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
      if (kw.name != "NUM") stores_.skipKeyword(kw.name);
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
      stores_.curvePoints.push_back(0);
      ++current_.curves.size;
    }
    // COMMENT= and VARIABLES= are kept by digitising programs for their own use.
  }

  // The text appended to the buffer of names (read while it is at hand, made into the
  // result's strings at the end).
  Run keepName(std::string_view text) {
    const Run run{stores_.names.size(), text.size()};
    stores_.names.append(text);
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
    current_.curves.first = stores_.curvePoints.size();
    current_.missing.first = stores_.missing.size();
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
      stores_.missing.push_back(static_cast<Eigen::Index>(current_.read));
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
    stores_.specimens.back().push_back(s);
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
      s.at = stores_.values.size();
      stores_.values.insert(stores_.values.end(), points_.begin(), points_.end());
    }
  }

  // The rows of the band into theirs in the rows, whole columns of the band at a time.
  void flushBand() {
    if (inBand_ > 0) rows_->rows.middleRows(bandFirst_, inBand_) = band_.topRows(inBand_);
    inBand_ = 0;
  }

 public:
  // The file-wide checks and warnings, and the result, of the specimens read.
  TpsData finish() { return tps::finish(stores_, *rows_, path_, options_); }

 private:
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
    if (current_.number != 0) text = tps::who(current_.number, idAhead(ahead)) + ": ";
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
  Stores stores_;
};

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

}  // namespace tessaly::tps

namespace tessaly {

bool isTpsText(std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    const std::string_view t = trimLine(line);
    if (t.empty() || t[0] == '#') continue;
    auto kw = tps::keywordOf(line);
    return kw && (kw->name == "LM" || kw->name == "LM3" || kw->name == "NUM");
  }
  return false;
}

// The parts are read on the threads, each knowing the specimen it starts at from a count of
// the LM= lines made first, and joined in file order; the first part that fails in file order
// gives the error, as a reading from the start would. A text of one part is read on this thread.
TpsData parseTps(std::string_view text, const std::string& path, const LandmarkOptions& options,
                 size_t partBytes) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  const std::vector<std::string_view> parts =
      tps::cutAtLmLines(text, std::max<size_t>(partBytes, 1));
  const auto count = static_cast<Eigen::Index>(parts.size());
  std::vector<size_t> before(parts.size() + 1);
  forEachBand(count, 1, [&](Eigen::Index b, Eigen::Index, Eigen::Index) {
    before[static_cast<size_t>(b) + 1] = tps::countLmLines(parts[static_cast<size_t>(b)]);
  });
  for (size_t b = 1; b < before.size(); ++b) before[b] += before[b - 1];
  tps::SharedRows rows(text, before.back(), options);
  std::vector<tps::TpsParser> parsers;
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
    if (errors[b]) tps::rethrowAtFileLine(errors[b], parts, b, path);
  parsers.front().join(std::span(parsers).subspan(1));
  return parsers.front().finish();
}

}  // namespace tessaly
