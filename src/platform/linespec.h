#pragma once
// Line-spec texts such as "ko", "k-", "k:", "b--", "g^" or "r": an optional colour letter, an
// optional marker letter and an optional line style, in any order. This is the one place that
// reads them; plot, quiver, errorbar and contourf all go through it.
#include <optional>
#include <string>
#include <string_view>

#include "core/matrix.h"
#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::platform {

struct LineSpec {
  std::optional<RowVector> color;  // r g b in 0..1
  std::string marker;              // one of ".ox+*sdv^<>ph", empty when not given
  std::string lineStyle;           // "-", "--", ":" or "-.", empty when not given

  // The line properties the lineSpec sets: the colour when given, the marker when given, and the
  // line style: as given; "none" when only a marker is given (points without lines); "-"
  // otherwise.
  PropertyList properties() const;
};

// An Error naming the text when it is not a line style text.
LineSpec parseLineSpec(std::string_view lineSpec);
// Nothing when the text is not a line style text (so that a caller can tell a lineSpec from a
// property name).
std::optional<LineSpec> tryParseLineSpec(std::string_view lineSpec);

// The colour of a colour letter or name ("k", "black", "r", "red", ...).
std::optional<RowVector> colorOfName(std::string_view name);
// A colour property as r g b: a 1-by-3 numeric value or a colour name; nothing for "none",
// "auto" or anything else.
std::optional<RowVector> colorValue(const Value& value);

}  // namespace tessaly::platform
