#include "core/random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "support/error_text.h"

namespace tessaly {
namespace {

// Both faces start their random numbers from startingSeed, so both read TESSALY_SEED alike.
TEST(StartingSeed, TakesAWholeNumberFromTheEnvironmentAndRefusesAnythingElse) {
  const std::pair<const char*, std::uint64_t> taken[] = {
      {"7", 7}, {" 7", 7}, {"\t42 ", 42}, {"18446744073709551615", 18446744073709551615u}};
  for (const auto& [value, seed] : taken) {
    ::setenv("TESSALY_SEED", value, 1);
    EXPECT_EQ(startingSeed(), seed) << '"' << value << '"';
  }
  for (const std::string value : {"7x", "-1", "1.5", "0x10", "18446744073709551616"}) {
    ::setenv("TESSALY_SEED", value.c_str(), 1);
    EXPECT_EQ(test_support::errorText([] { startingSeed(); }),
              "TESSALY_SEED must be a whole number of 0 or more, not \"" + value + "\"");
  }
  // Unset or blank: a fresh seed, no error.
  ::setenv("TESSALY_SEED", " ", 1);
  EXPECT_NO_THROW(startingSeed());
  ::unsetenv("TESSALY_SEED");
  EXPECT_NO_THROW(startingSeed());
}

}  // namespace
}  // namespace tessaly
