#include "core/tps_records.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/line_reader.h"

namespace tessaly::tps {

namespace {

// The file-wide checks of the specimens read, and the rows, labels and warnings they give.
class Result {
 public:
  Result(Stores& stores, SharedRows& rows, const std::string& path, const LandmarkOptions& options)
      : s_(stores), rows_(&rows), path_(path), options_(options) {}

  TpsData finish() {
    TpsData out;
    out.specimens = s_.specimenCount();
    std::vector<std::string> placeholders, odd;
    const long k = commonCount();
    std::vector<const Specimen*> kept;
    kept.reserve(out.specimens);
    s_.eachSpecimen([&](const Specimen& s) {
      if (s.k == 0)
        placeholders.push_back(s_.who(s));
      else if (s.k != k || s.degenerate)
        odd.push_back(s_.who(s) + (s.k != k ? " (" + std::to_string(s.k) + " landmarks)"
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
    if (!s_.skippedKeywords.empty())
      out.warnings.push_back(path_ + ": the keywords " + nameList(s_.skippedKeywords) +
                             " carry no landmarks and were skipped");
    return out;
  }

 private:
  // The landmark count of most specimens (the first such count in the file on a tie), among
  // those that have landmarks.
  long commonCount() const {
    std::map<long, size_t> counts;
    s_.eachSpecimen([&counts](const Specimen& s) {
      if (s.k > 0) ++counts[s.k];
    });
    long best = 0;
    size_t most = 0;
    s_.eachSpecimen([&](const Specimen& s) {
      if (s.k > 0 && s.k != best && counts[s.k] > most) most = counts[s.k], best = s.k;
    });
    return best;
  }

  void leaveOut(TpsData& out, const std::vector<std::string>& odd, long k, size_t n) const {
    const std::string counts = std::to_string(n) + " of the " + std::to_string(s_.specimenCount()) +
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
    const auto first = entries(s_.curvePoints, kept.front()->curves);
    for (const Specimen* s : kept)
      if (!std::ranges::equal(entries(s_.curvePoints, s->curves), first))
        failFile(s_.who(*s) + " has other curves (CURVES= and POINTS=) than " +
                 s_.who(*kept.front()) +
                 "; every specimen must have the same curves with the same numbers of points");
  }

  void checkMissing(const std::vector<const Specimen*>& kept, TpsData& out) const {
    std::vector<std::string> named;
    bool complete = false;
    for (const Specimen* s : kept) {
      complete = complete || s->missing.size == 0;
      if (s->missing.size == 0) continue;
      std::string text = s_.who(*s) + ": landmark";
      if (s->missing.size > 1) text += "s";
      const auto missing = entries(s_.missing, s->missing);
      for (size_t i = 0; i < missing.size(); ++i)
        text += (i ? ", " : " ") + std::to_string(missing[i] + 1);
      named.push_back(text);
      const size_t present = s->read - s->missing.size;
      if (options_.estimateMissing && present < 3)
        failFile(s_.who(*s) + " has " + std::to_string(present) +
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
                               : s_.values[s.at + static_cast<size_t>(j)];
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
    if (kept.size() != s_.specimenCount())
      for (const Specimen* s : kept) out.kept.push_back(s->number);
    if (keepCurves()) {
      out.kinds.assign(static_cast<size_t>(k), 0);
      const bool slide = options_.curves == LandmarkOptions::Curves::Slide;
      const auto curves = entries(s_.curvePoints, kept.front()->curves);
      for (size_t c = 0; c < curves.size(); ++c)
        out.kinds.insert(out.kinds.end(), static_cast<size_t>(curves[c]),
                         slide ? static_cast<int>(c + 1) : 0);
    }
    scaleWarning(kept, out);
    if (s_.skippedPoints > 0)
      out.warnings.push_back(path_ + ": " + std::to_string(s_.skippedPoints) +
                             " curve points (POINTS= blocks) were skipped; only the landmarks "
                             "are read");
  }

  // The labels (ID, else IMAGE), image names and missing landmarks of the kept specimens.
  void labelsOf(const std::vector<const Specimen*>& kept, TpsData& out) const {
    out.labels.reserve(kept.size());
    bool anyImage = false, anyMissing = false;
    for (const Specimen* s : kept) {
      out.labels.emplace_back(s_.name(s->id.size != 0 ? s->id : s->image));
      anyImage = anyImage || s->image.size != 0;
      anyMissing = anyMissing || s->missing.size != 0;
    }
    if (anyImage) {
      out.images.reserve(kept.size());
      for (const Specimen* s : kept) out.images.push_back(withoutFolder(s_.name(s->image)));
    }
    if (anyMissing)
      for (const Specimen* s : kept) {
        const auto missing = entries(s_.missing, s->missing);
        out.missing.emplace_back(missing.begin(), missing.end());
      }
  }

  // When some specimens have a SCALE= and others not, one warning names those without.
  void scaleWarning(const std::vector<const Specimen*>& kept, TpsData& out) const {
    const auto scaled = std::ranges::count_if(kept, [](const Specimen* s) { return s->hasScale; });
    if (scaled == 0 || static_cast<size_t>(scaled) == kept.size()) return;
    std::vector<std::string> unscaled;
    for (const Specimen* s : kept)
      if (!s->hasScale) unscaled.push_back(s_.who(*s));
    out.warnings.push_back(
        path_ + ": " + std::to_string(unscaled.size()) + " of " + std::to_string(kept.size()) +
        " specimens have no SCALE= and are taken at scale 1: " + nameList(unscaled));
  }

  bool keepCurves() const { return options_.curves != LandmarkOptions::Curves::Skip; }

  [[noreturn]] void failFile(const std::string& what) const {
    throw Error("Cannot read " + path_ + ": " + what);
  }

  Stores& s_;
  SharedRows* rows_;
  const std::string& path_;
  const LandmarkOptions& options_;
};

}  // namespace

std::string who(size_t number, std::string_view id) {
  std::string text = "specimen " + std::to_string(number);
  if (!id.empty()) text += " (ID " + std::string(id) + ")";
  return text;
}

void Stores::append(Stores& later) {
  for (Specimen& s : later.specimens.front()) {
    s.id.first += names.size();
    s.image.first += names.size();
    s.curves.first += curvePoints.size();
    s.missing.first += missing.size();
    if (!s.inRows) s.at += values.size();
  }
  specimens.push_back(std::move(later.specimens.front()));
  names += later.names;
  values.insert(values.end(), later.values.begin(), later.values.end());
  curvePoints.insert(curvePoints.end(), later.curvePoints.begin(), later.curvePoints.end());
  missing.insert(missing.end(), later.missing.begin(), later.missing.end());
  for (const std::string& name : later.skippedKeywords) skipKeyword(name);
  skippedPoints += later.skippedPoints;
}

void Stores::skipKeyword(const std::string& name) {
  if (std::ranges::find(skippedKeywords, name) == skippedKeywords.end())
    skippedKeywords.push_back(name);
}

TpsData finish(Stores& stores, SharedRows& rows, const std::string& path,
               const LandmarkOptions& options) {
  return Result(stores, rows, path, options).finish();
}

}  // namespace tessaly::tps
