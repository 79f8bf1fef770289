#pragma once
// The controls and menu entries of the main window, reached only by their Tag.
#include <string>
#include <vector>

#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::dispatch {

// Every object whose Tag is tag (empty when none).
std::vector<platform::Handle> findTag(const std::string& tag);
// The first object with that Tag; a tessaly::Error naming the Tag when there is none.
platform::Handle findOne(const std::string& tag);

// The "String" of the first object with the Tag, as one text (lines joined by line ends);
// empty when there is no such object.
std::string getString(const std::string& tag);
// The label a person sees beside the box of that Tag ("X axis" for XBox), for messages; the
// Tag itself for a box without one.
std::string boxLabel(const std::string& tag);
// The "String" of the first object with the Tag read as a number (str2num); an Error when the
// control is missing or does not hold one number.
double getNumber(const std::string& tag);
// The first element of the "Value" of the first object with the Tag (0 when missing or empty).
double getValue(const std::string& tag);

// Setters act on every object with the Tag and do nothing when there is none.
void setString(const std::string& tag, const platform::Value& text);
void setEnable(const std::string& tag, const std::string& onOff);
void setChecked(const std::string& tag, bool on);
void setLabel(const std::string& tag, const std::string& label);

}  // namespace tessaly::dispatch
