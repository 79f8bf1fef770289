#pragma once
// The program's one source of random numbers (simulated distance ranges, jackknife draws).
// Both faces seed it at start with startingSeed(); setRandomSeed makes a run repeatable from
// then on.
#include <cstdint>
#include <random>

namespace tessaly {

using RandomEngine = std::mt19937_64;

RandomEngine& randomEngine();
void setRandomSeed(std::uint64_t seed);

// The seed of a run: the whole number of 0 or more that the TESSALY_SEED environment variable
// holds (blanks around it allowed), or a fresh random seed when it is unset or empty. Any other
// value is refused with an Error that quotes it.
std::uint64_t startingSeed();

}  // namespace tessaly
