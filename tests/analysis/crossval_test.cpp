// The classifier and the cross-validation against independent computations: closed forms of
// the posterior, the typicality and kappa, and a brute-force refit of every fold.
#include "analysis/crossval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/dload.h"
#include "core/error.h"
#include "shape/shape_testing.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace tessaly::analysis {
namespace {

using Index = Eigen::Index;

struct Groups {
  Matrix x;
  std::vector<int> group;
};

// Groups of normal specimens whose means lie apart along the first variables.
Groups simulated(const std::vector<int>& sizes, Index p, std::uint64_t seed) {
  std::mt19937_64 engine(seed);
  std::normal_distribution<double> normal;
  Groups d;
  for (std::size_t g = 0; g < sizes.size(); ++g)
    for (int i = 0; i < sizes[g]; ++i) {
      RowVector row(p);
      for (Index j = 0; j < p; ++j) row(j) = normal(engine) + (j == Index(g) % p ? 1.5 : 0.0);
      d.x.conservativeResize(d.x.rows() + 1, p);
      d.x.row(d.x.rows() - 1) = row;
      d.group.push_back(static_cast<int>(g));
    }
  return d;
}

// The posteriors and the canonical axes of one fold, from scratch: means, W with divisor
// n - G, distances by an LU solve, axes from the generalised eigenproblem B v = l W v.
struct Reference {
  Matrix posterior, scores;
};

Reference bruteForceFold(const Groups& d, const std::vector<Index>& kept,
                         const std::vector<Index>& held, const Matrix& fullScores, int G, Index m) {
  const Index p = d.x.cols();
  Matrix means = Matrix::Zero(G, p);
  std::vector<double> n(G, 0.0);
  for (Index i : kept) {
    means.row(d.group[i]) += d.x.row(i);
    n[d.group[i]] += 1;
  }
  for (int g = 0; g < G; ++g) means.row(g) /= n[g];
  Matrix w = Matrix::Zero(p, p);
  for (Index i : kept) {
    const RowVector u = d.x.row(i) - means.row(d.group[i]);
    w += u.transpose() * u;
  }
  const RowVector grand = d.x(kept, Eigen::all).colwise().mean();
  Matrix b = Matrix::Zero(p, p);
  for (int g = 0; g < G; ++g)
    b += n[g] * (means.row(g) - grand).transpose() * (means.row(g) - grand);
  w /= static_cast<double>(kept.size()) - G;
  Reference r;
  r.posterior.resize(held.size(), G);
  for (std::size_t k = 0; k < held.size(); ++k) {
    for (int g = 0; g < G; ++g) {
      const ColVector u = (d.x.row(held[k]) - means.row(g)).transpose();
      r.posterior(k, g) = std::exp(-0.5 * u.dot(w.fullPivLu().solve(u))) / G;
    }
    r.posterior.row(k) /= r.posterior.row(k).sum();
  }
  Eigen::GeneralizedSelfAdjointEigenSolver<Matrix> eig(b, w);
  Matrix axes = eig.eigenvectors().rowwise().reverse().leftCols(m);
  const double centre = d.x(kept, p - 1).mean();
  for (Index j = 0; j < m; ++j) {
    axes.col(j).normalize();
    const ColVector ks = (d.x(kept, Eigen::all).array() - centre).matrix() * axes.col(j);
    const ColVector fs = fullScores(kept, j);
    if ((ks.array() - ks.mean()).matrix().dot((fs.array() - fs.mean()).matrix()) < 0)
      axes.col(j) *= -1;
  }
  r.scores = (d.x(held, Eigen::all).array() - centre).matrix() * axes;
  return r;
}

CrossValidationSetup setupFor(const Groups& d, int G, int folds) {
  CrossValidationSetup s;
  s.variables = d.x;
  s.scores = d.x * Matrix::Random(d.x.cols(), G - 1);  // any full-analysis scores will do
  s.group = d.group;
  for (int g = 0; g < G; ++g) s.groupLabels.push_back(std::to_string(g + 1));
  s.folds = folds;
  s.refit = Refit::Cva;
  s.seed = 7;
  return s;
}

TEST(CrossValidateCva, AgreesWithABruteForceRefitOfEveryFold) {
  for (int folds : {0, 4}) {
    SCOPED_TRACE(folds);
    const Groups d = simulated({9, 12, 10}, 5, 3);
    const CrossValidationSetup s = setupFor(d, 3, folds);
    const CrossValidation cv = crossValidate(s);
    for (int f = 0; f < cv.folds; ++f) {
      std::vector<Index> kept, held;
      for (Index i = 0; i < d.x.rows(); ++i) (cv.fold[i] == f ? held : kept).push_back(i);
      const Reference r = bruteForceFold(d, kept, held, s.scores, 3, 2);
      for (std::size_t k = 0; k < held.size(); ++k) {
        const Index i = held[k];
        EXPECT_LT((cv.held.posterior.row(i) - r.posterior.row(k)).cwiseAbs().maxCoeff(), 1e-8);
        EXPECT_LT((cv.scores.row(i) - r.scores.row(k)).cwiseAbs().maxCoeff(), 1e-8);
      }
    }
  }
}

// One fold of the whole-analysis refit, step by step from the shape routines: the consensus
// of the kept skulls started from the full consensus, their partial warps, and the held-out
// skulls fitted to that consensus and scored on its warps.
TEST(CrossValidateAll, AgreesWithAnIndependentRefitOfOneFold) {
  const Matrix data = shape::testing::apes();
  const Matrix codes = dload(std::string(TESSALY_EXAMPLES) + "/apes/apes-groups.txt");
  const Fit full = fit(data, codes, std::nullopt);
  CrossValidationSetup s;
  s.variables = full.variables;
  s.scores = full.cvScores;
  for (int a : full.ordinal) s.group.push_back(a - 1);
  for (int g = 1; g <= 6; ++g) s.groupLabels.push_back(std::to_string(g));
  s.folds = 5;
  s.seed = 3;
  s.refitAll = wholeAnalysisRefit(data, codes, std::nullopt, full.reference, {});
  const CrossValidation cv = crossValidate(s);

  std::vector<Index> kept, held;
  for (Index i = 0; i < data.rows(); ++i) (cv.fold[i] == 2 ? held : kept).push_back(i);
  const Matrix ref = shape::getconsensus(data(kept, Eigen::all), full.reference).xref;
  const Index p = full.variables.cols();
  auto variables = [&](const std::vector<Index>& rows) {
    const Matrix fitted = shape::getpsup(data(rows, Eigen::all), ref);
    return Matrix(shape::getpw_arbit(ref, fitted).leftCols(p));
  };
  const Groups fold{[&] {
                      Matrix x(data.rows(), p);
                      x(kept, Eigen::all) = variables(kept);
                      x(held, Eigen::all) = variables(held);
                      return x;
                    }(),
                    s.group};
  const Reference r = bruteForceFold(fold, kept, held, s.scores, 6, 5);
  for (std::size_t k = 0; k < held.size(); ++k)
    EXPECT_LT((cv.held.posterior.row(held[k]) - r.posterior.row(k)).cwiseAbs().maxCoeff(), 1e-8);
}

TEST(CrossValidate, FoldsAreStratifiedSeededAndThreadCountFree) {
  const std::vector<int> sizes{7, 13, 10};
  const Groups d = simulated(sizes, 3, 5);
  const std::vector<int> folds = stratifiedFolds(d.group, 3, 4, 11);
  Matrix perFold = Matrix::Zero(3, 4);
  for (std::size_t i = 0; i < folds.size(); ++i) perFold(d.group[i], folds[i]) += 1;
  for (int g = 0; g < 3; ++g) EXPECT_LE(perFold.row(g).maxCoeff() - perFold.row(g).minCoeff(), 1);
  EXPECT_LE(perFold.colwise().sum().maxCoeff() - perFold.colwise().sum().minCoeff(), 1);
  EXPECT_EQ(folds, stratifiedFolds(d.group, 3, 4, 11));
  EXPECT_NE(folds, stratifiedFolds(d.group, 3, 4, 12));

  CrossValidationSetup s = setupFor(d, 3, 4);
  auto run = [&](int threads) {
    setThreads(threads);
    CrossValidation cv = crossValidate(s);
    setThreads(0);
    return cv;
  };
  const CrossValidation one = run(1), two = run(2);
  EXPECT_EQ(one.held.posterior, two.held.posterior);
  EXPECT_EQ(one.scores, two.scores);
}

TEST(Classifier, PosteriorTypicalityAndKappaMatchClosedForms) {
  // Posteriors: D2 differing by 2 ln 3 give 3:1 with equal priors, also far from every mean.
  FitSize size{{10, 10}, 2};
  for (double base : {0.0, 5000.0}) {
    Matrix d2(1, 2);
    d2 << base, base + 2 * std::log(3.0);
    const Classification c = assess(d2, size, {0.5, 0.5});
    EXPECT_NEAR(c.posterior(0, 0), 0.75, 1e-11);
    EXPECT_NEAR(c.posterior(0, 1), 0.25, 1e-11);
  }
  // A tie goes to the lower ordinal group; priors 1:3 turn the 3:1 odds even.
  Matrix tie(1, 2);
  tie << 2 * std::log(3.0), 0;
  const Classification t = assess(tie, size, {0.75, 0.25});
  EXPECT_EQ(t.assigned[0], 0);
  EXPECT_DOUBLE_EQ(t.posterior(0, 0), 0.5);
  // With two variables F(2, v) has the tail (1 + 2 f / v)^(-v / 2).
  for (double d2 : {0.5, 3.0, 20.0}) {
    const double n = 20, G = 2, ng = 10, v = n - G - 2 + 1;
    const double f = ng / (ng + 1) * v / (2 * (n - G)) * d2;
    EXPECT_NEAR(typicality(d2, ng, size), std::pow(1 + 2 * f / v, -v / 2), 1e-13);
  }
  EXPECT_TRUE(std::isnan(typicality(1.0, 2, FitSize{{2, 1}, 2})));  // n - G - p + 1 = 0
  Matrix table(2, 2);
  table << 20, 5, 10, 15;  // observed 0.7, by chance 0.5
  EXPECT_NEAR(cohenKappa(table), 0.4, 1e-15);
}

TEST(CrossValidate, RefusesSchemesThatCannotRun) {
  const Groups d = simulated({4, 6}, 2, 1);
  struct Case {
    int folds, G;
    std::vector<int> group;
    const char* message;
  };
  std::vector<int> lone = d.group;
  lone[0] = 2;
  const std::vector<Case> cases = {
      {1, 2, d.group, "The number of folds must be 2 or more (or loo for leave-one-out), not 1"},
      {5, 2, d.group,
       "5 folds are more than the 4 specimens of the smallest group, 1: every fold must be able "
       "to hold one of each group"},
      {0, 3, lone,
       "Group 3 has fewer than two specimens: cross-validation needs at least two in every "
       "group"},
  };
  for (const Case& c : cases) {
    CrossValidationSetup s = setupFor(d, c.G, c.folds);
    s.group = c.group;
    try {
      crossValidate(s);
      ADD_FAILURE() << c.message;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // Eight specimens of two groups fit six variables, seven do not.
  const Groups narrow = simulated({4, 4}, 6, 2);
  try {
    crossValidate(setupFor(narrow, 2, 0));
    ADD_FAILURE() << "singular fold";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The cross-validation stopped in the fit without specimen 1: The pooled "
                 "within-group covariance of the shape variables is singular: 6 shape "
                 "variables, but 7 specimens in 2 groups allow at most 5; use fewer landmarks "
                 "or more specimens");
  }
}

}  // namespace
}  // namespace tessaly::analysis
