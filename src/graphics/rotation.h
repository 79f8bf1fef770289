#pragma once
// Interactive choice of the orientation in which the reference and the deformed shape are
// drawn: the user turns the reference step by step in a dialog loop and sees it redrawn
// after each step.
#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::graphics {

struct Rotation {
  double theta = 0;  // the sum of all steps applied, radians, counter-clockwise positive
  Matrix reference;  // the reference turned by theta about the coordinate origin
};

// Draws the reference (magenta stars, numbered when "NumberButton" is checked) in figh and
// asks, again and again, for a rotation step in degrees, first offering defangle (10 when
// defangle is 0), then the text last typed. Each non-zero step turns the reference and draws
// it again; a step of 0, a text that is not a number or a cancelled dialog ends the loop. A
// dialog that fails is reported with "Sorry, Failure on input dialog Box" and ends the loop.
// axh is accepted and not used.
Rotation rotationhandler(platform::Handle figh, platform::Handle axh, const Matrix& reference,
                         double defangle);

}  // namespace tessaly::graphics
