#include "render/print.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "core/error.h"
#include "platform/platform.h"
#include "render/cairo_painter.h"
#include "support/comma_locale.h"
#include "support/error_text.h"

namespace tessaly::render {
namespace {

namespace fs = std::filesystem;
using platform::Handle;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ClipboardSpy : public platform::Clipboard {
 public:
  void setPicture(const std::string& p, const std::string& s) override {
    png = p;
    svg = s;
    ++calls;
  }
  std::string png, svg;
  int calls = 0;
};

// A 200-by-200 white figure whose axes fill it, showing 0..10 both ways: data (x, y) is at
// pixel (20x, 200 - 20y). A red filled square at (2.5, 7.5), a blue one at (7.5, 2.5) and a
// green control in the lower right corner.
class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::resetPlatform();
    platform::platform().setClipboard(&clipboard);
    auto& m = platform::model();
    fig = m.create("figure", platform::ObjectModel::kRoot,
                   {{"Position", RowVector{{0, 0, 200, 200}}}, {"Color", RowVector{{1, 1, 1}}}});
    axes = m.create("axes", fig,
                    {{"Position", RowVector{{0, 0, 1, 1}}},
                     {"XLim", RowVector{{0, 10}}},
                     {"YLim", RowVector{{0, 10}}}});
    auto square = [&](double x, double y, RowVector c) {
      m.create("line", axes,
               {{"XData", x},
                {"YData", y},
                {"LineStyle", "none"},
                {"Marker", "s"},
                {"MarkerSize", 12.0},
                {"Color", c},
                {"MarkerFaceColor", c}});
    };
    square(2.5, 7.5, RowVector{{1, 0, 0}});
    square(7.5, 2.5, RowVector{{0, 0, 1}});
    m.create(
        "uicontrol", fig,
        {{"Position", RowVector{{160, 10, 30, 20}}}, {"BackgroundColor", RowVector{{0, 1, 0}}}});
    dir = fs::temp_directory_path() / ("tessaly-print-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    platform::platform().setClipboard(nullptr);
    fs::remove_all(dir);
  }

  // Colour of a pixel of a PNG file as 0xRRGGBB.
  static unsigned pixel(const fs::path& png, int x, int y) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
    EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    auto* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    unsigned v = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * x) & 0xffffffu;
    cairo_surface_destroy(s);
    return v;
  }

  ClipboardSpy clipboard;
  Handle fig = -1, axes = -1;
  fs::path dir;
};

TEST_F(PrintTest, PngPutsMarkersAtTheirPixels) {
  fs::path png = dir / "plot.png";
  print(fig, {"-dpng", png.string()});
  EXPECT_EQ(pixel(png, 50, 50), 0xff0000u);
  EXPECT_EQ(pixel(png, 150, 150), 0x0000ffu);
  EXPECT_EQ(pixel(png, 100, 100), 0xffffffu);
  EXPECT_EQ(pixel(png, 175, 180), 0x00ff00u);  // the control
  // Marker size: 12 points are 16 pixels, so 7 pixels off centre is in, 10 out.
  EXPECT_EQ(pixel(png, 57, 50), 0xff0000u);
  EXPECT_EQ(pixel(png, 60, 50), 0xffffffu);
}

TEST_F(PrintTest, NoUiLeavesControlsOut) {
  fs::path png = dir / "noui.png";
  print(fig, {"-noui", png.string()});  // format from the extension
  EXPECT_EQ(pixel(png, 175, 180), 0xffffffu);
  EXPECT_EQ(pixel(png, 50, 50), 0xff0000u);
}

TEST_F(PrintTest, EpsIsEncapsulatedWithABoundingBox) {
  // Axes in the middle half of the figure: the box closes around them and their labels.
  platform::model().set(axes, "Position", RowVector{{0.25, 0.25, 0.5, 0.5}});
  fs::path eps = dir / "plot.EPS";
  print(fig, {"-noui", "-depsc", eps.string()});
  std::string text = slurp(eps);
  ASSERT_EQ(text.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u) << text.substr(0, 40);
  std::smatch match;
  std::regex box(R"(%%BoundingBox: (-?\d+) (-?\d+) (-?\d+) (-?\d+))");
  ASSERT_TRUE(std::regex_search(text, match, box));
  int x0 = std::stoi(match[1]), y0 = std::stoi(match[2]);
  int x1 = std::stoi(match[3]), y1 = std::stoi(match[4]);
  // 200 pixels are 150 points; the axes box is 75 points square, from 37.5 to 112.5.
  EXPECT_GT(x0, 0);
  EXPECT_LE(x0, 37);
  EXPECT_GT(y0, 0);
  EXPECT_LE(y0, 37);
  EXPECT_GE(x1, 113);
  EXPECT_LT(x1, 150);
  EXPECT_GE(y1, 113);
  EXPECT_LT(y1, 150);
  EXPECT_NE(text.find("%%EOF"), std::string::npos);
  EXPECT_FALSE(fs::exists(eps.string() + ".part"));
}

