#pragma once
// Reading the files that the loading actions ask for, by what the file holds: landmark data
// as a numeric or a TPS file, group lists as codes or names.
#include <string>

#include "dispatch/mfload.h"

namespace tessaly::dispatch {

// Reads the file at path as `kind` (fname is left empty). *opened becomes false when the file
// cannot be opened. A TPS or NTS file first asks for its reading options (askReadingOptions)
// and has its missing landmarks estimated when so chosen. Its warnings are shown as message
// boxes titled "Warning" and written to standard error.
LoadedFile readInputFile(const std::string& path, FileKind kind, bool* opened);

// The dialog "Reading options" of a TPS or NTS file, four fields: specimens of another landmark
// count (refuse or skip), missing landmarks (refuse or estimate), negative coordinates missing
// (0 or 1), curves (skip, slide or fixed). A dialog closed without answers reads with the
// defaults (refuse, refuse, 0, skip); an answer that is none of its choices is an Error.
LandmarkOptions askReadingOptions();

// Reads landmark data with the given options, estimates its missing landmarks and slides its
// semilandmarks against the consensus of its specimens (shape::slideSemilandmarks); the
// warnings stay in the result. *unslid, when given, gets the rows before sliding (left alone
// when nothing slides). For the loading actions and the batch runner's convert.
TpsData readLandmarks(const std::string& path, const LandmarkOptions& options,
                      bool* opened = nullptr, Matrix* unslid = nullptr);

// Unknown specimens whose semilandmarks slid against their own consensus slide instead, from
// their places in the file, against the consensus of the loaded specimens, when these have the
// same landmarks and curves: so they are measured as the specimens are.
void slideOntoSpecimens(LoadedFile& unknowns);

// Shows a warning in a message box titled "Warning" and writes it to standard error.
void showWarning(const std::string& text);

// Entry i of a per-specimen list of texts (labels, image names), empty beyond its end.
std::string entryOf(const std::vector<std::string>& list, Eigen::Index i);

// The name of group code g of the specimens, or empty.
std::string groupNameOf(double g);
// Group g as messages and tables name it: its name when the groups are named, else "Group" and
// its code.
std::string groupLabel(double g);
// The name of an unknown's code g: its own name when the unknowns' codes were names, else the
// name of group g of the specimens; empty when neither has one.
std::string unknownNameOf(double g);

}  // namespace tessaly::dispatch
