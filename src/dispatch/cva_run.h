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

// The significance report of the CVA run and its one-line summary.
std::string cvaReport(const Matrix& d, const Matrix& p, const stats::ManovaStats& v);
std::string cvaSummary(const Matrix& d, const Matrix& p);

}  // namespace tessaly::dispatch
