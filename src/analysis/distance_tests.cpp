#include "analysis/distance_tests.h"

#include <algorithm>
#include <string>

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

// Reports the rounds of all tests as one run to the caller's hook.
struct Progress {
  const ProgressHook& hook;
  std::size_t before = 0, total = 0;
  ProgressHook forTest() const {
    if (!hook) return {};
    return [this](std::size_t done, std::size_t) { return hook(before + done, total); };
  }
};

double share(std::uint64_t hits, std::uint64_t rounds) {
  return (1 + static_cast<double>(hits)) / (1 + static_cast<double>(rounds));
}

PairCounts pairCounts(const PairPermutation& test, PairResult& r, std::uint64_t rounds,
                      std::uint64_t seed, const ProgressHook& progress) {
  const auto add = [](std::vector<PairCounts> blocks) {
    PairCounts sum;
    for (const PairCounts& b : blocks) sum += b;
    return sum;
  };
  if (r.exact)
    return add(runBlocks<PairCounts>(
        r.labellings, kBlockRounds, seed,
        [&](RandomEngine&, std::size_t first, std::size_t count) {
          return test.exactRounds(first, count);
        },
        progress));
  return add(runBlocks<PairCounts>(
      rounds, kBlockRounds, seed,
      [&](RandomEngine& engine, std::size_t, std::size_t count) {
        return test.randomRounds(engine, count);
      },
      progress));
}

PairResult pairTest(const GroupedSample& sample, const WhitenedRows& rows, int a, int b,
                    std::uint64_t rounds, std::uint64_t seed, Progress& progress) {
  const PairPermutation test(sample, rows, a, b);
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
  const PairCounts counts = pairCounts(test, r, rounds, seed, progress.forTest());
  if (counts.singular > 0) throw Error(stats::kSingularWithin);
  if (r.exact) {
    r.pMahalanobis = static_cast<double>(counts.mahalanobis) / static_cast<double>(r.labellings);
    r.pProcrustes = static_cast<double>(counts.procrustes) / static_cast<double>(r.labellings);
  } else {
    r.pMahalanobis = share(counts.mahalanobis, rounds);
    r.pProcrustes = share(counts.procrustes, rounds);
  }
  progress.before += r.exact ? r.labellings : rounds;
  return r;
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
  std::vector<std::uint64_t> sizes(static_cast<size_t>(sample.groups), 0);
  for (int g : sample.ordinal) ++sizes[static_cast<size_t>(g)];
  Progress progress{hook};
  for (int a = 0; a < sample.groups; ++a)
    for (int b = a + 1; b < sample.groups; ++b) {
      const std::uint64_t na = sizes[static_cast<size_t>(a)], nb = sizes[static_cast<size_t>(b)];
      progress.total += std::min(binomialAtMost(na + nb, na, rounds + 1), rounds);
    }
  progress.total += rounds;
  std::uint64_t t = 0;
  for (int a = 0; a < sample.groups; ++a)
    for (int b = a + 1; b < sample.groups; ++b)
      out.pairs.push_back(pairTest(sample, rows, a, b, rounds, testSeed(seed, t++), progress));
  adjust(out.pairs);

  const auto blocks = runBlocks<std::uint64_t>(
      rounds, kBlockRounds, testSeed(seed, t),
      [&](RandomEngine& engine, std::size_t, std::size_t count) {
        return wilks.randomRounds(engine, count);
      },
      progress.forTest());
  std::uint64_t hits = 0;
  for (std::uint64_t h : blocks) hits += h;
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
