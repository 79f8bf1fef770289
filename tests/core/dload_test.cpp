#include "core/dload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "core/error.h"
#include "core/format.h"
#include "support/comma_locale.h"
#include "support/error_text.h"
#include "support/temp_files.h"

namespace tessaly {
namespace {

class DloadTest : public test_support::TempFileTest {};

TEST_F(DloadTest, ReadsRowsSeparatedByBlanksTabsAndCommas) {
  Matrix x = dload(write("1 2 3\n4,5,6\n7\t8  9\n"));
  ASSERT_EQ(x.rows(), 3);
  ASSERT_EQ(x.cols(), 3);
  EXPECT_EQ(x(1, 1), 5);
  EXPECT_EQ(x(2, 2), 9);
}

TEST_F(DloadTest, StopsAtFirstEmptyLineAfterTheFirst) {
  Matrix x = dload(write("1 2\n3 4\n\n5 6\n"));
  EXPECT_EQ(x.rows(), 2);
  EXPECT_EQ(dload(write("1 2\r\n3 4\r\n\r\n5 6\r\n")).rows(), 2);
}

TEST_F(DloadTest, KeepsLastLineWithoutLineEnd) {
  Matrix x = dload(write("1\n2\n3"));
  ASSERT_EQ(x.rows(), 3);
  EXPECT_EQ(x(2, 0), 3);
}

TEST_F(DloadTest, ReadsExponentsSignsAndNonFinite) {
  Matrix x = dload(write("1e3 -2.5 +4 NaN Inf\n"));
  EXPECT_EQ(x(0, 0), 1000);
  EXPECT_EQ(x(0, 1), -2.5);
  EXPECT_EQ(x(0, 2), 4);
  EXPECT_TRUE(std::isnan(x(0, 3)));
  EXPECT_TRUE(std::isinf(x(0, 4)));
}

TEST_F(DloadTest, MissingFileGivesMinusOne) {
  bool opened = true;
  Matrix x = dload("/nonexistent/folder/file.txt", &opened);
  EXPECT_FALSE(opened);
  ASSERT_EQ(x.size(), 1);
  EXPECT_EQ(x(0, 0), -1);
}

TEST_F(DloadTest, EveryKindOfBadLineIsNamedWithItsLineNumber) {
  const struct {
    const char* text;
    const char* error;  // after "Cannot read PATH"
  } cases[] = {
      {"1 2 3\n4 5\n", ", line 2: 2 numbers where line 1 has 3"},
      {"1 2\n3 x4\n", ", line 2: \"x4\" is not a number"},
      {"1 2\n3 +-4\n", ", line 2: \"+-4\" is not a number"},
      {"1,2\n3,4,\t5 x\n", ", line 2: \"x\" is not a number"},
      {"1 2\n3 4.5.6 7\n", ", line 2: \"4.5.6\" is not a number"},
      {"1 2\n3 1e999\n", ", line 2: \"1e999\" is not a number"},
      {",,\n1\n", ", line 1: no numbers on the line"},
      {"1 2\r\n3 4 5\r\n", ", line 2: 3 numbers where line 1 has 2"},
      {"", ": the file holds no data"},
      // Blanks alone end the data only after the first line.
      {" \t\n1 2\n", ", line 1: no numbers on the line"},
      {"\n1 2\n", ", line 1: no numbers on the line"},
  };
  for (const auto& c : cases) {
    const std::string p = write(c.text);
    EXPECT_EQ(test_support::errorText([&] { dload(p); }), "Cannot read " + p + c.error) << c.text;
  }
}

TEST_F(DloadTest, LinesLeftAfterTheEmptyLineThatEndsTheDataAreCountedInAWarning) {
  const struct {
    const char* text;
    Eigen::Index rows;
    const char* warning;  // after "PATH: ", empty for none
  } cases[] = {
      {"1 2\n3 4\n\n5 6\n7 8\n", 2, "2 lines after line 3 were not read"},
      {"1 2\n\n \nnote: measured twice\n\n", 1, "1 line after line 2 was not read"},
      {"1 2\n3 4\n\n\n \t\n", 2, ""},  // trailing empty lines lose nothing
      {"1 2\n3 4", 2, ""},
  };
  for (const auto& c : cases) {
    const std::string p = write(c.text);
    std::vector<std::string> warnings;
    EXPECT_EQ(dload(p, nullptr, &warnings).rows(), c.rows) << c.text;
    const std::vector<std::string> expected =
        *c.warning ? std::vector<std::string>{p + ": " + c.warning +
                                              ": the data end at the first empty line"}
                   : std::vector<std::string>{};
    EXPECT_EQ(warnings, expected) << c.text;
  }
}

TEST_F(DloadTest, ALargeFileReadsRowByRowAsItsLinesDo) {
  std::string text;
  Matrix expected(500, 41);
  for (Eigen::Index i = 0; i < expected.rows(); ++i) {
    for (Eigen::Index j = 0; j < expected.cols(); ++j) {
      expected(i, j) = (i * 41 + j) * 0.001 - 3.5 + (j % 3 ? 1e-9 * i : 0);
      text += formatText(j ? " %.17g" : "%.17g", {expected(i, j)});
    }
    text += i % 2 ? "\r\n" : "\n";
  }
  const Matrix x = dload(write(text));
  ASSERT_EQ(x.rows(), expected.rows());
  ASSERT_EQ(x.cols(), expected.cols());
  EXPECT_EQ(x, expected);
}

// A file of some megabytes is read in parts on the threads; where the data end or a line is
// refused must still be the first such line of the file, whichever part it falls in.
TEST_F(DloadTest, AFileReadInPartsEndsAtItsFirstEmptyOrRefusedLine) {
  constexpr int kLines = 1000000;  // about 17 MB: several parts
  const auto line = [](int i) { return std::to_string(i) + " " + std::to_string(-i) + ".25\n"; };
  struct Case {
    int emptyAt, badAt;  // 1-based line numbers; 0: none
    Eigen::Index rows;   // rows read, or 0 for an Error
  };
  for (const Case& c : {Case{0, 0, kLines}, Case{300000, 900000, 299999}, Case{900000, 300000, 0},
                        Case{999999, 0, 999998}}) {
    std::string text;
    for (int i = 1; i <= kLines; ++i)
      text += i == c.emptyAt ? "\n" : i == c.badAt ? "1 x\n" : line(i);
    std::vector<std::string> warnings;
    if (c.rows == 0) {
      const std::string message = test_support::errorText([&] { dload(write(text)); });
      EXPECT_NE(message.find("line 300000: \"x\" is not a number"), std::string::npos) << message;
      continue;
    }
    const Matrix x = dload(write(text), nullptr, &warnings);
    ASSERT_EQ(x.rows(), c.rows);
    EXPECT_EQ(x(c.rows - 1, 0), static_cast<double>(c.rows));
    EXPECT_EQ(x(c.rows - 1, 1), -static_cast<double>(c.rows) - 0.25);
    EXPECT_EQ(warnings.size(), c.emptyAt ? 1u : 0u);
  }
}

// A pipe has no size to read ahead of time: its bytes come in as they are written.
TEST_F(DloadTest, ReadsFromAPipe) {
  const auto fifo =
      std::filesystem::temp_directory_path() / ("dload_fifo_" + std::to_string(::getpid()));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string text;
  for (int i = 0; i < 20000; ++i) text += std::to_string(i) + " " + std::to_string(-i) + ".5\n";
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
  const Matrix x = dload(fifo.string());
  writer.join();
  std::filesystem::remove(fifo);
  ASSERT_EQ(x.rows(), 20000);
  ASSERT_EQ(x.cols(), 2);
  EXPECT_EQ(x(19999, 0), 19999);
  EXPECT_EQ(x(19999, 1), -19999.5);
  EXPECT_EQ(x(0, 1), 0.5);
}

TEST_F(DloadTest, ReadsTheDecimalPointUnderACommaLocale) {
  test_support::CommaLocale german;
  TESSALY_REQUIRE_COMMA_LOCALE(german);
  const Matrix x = dload(write("0.004 -1.5e-3 +2.25\n"));
  ASSERT_EQ(x.cols(), 3);
  EXPECT_EQ(x(0, 0), 0.004);
  EXPECT_EQ(x(0, 1), -0.0015);
  EXPECT_EQ(x(0, 2), 2.25);
  std::vector<double> numbers;
  std::string bad;
  EXPECT_TRUE(parseNumberLine(" 0.5, 7 ", numbers, bad));
  EXPECT_EQ(numbers, (std::vector<double>{0.5, 7}));
  // A comma still separates numbers, so "0,5" is two of them.
  EXPECT_TRUE(parseNumberLine("0,5", numbers, bad));
  EXPECT_EQ(numbers, (std::vector<double>{0, 5}));
}

}  // namespace
}  // namespace tessaly
