#include "graphics/export.h"

#include <filesystem>
#include <functional>

#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/property_guard.h"
#include "platform/verbs.h"
#include "render/print.h"

namespace tessaly::graphics {

namespace pf = tessaly::platform;
using pf::Handle;

namespace {

// Lays the current axes out for a picture, runs `output`, and restores the layout whether or
// not the output succeeded, so a failed copy never leaves the window rearranged.
void withPictureLayout(const std::function<void(Handle figure)>& output) {
  Handle axes = pf::gca();
  Handle fig = pf::gcf();
  RowVector t = pf::axis(axes);
  double trrx = t(1) - t(0), trry = t(3) - t(2);
  t += RowVector{{-0.03 * trrx, 0.03 * trrx, -0.03 * trry, 0.03 * trry}};

  pf::PropertyGuard layout(pf::model());
  layout.keep(fig, {"Units"});
  layout.keep(axes, {"Units", "Position"});
  layout.afterRestore([axes] {
    pf::axis(axes, "auto");
    pf::axis(axes, "equal");
  });
  layout.set(fig, "Units", pf::Value("characters"));
  RowVector f = pf::get(fig, "Position").matrix();
  // 12 characters on the left for the tick labels and the y label, 3 below for the x
  // label; the width also leaves 5 on the right, so the box ends inside the window
  // (a width of the window's less 5 would run 7 characters past its right edge and cut
  // off the right of the plot).
  RowVector fposition{{12, 3, f(2) - 12 - 5, f(3) - 4}};
  layout.set(axes, "Units", pf::get(fig, "Units"));
  layout.set(axes, "Position", pf::Value(fposition));
  pf::axis(axes, t);
  pf::axis(axes, "equal");
  output(fig);
  layout.restore();
}

}  // namespace

void CopyBigImage(const pf::Value&) {
  withPictureLayout([](Handle fig) { render::print(fig, {"-noui", "-dmeta"}); });
}

void CopyImageEPS(const pf::Value&) {
  withPictureLayout([](Handle fig) {
    auto choice = pf::dialogs().putFile("*.*", "Enter File Name for EPS file (end with .EPS)");
    if (!choice) return;
    std::string filet = choice->folder + choice->name;
    render::print(fig, {"-noui", "-depsc", filet});
    std::error_code ec;
    std::filesystem::current_path(choice->folder, ec);
  });
}

}  // namespace tessaly::graphics
