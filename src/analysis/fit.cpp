#include "analysis/fit.h"

#include <algorithm>

#include "core/error.h"
#include "core/format.h"
#include "core/groups.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace tessaly::analysis {

namespace {

// The first p columns of scores minus one number, the mean of the last shape variable (not a
// separate mean per column). Times the unit axes this gives the CVA scores.
Matrix centredOnLastMean(const Eigen::Ref<const Matrix>& scores, const RowVector& means) {
  const Eigen::Index p = means.size();
  if (scores.cols() < p)
    throw Error(formatText("The scores have %d columns where %d shape variables are needed",
                           {static_cast<double>(scores.cols()), static_cast<double>(p)}));
  return scores.leftCols(p).array() - means(p - 1);
}

// centredOnLastMean(scores, means) * axes a block of rows at a time, so that the centred
// variables of a large data set are not all held beside the scores. Each block is a multiple
// of 48 rows, a whole number of the product kernel's row panels, so every row is formed as in
// the product of the whole matrix, to the last bit.
Matrix centredScores(const Eigen::Ref<const Matrix>& scores, const RowVector& means,
                     const Matrix& axes) {
  constexpr Eigen::Index kBlock = 48 * 170;
  const Eigen::Index n = scores.rows();
  Matrix out(n, axes.cols());
  for (Eigen::Index r = 0; r < n; r += kBlock) {
    const Eigen::Index b = std::min(kBlock, n - r);
    out.middleRows(r, b).noalias() = centredOnLastMean(scores.middleRows(r, b), means) * axes;
  }
  return out;
}

// The MANOVA leaves out rows with a missing value; here every specimen must take part, so a
// specimen whose shape variables are not finite is named instead.
void requireFiniteShapes(const Eigen::Ref<const Matrix>& shapes) {
  if (shapes.allFinite()) return;
  for (Eigen::Index i = 0; i < shapes.rows(); ++i)
    if (!shapes.row(i).allFinite())
      throw Error(formatText(
          "The shape variables of specimen %d are not finite numbers: its superimposition on "
          "the reference failed, so the MANOVA cannot use it",
          {static_cast<double>(i + 1)}));
}

}  // namespace

Matrix normalisedReference(const Matrix& reference, Eigen::Index columns) {
  if (reference.rows() != 1 || reference.cols() != columns)
    throw Error(formatText("The reference has %d rows of %d numbers where one row of %d is needed",
                           {static_cast<double>(reference.rows()),
                            static_cast<double>(reference.cols()), static_cast<double>(columns)}));
  Matrix centred = shape::centerref(reference);
  return centred / shape::centsize(centred)(0);
}

Matrix unitColumns(const Matrix& v) {
  Matrix out = v;
  for (Eigen::Index j = 0; j < out.cols(); ++j) out.col(j) /= out.col(j).norm();
  return out;
}

Fit fit(const Matrix& data, const Matrix& codes, const std::optional<Matrix>& reference,
        const FitOptions& options) {
  Fit f;
  f.codes = codes.cols() == 1 ? codes : codes.transpose();
  GroupNumbering numbering = numberGroups(f.codes);
  f.ordinal = std::move(numbering.ordinal);
  f.groupCodes = std::move(numbering.codes);
  if (reference) {
    f.reference = normalisedReference(*reference, data.cols());
    f.superimposed = shape::getpsup(data, f.reference);
  } else {
    shape::Consensus consensus = options.consensusStart.size() > 0
                                     ? shape::getconsensus(data, options.consensusStart)
                                     : shape::getconsensus(data);
    f.reference = consensus.xref;
    f.superimposed = shape::superimposeOnConsensus(std::move(consensus));
  }
  f.pwscores = shape::getpw_arbit(f.reference, f.superimposed);
  // The shape variables: every column of the partial warp scores but the centroid size.
  const auto shapes = f.pwscores.leftCols(f.pwscores.cols() - 1);
  requireFiniteShapes(shapes);
  if (options.components.used()) {
    f.pca = principalComponents(shapes);
    f.components = componentsToUse(options.components, *f.pca,
                                   static_cast<Eigen::Index>(f.ordinal.size()) - f.groups());
  }
  const Eigen::Ref<const Matrix> variables = f.variables();
  f.variableMeans = variables.colwise().mean();
  f.manova = stats::manova1(variables, f.codes, 0.05, stats::CanonicalColumns::Tested);
  f.axes = unitColumns(f.manova.stats.eigenvec);
  if (f.pca) f.axes = f.pca->loadings.leftCols(f.components) * f.axes;
  f.cvScores = centredScores(shapes, f.pca ? f.pca->mean : f.variableMeans, f.axes);
  f.eigenvalues = f.manova.stats.eigenval;
  return f;
}

Scores score(const Fit& fit, const Matrix& rows) {
  if (fit.variableMeans.size() < 1)
    throw Error("There are no partial warp scores of the specimens: run the CVA first");
  Scores s;
  s.superimposed = shape::getpsup(rows, fit.reference);
  s.pwscores = shape::getpw_arbit(fit.reference, s.superimposed);
  // The axes are directions in the shape variables; the canonical coefficients act on the
  // variables analysed, the unknowns' component scores when the fit is on components.
  const RowVector& shapeMeans = fit.pca ? fit.pca->mean : fit.variableMeans;
  const Matrix centred = centredOnLastMean(s.pwscores, shapeMeans);
  const Matrix shapeVars = s.pwscores.leftCols(shapeMeans.size());
  const Matrix variables =
      fit.pca ? Matrix(projectOnComponents(*fit.pca, shapeVars).leftCols(fit.components))
              : shapeVars;
  if (centred.cols() != fit.axes.rows() || variables.cols() != fit.manova.stats.eigenvec.rows())
    throw Error("The unknown specimens do not have the shape variables of the CVA run");
  s.cvScores = centred * fit.axes;
  s.variables = variables;
  s.canonicalScores = (s.variables.rowwise() - fit.variableMeans) * fit.manova.stats.eigenvec;
  return s;
}

}  // namespace tessaly::analysis
