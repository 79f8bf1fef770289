#pragma once
// Sliding semilandmarks. The points of a curve carry no position of their own along the curve,
// only its shape; they are slid along their tangents until the thin-plate spline from the
// consensus to the specimen bends least (minimum bending energy), alternating with the
// generalised Procrustes superimposition.
//
// For a reference with bending energy matrix Be (the upper-left k-by-k block of L^-1, see
// spline.h), a specimen's bending energy is J = x' Be x + y' Be y. Semilandmark a moves to
// p_a + t_a u_a, u_a its unit tangent; J is quadratic in t, and its minimum solves
// M t = -r with M(a, b) = Be(a, b) (u_a . u_b) and r_a = u_a . (Be x, Be y)_a.
// J does not change when the specimen is translated or rotated and scales with its size, so a
// specimen is slid in its own frame: the slid row stays where and as large as it was.
#include <vector>

#include "core/matrix.h"

namespace tessaly::shape {

// The consensus has settled when the squared Procrustes distance between the consensuses of
// two rounds (unit centroid size, the new one fitted onto the old) is at or below
// kSlideTolerance, a distance of 0.001. Beyond that the alternation mostly carries the points
// of the consensus along their curves, so it is stopped after kSlideRoundLimit rounds.
inline constexpr double kSlideTolerance = 1e-6;
inline constexpr int kSlideRoundLimit = 20;

// Kind of each landmark of a row: 0 fixed, c >= 1 a point of curve c (the points of a curve
// consecutive, in order along it).
using SlideKinds = std::vector<int>;

// Unit tangent of every landmark of row i (x1 y1 ... xk yk cs): for an inner point of a curve
// the direction from the point before it to the point after it on the same curve; (0, 0) for
// fixed landmarks, the two end points of each curve, and points whose neighbours coincide, so
// that these do not move.
Matrix slideTangents(const Matrix& rows, Eigen::Index i, const SlideKinds& kinds);

// Bending energy of the spline from the reference (1 x (2k+1) row) to every row: a column.
ColVector bendingEnergy(const Matrix& reference, const Matrix& rows);

// Slides the semilandmarks of every row once, along the tangents of `from` (rows of the same
// shape; normally the rows themselves before sliding), from their positions in `from`, to the
// minimum bending energy against the reference row. Fixed landmarks and curve ends keep their
// place; cs becomes the centroid size of the slid landmarks. An Error when the reference has
// coincident landmarks or a specimen's tangents leave the minimum undetermined.
Matrix slideOnto(const Matrix& from, const SlideKinds& kinds, const Matrix& reference);

struct SlideResult {
  int rounds = 0;       // rounds run (0: no semilandmark slides)
  bool settled = true;  // false when kSlideRoundLimit rounds did not settle the consensus
  double change = 0;    // squared change of the consensus in the last round
};

// Slides every row against the consensus of the rows, then superimposes again, round after
// round (always from the unslid rows and their tangents, so every slid point stays on the
// tangent line through its place in the file), until the consensus settles (kSlideTolerance)
// or kSlideRoundLimit rounds have run. The rows are replaced by the slid ones of the last
// round. Rows without semilandmarks are left as they are.
SlideResult slideSemilandmarks(Matrix& rows, const SlideKinds& kinds);

}  // namespace tessaly::shape
