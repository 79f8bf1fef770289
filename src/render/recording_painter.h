#pragma once
// A painter that draws nothing and remembers every primitive it was given, in order. Tests use
// it to check which lines, markers and texts a figure produces and where.
#include <variant>
#include <vector>

#include "render/painter.h"

namespace tessaly::render {

class RecordingPainter : public Painter {
 public:
  struct FillRect {
    Rect rect;
    Rgb color;
  };
  struct StrokeRect {
    Rect rect;
    Pen pen;
  };
  struct Polyline {
    std::vector<Point> points;
    Pen pen;
  };
  struct Polygon {
    std::vector<Point> points;
    std::optional<Rgb> fill;
    std::optional<Pen> edge;
  };
  struct Markers {
    std::vector<Point> points;
    MarkerStyle style;
  };
  struct Text {
    Point at;
    std::string text;
    TextStyle style;
  };
  struct Clip {
    std::optional<Rect> rect;
  };
  using Op = std::variant<FillRect, StrokeRect, Polyline, Polygon, Markers, Text, Clip>;

  void fillRect(const Rect& rect, const Rgb& color) override {
    ops_.push_back(FillRect{rect, color});
  }
  void strokeRect(const Rect& rect, const Pen& pen) override {
    ops_.push_back(StrokeRect{rect, pen});
  }
  void polyline(const std::vector<Point>& points, const Pen& pen) override {
    ops_.push_back(Polyline{points, pen});
  }
  void polygon(const std::vector<Point>& points, const std::optional<Rgb>& fill,
               const std::optional<Pen>& edge) override {
    ops_.push_back(Polygon{points, fill, edge});
  }
  void markers(const std::vector<Point>& points, const MarkerStyle& style) override {
    ops_.push_back(Markers{points, style});
  }
  void text(const Point& at, const std::string& text, const TextStyle& style) override {
    ops_.push_back(Text{at, text, style});
  }
  // A fixed advance per character keeps layouts predictable in tests.
  double textWidth(const std::string& text, double size) override {
    return 0.6 * size * static_cast<double>(text.size());
  }
  void clip(const std::optional<Rect>& rect) override { ops_.push_back(Clip{rect}); }

  const std::vector<Op>& ops() const { return ops_; }

  // Every recorded primitive of one kind, in drawing order.
  template <typename T>
  std::vector<T> all() const {
    std::vector<T> out;
    for (const Op& op : ops_)
      if (const T* p = std::get_if<T>(&op)) out.push_back(*p);
    return out;
  }

  // Every marker drawn, one entry per point, with its style.
  std::vector<std::pair<Point, MarkerStyle>> markerPoints() const {
    std::vector<std::pair<Point, MarkerStyle>> out;
    for (const Markers& m : all<Markers>())
      for (const Point& p : m.points) out.emplace_back(p, m.style);
    return out;
  }

 private:
  std::vector<Op> ops_;
};

}  // namespace tessaly::render
