#pragma once
// The object verbs over the current platform's object tree (platform.h): what actions and
// drawing functions call to find, read and change windows, axes, plot objects and controls.
#include <string>
#include <string_view>
#include <vector>

#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::platform {

// Objects whose property equals value (a Tag search uses the Tag index); empty when none.
std::vector<Handle> findobj(std::string_view name, const Value& value);
// h and everything below it, hidden objects included.
std::vector<Handle> findall(Handle h = ObjectModel::kRoot);

Value get(Handle h, std::string_view name);
void set(Handle h, std::string_view name, const Value& value);
void set(Handle h, const PropertyList& props);
// The same property on several objects.
void set(const std::vector<Handle>& handles, std::string_view name, const Value& value);

bool ishandle(Handle h);

Value getappdata(Handle h, const std::string& name);  // empty when not set
void setappdata(Handle h, const std::string& name, const Value& value);
bool isappdata(Handle h, const std::string& name);
void rmappdata(Handle h, const std::string& name);

// The current figure and axes, made when there are none.
Handle gcf();
Handle gca();

// A new figure, made current and raised.
Handle figure();
// Makes h (a figure) current and raises it; an axes makes itself and its figure current.
void figure(Handle h);

// Closes a figure (the current one when none is given; nothing when there is none). Closing
// removes the figure and everything in it.
void close();
void close(Handle figure);
// Closes every figure.
void closeAll();

// Removes objects and everything below them; handles already gone are skipped.
void deleteObject(Handle h);
void deleteObjects(const std::vector<Handle>& handles);

}  // namespace tessaly::platform
