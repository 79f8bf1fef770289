#pragma once
// The principal components of shape of the CVA run, as the displays and files show them.
#include <string>

#include "analysis/fit.h"
#include "analysis/pca.h"
#include "core/matrix.h"

namespace tessaly::dispatch {

// The components of the last CVA run; an Error when there has been none.
const analysis::Pca& shapeComponents();
// A 1-based component number typed by the user, checked, as a 0-based column.
Eigen::Index componentNumber(const std::string& text);
// The unknowns projected onto the components (no rows without scored unknowns).
Matrix unknownComponentScores();
// "PC 1 (45.2% of the variance)" for column j.
std::string componentAxisTitle(Eigen::Index j);

// The CVA's choice of components as FitOptions, for a refit of the same analysis.
analysis::FitOptions fitOptionsOfState();
// A report line naming the components the analysis ran on ("" for the shape variables).
// `refitted`: the components are computed afresh from the specimens of each fold.
std::string componentsUsedLine(bool refitted = false);

// The three tables of pca-scores.csv, pca.csv and pca-loadings.csv.
std::string componentScoresTable();
std::string componentVarianceTable();
std::string componentLoadingsTable();

}  // namespace tessaly::dispatch
