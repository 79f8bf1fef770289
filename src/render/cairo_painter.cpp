#include "render/cairo_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>

namespace tessaly::render {

namespace {

constexpr double kPi = std::numbers::pi;

// The outline of a symbol centred on the origin, built once per drawing call and then laid
// down at every point by offsetting its coordinates.
struct PathOp {
  enum Kind { Move, Line, Curve, Close } kind;
  double c[6];
};

void addPolygon(std::vector<PathOp>& ops, const std::vector<std::pair<double, double>>& pts) {
  for (size_t i = 0; i < pts.size(); ++i)
    ops.push_back({i ? PathOp::Line : PathOp::Move, {pts[i].first, pts[i].second}});
  ops.push_back({PathOp::Close, {}});
}

void addSegment(std::vector<PathOp>& ops, double x0, double y0, double x1, double y1) {
  ops.push_back({PathOp::Move, {x0, y0}});
  ops.push_back({PathOp::Line, {x1, y1}});
}

// A circle of four cubic Bezier quarter arcs.
void addCircle(std::vector<PathOp>& ops, double r) {
  const double k = 0.5522847498 * r;
  ops.push_back({PathOp::Move, {r, 0}});
  ops.push_back({PathOp::Curve, {r, k, k, r, 0, r}});
  ops.push_back({PathOp::Curve, {-k, r, -r, k, -r, 0}});
  ops.push_back({PathOp::Curve, {-r, -k, -k, -r, 0, -r}});
  ops.push_back({PathOp::Curve, {k, -r, r, -k, r, 0}});
  ops.push_back({PathOp::Close, {}});
}

// A star of n points: outer radius r, inner radius r * inner; first point straight up.
void addStar(std::vector<PathOp>& ops, int n, double r, double inner) {
  std::vector<std::pair<double, double>> pts;
  for (int i = 0; i < 2 * n; ++i) {
    double a = -kPi / 2 + i * kPi / n;
    double rr = i % 2 ? r * inner : r;
    pts.emplace_back(rr * std::cos(a), rr * std::sin(a));
  }
  addPolygon(ops, pts);
}

std::vector<PathOp> markerPath(char shape, double size) {
  std::vector<PathOp> ops;
  double r = size / 2;
  switch (shape) {
    case '.':
      addCircle(ops, std::max(size / 6, 0.75));
      break;
    case 'o':
      addCircle(ops, r);
      break;
    case 's':
      addPolygon(ops, {{-r, -r}, {r, -r}, {r, r}, {-r, r}});
      break;
    case 'd':
      addPolygon(ops, {{0, -r}, {r, 0}, {0, r}, {-r, 0}});
      break;
    case '^':
      addPolygon(ops, {{0, -r}, {r, 0.75 * r}, {-r, 0.75 * r}});
      break;
    case 'v':
      addPolygon(ops, {{0, r}, {-r, -0.75 * r}, {r, -0.75 * r}});
      break;
    case '<':
      addPolygon(ops, {{-r, 0}, {0.75 * r, -r}, {0.75 * r, r}});
      break;
    case '>':
      addPolygon(ops, {{r, 0}, {-0.75 * r, r}, {-0.75 * r, -r}});
      break;
    case 'p':
      addStar(ops, 5, 1.2 * r, 0.382);
      break;
    case 'h':
      addStar(ops, 6, 1.15 * r, 0.577);
      break;
    case '+':
      addSegment(ops, -r, 0, r, 0);
      addSegment(ops, 0, -r, 0, r);
      break;
    case 'x': {
      double d = r * 0.75;
      addSegment(ops, -d, -d, d, d);
      addSegment(ops, -d, d, d, -d);
      break;
    }
    case '*': {
      double d = r * 0.7;
      addSegment(ops, -r, 0, r, 0);
      addSegment(ops, 0, -r, 0, r);
      addSegment(ops, -d, -d, d, d);
      addSegment(ops, -d, d, d, -d);
      break;
    }
    default:
      addCircle(ops, r);
      break;
  }
  return ops;
}

// Premultiplied "over": each channel is source + destination * (1 - source alpha), the product
// rounded to nearest and the sum held at 255. Two channels are worked at once, one in the low
// byte of each 16-bit half of a word: no intermediate value leaves its half, and
// (t + (t >> 8)) >> 8 with t = x * keep + 128 is x * keep / 255 rounded to nearest for all
// 8-bit x and keep.
std::uint32_t over(std::uint32_t sp, std::uint32_t dp) {
  const std::uint32_t keep = 255 - (sp >> 24);
  auto blend = [keep](std::uint32_t s, std::uint32_t d) {
    std::uint32_t t = d * keep + 0x00800080;
    t = (((t + ((t >> 8) & 0x00ff00ff)) >> 8) & 0x00ff00ff) + s;
    t |= 0x01000100 - ((t >> 8) & 0x00010001);  // a half over 255 becomes 255
    return t & 0x00ff00ff;
  };
  return blend(sp & 0x00ff00ff, dp & 0x00ff00ff) |
         blend((sp >> 8) & 0x00ff00ff, (dp >> 8) & 0x00ff00ff) << 8;
}

// Premultiplied ARGB32 pixels to draw on, and the box [x0, x1) x [y0, y1) drawing may touch.
struct Pixels {
  std::uint32_t* data;
  int stride;  // in pixels
  int x0, y0, x1, y1;
};

}  // namespace

// A symbol rendered once at one scale, to be blended onto an image at many places. Only the
// rows that hold a visible pixel are kept, each with the span from its first to its last
// visible pixel, so the transparent margin and corners around the symbol cost nothing when it
// is laid down.
class CairoPainter::Stamp {
 public:
  // The symbol drawn at the centre of image, a square of 2 * half pixels.
  Stamp(const MarkerStyle& style, double scale, int half, cairo_surface_t* image)
      : style_(style), scale_(scale), half_(half) {
    cairo_surface_flush(image);
    const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image));
    int stride = cairo_image_surface_get_stride(image) / 4;
    int width = cairo_image_surface_get_width(image);
    int height = cairo_image_surface_get_height(image);
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* row = data + static_cast<size_t>(y) * stride;
      auto visible = [](std::uint32_t p) { return (p >> 24) != 0; };
      const std::uint32_t* first = std::find_if(row, row + width, visible);
      if (first == row + width) continue;
      const std::uint32_t* end =
          std::find_if(std::reverse_iterator(row + width), std::reverse_iterator(first), visible)
              .base();
      spans_.push_back(
          {y, static_cast<int>(first - row), static_cast<int>(end - row), pixels_.size()});
      pixels_.insert(pixels_.end(), first, end);
    }
  }

  bool draws(const MarkerStyle& style, double scale) const {
    return style == style_ && scale == scale_;
  }

  // Blends the symbol centred on the corner of pixels at (x, y), within the box of dst.
  void blendOnto(const Pixels& dst, int x, int y) const {
    const int left = x - half_, top = y - half_;
    for (const Span& span : spans_) {
      int row = top + span.row;
      if (row < dst.y0 || row >= dst.y1) continue;
      int from = std::max(left + span.begin, dst.x0), to = std::min(left + span.end, dst.x1);
      if (from >= to) continue;
      const std::uint32_t* s = pixels_.data() + span.offset + (from - left - span.begin);
      std::uint32_t* d = dst.data + static_cast<size_t>(row) * dst.stride + from;
      for (int n = to - from; n > 0; --n, ++s, ++d) {
        std::uint32_t a = *s >> 24;
        if (a == 255)
          *d = *s;
        else if (a != 0)
          *d = over(*s, *d);
      }
    }
  }

 private:
  // Row `row` of the symbol, columns [begin, end), stored from pixels_[offset] on.
  struct Span {
    int row, begin, end;
    size_t offset;
  };
  MarkerStyle style_;
  double scale_;
  int half_;
  std::vector<Span> spans_;
  std::vector<std::uint32_t> pixels_;
};

