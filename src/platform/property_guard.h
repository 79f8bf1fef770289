#pragma once
// Sets properties of objects for a while and puts them back: a window laid out for a picture
// must look as before once the picture is made, whether or not making it succeeded.
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/object_model.h"

namespace tessaly::platform {

class PropertyGuard {
 public:
  explicit PropertyGuard(ObjectModel& model) : model_(model) {}
  ~PropertyGuard();
  PropertyGuard(const PropertyGuard&) = delete;
  PropertyGuard& operator=(const PropertyGuard&) = delete;

  // Remembers the present values of properties that depend on each other, before any of them
  // changes ("Units" and the "Position" measured in them).
  void keep(Handle h, std::initializer_list<const char*> names);

  // Sets a property, remembering its value first unless it is already kept.
  void set(Handle h, const std::string& name, const Value& value);

  // Runs after the properties are put back (for a step that depends on them, such as
  // recomputing automatic axis limits).
  void afterRestore(std::function<void()> step) { afterRestore_ = std::move(step); }

  // Puts every property back, in the order they were kept (so that "Units" goes back before
  // the "Position" measured in them), then runs the step after. Errors reach the caller;
  // a second call does nothing.
  void restore();

 private:
  struct Saved {
    Handle handle;
    std::string name;
    Value value;
  };
  ObjectModel& model_;
  std::vector<Saved> saved_;
  std::function<void()> afterRestore_;
  bool restored_ = false;

  bool isKept(Handle h, const std::string& name) const;
};

}  // namespace tessaly::platform
