#include "core/random.h"

#include <cstdlib>
#include <string>

#include "core/error.h"
#include "core/numbers.h"
#include "core/text.h"

namespace tessaly {

namespace {

std::uint64_t freshSeed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

std::uint64_t startingSeed() {
  const char* text = std::getenv("TESSALY_SEED");
  if (!text || trimBlanks(text).empty()) return freshSeed();
  std::uint64_t seed = 0;
  if (!parseCount(trimBlanks(text), seed))
    throw Error("TESSALY_SEED must be a whole number of 0 or more, not \"" + std::string(text) +
                "\"");
  return seed;
}

RandomEngine& randomEngine() {
  // Both faces seed the engine at start (startingSeed); until then it runs from a fresh seed.
  static RandomEngine engine(freshSeed());
  return engine;
}

void setRandomSeed(std::uint64_t seed) {
  randomEngine().seed(seed);
}

}  // namespace tessaly
