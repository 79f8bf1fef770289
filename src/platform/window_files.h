#pragma once
// Windows built from window description files, and the helpers that let callbacks find the
// controls of their window: openfig, hgload, guihandles, guidata, isvarname, iskeyword.
//
// A window description file is JSON:
//   { "format": "tessaly-window", "version": 1,
//     "figure": { "properties": { "Name": "...", "Position": [x, y, w, h], ... },
//                 "children": [ { "type": "uicontrol", "properties": {...},
//                                 "children": [...] }, ... ] } }
// Property values: a number, a row of numbers, an array of rows (a matrix), a text, or an
// array of texts (a list of lines). Every property named must be one that the object type has.
// Children are listed from back to front: the first listed is created first.
#include <string>
#include <vector>

#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::platform {

// The folder where openfig looks for a description file named without a folder. Empty means
// the current folder.
void setResourceFolder(const std::string& folder);
const std::string& resourceFolder();

// Builds a window (and everything in it) from a description file and returns the figure.
// A file that cannot be read or does not describe a window is an Error naming the file.
Handle hgload(const std::string& path);

// The window built from the description file `filename` (".fig" added when there is no
// extension). policy "new" always loads the file again; "reuse" loads it only when no window
// made from it is still open, and otherwise returns the last one made.
Handle openfig(const std::string& filename, const std::string& policy = "new");

// The figure that h is or belongs to; an Error ("H must be the handle to a figure or figure
// descendent.") when there is none.
Handle figureOfHandle(Handle h);

// A record with one field per identifier-like Tag in h's window; a Tag used by several
// objects collects all their handles (in findall order) into one column of handles.
Record guihandles(Handle h);

// The one value kept with h's window (empty when nothing was stored).
Value guidata(Handle h);
void guidata(Handle h, const Value& data);

// A valid name: a letter first, then letters, digits or '_', and not a reserved word.
bool isvarname(const std::string& name);
bool iskeyword(const std::string& name);
// The 17 reserved words.
const std::vector<std::string>& iskeyword();

}  // namespace tessaly::platform
