#include "analysis/jackknife.h"

#include <mutex>

namespace tessaly::analysis {

namespace {

// One trial a block and few blocks a batch: a trial of a large data set takes long enough on
// its own, and the progress hook, called between batches of blocks, then comes every few
// trials so that the windows go on repainting. The trials' streams are their own whatever the
// blocks.
constexpr std::size_t kTrialsPerBlock = 1;
constexpr std::size_t kTrialsPerBatch = 8;

}  // namespace

stats::JackknifeResult jacknife_assignments(const Matrix& jpwscores, const Matrix& jglist,
                                            double njack, double pjack, std::uint64_t seed,
                                            const ProgressHook& progress) {
  const stats::JackknifePlan plan = stats::planJackknife(jpwscores, jglist, njack, pjack);
  // The counts are whole numbers, summed exactly in any order; nothing is kept per trial, so
  // that any number of trials fits in memory.
  stats::JackknifeCounts total;
  std::mutex adding;
  forEachBlock(
      static_cast<std::size_t>(plan.trials), kTrialsPerBlock, seed,
      [&](std::size_t, RandomEngine&, std::size_t first, std::size_t count) {
        stats::JackknifeCounts block;
        for (std::size_t t = first; t < first + count; ++t) {
          RandomEngine engine = blockEngine(seed, t);
          block += stats::jackknifeTrial(jpwscores, jglist, plan.leaveOut, engine);
        }
        const std::lock_guard<std::mutex> lock(adding);
        total += block;
      },
      progress, kTrialsPerBatch);
  return stats::jackknifeReport(jpwscores.rows(), plan, pjack, total);
}

}  // namespace tessaly::analysis
