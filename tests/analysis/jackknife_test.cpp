#include "analysis/jackknife.h"

#include <gtest/gtest.h>

#include <random>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::analysis {

using stats::JackknifeResult;
namespace {

// Scores of `perGroup` specimens in each of three groups, with `npw` columns; the last column
// (a size, not analysed) is noise. Group means lie `shift` apart.
struct Data {
  Matrix scores;
  Matrix codes;
};
Data makeData(int perGroup, int npw, double shift, unsigned seed) {
  std::mt19937 engine(seed);
  std::normal_distribution<double> normal;
  const int n = 3 * perGroup;
  Data d{Matrix(n, npw), Matrix(n, 1)};
  const double codes[] = {4, 1, 7};
  for (int i = 0; i < n; ++i) {
    const int k = (i * 7) % 3;
    d.codes(i) = codes[k];
    for (int j = 0; j < npw; ++j) d.scores(i, j) = normal(engine) + (j == k ? shift : 0.0);
  }
  return d;
}

double countsOf(const JackknifeResult& r) {
  return r.mambo.rightCols(4).sum();
}

TEST(Jackknife, ReportAndCountsForOneTrial) {
  // 25 specimens (three groups, the first two of 9 and 8): 0.1 sets ceil(2.5) = 3 aside.
  const Data d = makeData(9, 5, 8, 1);
  const JackknifeResult r =
      jacknife_assignments(d.scores.topRows(25), d.codes.topRows(25), 1, 0.1, 77);
  EXPECT_EQ(r.mambo(0), 1);
  EXPECT_EQ(r.mambo(1), 0.1);
  EXPECT_EQ(countsOf(r), 3);
  // Far apart groups: every set-aside specimen goes to its own group.
  EXPECT_EQ(r.mambo(2) + r.mambo(3), 3);
  const auto c = [&](int k) { return std::to_string(static_cast<int>(r.mambo(k))); };
  const auto pct = [&](int k) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%3.1f", r.mambo(k) * 100 / 3);
    return std::string(buffer);
  };
  EXPECT_EQ(r.out_text,
            "Results of the Jack-knife test of the CVA performance"
            "\nDuring this test using 25 total specimens"
            "\n 10.0 percent (3) were used as \"unknowns\""
            "\nA total of 3 \"unknowns\" were tested in 1 trials"
            "\n\n" +
                c(2) + " (" + pct(2) +
                " percent) were correct and significant"
                "\n\n" +
                c(3) + " (" + pct(3) +
                " percent) were correct and non-significant"
                "\n\n" +
                c(5) + " (" + pct(5) +
                " percent) were incorrect and significant"
                "\n\n" +
                c(4) + " (" + pct(4) + " percent) were incorrect and non-significant");
}

// Trial t draws from stream t of the seed whatever the threads: a run is the sum of its trials
// run one by one, and gives one report on one thread or two.
TEST(Jackknife, EachTrialHasItsOwnStreamSoThreadsDoNotChangeTheReport) {
  const Data d = makeData(12, 7, 1.2, 5);  // overlapping groups: some misassignments
  setThreads(1);
  const JackknifeResult one = jacknife_assignments(d.scores, d.codes, 20, 0.2, 77);
  setThreads(2);
  const JackknifeResult two = jacknife_assignments(d.scores, d.codes, 20, 0.2, 77);
  setThreads(0);
  EXPECT_EQ(one.out_text, two.out_text);
  EXPECT_EQ(one.mambo, two.mambo);
  stats::JackknifeCounts sum;
  for (std::uint64_t t = 0; t < 20; ++t) {
    RandomEngine engine = blockEngine(77, t);
    sum += stats::jackknifeTrial(d.scores, d.codes, 8, engine);  // ceil(36 * 0.2) = 8
  }
  EXPECT_EQ(one.mambo, (Matrix(1, 6) << 20, 0.2, sum.correct_s, sum.correct_ns, sum.incorrect_ns,
                        sum.incorrect_s)
                           .finished());
  EXPECT_EQ(countsOf(one), 8 * 20);
  EXPECT_NE(jacknife_assignments(d.scores, d.codes, 20, 0.2, 78).mambo, one.mambo);

  // A non-integer number of trials runs its whole part, and the report counts those.
  const JackknifeResult frac = jacknife_assignments(d.scores, d.codes, 2.7, 0.2, 77);
  EXPECT_EQ(frac.mambo(0), 2);
  EXPECT_EQ(countsOf(frac), 16);
  EXPECT_NE(frac.out_text.find("A total of 16 \"unknowns\" were tested in 2 trials"),
            std::string::npos);
}

TEST(Jackknife, NothingSetAsideOrNothingToTest) {
  const Data d = makeData(10, 5, 6, 9);
  const JackknifeResult none = jacknife_assignments(d.scores, d.codes, 5, 0, 77);
  EXPECT_EQ(countsOf(none), 0);
  EXPECT_NE(none.out_text.find("\n\n0 (0.0 percent) were correct and significant"),
            std::string::npos);
  EXPECT_EQ(none.out_text.find("nan"), std::string::npos);

  // Two groups holding the very same specimens: with one specimen set aside the MANOVA finds
  // no significant dimension, so the trials test nothing and the report says so.
  Data same = makeData(15, 4, 0, 3);
  Data twins{Matrix(30, 4), Matrix(30, 1)};
  twins.scores << same.scores.topRows(15), same.scores.topRows(15);
  for (int i = 0; i < 30; ++i) twins.codes(i) = i < 15 ? 1 : 2;
  const JackknifeResult flat = jacknife_assignments(twins.scores, twins.codes, 3, 0.01, 77);
  EXPECT_EQ(countsOf(flat), 0);
  EXPECT_NE(flat.out_text.find("\n 1.0 percent (1) were used as \"unknowns\""
                               "\nA total of 0 \"unknowns\" were tested in 0 trials"
                               "\n(3 of the 3 trials found no significant canonical variate and "
                               "tested nothing)"
                               "\n\n0 (0.0 percent) were correct and significant"),
            std::string::npos)
      << flat.out_text;
}

TEST(Jackknife, TooFewKeptSpecimensEndWithTheManovaError) {
  const Data d = makeData(5, 5, 3, 2);
  for (double p : {1.0, 0.9}) {
    EXPECT_EQ(test_support::errorText([&] { jacknife_assignments(d.scores, d.codes, 2, p, 77); }),
              "The within-group sum of squares and cross products matrix is singular.")
        << p;
  }
}

}  // namespace
}  // namespace tessaly::analysis
