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

// The shape variables of partial warp scores: every column but the last (centroid size).
Matrix shapeVariables(const Matrix& pwscores) {
  return pwscores.leftCols(pwscores.cols() - 1);
}

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
  if (reference)
    f.reference = normalisedReference(*reference, data.cols());
  else if (options.consensusStart.size() > 0)
    f.reference = shape::getconsensus(data, options.consensusStart).xref;
  else
    f.reference = shape::getconsensus(data).xref;
  f.superimposed = shape::getpsup(data, f.reference);
  f.pwscores = shape::getpw_arbit(f.reference, f.superimposed);
  const auto variables = f.variables();
  f.variableMeans = variables.colwise().mean();
  requireFiniteShapes(variables);
  f.manova = stats::manova1(variables, f.codes, 0.05);
  f.axes = unitColumns(f.manova.stats.eigenvec);
  f.cvScores = centredScores(variables, f.variableMeans, f.axes);
  f.eigenvalues = f.manova.stats.eigenval;
  return f;
}

Scores score(const Fit& fit, const Matrix& rows) {
  if (fit.variableMeans.size() < 1)
    throw Error("There are no partial warp scores of the specimens: run the CVA first");
  Scores s;
  s.superimposed = shape::getpsup(rows, fit.reference);
  s.pwscores = shape::getpw_arbit(fit.reference, s.superimposed);
  const Matrix centred = centredOnLastMean(s.pwscores, fit.variableMeans);
  if (centred.cols() != fit.axes.rows() || centred.cols() != fit.manova.stats.eigenvec.rows())
    throw Error("The unknown specimens do not have the shape variables of the CVA run");
  s.cvScores = centred * fit.axes;
  s.variables = shapeVariables(s.pwscores);
  s.canonicalScores = (s.pwscores.leftCols(centred.cols()).rowwise() - fit.variableMeans) *
                      fit.manova.stats.eigenvec;
  return s;
}

}  // namespace tessaly::analysis
