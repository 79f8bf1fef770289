#pragma once
// The one routine through which the actions read an input file: the file-open dialog, then
// the numeric text reader, the TPS reader or the group-list reader.
#include <optional>
#include <string>
#include <vector>

#include "core/group_list.h"
#include "core/matrix.h"
#include "core/tps.h"

namespace tessaly::dispatch {

// A matrix read through the file dialog, with the file name (no folder).
struct LoadedFile {
  Matrix data;
  std::string fname;
  GroupNames names;                 // the group names of a group list of names (empty otherwise)
  std::vector<std::string> labels;  // landmark data: each specimen's ID (else IMAGE), or empty
  // Of landmark data: the image names, the landmark kinds, and which specimens of the file
  // were kept (as TpsData holds them; empty for a numeric file).
  std::vector<std::string> images;
  LandmarkKinds kinds;
  std::vector<size_t> kept;
  size_t specimens = 0;
  Matrix unslid;  // of landmark data with sliding semilandmarks: the rows before sliding
};

// What a file dialog loads: any numeric text file; landmark data (a numeric file or a TPS
// file); a group list (codes or names); the unknowns' codes (codes or names, a name of the
// group list keeping its code).
enum class FileKind { Numeric, Landmarks, GroupList, UnknownCodes };

// Asks for a file (title "Enter file to Load?", filter "*.*"), makes its folder the current
// folder and reads it with dload. Nothing when the user cancels: the caller then ends without
// changing the state. A file that cannot be opened, a malformed line or a ragged row is a
// tessaly::Error naming the file and the problem, thrown before anything is returned, so the
// caller's state is left as it was. The argument is not used (callers pass 1). The warnings
// of the reader (a TPS file's, lines left unread after an empty line) are shown in message
// boxes titled "Warning".
std::optional<LoadedFile> mfload(int unused = 1, FileKind kind = FileKind::Numeric);

// A row of landmark data (the data, the unknowns, a reference) holds x1 y1 ... xk yk and then
// the centroid size: an odd number of columns. An Error naming the file, its column count and
// what a row must hold when the file read has an even number of columns. A specimen with a
// coordinate that is not a finite number, or with all its landmarks at one point (no size, a
// common placeholder), is an Error that names the specimen and the file.
void checkLandmarkColumns(const LoadedFile& file);

}  // namespace tessaly::dispatch
