#pragma once
// Restyling what is already drawn: each function walks the children of the handle it is given
// (in "Children" order) and changes only line objects (a "Type" beginning with "l"). And the
// figure's mouse pointer.
#include "platform/object_model.h"

namespace tessaly::graphics {

using platform::Handle;

// isfilled 0: open symbols ("MarkerFaceColor" "none"); otherwise filled with each line's colour.
void setsymbolfill(Handle handle, double isfilled);
// Black symbols: edge and face "k".
void setsymbolbw(Handle handle);
// "MarkerSize" grown by increment.
void incrementsymbolsize(Handle handle, double increment);
// "LineWidth" set to vlinewidth.
void setlinethickness(Handle handle, double vlinewidth);
// "LineWidth" grown by weight, for lines drawn with a line (style not "none") only.
void incrementlinethickness(Handle fighandle, double weight);

// The current window's pointer: a fish (a 16-by-16 picture of 1 black, 2 white, NaN clear),
// or back to the arrow.
void spiffyfish();
void boringcursor();
// The fish picture.
Matrix fishPointer();

}  // namespace tessaly::graphics