TEST_F(PrintTest, SvgAndPdfFilesAreWritten) {
  print(fig, {"-dsvg", (dir / "a.svg").string()});
  print(fig, {(dir / "b.pdf").string()});
  std::string svg = slurp(dir / "a.svg"), pdf = slurp(dir / "b.pdf");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("width=\"150"), std::string::npos);
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_GT(pdf.size(), 500u);
}

TEST_F(PrintTest, MetaHandsPngAndSvgToTheClipboard) {
  print(fig, {"-noui", "-dmeta"});
  ASSERT_EQ(clipboard.calls, 1);
  EXPECT_EQ(clipboard.png.substr(1, 3), "PNG");
  EXPECT_NE(clipboard.svg.find("<svg"), std::string::npos);
}

TEST_F(PrintTest, BadRequestsAreErrorsAndLeaveOldFilesAlone) {
  EXPECT_THROW(print(fig, {"-dgif", (dir / "x.gif").string()}), Error);
  EXPECT_THROW(print(fig, {"-depsc"}), Error);
  EXPECT_THROW(print(fig, {(dir / "x.tiff").string()}), Error);
  EXPECT_THROW(print(axes, {"-dpng", (dir / "x.png").string()}), Error);
  const std::string missing = (dir / "missing" / "x.png").string();
  EXPECT_EQ(test_support::errorText([&] {
              print(fig, {"-dpng", missing});
            }),
            "Cannot write " + missing + ": No such file or directory");
  // A failed print leaves an earlier picture of the same name as it was.
  fs::path kept = dir / "kept.png";
  { std::ofstream(kept) << "old"; }
  EXPECT_THROW(print(fig, {"-dwhat", kept.string()}), Error);
  EXPECT_EQ(slurp(kept), "old");
}

TEST(PictureFormat, TheExtensionNamesTheFormatInAnyLetterCase) {
  EXPECT_EQ(pictureFormatOf("a/plot.png"), PictureFormat::Png);
  EXPECT_EQ(pictureFormatOf("PLOT.SVG"), PictureFormat::Svg);
  EXPECT_EQ(pictureFormatOf("x.y.Pdf"), PictureFormat::Pdf);
  EXPECT_EQ(pictureFormatOf("fig.eps"), PictureFormat::Eps);
  EXPECT_EQ(pictureFormatOf("fig.ps"), PictureFormat::Eps);
  for (const char* none : {"plot", "plot.gif", "plot.png.txt", ".png/plot", "plotpng"}) {
    EXPECT_EQ(pictureFormatOf(none), std::nullopt) << none;
  }
}

TEST_F(PrintTest, AResolutionOptionIsOneNumberInRange) {
  print(fig, {"-r192", (dir / "twice.png").string()});
  EXPECT_EQ(slurp(dir / "twice.png").substr(1, 3), "PNG");
  for (const char* bad : {"-r", "-r0", "-r-96", "-r96dpi", "-r1e9", "-rNaN", "-r0x60"}) {
    EXPECT_THROW(print(fig, {bad, (dir / "bad.png").string()}), Error) << bad;
  }
  EXPECT_FALSE(fs::exists(dir / "bad.png"));
}

// Vector pictures hold coordinates and tick labels as numbers: a decimal-comma locale in force
// must change no byte of them.
TEST_F(PrintTest, VectorPicturesAreTheSameUnderACommaLocale) {
  platform::model().set(axes, "XLim", platform::Value(RowVector{{0, 0.5}}));
  platform::model().set(axes, "YLim", platform::Value(RowVector{{-0.25, 0.75}}));
  // Cairo numbers its surfaces as they are made; that number is all two pictures may differ in.
  auto svg = [&] {
    return std::regex_replace(renderPicture(platform::model(), fig, PictureFormat::Svg),
                              std::regex("surface[0-9]+"), "surface");
  };
  const std::string inC = svg();
  test_support::CommaLocale german;
  TESSALY_REQUIRE_COMMA_LOCALE(german);
  EXPECT_EQ(svg(), inC);
}

TEST_F(PrintTest, ImageFollowsTheScreenLook) {
  platform::model().set(fig, "Color", RowVector{{0.5, 0.5, 0.5}});
  platform::model().set(axes, "Position", RowVector{{0.5, 0.5, 0.5, 0.5}});
  Image image = renderImage(platform::model(), fig);
  ASSERT_EQ(image.width, 200);
  ASSERT_EQ(image.height, 200);
  // The figure colour, not the white of a hard copy.
  std::uint32_t grey = image.at(20, 180);
  for (int shift : {0, 8, 16}) EXPECT_NEAR(double((grey >> shift) & 0xff), 127.5, 1) << shift;
  Image big = renderImage(platform::model(), fig, {}, 2);
  EXPECT_EQ(big.width, 400);
}

