#include "core/format.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessaly
