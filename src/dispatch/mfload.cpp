#include "dispatch/mfload.h"

#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/format.h"
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

void checkLandmarkColumns(const LoadedFile& file) {
  const Eigen::Index n = file.data.cols();
  if (n == 1)
    throw Error(formatText(
        "The file %s has one column: a row of landmark data must hold x1 y1 ... xk yk and then "
        "the centroid size",
        {file.fname}));
  if (n % 2 != 0) return;
  throw Error(formatText(
      "The file %s has %d columns: a row of landmark data must hold x1 y1 ... xk yk and then "
      "the centroid size, an odd number of columns",
      {file.fname, static_cast<double>(n)}));
}

}  // namespace tessaly::dispatch
