#include "dispatch/input_files.h"

#include <algorithm>
#include <iostream>

#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "core/tps.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "shape/missing.h"
#include "shape/sliding.h"
#include "shape/superimposition.h"

namespace tessaly::dispatch {

namespace {

void warn(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings) showWarning(w);
}

// The position of answer among choices; an Error naming the field otherwise.
size_t choiceOf(const std::string& answer, const std::vector<std::string>& choices,
                const std::string& field) {
  for (size_t i = 0; i < choices.size(); ++i)
    if (answer == choices[i]) return i;
  std::string list;
  for (size_t i = 0; i < choices.size(); ++i) list += (i ? ", " : "") + choices[i];
  throw Error(field + " must be one of " + list + ", not \"" + answer + "\"");
}

LoadedFile landmarkFile(const std::string& path, bool* opened) {
  const LandmarkOptions options = hasReadingOptions(path) ? askReadingOptions() : LandmarkOptions{};
  LoadedFile file;
  TpsData d = readLandmarks(path, options, opened, &file.unslid);
  warn(d.warnings);
  file.data = std::move(d.rows);
  file.labels = std::move(d.labels);
  file.images = std::move(d.images);
  file.kinds = std::move(d.kinds);
  file.kept = std::move(d.kept);
  file.specimens = d.specimens;
  return file;
}

bool hasSemilandmarks(const LandmarkKinds& kinds) {
  return std::any_of(kinds.begin(), kinds.end(), [](int k) { return k > 0; });
}

// Slides the semilandmarks against the consensus of the specimens; a warning when the
// alternation with the superimposition had not settled.
void slide(TpsData& d, const std::string& path) {
  const shape::SlideResult result = shape::slideSemilandmarks(d.rows, d.kinds);
  if (!result.settled)
    d.warnings.push_back(path +
                         ": the consensus of the sliding semilandmarks had not settled after " +
                         std::to_string(result.rounds) + " rounds (last squared change " +
                         num2str(result.change) + "); the points of the last round are used");
}

}  // namespace

void showWarning(const std::string& text) {
  platform::dialogs().message(text, "Warning");
  std::cerr << "warning: " << text << "\n";
}

LandmarkOptions askReadingOptions() {
  const std::vector<std::string> prompts = {"Specimens with another landmark count (refuse, skip)",
                                            "Missing landmarks (refuse, estimate)",
                                            "Negative coordinates are missing (0, 1)",
                                            "Curves (skip, slide, fixed)"};
  const std::vector<std::string> defaults = {"refuse", "refuse", "0", "skip"};
  const auto answers = platform::dialogs().input(prompts, "Reading options", defaults);
  LandmarkOptions o;
  if (!answers) return o;
  auto at = [&](size_t i) { return i < answers->size() ? (*answers)[i] : defaults[i]; };
  o.skipIncomplete = choiceOf(at(0), {"refuse", "skip"}, "Specimens with another landmark count");
  o.estimateMissing = choiceOf(at(1), {"refuse", "estimate"}, "Missing landmarks");
  o.negativeMissing = choiceOf(at(2), {"0", "1"}, "Negative coordinates are missing");
  o.curves =
      static_cast<LandmarkOptions::Curves>(choiceOf(at(3), {"skip", "slide", "fixed"}, "Curves"));
  return o;
}

TpsData readLandmarks(const std::string& path, const LandmarkOptions& options, bool* opened,
                      Matrix* unslid) {
  TpsData d = readLandmarkFile(path, opened, options);
  if (!d.missing.empty()) shape::estimateMissing(d.rows, d.missing);
  if (hasSemilandmarks(d.kinds)) {
    if (unslid) *unslid = d.rows;
    slide(d, path);
  }
  return d;
}

void slideOntoSpecimens(LoadedFile& unknowns) {
  const auto& s = analysisState();
  if (unknowns.unslid.size() == 0 || unknowns.kinds != s.KINDS ||
      unknowns.data.cols() != s.DATA.cols() || s.DATA.rows() < 2)
    return;
  unknowns.data =
      shape::slideOnto(unknowns.unslid, unknowns.kinds, shape::getconsensus(s.DATA).xref);
}

LoadedFile readInputFile(const std::string& path, FileKind kind, bool* opened) {
  LoadedFile file;
  switch (kind) {
    case FileKind::Numeric: {
      std::vector<std::string> warnings;
      file.data = dload(path, opened, &warnings);
      warn(warnings);
      break;
    }
    case FileKind::Landmarks:
      file = landmarkFile(path, opened);
      break;
    case FileKind::GroupList:
    case FileKind::UnknownCodes: {
      const GroupNames none;
      const GroupNames& known = kind == FileKind::UnknownCodes ? analysisState().GNAMES : none;
      GroupList list = readGroupList(path, opened, known);
      warn(list.warnings);
      file.data = std::move(list.codes);
      file.names = std::move(list.names);
      break;
    }
  }
  return file;
}

std::string entryOf(const std::vector<std::string>& list, Eigen::Index i) {
  return i >= 0 && i < static_cast<Eigen::Index>(list.size()) ? list[static_cast<size_t>(i)]
                                                              : std::string();
}

std::string groupNameOf(double g) {
  return groupName(analysisState().GNAMES, g);
}

std::string groupLabel(double g) {
  const std::string name = groupNameOf(g);
  return name.empty() ? "Group " + num2str(g) : name;
}

std::string unknownNameOf(double g) {
  const auto& s = analysisState();
  return s.UGNAMES.empty() ? groupName(s.GNAMES, g) : groupName(s.UGNAMES, g);
}

}  // namespace tessaly::dispatch
