#pragma once
// The exaggeration of a deformation display chosen so that the shape change can be read: a
// round number of standard deviations of the specimens' scores along the axis, as large as
// keeps every landmark within 8% of the reference's extent.
#include "core/matrix.h"

namespace tessaly::dispatch {

// How much the change along one canonical axis is exaggerated.
struct Exaggeration {
  double times = 1;   // standard deviations of the scores
  double spread = 0;  // one standard deviation of the specimens' scores on the axis
  double factor() const { return times * spread; }  // the distance along the axis drawn
};

// The largest factor of 1, 2, 3, 5, 10, 20, 50, ... 1000 at which the shape change of `times`
// standard deviations of `scores` along `axis` (a column of canonical coefficients) moves no
// landmark of the reference by more than 8% of the reference's extent (at least 1).
Exaggeration visibleExaggeration(const Matrix& reference, const Matrix& axis, const Matrix& scores);

// After a CVA run: the deformation's exaggeration box gets the readable exaggeration of the
// first canonical axis, and its tip says how many standard deviations that is.
void setDefaultExaggeration();

}  // namespace tessaly::dispatch
