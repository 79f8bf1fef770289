#pragma once
// Classification by distance to group means in a score space: groups numbered in order of
// first appearance of their codes, each specimen (and each unknown) assigned to the nearest
// group mean, a tie going to the lower ordinal group. The routines ask nothing and write
// nothing: offering the distances as a file is the classification action's part.
#include "core/matrix.h"

namespace tessaly::stats {

// What grpmean1 hands back. yunknown, zmunknown and udmatrix are filled only when the unknowns
// were processed (unknownsProcessed).
struct GroupMean1Result {
  Matrix y;          // N-by-4: ordinal group, code, assigned ordinal group, distance to its mean
  Matrix zmatrix;    // g-by-g counts of given (rows) against assigned (columns) groups
  Matrix zmatrix2;   // zmatrix with each row divided by its sum
  Matrix symgroup;   // 1-by-g: the code of each ordinal group
  Matrix dmatrix;    // N-by-g distances of the specimens to the group means
  Matrix yunknown;   // Nu-by-3: user code, assigned ordinal group, distance to its mean
  Matrix zmunknown;  // 1-by-g counts of unknowns assigned to each group
  Matrix udmatrix;   // Nu-by-g distances of the unknowns to the group means
  bool unknownsProcessed = false;
};

// What grpmean2 hands back.
struct GroupMean2Result {
  Matrix y;        // as for grpmean1
  Matrix dmatrix;  // N-by-g distances of the specimens to the group means
  int gcount = 0;  // number of groups
  Matrix yunknown;
  Matrix udmatrix;
  bool unknownsProcessed = false;
};

// Inputs: x (N-by-q scores), xgroup (N codes). The second form also assigns the unknowns xun
// (Nu-by-q) carrying the user codes xungroup.
GroupMean1Result grpmean1(const Matrix& x, const Matrix& xgroup);
GroupMean1Result grpmean1(const Matrix& x, const Matrix& xgroup, const Matrix& xun,
                          const Matrix& xungroup);

GroupMean2Result grpmean2(const Matrix& x, const Matrix& xgroup);
GroupMean2Result grpmean2(const Matrix& x, const Matrix& xgroup, const Matrix& xun,
                          const Matrix& xungroup);

}  // namespace tessaly::stats
