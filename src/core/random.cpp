#include "core/random.h"

#include <cstdlib>
#include <string>

#include "core/numbers.h"
#include "core/text.h"

namespace tessaly {

namespace {

std::uint64_t startSeed() {
  if (const char* text = std::getenv("TESSALY_SEED"); text && *text) {
    // Anything but a whole number of 0 or more falls through to a fresh seed.
    if (std::uint64_t seed = 0; parseCount(trimBlanks(text), seed)) return seed;
  }
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

RandomEngine& randomEngine() {
  static RandomEngine engine(startSeed());
  return engine;
}

void setRandomSeed(std::uint64_t seed) {
  randomEngine().seed(seed);
}

}  // namespace tessaly
