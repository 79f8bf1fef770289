#pragma once
// Pictures of a figure through the one drawing code path: an ARGB image for the screen, PNG,
// SVG, PDF and encapsulated PostScript bytes or files, and `print` with its options.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/object_model.h"
#include "render/figure_renderer.h"

namespace tessaly::render {

// Cairo's ARGB32 layout: premultiplied alpha, one 32-bit word a pixel, rows top down,
// `stride` pixels from one row to the next.
struct Image {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * stride + x]; }
};

enum class PictureFormat { Png, Svg, Pdf, Eps };

// The format a file name's extension stands for, in any letter case: .png, .svg, .pdf, and .eps
// or .ps for encapsulated PostScript. None for any other name.
std::optional<PictureFormat> pictureFormatOf(const std::string& path);

// The figure drawn at its size in pixels times scale.
Image renderImage(const platform::ObjectModel& m, platform::Handle figure,
                  const RenderOptions& options = {}, double scale = 1);

// The bytes of a picture file. Vector pages measure the figure at 96 pixels an inch; the
// EPS bounding box is drawn tight around what is painted.
std::string renderPicture(const platform::ObjectModel& m, platform::Handle figure,
                          PictureFormat format, const RenderOptions& options = {},
                          double scale = 1);

// Writes a picture file; an old file of that name is replaced only once the new one is
// complete. A file that cannot be written is an Error.
void writePicture(const std::string& path, const platform::ObjectModel& m, platform::Handle figure,
                  PictureFormat format, const RenderOptions& options = {}, double scale = 1);

// Prints a figure of the platform's object model. Options:
//   -depsc (also -depsc2, -deps)  encapsulated PostScript file
//   -dpng, -dsvg, -dpdf           PNG, SVG, PDF file
//   -dmeta                        the picture to the clipboard (PNG and SVG)
//   -noui                         leave the controls out
//   -rDPI                         resolution of PNG pictures (96 = one pixel per pixel)
//   anything else                 the file name; without a -d option its extension
//                                 (.eps, .png, .svg, .pdf) gives the format
void print(platform::Handle figure, const std::vector<std::string>& options);

}  // namespace tessaly::render
