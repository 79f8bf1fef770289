#pragma once
// Work on a large data set split into bands of consecutive rows, run on the program's threads
// (as many as --threads allows). The bands are fixed by the row count and the band size alone,
// not by the threads, and a caller that adds up over the bands adds the bands' parts in band
// order: the results are the same to the last bit with any number of threads.
#include <functional>
#include <vector>

#include "core/matrix.h"

namespace tessaly {

// Rows per band when a caller has no reason to choose otherwise: enough work per band to be
// worth a thread, small enough to keep both cores busy on a few thousand specimens. It is a
// whole number of the matrix product kernel's row panels (48 rows), so that a product formed a
// band at a time equals the product of the whole matrix to the last bit.
inline constexpr Eigen::Index kBandRows = 48 * 85;

// The number of bands of `rows` rows split into bands of `bandRows`.
inline Eigen::Index bandCount(Eigen::Index rows, Eigen::Index bandRows = kBandRows) {
  return rows <= 0 ? 0 : (rows + bandRows - 1) / bandRows;
}

// Runs work(band, first row, row count) for every band, on the threads. Each call must touch
// only its own rows (or its own slot of a per-band result).
void forEachBand(
    Eigen::Index rows, Eigen::Index bandRows,
    const std::function<void(Eigen::Index band, Eigen::Index first, Eigen::Index count)>& work);

// The sum over the bands of part(first, count), each band's part formed on the threads and the
// parts added in band order. `zero` is the value of no rows.
template <class Part>
Matrix sumOverBands(Eigen::Index rows, Eigen::Index bandRows, const Matrix& zero, Part part) {
  std::vector<Matrix> parts(static_cast<std::size_t>(bandCount(rows, bandRows)));
  forEachBand(rows, bandRows, [&](Eigen::Index band, Eigen::Index first, Eigen::Index count) {
    parts[static_cast<std::size_t>(band)] = part(first, count);
  });
  Matrix sum = zero;
  for (const Matrix& p : parts) sum += p;
  return sum;
}

}  // namespace tessaly
