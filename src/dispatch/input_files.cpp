#include "dispatch/input_files.h"

#include "core/dload.h"
#include "core/tps.h"
#include "dispatch/state.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

namespace {

void warn(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings) platform::dialogs().message(w, "Warning");
}

}  // namespace

LoadedFile readInputFile(const std::string& path, FileKind kind, bool* opened) {
  LoadedFile file;
  switch (kind) {
    case FileKind::Numeric: {
      std::vector<std::string> warnings;
      file.data = dload(path, opened, &warnings);
      warn(warnings);
      break;
    }
    case FileKind::Landmarks: {
      TpsData d = readLandmarkFile(path, opened);
      warn(d.warnings);
      file.data = std::move(d.rows);
      file.labels = std::move(d.labels);
      break;
    }
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
