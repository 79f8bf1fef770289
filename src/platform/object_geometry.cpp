#include <cmath>

#include "core/error.h"
#include "platform/object_model.h"
#include "platform/property_schema.h"

// Unit and pixel geometry of the objects with a box: figures, axes and controls.
namespace tessaly::platform {

using namespace schema;

std::pair<double, double> pixelsPerUnit(const std::string& units) {
  std::string u = propertyKey(units);
  if (u == "pixels") return {1, 1};
  if (u == "points") return {96.0 / 72, 96.0 / 72};
  if (u == "inches") return {96, 96};
  if (u == "centimeters") return {96 / 2.54, 96 / 2.54};
  // A character cell of the default interface font.
  if (u == "characters") return {5, 13};
  throw Error("Unknown units " + units);
}

// The box of an object that has one, [left bottom width height], in pixels.
RowVector pixelPosition(const ObjectModel& m, Handle h) {
  static const PropertyId units = propertyId("Units"), position = propertyId("Position"),
                          screen = propertyId("ScreenSize");
  if (h == ObjectModel::kRoot) return m.peek(h, screen).matrix().reshaped().transpose();
  const Matrix& pos = m.peek(h, position).matrix();
  if (pos.size() < 4) throw Error("A Position has four numbers.");
  RowVector box = pos.reshaped().transpose().head(4);
  std::string u = propertyKey(m.peek(h, units).text());
  if (u == "normalized") {
    Handle parent = m.parent(h);
    if (m.type(h) != "figure") parent = m.figureOf(h) >= 0 ? m.figureOf(h) : parent;
    RowVector outer = pixelPosition(m, parent);
    box(0) *= outer(2);
    box(1) *= outer(3);
    box(2) *= outer(2);
    box(3) *= outer(3);
    return box;
  }
  auto [fx, fy] = pixelsPerUnit(u);
  box(0) *= fx;
  box(2) *= fx;
  box(1) *= fy;
  box(3) *= fy;
  return box;
}

void ObjectModel::convertUnits(Handle h, const Value& units) {
  const Tables& t = tables();
  Index i = index(h);
  std::string u = propertyKey(units.text());
  if (u != "normalized") pixelsPerUnit(u);  // an unknown unit stops here, nothing changed
  RowVector box = pixelPosition(*this, h);
  if (u == "normalized") {
    Handle parent = objects_[i].type == kFigureT ? kRoot : figureOf(h);
    RowVector outer = pixelPosition(*this, parent < 0 ? kRoot : parent);
    box(0) /= outer(2);
    box(1) /= outer(3);
    box(2) /= outer(2);
    box(3) /= outer(3);
  } else {
    auto [fx, fy] = pixelsPerUnit(u);
    box(0) /= fx;
    box(2) /= fx;
    box(1) /= fy;
    box(3) /= fy;
  }
  store(i, t.units, units);
  notify(Change::Kind::Property, h, t.units);
  if (!(peek(h, t.position) == Value(box))) {
    store(i, t.position, box);
    notify(Change::Kind::Property, h, t.position);
  }
}

}  // namespace tessaly::platform
