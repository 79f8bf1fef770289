#pragma once
// Estimation of missing landmarks, the common method of the field: the mean of the complete
// specimens is fitted to a specimen's present landmarks by least squares (translation,
// rotation, scale), then the thin-plate spline that carries the fitted mean's present landmarks
// onto the specimen's maps its missing landmarks to their estimates.
#include <vector>

#include "core/matrix.h"

namespace tessaly::shape {

// Fills in the missing landmarks of the configuration rows (x1 y1 ... xk yk cs): missing[i]
// lists the 0-based landmarks missing in row i (NaN there), or is empty for a complete row.
// The cs of an estimated row becomes the centroid size of its completed landmarks. The mean is
// the consensus of the complete rows. An Error when no row is complete, or when a specimen's
// present landmarks do not determine a spline (fewer than three, or all on one line).
void estimateMissing(Matrix& rows, const std::vector<std::vector<Eigen::Index>>& missing);

}  // namespace tessaly::shape
