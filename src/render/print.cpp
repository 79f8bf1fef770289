#include "render/print.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "core/error.h"
#include "core/numbers.h"
#include "core/replace_file.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/cairo_painter.h"

namespace tessaly::render {

using platform::Handle;
using platform::ObjectModel;

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void check(cairo_status_t status) {
  if (status != CAIRO_STATUS_SUCCESS)
    throw Error(std::string("Could not draw the picture: ") + cairo_status_to_string(status));
}

// Draws the figure on a surface whose units are `unit` pixels each.
void draw(cairo_surface_t* surface, const ObjectModel& m, Handle figure,
          const RenderOptions& options, double unit) {
  Context cr(cairo_create(surface));
  check(cairo_status(cr.get()));
  cairo_scale(cr.get(), unit, unit);
  CairoPainter painter(cr.get());
  renderFigure(m, figure, painter, options);
  check(cairo_status(cr.get()));
}

Surface imageSurface(const ObjectModel& m, Handle figure, const RenderOptions& options,
                     double scale) {
  Size size = figureSize(m, figure);
  int w = std::max(1, static_cast<int>(std::lround(size.width * scale)));
  int h = std::max(1, static_cast<int>(std::lround(size.height * scale)));
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  check(cairo_surface_status(s.get()));
  draw(s.get(), m, figure, options, scale);
  cairo_surface_flush(s.get());
  return s;
}

// The picture formats by file name extension, for print and every face that names a file.
struct ExtensionFormat {
  std::string_view extension;
  PictureFormat format;
};
constexpr ExtensionFormat kPictureExtensions[] = {
    {".png", PictureFormat::Png}, {".svg", PictureFormat::Svg}, {".pdf", PictureFormat::Pdf},
    {".eps", PictureFormat::Eps}, {".ps", PictureFormat::Eps},
};

}  // namespace

std::optional<PictureFormat> pictureFormatOf(const std::string& path) {
  const std::string ext = lowercase(std::filesystem::path(path).extension().string());
  for (const ExtensionFormat& e : kPictureExtensions) {
    if (e.extension == ext) return e.format;
  }
  return std::nullopt;
}

Image renderImage(const ObjectModel& m, Handle figure, const RenderOptions& options, double scale) {
  Surface s = imageSurface(m, figure, options, scale);
  Image image;
  image.width = cairo_image_surface_get_width(s.get());
  image.height = cairo_image_surface_get_height(s.get());
  image.stride = cairo_image_surface_get_stride(s.get()) / 4;
  const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s.get()));
  image.pixels.assign(data, data + static_cast<size_t>(image.stride) * image.height);
  return image;
}

std::string renderPicture(const ObjectModel& m, Handle figure, PictureFormat format,
                          const RenderOptions& options, double scale) {
  std::string out;
  if (format == PictureFormat::Png) {
    Surface s = imageSurface(m, figure, options, scale);
    check(cairo_surface_write_to_png_stream(s.get(), appendToString, &out));
    return out;
  }
  // Vector pages are measured in points: 3/4 point a pixel.
  Size size = figureSize(m, figure);
  double unit = 1 / kPixelsPerPoint;
  double w = size.width * unit, h = size.height * unit;
  Surface s;
  switch (format) {
    case PictureFormat::Svg:
      s.reset(cairo_svg_surface_create_for_stream(appendToString, &out, w, h));
      break;
    case PictureFormat::Pdf:
      s.reset(cairo_pdf_surface_create_for_stream(appendToString, &out, w, h));
      break;
    case PictureFormat::Eps:
      s.reset(cairo_ps_surface_create_for_stream(appendToString, &out, w, h));
      cairo_ps_surface_set_eps(s.get(), 1);
      break;
    case PictureFormat::Png:
      break;
  }
  check(cairo_surface_status(s.get()));
  RenderOptions drawing = options;
  drawing.blankPaper = format == PictureFormat::Eps;
  draw(s.get(), m, figure, drawing, unit);
  cairo_surface_finish(s.get());
  check(cairo_surface_status(s.get()));
  return out;
}

void writePicture(const std::string& path, const ObjectModel& m, Handle figure,
                  PictureFormat format, const RenderOptions& options, double scale) {
  std::string bytes = renderPicture(m, figure, format, options, scale);
  // Written beside the target and moved over it when complete, so a failed write never
  // leaves half a picture in place of an old one.
  saveFile(path, bytes);
}

void print(Handle figure, const std::vector<std::string>& options) {
  ObjectModel& m = platform::model();
  if (!m.isHandle(figure) || m.type(figure) != "figure")
    throw Error("print needs a figure to print");
  RenderOptions render;
  render.printing = true;
  std::optional<PictureFormat> format;
  bool toClipboard = false;
  double scale = 1;
  std::string file;
  for (const std::string& opt : options) {
    if (opt == "-noui") {
      render.noui = true;
    } else if (opt == "-depsc" || opt == "-depsc2" || opt == "-deps" || opt == "-deps2") {
      format = PictureFormat::Eps;
    } else if (opt == "-dpng") {
      format = PictureFormat::Png;
    } else if (opt == "-dsvg") {
      format = PictureFormat::Svg;
    } else if (opt == "-dpdf") {
      format = PictureFormat::Pdf;
    } else if (opt == "-dmeta") {
      toClipboard = true;
    } else if (opt.size() > 2 && opt.compare(0, 2, "-r") == 0) {
      double dpi = 0;
      if (!parseNumber(std::string_view(opt).substr(2), dpi) || !(dpi > 0 && dpi <= 2400))
        throw Error("Unknown print option " + opt);
      scale = dpi / 96;
    } else if (!opt.empty() && opt[0] == '-') {
      throw Error("Unknown print option " + opt);
    } else if (!opt.empty()) {
      file = opt;
    }
  }
  if (toClipboard) {
    std::string png = renderPicture(m, figure, PictureFormat::Png, render, scale);
    std::string svg = renderPicture(m, figure, PictureFormat::Svg, render);
    platform::platform().clipboard().setPicture(png, svg);
    if (!format) return;
  }
  if (file.empty()) throw Error("print needs a file name");
  if (!format) {
    format = pictureFormatOf(file);
    if (!format)
      throw Error("Cannot tell the picture format of " + file +
                  "; give -depsc, -dpng, -dsvg or -dpdf");
  }
  writePicture(file, m, figure, *format, render, scale);
}

}  // namespace tessaly::render
