#pragma once
// The retained-mode object tree that every window, plot and control lives in: root, figure,
// axes, line, text, patch, uicontrol and uimenu objects, each a numeric handle with a parent,
// children and named properties. Property names are case-insensitive. Every change is
// announced to the listeners, so a front end (windows, renderer) can follow the model.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "shell/platform/value.h"

namespace tessaly::platform {

using Handle = double;
using PropertyList = std::vector<std::pair<std::string, Value>>;

struct Change {
  enum class Kind { Created, Property, Deleted };
  Kind kind;
  Handle handle;
  std::string property;  // lower case; empty unless kind is Property
};

class ObjectModel {
 public:
  ObjectModel();

  static constexpr Handle kRoot = 0;

  // A new object of a type ("figure", "axes", "line", "text", "patch", "uicontrol",
  // "uimenu") under parent, with the type's default properties and then props.
  Handle create(const std::string& type, Handle parent, const PropertyList& props = {});
  bool isHandle(Handle h) const;
  void remove(Handle h);  // the object and all below it

  // "Type", "Parent" and "Children" (newest first) are read like any property. An unknown
  // object or property is an Error.
  Value get(Handle h, std::string_view name) const;
  void set(Handle h, std::string_view name, const Value& value);
  void set(Handle h, const PropertyList& props);
  bool hasProperty(Handle h, std::string_view name) const;
  // Names of the object's stored properties, lower case.
  std::vector<std::string> propertyNames(Handle h) const;

  const std::string& type(Handle h) const;
  Handle parent(Handle h) const;
  std::vector<Handle> children(Handle h) const;  // newest first
  // The figure an object belongs to, or nothing (-1) when it is not inside one.
  Handle figureOf(Handle h) const;

  // h and every object below it, depth first, h first, children newest first.
  std::vector<Handle> findall(Handle h = kRoot) const;
  // Objects whose property equals value (texts compared exactly), searched from the root.
  std::vector<Handle> findobj(std::string_view name, const Value& value) const;

  void setAppData(Handle h, const std::string& name, const Value& value);
  Value getAppData(Handle h, const std::string& name) const;  // empty when not set
  bool hasAppData(Handle h, const std::string& name) const;

  // Current figure and axes, made when there are none (as plotting does).
  Handle gcf();
  Handle gca();
  // The current figure, or -1 when there is none; never makes one.
  Handle currentFigure() const;
  void setCurrentFigure(Handle figure);
  void setCurrentAxes(Handle axes);  // also makes its figure current

  using Listener = std::function<void(const Change&)>;
  int subscribe(Listener listener);
  void unsubscribe(int id);

 private:
  struct Object {
    std::string type;
    Handle parent = -1;
    std::vector<Handle> children;  // oldest first
    std::map<std::string, Value> properties;
    std::map<std::string, Value> appdata;
  };
  const Object& object(Handle h) const;
  Object& object(Handle h);
  void notify(const Change& change);

  std::map<Handle, Object> objects_;
  Handle nextHandle_ = 1;
  std::map<int, Listener> listeners_;
  int nextListener_ = 1;
};

// Lower case of a property name, as the model stores it.
std::string propertyKey(std::string_view name);

}  // namespace tessaly::platform
