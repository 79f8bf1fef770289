#pragma once
// How a group is drawn: the symbol of its code in `ColorList`, or its style row of the code
// table `codearray` when `altcode` is set; and the drawing of specimens in those styles.
#include <optional>
#include <string>

#include "core/matrix.h"
#include "platform/object_model.h"

namespace tessaly::dispatch {

// True when groups are drawn with the code table (`altcode` set and non-zero).
bool useCodeTable();

// Checks that group code g has a symbol: a row of `codearray` when the code table is in use,
// an entry of `ColorList` otherwise. An Error naming the code when it has none.
void checkGroupCode(double g);
// Every code a positive whole number with a plot symbol; `what` names the list in messages.
void checkGroupCodes(const Matrix& codes, const std::string& what);

// The style row codearray(g,:) (1-by-6), or the symbol ColorList{g}.
Matrix codeRow(double g);
const std::string& listSymbol(double g);

// The marker letter at 1-based position `position` of the marker string; an Error outside
// 1..13.
std::string markerLetter(double position);

// The built-in black-and-white group code table (12 rows of six columns).
const Matrix& bwCodeTable();

// Draws one configuration row in the style of group g: showshapec(row, codearray(g,:)) with
// the code table, else showshape_rot(row, ColorList{g}); the angle in "RefAngleBox" applies.
void plotRow(const RowVector& row, double g);
// plotRow for every row, rows(i) with codes(i), drawn at once; the reference angle is read
// once for all. A code without a symbol is an Error before anything is drawn.
void plotRows(const Matrix& rows, const Matrix& codes);
// The same turned by theta, or as the rows are without it.
void plotRows(const Matrix& rows, const Matrix& codes, std::optional<double> theta);

// Draws one point (x, y) in the style of group g and returns its line. sizeExtra is added to
// the code table's marker size; listMarkerSize > 0 sets "MarkerSize" in list style.
platform::Handle plotGroupPoint(double x, double y, double g, double sizeExtra = 0,
                                double listMarkerSize = 0);

}  // namespace tessaly::dispatch
