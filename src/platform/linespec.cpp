#include "platform/linespec.h"

#include <cctype>

#include "core/error.h"

namespace tessaly::platform {

namespace {

constexpr std::string_view kMarkers = ".ox+*sdv^<>ph";

struct NamedColor {
  char letter;
  const char* name;
  double r, g, b;
};
constexpr NamedColor kColors[] = {{'k', "black", 0, 0, 0},   {'w', "white", 1, 1, 1},
                                  {'r', "red", 1, 0, 0},     {'g', "green", 0, 1, 0},
                                  {'b', "blue", 0, 0, 1},    {'c', "cyan", 0, 1, 1},
                                  {'m', "magenta", 1, 0, 1}, {'y', "yellow", 1, 1, 0}};

std::optional<RowVector> colorOfLetter(char c) {
  for (const auto& color : kColors)
    if (color.letter == c) return RowVector{{color.r, color.g, color.b}};
  return std::nullopt;
}

}  // namespace

std::optional<LineSpec> tryParseLineSpec(std::string_view lineSpec) {
  LineSpec out;
  bool any = false;
  for (size_t i = 0; i < lineSpec.size(); ++i) {
    char c = lineSpec[i];
    if (c == '-' || c == ':') {
      if (!out.lineStyle.empty()) return std::nullopt;
      if (c == '-' && i + 1 < lineSpec.size() &&
          (lineSpec[i + 1] == '-' || lineSpec[i + 1] == '.')) {
        out.lineStyle = std::string(lineSpec.substr(i, 2));
        ++i;
      } else {
        out.lineStyle = std::string(1, c);
      }
    } else if (auto color = colorOfLetter(c)) {
      if (out.color) return std::nullopt;
      out.color = color;
    } else if (kMarkers.find(c) != std::string_view::npos) {
      if (!out.marker.empty()) return std::nullopt;
      out.marker = std::string(1, c);
    } else {
      return std::nullopt;
    }
    any = true;
  }
  if (!any) return std::nullopt;
  return out;
}

LineSpec parseLineSpec(std::string_view lineSpec) {
  if (lineSpec.empty()) return {};
  if (auto parsed = tryParseLineSpec(lineSpec)) return *parsed;
  throw Error("Invalid line style \"" + std::string(lineSpec) +
              "\": use a colour letter, a marker and a line style, such as \"ko\" or \"b--\".");
}

PropertyList LineSpec::properties() const {
  PropertyList props;
  if (color) props.emplace_back("Color", *color);
  if (!marker.empty()) props.emplace_back("Marker", marker);
  if (!lineStyle.empty())
    props.emplace_back("LineStyle", lineStyle);
  else if (!marker.empty())
    props.emplace_back("LineStyle", "none");
  else
    props.emplace_back("LineStyle", "-");
  return props;
}

std::optional<RowVector> colorOfName(std::string_view name) {
  std::string key = propertyKey(name);
  if (key.size() == 1) return colorOfLetter(key[0]);
  for (const auto& color : kColors)
    if (key == color.name) return RowVector{{color.r, color.g, color.b}};
  return std::nullopt;
}

std::optional<RowVector> colorValue(const Value& value) {
  if (value.isText()) return colorOfName(value.text());
  if (value.isNumeric() && value.matrix().size() == 3)
    return RowVector(value.matrix().reshaped().transpose());
  return std::nullopt;
}

}  // namespace tessaly::platform
