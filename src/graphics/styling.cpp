#include "graphics/styling.h"

#include <cmath>
#include <limits>

#include "platform/platform.h"
#include "platform/verbs.h"

namespace tessaly::graphics {

namespace pf = tessaly::platform;

namespace {

// The line children of a handle, in "Children" order.
std::vector<Handle> lineChildren(Handle handle) {
  pf::ObjectModel& m = pf::model();
  std::vector<Handle> lines;
  for (Handle h : m.children(handle)) {
    const std::string& type = m.type(h);
    if (!type.empty() && type[0] == 'l') lines.push_back(h);
  }
  return lines;
}

}  // namespace

void setsymbolfill(Handle handle, double isfilled) {
  // Run over every landmark point drawn, so the face takes the line's colour by sharing it.
  pf::ObjectModel& m = pf::model();
  static const pf::PropertyId face = pf::propertyId("MarkerFaceColor"),
                              color = pf::propertyId("Color");
  const pf::Value none("none");
  for (Handle h : lineChildren(handle)) {
    if (isfilled == 0)
      m.set(h, face, none);
    else
      m.copyProperty(h, color, face);
  }
}

void setsymbolbw(Handle handle) {
  for (Handle h : lineChildren(handle)) {
    pf::set(h, "MarkerEdgeColor", "k");
    pf::set(h, "MarkerFaceColor", "k");
  }
}

void incrementsymbolsize(Handle handle, double increment) {
  for (Handle h : lineChildren(handle))
    pf::set(h, "MarkerSize", pf::get(h, "MarkerSize").number() + increment);
}

void setlinethickness(Handle handle, double vlinewidth) {
  for (Handle h : lineChildren(handle)) pf::set(h, "LineWidth", vlinewidth);
}

void incrementlinethickness(Handle fighandle, double weight) {
  for (Handle h : lineChildren(fighandle)) {
    std::string style = pf::get(h, "LineStyle").text();
    if (!style.empty() && style[0] == 'n') continue;
    pf::set(h, "LineWidth", weight + pf::get(h, "LineWidth").number());
  }
}

Matrix fishPointer() {
  // 1 black outline and eye, 2 white body, NaN see-through; a fish swimming left.
  const char* rows[16] = {
      "................",  //
      "................",  //
      "................",  //
      "......11111.....",  //
      "....112222211..1",  //
      "...12222222221.1",  //
      "..1212222222221.",  //
      ".122222222222221",  //
      ".122222222222221",  //
      "..1222222222221.",  //
      "...12222222221.1",  //
      "....112222211..1",  //
      "......11111.....",  //
      "................",  //
      "................",  //
      "................",  //
  };
  Matrix fish(16, 16);
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) {
      char v = rows[r][c];
      fish(r, c) = v == '1' ? 1.0 : v == '2' ? 2.0 : std::numeric_limits<double>::quiet_NaN();
    }
  return fish;
}

void spiffyfish() {
  Handle fig = pf::gcf();
  pf::set(fig, "Pointer", "custom");
  pf::set(fig, "PointerShapeCData", fishPointer());
}

void boringcursor() {
  pf::set(pf::gcf(), "Pointer", "Arrow");
}

}  // namespace tessaly::graphics
