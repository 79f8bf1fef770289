#pragma once
// The property schema of the object tree: every object type with its properties and their
// default values, and property names interned to small integer ids. The object store keeps
// only what differs from these tables.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/object_model.h"

namespace tessaly::platform::schema {

struct TypeTable {
  std::string name;
  std::vector<PropertyId> order;  // the type's properties in the order listed above
  std::vector<Value> byId;        // default per property id
  std::vector<char> has;          // whether the type has the property
};

enum TypeCode : std::uint8_t {
  kRootT,
  kTextT,
  kLineT,
  kPatchT,
  kAxesT,
  kFigureT,
  kUicontrolT,
  kUimenuT,
  kTypeCount
};

// The type tables and the ids of the properties the store treats specially.
struct Tables {
  std::vector<TypeTable> types;
  PropertyId type, parent, children, tag, xlim, ylim, xlimmode, ylimmode, units, position,
      currentFigure, currentAxes, xdata, ydata;
  Tables();
};

const Tables& buildTables();
inline const Tables& tables() {
  static const Tables& t = buildTables();
  return t;
}

// The code of a type name; an Error for a name that is no type.
std::uint8_t typeCode(const std::string& type);
// Type, Parent and Children: computed from the tree, never stored.
bool isSpecial(PropertyId id);
// Figures, axes and controls: the types with a Position box in Units.
bool hasBox(std::uint8_t type);

// Property names and the words they take are ASCII.
inline char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace tessaly::platform::schema