// Markers on an image are rendered once and copied to every point. Set at whole pixels on a
// transparent image, the copies hold exactly the pixels of the outlines filled and stroked in
// place (as on a surface that is not an image), also where the clip cuts them; the image edge
// cuts a copy without changing the rest of it; on a coloured image each pixel is the copy laid
// over the colour, rounded to nearest.
TEST(CairoPainter, StampedMarkersAreTheSymbolsDrawnInPlace) {
  constexpr int kWidth = 226, kHeight = 120, kMargin = 10;
  const std::string shapes = ".ox+*sdv^<>ph";
  // Device pixel = 2 * user + (3, 5) + shift. A column per shape and 7 rows, 18 pixels apart,
  // so no two symbols touch; unshifted, row 0, row 6 and column 12 cross the image edges and
  // column 1, column 12, row 1 and row 6 the clip edges, whose box is device pixels
  // [24, 224) x [21, 111).
  auto draw = [&](cairo_surface_t* target, bool clipped, int shift) {
    cairo_t* cr = cairo_create(target);
    cairo_translate(cr, 3 + shift, 5 + shift);
    cairo_scale(cr, 2, 2);
    {
      CairoPainter painter(cr);
      if (clipped) painter.clip(Rect{10.5, 8, 100, 45});
      for (size_t c = 0; c < shapes.size(); ++c)
        for (size_t r = 0; r < 7; ++r) {
          size_t look = (r + c) % 3;
          MarkerStyle style{shapes[c], 5, std::nullopt, std::nullopt, 0.75};
          if (look != 1) style.edge = Rgb{0.1, 0.45, 0.8};
          if (look != 0) style.face = Rgb{0.9, 0.3, 0.05};
          // The same symbol drawn just before at another scale, off the image, must not
          // stand in for it.
          cairo_save(cr);
          cairo_scale(cr, 1.5, 1.5);
          painter.markers({{-1000, -1000}}, style);
          cairo_restore(cr);
          painter.markers({{1.0 + 9 * c, 1.0 + 9 * r}}, style);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(target);
  };
  auto image = [](int margin) {
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth + 2 * margin,
                                      kHeight + 2 * margin);
  };
  // The kWidth x kHeight pixels from (margin, margin) on.
  auto pixels = [](cairo_surface_t* image, int margin) {
    std::vector<std::uint32_t> out;
    for (int y = margin; y < margin + kHeight; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(
          cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image));
      out.insert(out.end(), row + margin, row + margin + kWidth);
    }
    return out;
  };
  // Premultiplied colours of every kind, opaque and not.
  auto background = [](int x, int y) {
    std::uint32_t a = x < kWidth / 2 ? 255 : (x * 7 + y * 3) % 256, pixel = a << 24;
    for (int shift : {0, 8, 16}) pixel |= ((x * 13 + y * 5 + shift * 11) % (a + 1)) << shift;
    return pixel;
  };

  for (bool clipped : {true, false}) {
    SCOPED_TRACE(clipped ? "clipped" : "whole image");
    // With a margin around them no symbol reaches the image edges.
    cairo_surface_t* stamped = image(kMargin);
    draw(stamped, clipped, kMargin);
    cairo_surface_t* drawn = image(kMargin);
    cairo_surface_t* notAnImage = cairo_surface_create_for_rectangle(
        drawn, 0, 0, kWidth + 2 * kMargin, kHeight + 2 * kMargin);
    draw(notAnImage, clipped, kMargin);
    cairo_surface_destroy(notAnImage);
    const std::vector<std::uint32_t> symbols = pixels(stamped, kMargin);
    EXPECT_GT(std::count_if(symbols.begin(), symbols.end(), [](auto p) { return p != 0; }), 2000);
    ASSERT_TRUE(symbols == pixels(drawn, kMargin));

    cairo_surface_t* cut = image(0);
    draw(cut, clipped, 0);
    ASSERT_TRUE(pixels(cut, 0) == symbols);

    cairo_surface_t* coloured = image(0);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(coloured) +
                                         y * cairo_image_surface_get_stride(coloured))[x] =
            background(x, y);
    cairo_surface_mark_dirty(coloured);
    draw(coloured, clipped, 0);
    const std::vector<std::uint32_t> over = pixels(coloured, 0);
    for (int i = 0; i < kWidth * kHeight; ++i) {
      std::uint32_t s = symbols[i], d = background(i % kWidth, i / kWidth), keep = 255 - (s >> 24);
      for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t sc = (s >> shift) & 0xff, dc = (d >> shift) & 0xff;
        std::uint32_t want = std::min<std::uint32_t>(255, sc + (dc * keep + 127) / 255);
        ASSERT_EQ((over[i] >> shift) & 0xff, want)
            << "pixel " << i % kWidth << ", " << i / kWidth << ", bits " << shift;
      }
    }
    for (cairo_surface_t* s : {stamped, drawn, cut, coloured}) cairo_surface_destroy(s);
  }
}
}  // namespace
}  // namespace tessaly::render
