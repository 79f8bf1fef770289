#include "analysis/resampling.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>

namespace tessaly::analysis {
namespace {

// Every round of a block records (its number, the block's draws), so that a run shows which
// rounds it covered and from which stream.
std::vector<std::vector<std::uint64_t>> drawRun(std::size_t rounds, std::size_t block) {
  return runBlocks<std::vector<std::uint64_t>>(
      rounds, block, 42, [](RandomEngine& engine, std::size_t first, std::size_t count) {
        std::vector<std::uint64_t> out;
        for (std::size_t r = first; r < first + count; ++r) out.insert(out.end(), {r, engine()});
        return out;
      });
}

TEST(Resampling, BlocksCoverTheRoundsOnceWithTheSameStreamsForAnyThreadCount) {
  setThreads(1);
  const auto one = drawRun(1000, 64);
  setThreads(2);
  const auto two = drawRun(1000, 64);
  setThreads(0);
  EXPECT_EQ(one, two);
  ASSERT_EQ(one.size(), 16u);  // 15 blocks of 64 and one of 40
  std::uint64_t next = 0;
  for (std::size_t b = 0; b < one.size(); ++b) {
    RandomEngine expected = blockEngine(42, b);
    for (std::size_t i = 0; i < one[b].size(); i += 2) {
      EXPECT_EQ(one[b][i], next++);
      EXPECT_EQ(one[b][i + 1], expected());
    }
  }
  EXPECT_EQ(next, 1000u);
  EXPECT_NE(blockEngine(42, 0)(), blockEngine(42, 1)());
  EXPECT_NE(blockEngine(42, 0)(), blockEngine(43, 0)());
}

TEST(Resampling, TheProgressHookSeesTheRoundsAndCanStopTheRun) {
  std::vector<std::size_t> seen;
  std::atomic<std::size_t> worked = 0;  // blocks run on several threads
  const auto work = [&](RandomEngine&, std::size_t, std::size_t count) {
    return worked += count, 0;
  };
  runBlocks<int>(5000, 10, 1, work, [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, 5000u);
    seen.push_back(done);
    return true;
  });
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), 0u);
  EXPECT_EQ(seen.back(), 5000u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(worked.load(), 5000u);
  EXPECT_THROW(
      runBlocks<int>(5000, 10, 1, work, [](std::size_t done, std::size_t) { return done == 0; }),
      Cancelled);
}

TEST(Resampling, ThreadCountsTypedByAPerson) {
  EXPECT_EQ(parseThreads("1", "N"), 1);
  EXPECT_EQ(parseThreads(" 16 ", "N"), 16);
  for (const char* bad : {"0", "-2", "1.5", "two", "", "99999"}) {
    try {
      parseThreads(bad, "The number of threads (--threads)");
      ADD_FAILURE() << bad << " was taken";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("The number of threads (--threads) must be a whole number from 1 to "
                            "4096, not \"") +
                    bad + "\"");
    }
  }
}

}  // namespace
}  // namespace tessaly::analysis
