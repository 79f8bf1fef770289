#include "render/style.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/text.h"

namespace tessaly::render {

namespace {

struct NamedColor {
  const char* letter;
  const char* name;
  Rgb rgb;
};

constexpr std::array<NamedColor, 8> kNamedColors{{{"k", "black", {0, 0, 0}},
                                                  {"w", "white", {1, 1, 1}},
                                                  {"r", "red", {1, 0, 0}},
                                                  {"g", "green", {0, 1, 0}},
                                                  {"b", "blue", {0, 0, 1}},
                                                  {"c", "cyan", {0, 1, 1}},
                                                  {"m", "magenta", {1, 0, 1}},
                                                  {"y", "yellow", {1, 1, 0}}}};

}  // namespace

std::optional<ColorSpec> parseColor(const platform::Value& value) {
  if (value.isNumeric()) {
    const Matrix& m = value.matrix();
    if (m.size() < 3) return std::nullopt;
    Rgb c{m(0), m(1), m(2)};
    for (double v : {c.r, c.g, c.b})
      if (!(v >= 0 && v <= 1)) return std::nullopt;
    return ColorSpec{ColorSpec::Kind::Rgb, c};
  }
  if (!value.isText()) return std::nullopt;
  std::string t = lowercase(value.text());
  if (t == "none") return ColorSpec{ColorSpec::Kind::None, {}};
  if (t == "auto") return ColorSpec{ColorSpec::Kind::Auto, {}};
  if (t == "flat") return ColorSpec{ColorSpec::Kind::Flat, {}};
  if (t == "interp") return ColorSpec{ColorSpec::Kind::Interp, {}};
  for (const NamedColor& c : kNamedColors)
    if (t == c.letter || t == c.name) return ColorSpec{ColorSpec::Kind::Rgb, c.rgb};
  return std::nullopt;
}

std::optional<char> parseMarker(const std::string& marker) {
  static const std::string kSymbols = ".ox+*sdv^<>ph";
  if (marker.size() == 1 && kSymbols.find(marker[0]) != std::string::npos) return marker[0];
  static const std::array<std::pair<const char*, char>, 6> kNames{{{"point", '.'},
                                                                   {"circle", 'o'},
                                                                   {"square", 's'},
                                                                   {"diamond", 'd'},
                                                                   {"pentagram", 'p'},
                                                                   {"hexagram", 'h'}}};
  std::string m = lowercase(marker);
  for (const auto& [name, symbol] : kNames)
    if (m == name) return symbol;
  return std::nullopt;
}

std::optional<Dash> parseLineStyle(const std::string& style) {
  if (style == "-") return Dash::Solid;
  if (style == "--") return Dash::Dashed;
  if (style == ":") return Dash::Dotted;
  if (style == "-.") return Dash::DashDot;
  return std::nullopt;
}

bool markerHasFace(char shape) {
  return shape != '+' && shape != 'x' && shape != '*' && shape != '.';
}

}  // namespace tessaly::render
