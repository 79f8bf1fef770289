#include "dispatch/mfload.h"

#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "dispatch/input_files.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

std::optional<LoadedFile> mfload(int, FileKind kind) {
  auto choice = platform::dialogs().getFile("*.*", "Enter file to Load?");
  if (!choice) return std::nullopt;
  // Later file dialogs open in the folder of this file.
  if (!choice->folder.empty()) {
    std::error_code ec;
    std::filesystem::current_path(choice->folder, ec);
  }
  bool opened = true;
  LoadedFile file = readInputFile(choice->path(), kind, &opened);
  // An unopenable file must not pass for a one-number data set.
  if (!opened) throw Error("Cannot open " + choice->path() + ": the file could not be read");
  file.fname = choice->name;
  return file;
}

}  // namespace tessaly::dispatch
