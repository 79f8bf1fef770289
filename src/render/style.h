#pragma once
// Reading the style properties of plot objects: colours (RGB triples, colour letters and
// names, "none", "auto", "flat"), marker symbols and line styles.
#include <optional>
#include <string>

#include "platform/value.h"
#include "render/painter.h"

namespace tessaly::render {

struct ColorSpec {
  enum class Kind { Rgb, None, Auto, Flat, Interp };
  Kind kind = Kind::None;
  Rgb rgb;
};

// An RGB triple (each 0..1), a colour letter ("k", "r", ...) or name ("black", "red", ...),
// "none", "auto", "flat" or "interp". Nothing for anything else.
std::optional<ColorSpec> parseColor(const platform::Value& value);

// The symbol letter of a "Marker" value: one of ".ox+*sdv^<>ph", or the long names ("circle",
// "square", "pentagram", ...). Nothing for "none" and for anything unknown.
std::optional<char> parseMarker(const std::string& marker);

// The dash pattern of a "LineStyle" value; nothing for "none" and for anything unknown.
std::optional<Dash> parseLineStyle(const std::string& style);

// Whether a symbol has an inside that a face colour fills ("+", "x", "*" and "." do not).
bool markerHasFace(char shape);

}  // namespace tessaly::render
