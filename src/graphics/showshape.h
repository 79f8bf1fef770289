#pragma once
// Landmark configurations as point markers in the current axes, one plot object per landmark:
// as they are (showshape), turned by the reference rotation angle (showshape_rot), or turned
// and drawn with a full style row of the group code table (showshapec). Each returns 1.
//
// Input rows are configuration rows x1 y1 ... xk yk cs; with n columns (n-1)/2 landmarks
// (rounded down) are drawn, so the trailing centroid size never is.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/matrix.h"
#include "platform/plot.h"

namespace tessaly::graphics {

// Points with a line spec (colour and marker letter), "MarkerSize" 3.
double showshape(const Matrix& x, const std::string& xform = "k.");

// As showshape after turning each configuration counter-clockwise by theta radians about the
// coordinate origin. Without theta the angle (degrees) is read from the "RefAngleBox" control.
double showshape_rot(const Matrix& x, const std::string& xform = "k.",
                     std::optional<double> theta = std::nullopt);

// The default style row of showshapec: green points of size 6, filled.
Matrix defaultStyleRow();

// As showshape_rot, with a style row [r g b m s f]: colour, 1-based position m in
// ".ox+*sdv^<>ph", size s in points and a fill flag f (non-zero fills with the colour).
// A marker position outside 1..13 or a row shorter than six numbers is an Error.
double showshapec(const Matrix& x, const Matrix& xform = defaultStyleRow(),
                  std::optional<double> theta = std::nullopt);

// The style in which showshape and showshape_rot draw with the line spec xform, and the one in
// which showshapec draws with the style row xform (its Errors too).
platform::PointStyle symbolStyle(const std::string& xform);
platform::PointStyle styleOfRow(const Matrix& xform);

// Every row of x at once, row i in styles[styleOf[i]], turned by theta as showshape_rot turns
// it (without theta, as showshape draws it): what drawing each row alone would draw.
void showshapes(const Matrix& x, std::span<const platform::PointStyle> styles,
                std::span<const std::uint32_t> styleOf, std::optional<double> theta);

// The reference rotation angle in radians as the "RefAngleBox" control gives it (degrees),
// echoed to the diagnostic console; 0, and no echo, when there is no such control or its
// text is not one finite number.
double referenceAngle();
// The same, or nothing when the angle cannot be read (no control, not one finite number).
std::optional<double> readReferenceAngle();

// Numbers the landmarks of a configuration row (1, 2, ... just above and right of each point)
// when the "NumberButton" control is checked; nothing when it is not or cannot be read.
void numberLandmarks(const Matrix& row);

// The configuration row turned counter-clockwise by theta about the origin; the trailing
// value (centroid size) is carried unchanged.
Matrix rotateConfiguration(const Matrix& row, double theta);

}  // namespace tessaly::graphics
