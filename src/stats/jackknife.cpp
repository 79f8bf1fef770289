#include "stats/jackknife.h"

#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "core/error.h"
#include "core/format.h"
#include "core/random.h"
#include "stats/assignment.h"
#include "stats/manova.h"
#include "stats/ranges.h"

namespace tessaly::stats {

namespace {

// A uniform integer in [0, bound) from the engine's raw output, by rejection so that every
// value is equally likely (the same on every standard library, unlike the library's own
// distributions).
std::uint64_t uniformBelow(RandomEngine& engine, std::uint64_t bound) {
  const std::uint64_t threshold = (0 - bound) % bound;  // 2^64 mod bound
  while (true) {
    const std::uint64_t r = engine();
    if (r >= threshold) return r % bound;
  }
}

// A random permutation of 0..n-1 (Fisher-Yates).
std::vector<Eigen::Index> randomPermutation(Eigen::Index n, RandomEngine& engine) {
  std::vector<Eigen::Index> p(static_cast<size_t>(n));
  std::iota(p.begin(), p.end(), Eigen::Index{0});
  for (Eigen::Index i = n - 1; i > 0; --i) {
    const auto j =
        static_cast<Eigen::Index>(uniformBelow(engine, static_cast<std::uint64_t>(i + 1)));
    std::swap(p[static_cast<size_t>(i)], p[static_cast<size_t>(j)]);
  }
  return p;
}

Matrix rowsOf(const Matrix& m, const std::vector<Eigen::Index>& rows, Eigen::Index cols) {
  Matrix out(static_cast<Eigen::Index>(rows.size()), cols);
  for (size_t k = 0; k < rows.size(); ++k)
    out.row(static_cast<Eigen::Index>(k)) = m.row(rows[k]).head(cols);
  return out;
}

Matrix codesOf(const Matrix& codes, const std::vector<Eigen::Index>& rows) {
  Matrix out(static_cast<Eigen::Index>(rows.size()), 1);
  for (size_t k = 0; k < rows.size(); ++k) out(static_cast<Eigen::Index>(k), 0) = codes(rows[k]);
  return out;
}

}  // namespace

JackknifeCounts& JackknifeCounts::operator+=(const JackknifeCounts& other) {
  correct_s += other.correct_s;
  correct_ns += other.correct_ns;
  incorrect_ns += other.incorrect_ns;
  incorrect_s += other.incorrect_s;
  tested_trials += other.tested_trials;
  return *this;
}

JackknifePlan planJackknife(const Matrix& jpwscores, const Matrix& jglist, double njack,
                            double pjack) {
  const Eigen::Index nspec = jpwscores.rows();
  if (!std::isfinite(pjack) || pjack < 0) {
    throw Error("The fraction left out must be a number from 0 to 1.");
  }
  if (jglist.size() != nspec) {
    throw Error("The number of group codes differs from the number of specimens.");
  }
  JackknifePlan plan;
  // Whole trials only, so that the counts add up to the number of assignments reported.
  plan.trials = std::isfinite(njack) && njack > 0 ? std::floor(njack) : 0;
  plan.leaveOut = std::min<Eigen::Index>(
      nspec, static_cast<Eigen::Index>(std::ceil(static_cast<double>(nspec) * pjack)));
  return plan;
}

JackknifeCounts jackknifeTrial(const Matrix& jpwscores, const Matrix& jglist, Eigen::Index leaveOut,
                               RandomEngine& engine) {
  const Eigen::Index nspec = jpwscores.rows();
  const Eigen::Index kept = nspec - leaveOut;
  const Eigen::Index nvar = std::max<Eigen::Index>(jpwscores.cols() - 1, 0);
  const std::vector<Eigen::Index> rlist = randomPermutation(nspec, engine);
  const std::vector<Eigen::Index> nrlist(rlist.begin(), rlist.begin() + kept);
  const std::vector<Eigen::Index> urlist(rlist.begin() + kept, rlist.end());
  const Matrix X = rowsOf(jpwscores, nrlist, nvar);
  const Matrix GLIST = codesOf(jglist, nrlist);
  const Matrix UX = rowsOf(jpwscores, urlist, nvar);
  const Matrix UGLIST = codesOf(jglist, urlist);

  JackknifeCounts counts;
  const ManovaResult manova = manova1(X, GLIST);
  const auto NumCVA = static_cast<Eigen::Index>(manova.d(0, 0));
  // Without a significant canonical variate there is no space to assign in: the trial's
  // specimens are not tested (and are not counted as tested).
  if (NumCVA == 0) return counts;
  Matrix Vmatrix = manova.stats.eigenvec.leftCols(NumCVA);
  for (Eigen::Index j = 0; j < NumCVA; ++j) Vmatrix.col(j) /= Vmatrix.col(j).norm();

  // Both score sets are shifted by the mean of the last analysed column; distances do not
  // depend on the shift.
  const double c = kept > 0 ? X.col(nvar - 1).mean() : 0.0;
  const Matrix CVAScores = (X.array() - c).matrix() * Vmatrix;
  const Matrix UCVASCORES = (UX.array() - c).matrix() * Vmatrix;

  const Matrix drange = rangeCVADist(CVAScores, GLIST, engine);
  const GroupMean1Result assigned = grpmean1(CVAScores, GLIST, UCVASCORES, UGLIST);
  const Matrix& yun = assigned.yunknown;
  for (Eigen::Index i = 0; i < yun.rows(); ++i) {
    const auto a = static_cast<Eigen::Index>(yun(i, 1)) - 1;
    const double dist = yun(i, 2);
    const bool correct = assigned.symgroup(0, a) == UGLIST(i, 0);
    const bool significant = !(dist > drange(a, 2));
    if (correct)
      (significant ? counts.correct_s : counts.correct_ns) += 1;
    else
      (significant ? counts.incorrect_s : counts.incorrect_ns) += 1;
  }
  counts.tested_trials = 1;
  return counts;
}

JackknifeResult jackknifeReport(Eigen::Index nspec, const JackknifePlan& plan, double pjack,
                                const JackknifeCounts& total) {
  const double trials = plan.trials, tested_trials = total.tested_trials;
  const double correct_s = total.correct_s, correct_ns = total.correct_ns;
  const double incorrect_s = total.incorrect_s, incorrect_ns = total.incorrect_ns;
  JackknifeResult result;
  result.mambo.resize(1, 6);
  result.mambo << trials, pjack, correct_s, correct_ns, incorrect_ns, incorrect_s;

  const double m = static_cast<double>(plan.leaveOut);
  const double T = m * tested_trials;
  // With nothing tested every share is shown as 0.0 rather than as 0/0.
  auto pct = [T](double k) { return T > 0 ? k * 100 / T : 0.0; };
  std::string& out = result.out_text;
  out = formatText("Results of the Jack-knife test of the CVA performance");
  out += formatText("\\nDuring this test using %i total specimens", {static_cast<double>(nspec)});
  out += formatText("\\n %2.1f percent (%i) were used as \"unknowns\"", {pjack * 100, m});
  out += formatText("\\nA total of %i \"unknowns\" were tested in %i trials", {T, tested_trials});
  if (tested_trials < trials) {
    out += formatText(
        "\\n(%i of the %i trials found no significant canonical variate and tested nothing)",
        {trials - tested_trials, trials});
  }
  out += formatText("\\n\\n%i (%3.1f percent) were correct and significant",
                    {correct_s, pct(correct_s)});
  out += formatText("\\n\\n%i (%3.1f percent) were correct and non-significant",
                    {correct_ns, pct(correct_ns)});
  out += formatText("\\n\\n%i (%3.1f percent) were incorrect and significant",
                    {incorrect_s, pct(incorrect_s)});
  out += formatText("\\n\\n%i (%3.1f percent) were incorrect and non-significant",
                    {incorrect_ns, pct(incorrect_ns)});
  return result;
}

}  // namespace tessaly::stats
