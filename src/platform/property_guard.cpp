#include "platform/property_guard.h"

#include "core/text.h"

namespace tessaly::platform {

PropertyGuard::~PropertyGuard() {
  if (restored_) return;
  // Leaving through an error: putting back what can be put back must not replace that error.
  try {
    restore();
  } catch (...) {
  }
}

bool PropertyGuard::isKept(Handle h, const std::string& name) const {
  const std::string key = lowercase(name);  // property names are case-insensitive
  for (const Saved& s : saved_) {
    if (s.handle == h && lowercase(s.name) == key) return true;
  }
  return false;
}

void PropertyGuard::keep(Handle h, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (!isKept(h, name)) saved_.push_back({h, name, model_.get(h, name)});
  }
  restored_ = false;
}

void PropertyGuard::set(Handle h, const std::string& name, const Value& value) {
  keep(h, {name.c_str()});
  model_.set(h, name, value);
}

void PropertyGuard::restore() {
  if (restored_) return;
  restored_ = true;
  for (const Saved& s : saved_) {
    // An object deleted meanwhile has nothing to put back.
    if (model_.isHandle(s.handle)) model_.set(s.handle, s.name, s.value);
  }
  if (afterRestore_) afterRestore_();
}

}  // namespace tessaly::platform
