#pragma once
// Superimposition of configurations: partial and generalised Procrustes fits, baseline
// registration, and the resistant (repeated medians) fit.
//
// All routines take data matrices of configuration rows x1 y1 ... xk yk cs (see
// configuration.h); the cs column is never rotated.
#include "core/matrix.h"

namespace tessaly::shape {

// Partial Procrustes superimposition of every specimen onto xref: each row is centred,
// scaled to unit centroid size and rotated by theta = atan2(st, ct), where
// ct = sum(xr_j x_j + yr_j y_j) and st = sum(x_j yr_j - y_j xr_j), the angle that minimises
// the summed squared distances to xref. No scaling follows the rotation. xref must already be
// centred and of unit size (it is read by linear position; its cs is not used). A specimen of
// zero size comes back as NaN. Throws tessaly::Error for rows that are not configuration rows
// or a reference with too few landmarks.
Matrix getpsup(const Matrix& x, const Matrix& xref);

// Result of the generalised Procrustes superimposition.
struct Consensus {
  Matrix xref;  // the consensus (iterated mean) configuration, 1-by-n, unit size
  Matrix x;     // the data rotated onto the consensus of the pass before the last
};

// The data of a consensus fit superimposed onto its consensus, as getpsup(data, xref) gives
// them: the rows, centred and of unit size already, are only turned once more.
Matrix superimposeOnConsensus(Consensus consensus);

// Passes allowed before getconsensus gives up.
inline constexpr int kConsensusPassLimit = 10000;

// Generalised Procrustes superimposition onto the data's own iterated mean. Every specimen is
// centred and scaled to unit size; the first specimen starts as the reference; then, pass by
// pass, every specimen is rotated onto the reference, the column means (cs column included)
// become the new reference, scaled to unit sum of squares of its coordinates, until the
// squared change of the reference falls to 7.450580596923829e-10 or below.
// Throws tessaly::Error for an empty data set, a specimen that is not finite after centring
// and scaling (coincident landmarks, non-numeric coordinates), or a consensus that does not
// settle within maxPasses passes.
Consensus getconsensus(const Matrix& x, int maxPasses = kConsensusPassLimit);
// The same iteration started from the given configuration (1-by-n, centred and of unit size)
// instead of the first specimen: started from the consensus of a larger sample that holds
// these specimens, it settles in a few passes, and the result keeps the start's orientation.
// Throws as above, and for a start that is not a finite row of the data's width.
Consensus getconsensus(const Matrix& x, const Matrix& start, int maxPasses = kConsensusPassLimit);

// Baseline (two-point) registration: landmark b1 goes to (0, 0) and landmark b2 to (1, 0) in
// every row (translation, scaling by the baseline length, rotation). With an odd number of
// columns the cs column is restored unscaled. b1 and b2 are 1-based landmark numbers; throws
// tessaly::Error if either is not a landmark of the rows. Coincident b1 and b2 give NaN rows.
Matrix basereg(const Matrix& x, double b1, double b2);

// Sliding-baseline standardisation: only the x-coordinates are centred, the y-coordinates are
// kept (a baseline on the x-axis stays on it), then the row is scaled to unit centroid size;
// the cs column is copied.
Matrix meth3sup(const Matrix& x);

// Resistant fit of one configuration row onto a target by repeated medians: the scale is the
// median over landmarks of the median ratio of target to data inter-landmark distances, the
// rotation likewise from differences of inter-landmark angles, and the translation the median
// of the residual offsets. Returns the fitted row with data's cs. Writes the scale and the
// coefficients [T1 T2 T3 T4] as diagnostic lines.
Matrix rftra(const Matrix& data, const Matrix& target);

}  // namespace tessaly::shape
