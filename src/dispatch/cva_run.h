#pragma once
// The texts of the CVA run ("LoadGroupList") that the significance report shares.
#include <string>
#include <vector>

#include "core/matrix.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

// The number of canonical axes along which the groups differ: the leading eigenvalues that are
// positive and not rounding noise (above 1e-9 of the largest). The others have no variation
// between the groups (there are at most one fewer than the groups).
Eigen::Index nonZeroAxes(const Matrix& eigenvalues);

// The scores on the canonical axes (unit vectors, columns of Vmatrix) scaled so that the pooled
// within-group variance along each axis is 1: column j divided by sqrt(v' W v / (N - G)) for
// its axis v and the within-group SSCP matrix W of the CVA run.
Matrix withinGroupScores(const Matrix& scores);
// The scores as the windows show and save them: in within-group units when that is chosen.
Matrix shownScores(const Matrix& scores);

// Stops with the program's message when canonical axis `axis` (0-based) of the loaded results
// has no variation between the groups. Without eigenvalues there is nothing to check.
void checkAxisVariation(Eigen::Index axis);

// A list of one code per specimen of a landmark file of which specimens were left out (kept:
// the 1-based numbers in the file of those kept, of `specimens`) loses the codes of the others,
// with a warning naming the list and the file; any other list is taken as it is.
Matrix keptCodes(const Matrix& codes, const std::vector<size_t>& kept, size_t specimens,
                 const std::string& list, const std::string& file);

// The significance report of the CVA run and its one-line summary.
std::string cvaReport(const Matrix& d, const Matrix& p, const stats::ManovaStats& v);
std::string cvaSummary(const Matrix& d, const Matrix& p);

}  // namespace tessaly::dispatch
