#include "core/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "support/comma_locale.h"

namespace tessaly {
namespace {

TEST(FormatText, BackslashNIsALineEnd) {
  EXPECT_EQ(formatText("a\\nb"), "a\nb");
  EXPECT_EQ(formatText("100%%"), "100%");
}

TEST(FormatText, StopsAtFirstConversionWithoutValue) {
  EXPECT_EQ(formatText("%s \\n \\n %s \\n \\n", {std::string("Results from CVA/Manova")}),
            "Results from CVA/Manova \n \n ");
  EXPECT_EQ(formatText("x=%d y=%d", {1.0}), "x=1 y=");
}

TEST(FormatText, ReappliesFormatWhileValuesRemain) {
  EXPECT_EQ(formatText("%4.1i", FormatArgs().add(RowVector{{0, 1, 12, 123}})), "   0   1  12 123");
  EXPECT_EQ(formatText("(%d,%d) ", {1.0, 2.0, 3.0}), "(1,2) (3,");
}

TEST(FormatText, CountsRightAlignedInTheirField) {
  EXPECT_EQ(formatText("File: %s \\n %3.0f Specimens \\n %3.0f Landmarks",
                       {std::string("a.txt"), 10.0, 12.0}),
            "File: a.txt \n  10 Specimens \n  12 Landmarks");
  EXPECT_EQ(formatText("%3.0i", {12.0}), " 12");
}

TEST(FormatText, IntegerConversionOfFractionUsesExponentForm) {
  EXPECT_EQ(formatText("%d", {1.5}), "1.500000e+00");
  EXPECT_EQ(formatText("%i", {-3.0}), "-3");
}

TEST(FormatText, GeneralAndFixedForms) {
  EXPECT_EQ(formatText("p<%3.6g", {2.220446049250313e-16}), "p<2.22045e-16");
  EXPECT_EQ(formatText("%1.4f", {0.123456}), "0.1235");
  EXPECT_EQ(formatText(" %f ", {1.0 / 3}), " 0.333333 ");
}

TEST(Num2Str, ShortestUsefulText) {
  EXPECT_EQ(num2str(3), "3");
  EXPECT_EQ(num2str(-12), "-12");
  EXPECT_EQ(num2str(3.14159265), "3.1416");
  EXPECT_EQ(num2str(123.456), "123.456");
  EXPECT_EQ(num2str(0.001234), "0.001234");
  EXPECT_EQ(num2str(std::nan("")), "NaN");
}

TEST(FormatText, CharacterCodesOutsideAnIntPrintAsNumbers) {
  EXPECT_EQ(formatText("%c%c", {72.0, 105.0}), "Hi");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(formatText("[%c]", {nan}), "[nan]");
  EXPECT_EQ(formatText("[%c]", {-inf}), "[-inf]");
  EXPECT_EQ(formatText("[%c]", {1e300}), "[1.000000e+300]");
  EXPECT_EQ(formatText("[%c]", {-3e9}), "[-3.000000e+09]");
}

// A German desktop sets a locale with a decimal comma; files must keep the decimal point.
TEST(FormatText, NumbersKeepTheDecimalPointUnderACommaLocale) {
  test_support::CommaLocale german;
  TESSALY_REQUIRE_COMMA_LOCALE(german);
  EXPECT_EQ(formatText("%1.4f %g %e %8.3f|%-8.2f|%+.1e", {0.004, 0.5, 1234.5, 2.5, -1.25, 3.0}),
            "0.0040 0.5 1.234500e+03    2.500|-1.25   |+3.0e+00");
  EXPECT_EQ(formatText("%d %i %5d %s %c", {3.0, 1.5, 42.0, 0.25, 65.0}),
            "3 1.500000e+00    42 0.25 A");
  EXPECT_EQ(num2str(-2.71828182), "-2.7183");
  EXPECT_EQ(num2str(1234.56789), "1234.5679");
  // The user's locale is back in force once a number is formatted.
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", 0.5);
  EXPECT_STREQ(text, "0,5");
}

TEST(FormatText, OtherThreadsKeepTheirLocaleWhileOneFormats) {
  test_support::CommaLocale german;
  TESSALY_REQUIRE_COMMA_LOCALE(german);
  std::string fromThread;
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) fromThread = formatText("%.2f", {0.5});
  });
  for (int i = 0; i < 200; ++i) EXPECT_EQ(formatText("%.3f", {0.25}), "0.250");
  worker.join();
  EXPECT_EQ(fromThread, "0.50");
}

}  // namespace
}  // namespace tessaly
