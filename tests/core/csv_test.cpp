#include "core/csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/error.h"
#include "support/comma_locale.h"
#include "support/error_text.h"

namespace tessaly {
namespace {

TEST(Csv, FieldsAreWrittenExactlyAndQuotedOnlyWhenNeeded) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double x;
    const char* text;
  } numbers[] = {
      {0.1, "0.1"}, {167, "167"}, {-2.5e-300, "-2.5e-300"}, {1.0 / 3, "0.3333333333333333"},
      {0, "0"},     {inf, "Inf"}, {-inf, "-Inf"},           {std::nan(""), "NaN"}};
  for (const auto& c : numbers) EXPECT_EQ(csvNumber(c.x), c.text) << c.x;
  const struct {
    const char* in;
    const char* out;
  } texts[] = {{"Gorilla female", "Gorilla female"},
               {"a,b", "\"a,b\""},
               {"the \"old\" one", "\"the \"\"old\"\" one\""},
               {"two\nlines", "\"two\nlines\""},
               {"cr\r", "\"cr\r\""},
               {"", ""}};
  for (const auto& c : texts) EXPECT_EQ(csvText(c.in), c.out) << c.in;
}

TEST(Csv, NumbersReadBackExactlyInAnyLocale) {
  test_support::CommaLocale comma;
  for (double x : {0.1 + 0.2, 1e22, 5e-324, 123456.789, -0.0078125, M_PI}) {
    const std::string text = csvNumber(x);
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double back = 0;
    in >> back;
    EXPECT_EQ(back, x) << text;
  }
}

TEST(Csv, ATableIsAHeaderThenRowsAndIsSavedWhole) {
  CsvTable table({"group_a", "name, long", "value"});
  table.text("1").text("x\"y").number(0.5);
  table.endRow();
  EXPECT_EQ(table.str(), "group_a,\"name, long\",value\n1,\"x\"\"y\",0.5\n");
  table.text("short");
  EXPECT_EQ(test_support::errorText([&] { table.endRow(); }),
            "A row of 1 fields in a table of 3 columns");

  const auto path = std::filesystem::temp_directory_path() / "tessaly-csv-test.csv";
  CsvTable({"a"}).save(path.string());
  std::ifstream in(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "a\n");
  std::filesystem::remove(path);
  try {
    CsvTable({"a"}).save("/no/such/folder/t.csv");
    FAIL() << "a file in a missing folder was reported written";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Could not write the file /no/such/folder/t.csv");
  }
}

}  // namespace
}  // namespace tessaly
