#pragma once
// The TPS landmark file, in which most two-dimensional landmark data is digitised. Each
// specimen is a block:
//   LM=k            followed by k lines "x y"
//   CURVES=c        optional, followed by c blocks POINTS=p and p lines "x y" (skipped here)
//   IMAGE=, ID=, COMMENT=, VARIABLES=   optional; ID (else IMAGE) labels the specimen
//   SCALE=s         optional: the coordinates are multiplied by s (missing or empty: 1)
// Keywords are matched at the start of a line, in any letter case, with blanks allowed around
// "=". Lines may end in LF, CR LF or CR. Each specimen becomes a configuration row
// x1 y1 ... xk yk cs, cs being the centroid size of the scaled landmarks, so that the rest of
// the program sees the layout of the numeric landmark file.
#include <string>
#include <string_view>
#include <vector>

#include "core/matrix.h"

namespace tessaly {

struct TpsData {
  Matrix rows;                        // one configuration row per specimen, cs last
  std::vector<std::string> labels;    // per specimen: its ID, else its IMAGE, else empty
  std::vector<std::string> warnings;  // one line each, for the user
};

// True when the first line of text that is not blank starts with the keyword LM= (or LM3=,
// so that three-dimensional files are recognised and refused rather than misread).
bool isTpsText(std::string_view text);

// The whole text of a TPS file; `path` names the file in messages. A file that does not hold
// well-formed two-dimensional specimens of one landmark count is an Error whose text names
// the file, the line and the specimen (with its ID when it has one).
TpsData parseTps(std::string_view text, const std::string& path);

// The whole content of a file; false when it cannot be opened.
bool readWholeFile(const std::string& path, std::string& text);

// Reads a landmark data file of either kind: TPS when isTpsText says so, else the numeric
// text file of dload, read exactly as dload reads it (labels empty, dload's warnings). When the
// file cannot be opened, *opened is set to false and rows is dload's 1-by-1 matrix -1.
TpsData readLandmarkFile(const std::string& path, bool* opened = nullptr);

// The text of a numeric landmark file: one row a line, numbers in their shortest form that
// reads back to the same double, separated by blanks.
std::string numericText(const Matrix& rows);

}  // namespace tessaly
