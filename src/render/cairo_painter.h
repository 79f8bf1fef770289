#pragma once
// The painter that draws with Cairo on any surface: image, PNG, SVG, PDF or PostScript.
#include <cairo.h>

#include <memory>
#include <vector>

#include "render/painter.h"

namespace tessaly::render {

class CairoPainter : public Painter {
 public:
  // Draws through cr, which the caller owns and keeps alive.
  explicit CairoPainter(cairo_t* cr);
  ~CairoPainter() override;

  void fillRect(const Rect& rect, const Rgb& color) override;
  void strokeRect(const Rect& rect, const Pen& pen) override;
  void polyline(const std::vector<Point>& points, const Pen& pen) override;
  void polygon(const std::vector<Point>& points, const std::optional<Rgb>& fill,
               const std::optional<Pen>& edge) override;
  void markers(const std::vector<Point>& points, const MarkerStyle& style) override;
  void text(const Point& at, const std::string& text, const TextStyle& style) override;
  double textWidth(const std::string& text, double size) override;
  void clip(const std::optional<Rect>& rect) override;

 private:
  void setPen(const Pen& pen);
  void setColor(const Rgb& c);
  // Lays the symbol outlines of all points into one path and fills/strokes it once.
  void markerPaths(const std::vector<Point>& points, const MarkerStyle& style);
  // On an image: renders the symbol once and blends copies of it onto the pixels, which is
  // many times faster for thousands of landmarks. Returns false where that cannot be done.
  bool stampMarkers(const std::vector<Point>& points, const MarkerStyle& style);
  class Stamp;
  // The symbol of a style at a drawing scale, rendered on first use; null where it is too big.
  const Stamp* stampFor(const MarkerStyle& style, double scale);
  cairo_t* cr_;
  std::optional<Rect> clip_;  // in device pixels
  // The symbols rendered lately, oldest first: plots that take turns with a few symbols render
  // each only once, and looking one up stays cheap however many symbols a figure has.
  static constexpr size_t kStampsKept = 16;
  std::vector<std::unique_ptr<Stamp>> stamps_;
};

}  // namespace tessaly::render
