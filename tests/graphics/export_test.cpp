#include "graphics/export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/error.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/scripted_dialogs.h"
#include "platform/verbs.h"
#include "support/error_text.h"

namespace tessaly::graphics {
namespace {

namespace fs = std::filesystem;
namespace pf = tessaly::platform;
using pf::Handle;

// Records, at the moment of the copy, what the axes looked like.
class ClipboardSpy : public pf::Clipboard {
 public:
  void setPicture(const std::string& png, const std::string& svg) override {
    Handle axes = pf::gca();
    xlim = pf::get(axes, "XLim").matrix();
    ylim = pf::get(axes, "YLim").matrix();
    units = pf::get(axes, "Units").text();
    position = pf::get(axes, "Position").matrix();
    pictureBytes = png.size() + svg.size();
  }
  Matrix xlim, ylim, position;
  std::string units;
  size_t pictureBytes = 0;
};

class Export : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::resetPlatform();
    pf::platform().setClipboard(&clipboard);
    pf::platform().setDialogs(&dialogs);
    fig = pf::gcf();
    pf::set(fig, "Position", RowVector{{100, 100, 800, 600}});
    axes = pf::gca();
    pf::model().create("line", axes, {{"XData", RowVector{{1, 9}}}, {"YData", RowVector{{2, 18}}}});
    pf::model().create("uicontrol", fig, {{"String", "Button"}});
    pf::axis(axes, RowVector{{0, 10, 0, 20}});
    position = pf::get(axes, "Position").matrix();
    dir = fs::temp_directory_path() / ("tessaly-export-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    cwd = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(cwd);
    fs::remove_all(dir);
    pf::platform().setClipboard(nullptr);
    pf::platform().setDialogs(nullptr);
  }

  void expectRestored() {
    EXPECT_EQ(pf::get(axes, "Units").text(), "normalized");
    EXPECT_TRUE(pf::get(axes, "Position").matrix().isApprox(position, 1e-12));
    EXPECT_EQ(pf::get(fig, "Units").text(), "pixels");
    EXPECT_TRUE(
        pf::get(fig, "Position").matrix().isApprox(Matrix(RowVector{{100, 100, 800, 600}}), 1e-12));
    EXPECT_EQ(pf::get(axes, "XLimMode").text(), "auto");
  }

  ClipboardSpy clipboard;
  pf::ScriptedDialogs dialogs;
  Handle fig = -1, axes = -1;
  Matrix position;
  fs::path dir, cwd;
};

TEST_F(Export, CopyBigImageWidensByThreePercentAndRestores) {
  CopyBigImage();
  ASSERT_GT(clipboard.pictureBytes, 0u);
  // Equal scaling may only widen one pair of the margined limits [-0.3 10.3 -0.6 20.6].
  const Matrix& x = clipboard.xlim;
  const Matrix& y = clipboard.ylim;
  EXPECT_LE(x(0), -0.3 + 1e-9);
  EXPECT_GE(x(1), 10.3 - 1e-9);
  EXPECT_LE(y(0), -0.6 + 1e-9);
  EXPECT_GE(y(1), 20.6 - 1e-9);
  bool xKept = std::abs(x(0) + 0.3) < 1e-9 && std::abs(x(1) - 10.3) < 1e-9;
  bool yKept = std::abs(y(0) + 0.6) < 1e-9 && std::abs(y(1) - 20.6) < 1e-9;
  EXPECT_TRUE(xKept || yKept);
  // The axes filled the window in characters: 800 by 600 pixels are 160 by 600/13.
  EXPECT_EQ(clipboard.units, "characters");
  EXPECT_NEAR(clipboard.position(0), 12, 1e-9);
  EXPECT_NEAR(clipboard.position(1), 3, 1e-9);
  EXPECT_NEAR(clipboard.position(2), 160 - 12 - 5, 1e-9);  // inside the window
  EXPECT_NEAR(clipboard.position(3), 600.0 / 13 - 4, 1e-9);
  expectRestored();
}

TEST_F(Export, CopyImageEpsWritesTheTypedNameAndMovesThere) {
  fs::path file = dir / "figure1";  // no extension is added
  dialogs.answer(file.string());
  CopyImageEPS();
  ASSERT_TRUE(fs::exists(file));
  std::ifstream in(file);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "%!PS-Adobe-3.0 EPSF-3.0");
  EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(dir));
  ASSERT_FALSE(dialogs.asked().empty());
  EXPECT_EQ(dialogs.asked().back().title, "Enter File Name for EPS file (end with .EPS)");
  expectRestored();
}

TEST_F(Export, CancelledEpsWritesNothingAndStillRestores) {
  dialogs.answer("");
  CopyImageEPS();
  EXPECT_TRUE(fs::is_empty(dir));
  EXPECT_EQ(fs::current_path(), cwd);
  expectRestored();
}

TEST_F(Export, FailedEpsStillRestoresTheAxes) {
  dialogs.answer((dir / "no" / "such" / "folder.eps").string());
  EXPECT_EQ(test_support::errorText([&] { CopyImageEPS(); }),
            "\"Enter File Name for EPS file (end with .EPS)\": there is no folder \"" +
                (dir / "no" / "such").string() + "/\"");
  expectRestored();
}

}  // namespace
}  // namespace tessaly::graphics
