#include "core/bands.h"

#include <tbb/parallel_for.h>

#include <algorithm>

namespace tessaly {

void forEachBand(
    Eigen::Index rows, Eigen::Index bandRows,
    const std::function<void(Eigen::Index band, Eigen::Index first, Eigen::Index count)>& work) {
  const Eigen::Index bands = bandCount(rows, bandRows);
  const auto run = [&](Eigen::Index b) {
    const Eigen::Index first = b * bandRows;
    work(b, first, std::min(bandRows, rows - first));
  };
  // One band needs no threads: small data sets run as before, on the calling thread.
  if (bands == 1) return run(0);
  tbb::parallel_for(Eigen::Index{0}, bands, run);
}

}  // namespace tessaly
