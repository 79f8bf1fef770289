#include "dispatch/input_files.h"

#include <algorithm>
#include <iostream>

#include "core/dload.h"
#include "core/error.h"
#include "core/tps.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "shape/missing.h"

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
  TpsData d = readLandmarks(path, options, opened);
  // The analysis superimposes every landmark as a fixed one: semilandmarks taken so would give
  // other results than sliding ones, so they are refused rather than analysed unslid.
  if (std::find_if(d.kinds.begin(), d.kinds.end(), [](int k) { return k > 0; }) != d.kinds.end())
    throw Error("Cannot read " + path +
                ": sliding semilandmarks are not analysed yet; read the curves as fixed landmarks "
                "(--curves fixed) or skip them");
  warn(d.warnings);
  LoadedFile file;
  file.data = std::move(d.rows);
  file.labels = std::move(d.labels);
  file.images = std::move(d.images);
  file.kinds = std::move(d.kinds);
  file.kept = std::move(d.kept);
  file.specimens = d.specimens;
  return file;
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

TpsData readLandmarks(const std::string& path, const LandmarkOptions& options, bool* opened) {
  TpsData d = readLandmarkFile(path, opened, options);
  if (!d.missing.empty()) shape::estimateMissing(d.rows, d.missing);
  return d;
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

std::string groupNameOf(double g) {
  return groupName(analysisState().GNAMES, g);
}

std::string unknownNameOf(double g) {
  const auto& s = analysisState();
  return s.UGNAMES.empty() ? groupName(s.GNAMES, g) : groupName(s.UGNAMES, g);
}

}  // namespace tessaly::dispatch