CairoPainter::CairoPainter(cairo_t* cr) : cr_(cr) {
  cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

CairoPainter::~CairoPainter() = default;

void CairoPainter::setColor(const Rgb& c) {
  cairo_set_source_rgb(cr_, c.r, c.g, c.b);
}

void CairoPainter::setPen(const Pen& pen) {
  setColor(pen.color);
  double w = std::max(pen.width, 0.1);
  cairo_set_line_width(cr_, w);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  double unit = std::max(w, 1.0);
  switch (pen.dash) {
    case Dash::Solid:
      cairo_set_dash(cr_, nullptr, 0, 0);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
      break;
    case Dash::Dashed: {
      double d[] = {6 * unit, 4 * unit};
      cairo_set_dash(cr_, d, 2, 0);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
      break;
    }
    case Dash::Dotted: {
      // Round dots: zero-length dashes with round caps.
      double d[] = {0, 3 * unit};
      cairo_set_dash(cr_, d, 2, 0);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
      break;
    }
    case Dash::DashDot: {
      double d[] = {6 * unit, 3 * unit, 0, 3 * unit};
      cairo_set_dash(cr_, d, 4, 0);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
      break;
    }
  }
}

void CairoPainter::fillRect(const Rect& rect, const Rgb& color) {
  setColor(color);
  cairo_rectangle(cr_, rect.x, rect.y, rect.width, rect.height);
  cairo_fill(cr_);
}

void CairoPainter::strokeRect(const Rect& rect, const Pen& pen) {
  setPen(pen);
  cairo_rectangle(cr_, rect.x + 0.5, rect.y + 0.5, rect.width - 1, rect.height - 1);
  cairo_stroke(cr_);
}

void CairoPainter::polyline(const std::vector<Point>& points, const Pen& pen) {
  if (points.size() < 2) return;
  setPen(pen);
  cairo_move_to(cr_, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
  cairo_stroke(cr_);
}

void CairoPainter::polygon(const std::vector<Point>& points, const std::optional<Rgb>& fill,
                           const std::optional<Pen>& edge) {
  if (points.size() < 2) return;
  cairo_move_to(cr_, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
  cairo_close_path(cr_);
  if (fill) {
    setColor(*fill);
    cairo_fill_preserve(cr_);
  }
  if (edge) {
    setPen(*edge);
    cairo_stroke_preserve(cr_);
  }
  cairo_new_path(cr_);
}

void CairoPainter::markers(const std::vector<Point>& points, const MarkerStyle& style) {
  if (points.empty() || !(style.edge || style.face) || !(style.size > 0)) return;
  if (!stampMarkers(points, style)) markerPaths(points, style);
}

bool CairoPainter::stampMarkers(const std::vector<Point>& points, const MarkerStyle& style) {
  cairo_surface_t* target = cairo_get_target(cr_);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
    return false;
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  if (m.xy != 0 || m.yx != 0 || m.xx != m.yy || !(m.xx > 0)) return false;
  const Stamp* stamp = stampFor(style, m.xx);
  if (!stamp) return false;

  cairo_surface_flush(target);
  Pixels dst{reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(target)),
             cairo_image_surface_get_stride(target) / 4,
             0,
             0,
             cairo_image_surface_get_width(target),
             cairo_image_surface_get_height(target)};
  if (clip_) {
    dst.x0 = std::max(dst.x0, static_cast<int>(std::floor(clip_->x)));
    dst.y0 = std::max(dst.y0, static_cast<int>(std::floor(clip_->y)));
    dst.x1 = std::min(dst.x1, static_cast<int>(std::ceil(clip_->x + clip_->width)));
    dst.y1 = std::min(dst.y1, static_cast<int>(std::ceil(clip_->y + clip_->height)));
  }
  for (const Point& p : points) {
    // What cairo_user_to_device computes, written out: the matrix has no rotation or shear.
    double dx = m.xx * p.x + m.xy * p.y + m.x0;
    double dy = m.yx * p.x + m.yy * p.y + m.y0;
    if (!(std::abs(dx) < 1e7 && std::abs(dy) < 1e7)) continue;
    stamp->blendOnto(dst, static_cast<int>(std::lround(dx)), static_cast<int>(std::lround(dy)));
  }
  cairo_surface_mark_dirty(target);
  return true;
}

const CairoPainter::Stamp* CairoPainter::stampFor(const MarkerStyle& style, double scale) {
  for (const auto& stamp : stamps_)
    if (stamp->draws(style, scale)) return stamp.get();
  // The symbol drawn once, centred on the middle of an even-sized square of at most 512
  // pixels; a larger one is drawn as outlines at every point.
  double reach = (style.shape == 'p'   ? 0.6
                  : style.shape == 'h' ? 0.58
                                       : 0.5) *
                     style.size +
                 style.lineWidth;
  if (!(reach * scale <= 254)) return nullptr;
  int half = static_cast<int>(std::ceil(reach * scale)) + 2;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2 * half, 2 * half);
  cairo_t* sc = cairo_create(image);
  cairo_translate(sc, half, half);
  cairo_scale(sc, scale, scale);
  {
    CairoPainter stampPainter(sc);
    stampPainter.markerPaths({{0, 0}}, style);
  }
  cairo_destroy(sc);
  if (stamps_.size() == kStampsKept) stamps_.erase(stamps_.begin());
  stamps_.push_back(std::make_unique<Stamp>(style, scale, half, image));
  cairo_surface_destroy(image);
  return stamps_.back().get();
}

void CairoPainter::markerPaths(const std::vector<Point>& points, const MarkerStyle& style) {
  const std::vector<PathOp> ops = markerPath(style.shape, style.size);
  cairo_new_path(cr_);
  for (const Point& p : points) {
    for (const PathOp& op : ops) {
      switch (op.kind) {
        case PathOp::Move:
          cairo_move_to(cr_, p.x + op.c[0], p.y + op.c[1]);
          break;
        case PathOp::Line:
          cairo_line_to(cr_, p.x + op.c[0], p.y + op.c[1]);
          break;
        case PathOp::Curve:
          cairo_curve_to(cr_, p.x + op.c[0], p.y + op.c[1], p.x + op.c[2], p.y + op.c[3],
                         p.x + op.c[4], p.y + op.c[5]);
          break;
        case PathOp::Close:
          cairo_close_path(cr_);
          break;
      }
    }
  }
  if (style.shape == '.') {
    // A point is a dot in the edge colour (the face when there is no edge).
    setColor(style.edge ? *style.edge : *style.face);
    cairo_fill(cr_);
    return;
  }
  if (style.face) {
    setColor(*style.face);
    cairo_fill_preserve(cr_);
  }
  if (style.edge) {
    setPen({*style.edge, style.lineWidth, Dash::Solid});
    cairo_stroke(cr_);
  }
  cairo_new_path(cr_);
}

void CairoPainter::text(const Point& at, const std::string& text, const TextStyle& style) {
  if (text.empty()) return;
  cairo_set_font_size(cr_, style.size);
  cairo_text_extents_t te;
  cairo_text_extents(cr_, text.c_str(), &te);
  cairo_font_extents_t fe;
  cairo_font_extents(cr_, &fe);
  double dx = style.hAlign == HAlign::Left     ? 0
              : style.hAlign == HAlign::Center ? -te.x_advance / 2
                                               : -te.x_advance;
  double dy = 0;  // from the anchor down to the baseline
  switch (style.vAlign) {
    case VAlign::Top:
      dy = fe.ascent;
      break;
    case VAlign::Cap:
      dy = 0.72 * style.size;
      break;
    case VAlign::Middle:
      dy = (fe.ascent - fe.descent) / 2;
      break;
    case VAlign::Baseline:
      dy = 0;
      break;
    case VAlign::Bottom:
      dy = -fe.descent;
      break;
  }
  cairo_save(cr_);
  cairo_translate(cr_, at.x, at.y);
  if (style.rotation != 0) cairo_rotate(cr_, -style.rotation * kPi / 180);
  setColor(style.color);
  cairo_move_to(cr_, dx, dy);
  cairo_show_text(cr_, text.c_str());
  cairo_new_path(cr_);
  cairo_restore(cr_);
}

double CairoPainter::textWidth(const std::string& text, double size) {
  cairo_set_font_size(cr_, size);
  cairo_text_extents_t te;
  cairo_text_extents(cr_, text.c_str(), &te);
  return te.x_advance;
}

void CairoPainter::clip(const std::optional<Rect>& rect) {
  cairo_reset_clip(cr_);
  clip_.reset();
  if (!rect) return;
  double x0 = rect->x, y0 = rect->y, x1 = rect->x + rect->width, y1 = rect->y + rect->height;
  cairo_user_to_device(cr_, &x0, &y0);
  cairo_user_to_device(cr_, &x1, &y1);
  clip_ = Rect{std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
  cairo_rectangle(cr_, rect->x, rect->y, rect->width, rect->height);
  cairo_clip(cr_);
}

}  // namespace tessaly::render
