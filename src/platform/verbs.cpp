#include "platform/verbs.h"

#include "core/error.h"
#include "platform/platform.h"

namespace tessaly::platform {

std::vector<Handle> findobj(std::string_view name, const Value& value) {
  return model().findobj(name, value);
}

std::vector<Handle> findall(Handle h) {
  return model().findall(h);
}

Value get(Handle h, std::string_view name) {
  return model().get(h, name);
}

void set(Handle h, std::string_view name, const Value& value) {
  model().set(h, name, value);
}

void set(Handle h, const PropertyList& props) {
  model().set(h, props);
}

void set(const std::vector<Handle>& handles, std::string_view name, const Value& value) {
  for (Handle h : handles) model().set(h, name, value);
}

bool ishandle(Handle h) {
  return model().isHandle(h);
}

Value getappdata(Handle h, const std::string& name) {
  return model().getAppData(h, name);
}

void setappdata(Handle h, const std::string& name, const Value& value) {
  model().setAppData(h, name, value);
}

bool isappdata(Handle h, const std::string& name) {
  return model().hasAppData(h, name);
}

void rmappdata(Handle h, const std::string& name) {
  model().removeAppData(h, name);
}

Handle gcf() {
  return model().gcf();
}

Handle gca() {
  return model().gca();
}

Handle figure() {
  ObjectModel& m = model();
  Handle h = m.create("figure", ObjectModel::kRoot);
  m.setCurrentFigure(h);
  m.raise(h);
  return h;
}

void figure(Handle h) {
  ObjectModel& m = model();
  const std::string& type = m.type(h);
  if (type == "axes") {
    m.setCurrentAxes(h);
    m.raise(m.figureOf(h));
  } else if (type == "figure") {
    m.setCurrentFigure(h);
    m.raise(h);
  } else {
    throw Error("figure needs a figure handle.");
  }
}

void close() {
  Handle h = model().currentFigure();
  if (h >= 0) model().remove(h);
}

void close(Handle figure) {
  ObjectModel& m = model();
  if (m.type(figure) != "figure") throw Error("close needs a figure handle.");
  m.remove(figure);
}

void closeAll() {
  ObjectModel& m = model();
  for (Handle h : m.children(ObjectModel::kRoot))
    if (m.isHandle(h) && m.type(h) == "figure") m.remove(h);
}

void deleteObject(Handle h) {
  if (h == ObjectModel::kRoot) throw Error("The root object cannot be deleted.");
  model().remove(h);
}

void deleteObjects(const std::vector<Handle>& handles) {
  for (Handle h : handles) deleteObject(h);
}

}  // namespace tessaly::platform
