#include "analysis/crossval.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>

#include "core/error.h"
#include "stats/manova.h"

namespace tessaly::analysis {

namespace {

using Index = Eigen::Index;

std::vector<double> groupCounts(const std::vector<int>& group, int G) {
  std::vector<double> counts(static_cast<std::size_t>(G), 0.0);
  for (int g : group) counts[g] += 1;
  return counts;
}

// The fit of one fold as the held-out specimens need it: its classifier, and for the canonical
// axes the cross-products of the kept specimens' shape variables with their full-analysis
// scores (p-by-m) and the centre taken from every variable before scoring (the mean of the
// last shape variable, as the scores of the full analysis are centred).
struct FoldModel {
  Classifier classifier;
  Matrix cross;
  double centre = 0;
};

Matrix crossProducts(const Matrix& x, const Matrix& s) {
  const Matrix xc = x.rowwise() - x.colwise().mean();
  const Matrix sc = s.rowwise() - s.colwise().mean();
  return xc.transpose() * sc;
}

// The unit canonical axes (p-by-m) of a classifier, largest canonical root first: the
// eigenvectors of W^-1 B found in the space whitened by W's factor, where B is the
// cross-product of the group means' deviations, a matrix of rank G - 1 at most.
Matrix canonicalAxes(const Classifier& c, Index m) {
  const Index G = c.means.rows();
  const double n = c.size.specimens();
  ColVector centre = ColVector::Zero(c.whitenedMeans.rows());
  for (Index g = 0; g < G; ++g) centre += c.size.counts[g] * c.whitenedMeans.col(g) / n;
  Matrix z(c.whitenedMeans.rows(), G);
  for (Index g = 0; g < G; ++g)
    z.col(g) = std::sqrt(c.size.counts[g]) * (c.whitenedMeans.col(g) - centre);
  Eigen::JacobiSVD<Matrix> svd(z, Eigen::ComputeThinU);
  Matrix axes = c.within.matrixU().solve(svd.matrixU().leftCols(m));
  for (Index j = 0; j < m; ++j) axes.col(j).normalize();
  return axes;
}

// Scores of held-out rows on the fold's axes, each axis turned so that the kept specimens'
// scores on it rise with their scores on the full analysis's axis.
Matrix heldOutScores(const FoldModel& f, const Matrix& held, Index m) {
  Matrix axes = canonicalAxes(f.classifier, m);
  for (Index j = 0; j < m; ++j)
    if (axes.col(j).dot(f.cross.col(j)) < 0) axes.col(j) *= -1;
  return (held.array() - f.centre).matrix() * axes;
}

// The sign rule for scores a fold fitter computed: the kept specimens' fold scores against
// their full scores, axis by axis.
Matrix turnedScores(const FoldFit& fit, const Matrix& keptFull, Index m) {
  Matrix held = fit.heldScores.leftCols(m);
  const Matrix cov = crossProducts(fit.keptScores.leftCols(m), keptFull);
  for (Index j = 0; j < m; ++j)
    if (cov(j, j) < 0) held.col(j) *= -1;
  return held;
}

Matrix rowsOf(const Matrix& x, const std::vector<Index>& rows) {
  return x(rows, Eigen::all);
}

std::vector<int> groupsOf(const std::vector<int>& group, const std::vector<Index>& rows) {
  std::vector<int> out;
  out.reserve(rows.size());
  for (Index i : rows) out.push_back(group[i]);
  return out;
}

// The result of one fold for its held-out specimens.
struct FoldOutcome {
  Classification held;
  Matrix scores;
  FitSize size;
};

FoldOutcome classifyHeld(const Classifier& c, const Matrix& held, Matrix scores,
                         const std::vector<double>& priors) {
  FoldOutcome out;
  out.held = assess(squaredDistances(c, held), c.size, priors);
  out.scores = std::move(scores);
  out.size = c.size;
  return out;
}

// Everything the folds share.
struct Shared {
  const CrossValidationSetup& setup;
  int G;
  Index m;
  std::vector<double> priors;
  Classifier full;  // refit `cva`, leave-one-out
  Matrix fullCross;
  double fullCentre = 0;
  RowVector variableMeans, scoreMeans;
};

// Leave-one-out with the shape variables kept: the fit without specimen o follows from the
// full fit by one rank-one downdate of S's factor, m_g' = (n_g m_g - x) / (n_g - 1) and
// S' = S - n_g / (n_g - 1) (x - m_g)(x - m_g)'.
FoldOutcome leaveOneOutCva(const Shared& sh, Index o) {
  const auto& s = sh.setup;
  const int g = s.group[o];
  const double ng = sh.full.size.counts[g], N = static_cast<double>(s.variables.rows());
  const RowVector x = s.variables.row(o);
  FoldModel f;
  f.classifier.size = sh.full.size;
  f.classifier.size.counts[g] -= 1;
  f.classifier.means = sh.full.means;
  f.classifier.within = sh.full.within;
  if (ng > 1) {
    const RowVector u = x - sh.full.means.row(g);
    f.classifier.means.row(g) = (ng * sh.full.means.row(g) - x) / (ng - 1);
    f.classifier.within.rankUpdate(u.transpose(), -ng / (ng - 1));
  } else {
    f.classifier.means.row(g).setZero();
  }
  finishClassifier(f.classifier);
  f.cross = sh.fullCross - N / (N - 1) * (x - sh.variableMeans).transpose() *
                               (s.scores.row(o).head(sh.m) - sh.scoreMeans);
  f.centre = (N * sh.fullCentre - x(x.size() - 1)) / (N - 1);
  return classifyHeld(f.classifier, x, heldOutScores(f, x, sh.m), sh.priors);
}

FoldOutcome foldCva(const Shared& sh, const std::vector<Index>& kept,
                    const std::vector<Index>& held) {
  const auto& s = sh.setup;
  const Matrix x = rowsOf(s.variables, kept);
  FoldModel f;
  f.classifier = fitClassifier(x, groupsOf(s.group, kept), sh.G);
  f.cross = crossProducts(x, rowsOf(s.scores, kept).leftCols(sh.m));
  f.centre = x.col(x.cols() - 1).mean();
  const Matrix h = rowsOf(s.variables, held);
  return classifyHeld(f.classifier, h, heldOutScores(f, h, sh.m), sh.priors);
}

FoldOutcome foldAll(const Shared& sh, const std::vector<Index>& kept,
                    const std::vector<Index>& held) {
  const auto& s = sh.setup;
  // The refit may analyse fewer variables than the full analysis (the components that hold
  // 95% of the fold's variance), so W is judged by the fold's own count; a refit whose MANOVA
  // stops on a singular W is told in the same words.
  FitSize size{groupCounts(groupsOf(s.group, kept), sh.G), s.variables.cols()};
  FoldFit fit;
  try {
    fit = s.refitAll(kept, held);
  } catch (const Error& e) {
    if (std::string(e.what()) != stats::kSingularWithin) throw;
    throw Error(singularWithinMessage(size, ""));
  }
  size.variables = fit.keptVariables.cols();
  if (size.dfW() < static_cast<double>(size.variables))
    throw Error(singularWithinMessage(size, ""));
  const Classifier c = fitClassifier(fit.keptVariables, groupsOf(s.group, kept), sh.G);
  const Matrix keptFull = rowsOf(s.scores, kept).leftCols(sh.m);
  return classifyHeld(c, fit.heldVariables, turnedScores(fit, keptFull, sh.m), sh.priors);
}

// The kept and the held-out specimens of each fold.
struct FoldRows {
  std::vector<Index> kept, held;
};

std::vector<FoldRows> foldRows(const std::vector<int>& fold, int K) {
  std::vector<FoldRows> rows(static_cast<std::size_t>(K));
  for (Index i = 0; i < static_cast<Index>(fold.size()); ++i)
    for (int f = 0; f < K; ++f) (f == fold[i] ? rows[f].held : rows[f].kept).push_back(i);
  return rows;
}

std::string foldName(const CrossValidationSetup& s, int f, Index specimen) {
  return s.folds == 0 ? "the fit without specimen " + std::to_string(specimen + 1)
                      : "fold " + std::to_string(f + 1) + " of " + std::to_string(s.folds);
}

// Puts each fold's outcome in the rows of its held-out specimens, and notes the groups that a
// fold could not assign.
void gather(const CrossValidationSetup& s, const std::vector<FoldRows>& rows,
            const std::vector<FoldOutcome>& outcomes, bool leaveOneOut, CrossValidation& out) {
  const Index N = s.variables.rows(), G = static_cast<Index>(s.groupLabels.size());
  const Index m = outcomes.empty() ? 0 : outcomes.front().scores.cols();
  Classification& all = out.held;
  all.d2.resize(N, G);
  all.posterior.resize(N, G);
  all.typicality.resize(N, G);
  all.assigned.assign(static_cast<std::size_t>(N), 0);
  out.scores.resize(N, m);
  for (std::size_t f = 0; f < outcomes.size(); ++f) {
    const FoldOutcome& o = outcomes[f];
    const std::vector<Index> one{static_cast<Index>(f)};
    const std::vector<Index>& held = leaveOneOut ? one : rows[f].held;
    for (std::size_t r = 0; r < held.size(); ++r) {
      const Index i = held[r];
      all.d2.row(i) = o.held.d2.row(r);
      all.posterior.row(i) = o.held.posterior.row(r);
      all.typicality.row(i) = o.held.typicality.row(r);
      all.assigned[i] = o.held.assigned[r];
      out.scores.row(i) = o.scores.row(r);
    }
    for (Index g = 0; g < G; ++g) {
      if (o.size.counts[g] <= 0)
        out.warnings.push_back("Group " + s.groupLabels[g] + " has no kept specimen in " +
                               foldName(s, static_cast<int>(f), held.front()) +
                               ": its held-out specimens cannot be assigned to it and count "
                               "as wrong");
      else if (std::isnan(o.held.typicality.col(g).sum()))
        out.typicalityUndefined = true;
    }
  }
}

}  // namespace

FoldFitter wholeAnalysisRefit(const Matrix& data, const Matrix& codes,
                              const std::optional<Matrix>& reference, const Matrix& start,
                              const FitOptions& options) {
  FitOptions withStart = options;
  if (!reference) withStart.consensusStart = start;
  const Matrix column = codes.reshaped(codes.size(), 1);
  return [data, column, reference, withStart](const std::vector<Index>& kept,
                                              const std::vector<Index>& held) {
    const Fit f = fit(rowsOf(data, kept), rowsOf(column, kept), reference, withStart);
    Scores h = score(f, rowsOf(data, held));
    return FoldFit{f.variables(), f.cvScores, std::move(h.variables), std::move(h.cvScores)};
  };
}

std::vector<int> stratifiedFolds(const std::vector<int>& group, int G, int K, std::uint64_t seed) {
  std::mt19937_64 engine(seed);
  std::vector<int> fold(group.size(), 0);
  int next = 0;
  for (int g = 0; g < G; ++g) {
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < group.size(); ++i)
      if (group[i] == g) members.push_back(i);
    // Fisher-Yates with the engine's raw output, the same order on every platform.
    for (std::size_t i = members.size(); i > 1; --i)
      std::swap(members[i - 1], members[engine() % i]);
    for (std::size_t i : members) {
      fold[i] = next;
      next = (next + 1) % K;
    }
  }
  return fold;
}

