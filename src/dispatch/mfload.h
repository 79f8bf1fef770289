#pragma once
// The one routine through which the actions read an input file: the file-open dialog, then
// the numeric text reader.
#include <optional>
#include <string>

#include "core/matrix.h"

namespace tessaly::dispatch {

// A matrix read through the file dialog, with the file name (no folder).
struct LoadedFile {
  Matrix data;
  std::string fname;
};

// Asks for a file (title "Enter file to Load?", filter "*.*"), makes its folder the current
// folder and reads it with dload. Nothing when the user cancels: the caller then ends without
// changing the state. A file that cannot be opened, a malformed line or a ragged row is a
// tessaly::Error naming the file and the problem, thrown before anything is returned, so the
// caller's state is left as it was. The argument is not used (callers pass 1).
std::optional<LoadedFile> mfload(int unused = 1);

// A row of landmark data (the data, the unknowns, a reference) holds x1 y1 ... xk yk and then
// the centroid size: an odd number of columns. An Error naming the file, its column count and
// what a row must hold when the file read has an even number of columns.
void checkLandmarkColumns(const LoadedFile& file);

}  // namespace tessaly::dispatch
