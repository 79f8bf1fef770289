#pragma once
// The program's one source of random numbers (simulated distance ranges, jackknife draws).
// Seeded from the TESSALY_SEED environment variable when it is set, from a fresh random seed
// otherwise; setRandomSeed makes a run repeatable from then on.
#include <cstdint>
#include <random>

namespace tessaly {

using RandomEngine = std::mt19937_64;

RandomEngine& randomEngine();
void setRandomSeed(std::uint64_t seed);

}  // namespace tessaly
