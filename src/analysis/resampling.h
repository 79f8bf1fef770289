#pragma once
// Resampling on all cores: R rounds are split into blocks of a fixed number of rounds, block b
// draws from its own engine seeded from (seed, b), and the blocks' results are kept in block
// order. The split and the streams do not depend on the number of threads, so a seeded run
// gives the same results with one thread or many.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/random.h"

namespace tessaly::analysis {

// Rounds per block when a caller has no reason to choose otherwise.
inline constexpr std::size_t kBlockRounds = 256;

// Blocks run between two calls of the progress hook, per thread: enough to keep the threads
// busy, few enough for the hook to be called often. Runs of long blocks ask for fewer.
inline constexpr std::size_t kBlocksPerBatch = 32;

// The engine of block b of a run seeded with seed.
RandomEngine blockEngine(std::uint64_t seed, std::uint64_t block);

// Called on the calling thread between batches of blocks with the rounds done so far and the
// total; returning false stops the run.
using ProgressHook = std::function<bool(std::size_t done, std::size_t total)>;

// Thrown by a run that its progress hook stopped; nothing of the run is returned.
struct Cancelled : Error {
  Cancelled() : Error("The run was cancelled") {}
};

// The threads that resampling may use: n >= 1, or 0 for all cores (the default).
void setThreads(int n);
int threads();

// A thread count typed by a person ("--threads", TESSALY_THREADS): a whole number of 1 or
// more. An Error naming `what` otherwise.
int parseThreads(std::string_view text, std::string_view what);
// Applies TESSALY_THREADS when it is set; an Error when it holds no valid count.
void applyThreadsVariable();

// Runs work(b, engine, first, count) for every block b of `rounds` rounds split into blocks of
// `blockRounds` (rounds first .. first + count - 1), on the resampling threads.
void forEachBlock(std::size_t rounds, std::size_t blockRounds, std::uint64_t seed,
                  const std::function<void(std::size_t block, RandomEngine& engine,
                                           std::size_t first, std::size_t count)>& work,
                  const ProgressHook& progress = {}, std::size_t blocksPerBatch = kBlocksPerBatch);

// Runs work(i) for every i < n on the resampling threads (set-up work of no randomness).
void forEachIndex(std::size_t n, const std::function<void(std::size_t i)>& work);

// Several runs as one: run j has runs[j].rounds rounds, split into blocks of `blockRounds`,
// and its block b draws from blockEngine(runs[j].seed, b), as forEachBlock would give it, so
// each run's blocks are what they would be alone. The blocks of all runs share the threads
// (runs of few blocks keep every thread busy), and the progress hook sees the rounds of all
// runs as one total.
struct BlockRun {
  std::size_t rounds = 0;
  std::uint64_t seed = 0;
};
void forEachBlockOfRuns(
    const std::vector<BlockRun>& runs, std::size_t blockRounds,
    const std::function<void(std::size_t run, std::size_t block, RandomEngine& engine,
                             std::size_t first, std::size_t count)>& work,
    const ProgressHook& progress = {}, std::size_t blocksPerBatch = kBlocksPerBatch);

// The result of each block, in block order: result[b] = work(engine, first, count).
template <class Result, class Work>
std::vector<Result> runBlocks(std::size_t rounds, std::size_t blockRounds, std::uint64_t seed,
                              Work&& work, const ProgressHook& progress = {}) {
  const std::size_t size = blockRounds == 0 ? 1 : blockRounds;
  std::vector<Result> results((rounds + size - 1) / size);
  forEachBlock(
      rounds, size, seed,
      [&](std::size_t b, RandomEngine& engine, std::size_t first, std::size_t count) {
        results[b] = work(engine, first, count);
      },
      progress);
  return results;
}

}  // namespace tessaly::analysis
