#pragma once
// The drawing surface the figure renderer paints on: a handful of primitives in device
// pixels (origin top left, y downwards). The Cairo painter puts them on an image or into a
// picture file; the recording painter keeps them so tests can check what was drawn where.
#include <optional>
#include <string>
#include <vector>

namespace tessaly::render {

struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  double x = 0;  // left
  double y = 0;  // top
  double width = 0;
  double height = 0;
  bool operator==(const Rect&) const = default;
};

struct Rgb {
  double r = 0;
  double g = 0;
  double b = 0;
  bool operator==(const Rgb&) const = default;
};

enum class Dash { Solid, Dashed, Dotted, DashDot };

struct Pen {
  Rgb color;
  double width = 1;  // pixels
  Dash dash = Dash::Solid;
  bool operator==(const Pen&) const = default;
};

// One of the thirteen plot symbols ".ox+*sdv^<>ph", drawn centred on each point.
struct MarkerStyle {
  char shape = 'o';
  double size = 8;  // nominal diameter in pixels
  std::optional<Rgb> edge;
  std::optional<Rgb> face;
  double lineWidth = 1;  // pixels
  bool operator==(const MarkerStyle&) const = default;
};

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Cap, Middle, Baseline, Bottom };

struct TextStyle {
  Rgb color;
  double size = 13;  // pixels
  HAlign hAlign = HAlign::Left;
  VAlign vAlign = VAlign::Middle;
  double rotation = 0;  // degrees, counter-clockwise
  bool operator==(const TextStyle&) const = default;
};

class Painter {
 public:
  virtual ~Painter() = default;
  virtual void fillRect(const Rect& rect, const Rgb& color) = 0;
  virtual void strokeRect(const Rect& rect, const Pen& pen) = 0;
  // One connected run of segments.
  virtual void polyline(const std::vector<Point>& points, const Pen& pen) = 0;
  // A closed polygon, filled and/or outlined.
  virtual void polygon(const std::vector<Point>& points, const std::optional<Rgb>& fill,
                       const std::optional<Pen>& edge) = 0;
  // The same symbol at every point.
  virtual void markers(const std::vector<Point>& points, const MarkerStyle& style) = 0;
  // A text anchored at `at` by its alignment, turned about that anchor.
  virtual void text(const Point& at, const std::string& text, const TextStyle& style) = 0;
  // The width in pixels a text takes at a size, for laying out labels.
  virtual double textWidth(const std::string& text, double size) = 0;
  // Restricts the following drawing to rect; nothing removes the restriction.
  virtual void clip(const std::optional<Rect>& rect) = 0;
};

}  // namespace tessaly::render
