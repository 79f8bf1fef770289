#include "analysis/resampling.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "core/numbers.h"
#include "core/text.h"

namespace tessaly::analysis {

namespace {

std::unique_ptr<tbb::global_control>& threadLimit() {
  static std::unique_ptr<tbb::global_control> limit;
  return limit;
}

}  // namespace

RandomEngine blockEngine(std::uint64_t seed, std::uint64_t block) {
  std::seed_seq words{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                      static_cast<std::uint32_t>(block), static_cast<std::uint32_t>(block >> 32)};
  return RandomEngine(words);
}

void setThreads(int n) {
  threadLimit().reset();
  if (n >= 1)
    threadLimit() = std::make_unique<tbb::global_control>(
        tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(n));
}

int threads() {
  return static_cast<int>(
      tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism));
}

int parseThreads(std::string_view text, std::string_view what) {
  std::uint64_t n = 0;
  if (!parseCount(trimBlanks(text), n) || n < 1 || n > 4096)
    throw Error(std::string(what) + " must be a whole number from 1 to 4096, not \"" +
                std::string(text) + "\"");
  return static_cast<int>(n);
}

void applyThreadsVariable() {
  if (const char* text = std::getenv("TESSALY_THREADS"); text && *text)
    setThreads(parseThreads(text, "The number of threads in TESSALY_THREADS"));
}

void forEachIndex(std::size_t n, const std::function<void(std::size_t i)>& work) {
  tbb::parallel_for(std::size_t{0}, n, [&](std::size_t i) { work(i); });
}

void forEachBlockOfRuns(
    const std::vector<BlockRun>& runs, std::size_t blockRounds,
    const std::function<void(std::size_t run, std::size_t block, RandomEngine& engine,
                             std::size_t first, std::size_t count)>& work,
    const ProgressHook& progress, std::size_t blocksPerBatch) {
  const std::size_t size = blockRounds == 0 ? 1 : blockRounds;
  // Block i of all runs is block i - start[j] of run j, start[j] <= i < start[j + 1].
  std::vector<std::size_t> start{0};
  std::size_t rounds = 0;
  for (const BlockRun& run : runs) {
    start.push_back(start.back() + (run.rounds + size - 1) / size);
    rounds += run.rounds;
  }
  const std::size_t blocks = start.back();
  const auto runOf = [&](std::size_t i) {
    return static_cast<std::size_t>(std::upper_bound(start.begin(), start.end(), i) -
                                    start.begin() - 1);
  };
  const std::size_t batch =
      std::max<std::size_t>(blocksPerBatch, 1) * static_cast<std::size_t>(std::max(threads(), 1));
  std::size_t done = 0;  // rounds of the blocks before the batch
  for (std::size_t from = 0; from < blocks; from += batch) {
    if (progress && !progress(done, rounds)) throw Cancelled();
    const std::size_t to = std::min(blocks, from + batch);
    tbb::parallel_for(tbb::blocked_range<std::size_t>(from, to, 1),
                      [&](const tbb::blocked_range<std::size_t>& range) {
                        for (std::size_t i = range.begin(); i != range.end(); ++i) {
                          const std::size_t j = runOf(i), b = i - start[j];
                          RandomEngine engine = blockEngine(runs[j].seed, b);
                          const std::size_t first = b * size;
                          work(j, b, engine, first, std::min(size, runs[j].rounds - first));
                        }
                      });
    for (std::size_t i = from; i < to; ++i) {
      const std::size_t j = runOf(i);
      done += std::min(size, runs[j].rounds - (i - start[j]) * size);
    }
  }
  // A stop asked for during the last batch is a stop too: nothing of the run is returned.
  if (progress && !progress(rounds, rounds)) throw Cancelled();
}

void forEachBlock(std::size_t rounds, std::size_t blockRounds, std::uint64_t seed,
                  const std::function<void(std::size_t block, RandomEngine& engine,
                                           std::size_t first, std::size_t count)>& work,
                  const ProgressHook& progress, std::size_t blocksPerBatch) {
  forEachBlockOfRuns(
      {BlockRun{rounds, seed}}, blockRounds,
      [&](std::size_t, std::size_t b, RandomEngine& engine, std::size_t first, std::size_t count) {
        work(b, engine, first, count);
      },
      progress, blocksPerBatch);
}

}  // namespace tessaly::analysis