Eigen::Index canonicalAxisCount(int G, Eigen::Index p) {
  // Two at least, as the plots need, where there are two variables.
  return std::max(std::min<Index>(G - 1, p), std::min<Index>(2, p));
}

void checkScheme(const CrossValidationSetup& s) {
  const int G = static_cast<int>(s.groupLabels.size());
  const std::vector<double> counts = groupCounts(s.group, G);
  for (int g = 0; g < G; ++g)
    if (counts[g] < 2)
      throw Error("Group " + s.groupLabels[g] +
                  " has fewer than two specimens: cross-validation needs at least two in "
                  "every group");
  if (s.folds == 0) return;
  if (s.folds < 2)
    throw Error("The number of folds must be 2 or more (or loo for leave-one-out), not " +
                std::to_string(s.folds));
  const auto smallest = std::min_element(counts.begin(), counts.end()) - counts.begin();
  if (s.folds > counts[smallest])
    throw Error(std::to_string(s.folds) + " folds are more than the " +
                std::to_string(static_cast<long long>(counts[smallest])) +
                " specimens of the smallest group, " + s.groupLabels[smallest] +
                ": every fold must be able to hold one of each group");
}

Classification resubstitute(const Matrix& variables, const std::vector<int>& group, int G,
                            Priors priors) {
  const Classifier c = fitClassifier(variables, group, G);
  return assess(squaredDistances(c, variables), c.size,
                priorWeights(priors, groupCounts(group, G)));
}

