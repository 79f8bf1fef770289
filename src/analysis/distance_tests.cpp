#include "analysis/distance_tests.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "core/error.h"
#include "core/numbers.h"
#include "core/text.h"
#include "stats/manova.h"

namespace tessaly::analysis {

namespace {

// The seed of test t of a run: SplitMix64 of the run's seed and t, so that no two tests share a
// stream.
std::uint64_t testSeed(std::uint64_t seed, std::uint64_t t) {
  std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL * (t + 1);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double share(std::uint64_t hits, std::uint64_t rounds) {
  return (1 + static_cast<double>(hits)) / (1 + static_cast<double>(rounds));
}

// The pair's sizes and observed distances; the p-values come from its rounds.
PairResult observedPair(const GroupedSample& sample, const PairPermutation& test, int a, int b,
                        std::uint64_t rounds) {
  PairResult r;
  r.a = a;
  r.b = b;
  for (int g : sample.ordinal) {
    r.na += g == a;
    r.nb += g == b;
  }
  r.mahalanobis = test.observedMahalanobis();
  r.procrustes = test.observedProcrustes();
  r.labellings = test.labellings(rounds + 1);
  r.exact = r.labellings <= rounds;
  return r;
}

void setPValues(PairResult& r, const PairCounts& counts, std::uint64_t rounds) {
  if (counts.singular > 0) throw Error(stats::kSingularWithin);
  if (r.exact) {
    r.pMahalanobis = static_cast<double>(counts.mahalanobis) / static_cast<double>(r.labellings);
    r.pProcrustes = static_cast<double>(counts.procrustes) / static_cast<double>(r.labellings);
  } else {
    r.pMahalanobis = share(counts.mahalanobis, rounds);
    r.pProcrustes = share(counts.procrustes, rounds);
  }
}

void adjust(std::vector<PairResult>& pairs) {
  std::vector<double> m, p;
  for (const PairResult& r : pairs) {
    m.push_back(r.pMahalanobis);
    p.push_back(r.pProcrustes);
  }
  m = holm(m);
  p = holm(p);
  for (size_t i = 0; i < pairs.size(); ++i) {
    pairs[i].pMahalanobisHolm = m[i];
    pairs[i].pProcrustesHolm = p[i];
  }
}

}  // namespace

DistanceTests distanceTests(const GroupedSample& sample, std::uint64_t rounds, std::uint64_t seed,
                            const ProgressHook& hook) {
  if (sample.groups < 2) throw Error(kTooFewGroups);
  DistanceTests out;
  out.rounds = rounds;
  out.seed = seed;
  const WhitenedRows rows = whitenedRows(sample, pooledWithin(sample));
  const WilksPermutation wilks(sample, rows);
  // Test t (the pairs in order, then Wilks' lambda) runs its rounds, or its labellings, in
  // blocks seeded from testSeed(seed, t); all tests share the threads.
  std::vector<std::pair<int, int>> pairs;
  for (int a = 0; a < sample.groups; ++a)
    for (int b = a + 1; b < sample.groups; ++b) pairs.emplace_back(a, b);
  // Each pair's rows are gathered once, on the threads: for large groups that is much memory.
  std::vector<std::optional<PairPermutation>> tests(pairs.size());
  forEachIndex(pairs.size(), [&](std::size_t j) {
    tests[j].emplace(sample, rows, pairs[j].first, pairs[j].second);
  });
  std::vector<BlockRun> runs;
  for (std::size_t j = 0; j < pairs.size(); ++j) {
    out.pairs.push_back(observedPair(sample, *tests[j], pairs[j].first, pairs[j].second, rounds));
    const PairResult& r = out.pairs.back();
    runs.push_back({r.exact ? r.labellings : rounds, testSeed(seed, j)});
  }
  runs.push_back({rounds, testSeed(seed, runs.size())});

  std::vector<std::vector<PairCounts>> pairBlocks(tests.size());
  for (std::size_t j = 0; j < tests.size(); ++j)
    pairBlocks[j].resize((runs[j].rounds + kBlockRounds - 1) / kBlockRounds);
  std::vector<std::uint64_t> wilksBlocks((rounds + kBlockRounds - 1) / kBlockRounds);
  forEachBlockOfRuns(
      runs, kBlockRounds,
      [&](std::size_t j, std::size_t block, RandomEngine& engine, std::size_t first,
          std::size_t count) {
        if (j == tests.size())
          wilksBlocks[block] = wilks.randomRounds(engine, count);
        else if (out.pairs[j].exact)
          pairBlocks[j][block] = tests[j]->exactRounds(first, count);
        else
          pairBlocks[j][block] = tests[j]->randomRounds(engine, count);
      },
      hook);

  for (std::size_t j = 0; j < tests.size(); ++j) {
    PairCounts counts;
    for (const PairCounts& c : pairBlocks[j]) counts += c;
    setPValues(out.pairs[j], counts, rounds);
  }
  adjust(out.pairs);
  std::uint64_t hits = 0;
  for (std::uint64_t h : wilksBlocks) hits += h;
  out.wilks = wilks.observed();
  out.pWilks = share(hits, rounds);
  return out;
}

std::uint64_t parseRounds(std::string_view text) {
  std::uint64_t n = 0;
  const std::string_view word = trimBlanks(text);
  if (!parseCount(word, n) || n < 1 || n > kMaxRounds)
    throw Error(
        "The number of permutation rounds must be a whole number from 1 to 10000000, not \"" +
        std::string(text) + "\"");
  return n;
}

}  // namespace tessaly::analysis
