#include "platform/linespec.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::platform {
namespace {

TEST(LineSpec, ColourMarkerAndStyleInAnyOrder) {
  struct Case {
    const char* lineSpec;
    RowVector color;
    const char* marker;
    const char* style;
  };
  const Case cases[] = {
      {"ko", RowVector{{0, 0, 0}}, "o", ""},     {"k-", RowVector{{0, 0, 0}}, "", "-"},
      {"k:", RowVector{{0, 0, 0}}, "", ":"},     {"b--", RowVector{{0, 0, 1}}, "", "--"},
      {"g^", RowVector{{0, 1, 0}}, "^", ""},     {"r-.", RowVector{{1, 0, 0}}, "", "-."},
      {"--mp", RowVector{{1, 0, 1}}, "p", "--"}, {"k.", RowVector{{0, 0, 0}}, ".", ""},
      {"y>", RowVector{{1, 1, 0}}, ">", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lineSpec);
    LineSpec s = parseLineSpec(c.lineSpec);
    ASSERT_TRUE(s.color);
    EXPECT_EQ(*s.color, c.color);
    EXPECT_EQ(s.marker, c.marker);
    EXPECT_EQ(s.lineStyle, c.style);
  }
  LineSpec colourOnly = parseLineSpec("r");
  EXPECT_TRUE(colourOnly.marker.empty() && colourOnly.lineStyle.empty());
  EXPECT_FALSE(parseLineSpec(":").color);
}

TEST(LineSpec, PropertiesDrawPointsWithoutLinesWhenOnlyAMarkerIsGiven) {
  auto props = [](const char* lineSpec) {
    PropertyList list = parseLineSpec(lineSpec).properties();
    std::string style;
    for (auto& [name, value] : list)
      if (name == "LineStyle") style = value.text();
    return style;
  };
  EXPECT_EQ(props("ko"), "none");
  EXPECT_EQ(props("ko-"), "-");
  EXPECT_EQ(props("r"), "-");
  EXPECT_EQ(props("k:"), ":");
}

TEST(LineSpec, BadSpecsAreRefused) {
  for (const char* bad : {"zz", "kk", "ko+", "k--:", "red", "k o", "-- -"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(tryParseLineSpec(bad));
    EXPECT_EQ(test_support::errorText([&] { parseLineSpec(bad); }),
              "Invalid line style \"" + std::string(bad) +
                  "\": use a colour letter, a marker and a line style, such as \"ko\" or \"b--\".");
  }
  try {
    parseLineSpec("q");
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"q\""), std::string::npos);
  }
}

TEST(LineSpec, ColourValues) {
  EXPECT_EQ(*colorValue(Value("k")), RowVector({{0, 0, 0}}).eval());
  EXPECT_EQ(*colorValue(Value("Magenta")), RowVector({{1, 0, 1}}).eval());
  EXPECT_EQ(*colorValue(Value(RowVector{{0.1, 0.2, 0.3}})), RowVector({{0.1, 0.2, 0.3}}).eval());
  EXPECT_FALSE(colorValue(Value("none")));
  EXPECT_FALSE(colorValue(Value("auto")));
  EXPECT_FALSE(colorValue(Value(RowVector{{1, 0}})));
}

}  // namespace
}  // namespace tessaly::platform
