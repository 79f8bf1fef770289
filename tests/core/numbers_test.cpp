#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/text.h"
#include "support/comma_locale.h"

namespace tessaly {
namespace {

double number(std::string_view word) {
  double x = -12345;
  EXPECT_TRUE(parseNumber(word, x)) << word;
  return x;
}

TEST(ParseNumber, ReadsDecimalsSignsExponentsAndNonFinite) {
  EXPECT_EQ(number("42"), 42);
  EXPECT_EQ(number("-2.5"), -2.5);
  EXPECT_EQ(number("+4"), 4);
  EXPECT_EQ(number(".25"), 0.25);
  EXPECT_EQ(number("5."), 5);
  EXPECT_EQ(number("1e3"), 1000);
  EXPECT_EQ(number("2E-2"), 0.02);
  EXPECT_EQ(number("-1.5e+2"), -150);
  EXPECT_EQ(number("Inf"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(number("-inf"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(number("+Infinity"), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(number("NaN")));
  EXPECT_TRUE(std::signbit(number("-0")));
  // The shortest text of a double reads back to the same double.
  EXPECT_EQ(number("0.1"), 0.1);
  EXPECT_EQ(number("2.2250738585072014e-308"), 2.2250738585072014e-308);
}

TEST(ParseNumber, RefusesWhatIsNotOneNumber) {
  for (const char* bad : {"", " 1", "1 ", "+", "-", "+-1", "-+1", "--1", "1,5", "1.5.2", "1e", "x",
                          "0x10", "1e400", "-1e400", "1;"}) {
    double x = 7;
    EXPECT_FALSE(parseNumber(bad, x)) << bad;
    EXPECT_EQ(x, 7) << bad;
  }
}

TEST(ParseNumber, PrefixStopsAtTheFirstCharacterAfterTheNumber) {
  const std::string text = "-1.5e2,7";
  double x = 0;
  const char* end = parseNumberPrefix(text.data(), text.data() + text.size(), x);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(x, -150);
  EXPECT_EQ(*end, ',');
  EXPECT_EQ(parseNumberPrefix(text.data() + 6, text.data() + 6, x), nullptr);
}

TEST(ParseNumber, ADecimalCommaLocaleChangesNothing) {
  test_support::CommaLocale german;
  TESSALY_REQUIRE_COMMA_LOCALE(german);
  EXPECT_EQ(number("0.004"), 0.004);
  double x = 0;
  EXPECT_FALSE(parseNumber("0,004", x));
}

TEST(ParseCount, TakesDigitsOnlyWithin64Bits) {
  std::uint64_t n = 0;
  EXPECT_TRUE(parseCount("0", n));
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(parseCount("18446744073709551615", n));
  EXPECT_EQ(n, 18446744073709551615u);
  for (const char* bad : {"", "-1", "+1", "1.0", "12abc", " 1", "18446744073709551616"}) {
    n = 5;
    EXPECT_FALSE(parseCount(bad, n)) << bad;
    EXPECT_EQ(n, 5u) << bad;
  }
}

TEST(Text, LowercaseChangesAsciiCapitalsOnlyAndTrimTakesBlanksAndTabs) {
  EXPECT_EQ(lowercase("Tessaly6L.FIG"), "tessaly6l.fig");
  EXPECT_EQ(lowercase("\xC3\x84rger"), "\xC3\x84rger");  // UTF-8 bytes stay as they are
  EXPECT_EQ(trimBlanks(" \t a b\t "), "a b");
  EXPECT_EQ(trimBlanks(" \t "), "");
}

}  // namespace
}  // namespace tessaly
