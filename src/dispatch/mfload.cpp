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

namespace {

// Whether every landmark of the row x1 y1 ... xk yk lies on the first.
bool allAtOnePoint(const RowVector& xy) {
  for (Eigen::Index j = 2; j + 1 < xy.size(); j += 2)
    if (xy(j) != xy(0) || xy(j + 1) != xy(1)) return false;
  return true;
}

// Refuses the first specimen without finite coordinates or without size. The centroid size
// column is not used by the analysis and is not checked.
void checkLandmarkRows(const LoadedFile& file) {
  const Matrix& x = file.data;
  for (Eigen::Index i = 0; i < x.rows(); ++i) {
    const RowVector xy = x.row(i).head(x.cols() - 1);
    const FormatArgs which{static_cast<double>(i + 1), file.fname};
    if (!xy.allFinite())
      throw Error(formatText(
          "Specimen %d of %s has a coordinate that is not a finite number: every landmark "
          "needs two numbers",
          which));
    if (xy.size() > 2 && allAtOnePoint(xy))
      throw Error(formatText(
          "Specimen %d of %s has all its landmarks at one point: a configuration without size "
          "has no shape to analyse",
          which));
  }
}

}  // namespace

void checkLandmarkColumns(const LoadedFile& file) {
  const Eigen::Index n = file.data.cols();
  if (n == 1)
    throw Error(formatText(
        "The file %s has one column: a row of landmark data must hold x1 y1 ... xk yk and then "
        "the centroid size",
        {file.fname}));
  if (n % 2 == 0)
    throw Error(formatText(
        "The file %s has %d columns: a row of landmark data must hold x1 y1 ... xk yk and then "
        "the centroid size, an odd number of columns",
        {file.fname, static_cast<double>(n)}));
  checkLandmarkRows(file);
}

}  // namespace tessaly::dispatch
