#include "dispatch/mfload.h"

#include <filesystem>
#include <system_error>

#include "core/dload.h"
#include "core/error.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

std::optional<LoadedFile> mfload(int) {
  auto choice = platform::dialogs().getFile("*.*", "Enter file to Load?");
  if (!choice) return std::nullopt;
  // Later file dialogs open in the folder of this file.
  if (!choice->folder.empty()) {
    std::error_code ec;
    std::filesystem::current_path(choice->folder, ec);
  }
  bool opened = true;
  Matrix data = dload(choice->path(), &opened);
  // An unopenable file must not pass for a one-number data set.
  if (!opened) throw Error("Cannot open " + choice->path() + ": the file could not be read");
  return LoadedFile{std::move(data), choice->name};
}

}  // namespace tessaly::dispatch
