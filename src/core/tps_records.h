#pragma once
// What the TPS reader keeps of the specimens it has read, for the file-wide checks and the
// result: a record of fixed size for each specimen, and the stores its records point into.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/matrix.h"
#include "core/tps.h"
#include "core/tps_lines.h"

namespace tessaly::tps {

// A run of entries in one of the stores that all specimens share.
struct Run {
  size_t first = 0, size = 0;
};

template <typename T>
std::span<const T> entries(const std::vector<T>& store, Run run) {
  return std::span<const T>(store).subspan(run.first, run.size);
}

// What is known of one specimen, for its row and for messages. Its ID and image name lie in
// the buffer of names, its coordinates (the landmarks, then the points of its curves, scaled)
// in row `at` of the shared rows or, when they do not fit there, in the flat store from `at` on.
struct Specimen {
  size_t number = 0;  // 1-based
  long k = 0;
  size_t read = 0;  // coordinate pairs read (landmarks and curve points)
  size_t at = 0;
  bool inRows = false;
  bool hasScale = false;
  bool degenerate = false;  // its landmarks all coincide
  double scale = 1;
  double size = 0;  // the centroid size of its points
  Run id, image;
  Run curves;   // the points read of each curve
  Run missing;  // the 0-based landmarks that are missing
};

// "specimen N (ID id)", as messages name a specimen.
std::string who(size_t number, std::string_view id);

// The configuration rows that the parts fill: row i for specimen i + 1 when it has k landmarks.
// They are sized by the count of LM= lines and the landmark count of the first specimen, so
// that a file of specimens alike (the rule) is read into them directly. They are not used
// (k 0, no rows) for curve points (their count is known only when a block ends) nor when they
// would take more than 8 bytes for each byte of the file.
struct SharedRows {
  Matrix rows;
  long k = 0;
  SharedRows(std::string_view text, size_t specimens, const LandmarkOptions& options) {
    const long first = firstLandmarkCount(text);
    const auto cols = static_cast<size_t>(2 * first + 1);
    if (first == 0 || options.curves != LandmarkOptions::Curves::Skip ||
        specimens > text.size() / cols)
      return;
    k = first;
    rows.resize(static_cast<Eigen::Index>(specimens), static_cast<Eigen::Index>(cols));
  }
};

// The specimens read, those of each part in file order, and the stores of their records.
struct Stores {
  std::vector<std::vector<Specimen>> specimens;
  std::vector<double> values;  // the coordinates of the specimens not in the shared rows
  std::string names;
  std::vector<long> curvePoints;
  std::vector<Eigen::Index> missing;
  std::vector<std::string> skippedKeywords;
  size_t skippedPoints = 0;

  // Another part's stores after these, its records made to point into them.
  void append(Stores& later);
  // A keyword that carries no landmarks, named once in the warning that it was skipped.
  void skipKeyword(const std::string& name);

  std::string_view name(Run run) const {
    return std::string_view(names).substr(run.first, run.size);
  }
  std::string who(const Specimen& s) const { return tps::who(s.number, name(s.id)); }
  template <typename F>
  void eachSpecimen(F f) const {
    for (const std::vector<Specimen>& part : specimens)
      for (const Specimen& s : part) f(s);
  }
  size_t specimenCount() const {
    size_t count = 0;
    for (const std::vector<Specimen>& part : specimens) count += part.size();
    return count;
  }
};

// The file-wide checks and warnings (placeholders, other landmark counts, curves, missing
// landmarks, scales) and the result, of the specimens read from the file at path.
TpsData finish(Stores& stores, SharedRows& rows, const std::string& path,
               const LandmarkOptions& options);

}  // namespace tessaly::tps
