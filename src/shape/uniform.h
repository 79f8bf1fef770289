#pragma once
// Uniform (affine) component of shape change.
//
// The reference is turned to its principal axes by theta (folded into (-pi/4, pi/4]); there
// the two uniform displacement patterns are, for landmark (x', y'),
//   U1: ( y' (alpha/gamma)^(1/2),  x' (gamma/alpha)^(1/2))
//   U2: (-x' (gamma/alpha)^(1/2),  y' (alpha/gamma)^(1/2))
// with alpha and gamma the sums of squares of the x'- and y'-coordinates. The reference
// displaced by 0.05 times each pattern is turned back by -theta, the reference subtracted,
// and the difference scaled to unit length: the uniform directions U1 and U2 in the frame of
// the reference. A reference whose landmarks lie on one line gives non-finite directions.
// The per-specimen uniform scores are computed by scpcoeff_arbrot (spline.h).
#include "core/matrix.h"

namespace tessaly::shape {

// Configuration row x with every landmark rotated counter-clockwise by theta (radians) about
// the origin; the last element of x is appended unchanged.
Matrix formrotate(const Matrix& x, double theta);

// [alpha gamma]: the sums of squares of the x-coordinates (columns 1, 3, ..., n-2) and of the
// y-coordinates (columns 2, 4, ..., n-1) of a configuration row.
Matrix uniparmproc(const Matrix& x);

// The unit uniform directions of a reference row as a 2-by-(n-1) matrix, rows U1 and U2. The
// reference is first rounded to four decimal places (halves away from zero), so references
// that agree to four places give the same directions.
Matrix UniArbitrary(const Matrix& xref);

}  // namespace tessaly::shape
