#pragma once
// Reading the files that the loading actions ask for, by what the file holds: landmark data
// as a numeric or a TPS file, group lists as codes or names.
#include <string>

#include "dispatch/mfload.h"

namespace tessaly::dispatch {

// Reads the file at path as `kind` (fname is left empty). *opened becomes false when the file
// cannot be opened. The warnings of a TPS file are shown as message boxes titled "Warning".
LoadedFile readInputFile(const std::string& path, FileKind kind, bool* opened);

// The name of group code g of the specimens, or empty.
std::string groupNameOf(double g);
// The name of an unknown's code g: its own name when the unknowns' codes were names, else the
// name of group g of the specimens; empty when neither has one.
std::string unknownNameOf(double g);

}  // namespace tessaly::dispatch
