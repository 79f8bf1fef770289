#include "dispatch/input_files.h"

#include "core/dload.h"
#include "core/tps.h"
#include "dispatch/state.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

LoadedFile readInputFile(const std::string& path, FileKind kind, bool* opened) {
  LoadedFile file;
  switch (kind) {
    case FileKind::Numeric:
      file.data = dload(path, opened);
      break;
    case FileKind::Landmarks: {
      TpsData d = readLandmarkFile(path, opened);
      for (const std::string& w : d.warnings) platform::dialogs().message(w, "Warning");
      file.data = std::move(d.rows);
      file.labels = std::move(d.labels);
      break;
    }
    case FileKind::GroupList:
    case FileKind::UnknownCodes: {
      const GroupNames none;
      const GroupNames& known = kind == FileKind::UnknownCodes ? analysisState().GNAMES : none;
      GroupList list = readGroupList(path, opened, known);
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
