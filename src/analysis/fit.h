#pragma once
// The canonical variates analysis as functions: a fit of the whole chain on given specimens
// (reference, superimposition, partial warp and uniform scores, MANOVA with its canonical
// axes), and the scoring of other specimens on a fit. No windows, no analysis state: the CVA
// run, the unknowns and the resampling analyses all go through these.
#include <optional>
#include <vector>

#include "analysis/pca.h"
#include "core/matrix.h"
#include "stats/manova.h"

namespace tessaly::analysis {

// Choices of a fit beyond the specimens and their groups; the defaults give the usual CVA.
struct FitOptions {
  // The MANOVA and the canonical analysis on the leading principal components of the shape
  // variables instead of the variables themselves (when the variables are many for N - G).
  ComponentChoice components;
  // Where the consensus iteration starts (1 x (2k+1)); empty: from the first specimen. A refit
  // on part of the specimens starts from the consensus of all of them and settles in a few
  // passes, keeping its orientation.
  Matrix consensusStart;
};

struct Fit {
  Matrix codes;                    // the group codes as given, a column of N
  std::vector<int> ordinal;        // the ordinal group (1..G, by first appearance) of each
  std::vector<double> groupCodes;  // the code of each ordinal group
  Matrix reference;                // 1 x (2k+1): centred, unit centroid size, then the size value
  Matrix superimposed;             // N x (2k+1): the specimens fitted to the reference
  Matrix pwscores;  // N x (2k-3): partial warp and uniform scores, then centroid size
  // The variables the MANOVA analysed, N x p: the partial warp and uniform scores without the
  // centroid size (read from pwscores rather than held twice), or on components the scores on
  // the first `components` principal components. Every consumer takes them from here.
  Eigen::Ref<const Matrix> variables() const {
    if (pca) return pca->scores.leftCols(components);
    return pwscores.leftCols(pwscores.cols() - 1);
  }
  RowVector variableMeans;     // their means over the specimens
  stats::ManovaResult manova;  // its canonical variables only those of the tested dimensions
  // The principal components of the shape variables, with FitOptions::components; then the
  // variables are the scores on the first `components` of them.
  std::optional<Pca> pca;
  Eigen::Index components = 0;
  // The canonical axes (eigenvectors) scaled to unit length, as directions in the shape
  // variables: on components, the axes are mapped back through the loadings.
  Matrix axes;
  Matrix cvScores;     // the specimens' scores on the axes
  Matrix eigenvalues;  // of the canonical analysis, largest first

  int groups() const { return static_cast<int>(groupCodes.size()); }
};

// The shape variables and canonical scores of other specimens on a fit.
struct Scores {
  Matrix superimposed;  // the rows fitted to the fit's reference
  Matrix pwscores;      // their partial warp and uniform scores and centroid size
  Matrix variables;     // their shape variables, as the fit's variables
  Matrix cvScores;      // on the unit axes, in the frame of the fit's cvScores
  // On the canonical coefficients (manova.stats.eigenvec), centred on the specimens' variable
  // means as the MANOVA centres them: a copy of a specimen gets that specimen's canonical
  // variables.
  Matrix canonicalScores;
};

// Fits the analysis to data (N x (2k+1): x1 y1 ... xk yk, size) with their group codes (N
// codes, a row or a column). The reference is the consensus of the data, or the given row
// centred and scaled to unit centroid size. An Error with the user's message when the
// reference does not fit the data or the MANOVA cannot be run.
Fit fit(const Matrix& data, const Matrix& codes, const std::optional<Matrix>& reference,
        const FitOptions& options = {});

// Scores rows in the layout of the fit's data. Uses only the fit's reference, variable means,
// axes and canonical coefficients, so a fit carrying just those scores as well.
Scores score(const Fit& fit, const Matrix& rows);

// A reference row centred and scaled to unit centroid size; an Error when it does not have the
// `columns` columns of the data or is not one row.
Matrix normalisedReference(const Matrix& reference, Eigen::Index columns);

// The columns of v each divided by its Euclidean length.
Matrix unitColumns(const Matrix& v);

}  // namespace tessaly::analysis
