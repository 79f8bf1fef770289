#include "core/random.h"

#include <cstdlib>
#include <string>

namespace tessaly {

namespace {

std::uint64_t startSeed() {
  if (const char* text = std::getenv("TESSALY_SEED"); text && *text) {
    try {
      return std::stoull(text);
    } catch (...) {
      // Not a number: fall through to a fresh seed.
    }
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
