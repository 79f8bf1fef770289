#pragma once
// Pictures of the current window for papers: the axes are widened by a 3 % margin, made to
// fill the window (12 characters left and 3 below for the labels, 5 right), scaled equally, drawn
// without the controls, and then put back as they were (with automatic limits and equal
// scaling).
#include "platform/value.h"

namespace tessaly::graphics {

// To the clipboard (PNG and SVG).
void CopyBigImage(const platform::Value& unused = {});
// To a colour encapsulated PostScript file named in a file dialog (used as typed); the
// working folder becomes the chosen folder. Cancelling writes nothing.
void CopyImageEPS(const platform::Value& unused = {});

}  // namespace tessaly::graphics
