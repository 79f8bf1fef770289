#pragma once
// The steps of the canonical variates analysis that the CVA run ("LoadGroupList") shares
// with the unknowns, the reference and the significance report.
#include <string>

#include "core/matrix.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

// A loaded reference row centred and scaled to unit centroid size; an Error when it does not
// have the `columns` columns of the data or is not one row.
Matrix normalisedReference(const Matrix& reference, Eigen::Index columns);

// The columns of v each divided by its Euclidean length.
Matrix unitColumns(const Matrix& v);
// The first s columns of scores minus one number: the mean over the specimens of column s of
// pwscores (the last shape variable). The CVA scores are this times the canonical axes.
Matrix centredShapeScores(const Matrix& scores, const Matrix& pwscores, Eigen::Index s);
// The first s columns of scores centred on the specimens' column means (of the first s
// columns of pwscores), as the MANOVA centres the specimens before it forms `canon`. Times the
// eigenvectors this puts unknowns on the specimens' canonical variables, so that a copy of a
// specimen gets that specimen's distances whatever the reference.
Matrix specimenCentredShapeScores(const Matrix& scores, const Matrix& pwscores, Eigen::Index s);

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

// The significance report of the CVA run and its one-line summary.
std::string cvaReport(const Matrix& d, const Matrix& p, const stats::ManovaStats& v);
std::string cvaSummary(const Matrix& d, const Matrix& p);

}  // namespace tessaly::dispatch