Matrix confusionTable(const std::vector<int>& group, const std::vector<int>& assigned, int G) {
  Matrix table = Matrix::Zero(G, G);
  for (std::size_t i = 0; i < group.size(); ++i) table(group[i], assigned[i]) += 1;
  return table;
}

CrossValidation crossValidate(const CrossValidationSetup& s) {
  checkScheme(s);
  const int G = static_cast<int>(s.groupLabels.size());
  const Index N = s.variables.rows();
  Shared sh{s,
            G,
            std::min(canonicalAxisCount(G, s.variables.cols()), s.scores.cols()),
            priorWeights(s.priors, groupCounts(s.group, G)),
            {},
            {},
            0,
            {},
            {}};
  const bool downdate = s.folds == 0 && s.refit == Refit::Cva;
  if (downdate) {
    sh.full = fitClassifier(s.variables, s.group, G);
    sh.fullCross = crossProducts(s.variables, s.scores.leftCols(sh.m));
    sh.fullCentre = s.variables.col(s.variables.cols() - 1).mean();
    sh.variableMeans = s.variables.colwise().mean();
    sh.scoreMeans = s.scores.leftCols(sh.m).colwise().mean();
  }
  CrossValidation out;
  out.folds = s.folds == 0 ? static_cast<int>(N) : s.folds;
  out.fold.resize(N);
  if (s.folds == 0)
    for (Index i = 0; i < N; ++i) out.fold[i] = static_cast<int>(i);
  else
    out.fold = stratifiedFolds(s.group, G, s.folds, s.seed);
  const std::vector<FoldRows> rows =
      downdate ? std::vector<FoldRows>(out.folds) : foldRows(out.fold, out.folds);

  std::vector<FoldOutcome> outcomes(out.folds);
  std::vector<std::optional<std::string>> failures(out.folds);
  // One fold a block: the folds draw nothing, the seed only names the run.
  forEachBlock(
      static_cast<std::size_t>(out.folds), 1, s.seed,
      [&](std::size_t b, RandomEngine&, std::size_t, std::size_t) {
        const int f = static_cast<int>(b);
        try {
          if (downdate)
            outcomes[f] = leaveOneOutCva(sh, f);
          else if (s.refit == Refit::Cva)
            outcomes[f] = foldCva(sh, rows[f].kept, rows[f].held);
          else
            outcomes[f] = foldAll(sh, rows[f].kept, rows[f].held);
        } catch (const Error& e) {
          failures[f] = e.what();
        }
      },
      s.progress);
  for (int f = 0; f < out.folds; ++f)
    if (failures[f])
      throw Error("The cross-validation stopped in " + foldName(s, f, f) + ": " + *failures[f]);
  gather(s, rows, outcomes, downdate, out);
  return out;
}

}  // namespace tessaly::analysis
