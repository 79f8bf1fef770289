#pragma once
// The TPS landmark file, in which most two-dimensional landmark data is digitised. Each
// specimen is a block:
//   LM=k            followed by k lines "x y"
//   CURVES=c        optional, followed by c blocks POINTS=p and p lines "x y"
//   IMAGE=, ID=, COMMENT=, VARIABLES=   optional; ID (else IMAGE) labels the specimen
//   SCALE=s         optional: the coordinates are multiplied by s (missing or empty: 1)
// Keywords are matched at the start of a line, in any letter case, with blanks allowed around
// "=". Lines may end in LF, CR LF or CR; lines starting with # are comments, and keywords that
// carry no landmarks (NUM= and others) are skipped. Each specimen becomes a configuration row
// x1 y1 ... xk yk cs, cs being the centroid size of the scaled landmarks, so that the rest of
// the program sees the layout of the numeric landmark file.
#include <string>
#include <string_view>
#include <vector>

#include "core/matrix.h"

namespace tessaly {

// How the readers treat what real files hold beyond complete specimens of one count.
struct LandmarkOptions {
  // Specimens whose landmark count differs from the most common one, or whose landmarks all
  // coincide: refused (false) or left out with a warning (true).
  bool skipIncomplete = false;
  // Missing landmarks (NA, nan, or negative coordinates with negativeMissing): refused (false)
  // or kept as NaN for estimateMissing (true).
  bool estimateMissing = false;
  bool negativeMissing = false;
  // The points of CURVES= blocks: skipped with a warning, added after the landmarks as
  // semilandmarks that slide, or added as ordinary landmarks.
  enum class Curves { Skip, Slide, Fixed } curves = Curves::Skip;
};

// The kind of a landmark: 0 a fixed landmark, c >= 1 a semilandmark of curve c.
using LandmarkKinds = std::vector<int>;

struct TpsData {
  Matrix rows;                        // one configuration row per specimen, cs last
  std::vector<std::string> labels;    // per specimen: its ID, else its IMAGE, else empty
  std::vector<std::string> images;    // per specimen: its IMAGE without folder, else empty
  std::vector<std::string> warnings;  // one line each, for the user
  LandmarkKinds kinds;                // per landmark of a row; empty: all fixed
  // Per row, the 0-based landmarks that are missing (NaN in rows, and cs NaN); empty when none
  // is missing in any row.
  std::vector<std::vector<Eigen::Index>> missing;
  // The 1-based number in the file of each row's specimen, and the count of specimens in the
  // file (those left out included); kept is empty when every specimen became a row.
  std::vector<size_t> kept;
  size_t specimens = 0;
};

// True when the first line of text that is not blank starts with the keyword LM= (or LM3=,
// so that three-dimensional files are recognised and refused rather than misread).
bool isTpsText(std::string_view text);

// A text larger than this is read in parts of about this size on the threads.
inline constexpr size_t kTpsPartBytes = size_t{1} << 22;

// The whole text of a TPS file; `path` names the file in messages. A file that does not hold
// well-formed two-dimensional specimens of one landmark count is an Error whose text names
// the file, the line and the specimen (with its ID when it has one). The result, messages and
// warnings are the same whatever the part size and the number of threads.
TpsData parseTps(std::string_view text, const std::string& path,
                 const LandmarkOptions& options = {}, size_t partBytes = kTpsPartBytes);

// The text of a file: true when it looks like an NTS file (a first line that is a comment
// starting with a double quote, or a header "1 N C 0" with an L or dim=).
bool isNtsText(std::string_view text);

// The whole text of an NTS file: a header "1 N C M" (an L after N when row labels follow, after
// C when column labels do; an optional dim=2), lines starting with a double quote skipped. One
// specimen a row (N specimens of C/2 landmarks), or, with C = 2, one landmark a row (one
// specimen of N landmarks). M nonzero: the number after it marks missing values.
TpsData parseNts(std::string_view text, const std::string& path,
                 const LandmarkOptions& options = {});

// The message for a file that is no landmark data at all.
std::string notLandmarkData(const std::string& path);

// The whole content of a file; false when it cannot be opened.
bool readWholeFile(const std::string& path, std::string& text);

// Reads a landmark data file of any kind: TPS when isTpsText says so, NTS when the name ends
// in .nts or isNtsText says so, else the numeric text file of dload, read exactly as dload
// reads it (labels empty, dload's warnings). A file whose first line that is not blank starts with
// no number is refused with notLandmarkData. When the file cannot be opened, *opened is set to
// false and rows is dload's 1-by-1 matrix -1.
TpsData readLandmarkFile(const std::string& path, bool* opened = nullptr,
                         const LandmarkOptions& options = {});

// True when the file at path is read as TPS or NTS (then the reading options apply). A path
// that is no plain file (a pipe) is not opened: it is true only for a name ending in .nts.
bool hasReadingOptions(const std::string& path);

// The text of a numeric landmark file: one row a line, numbers in their shortest form that
// reads back to the same double, separated by blanks.
std::string numericText(const Matrix& rows);

}  // namespace tessaly
