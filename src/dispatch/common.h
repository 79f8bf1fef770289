#pragma once
// Procedures shared by the dispatcher's branches: loading a numeric file through the file
// dialog, reading and writing controls by Tag, the results window, the busy pointer, and the
// drawing of a specimen in the style of its group.
#include <optional>
#include <string>
#include <vector>

#include "core/group_list.h"
#include "core/matrix.h"
#include "platform/object_model.h"
#include "platform/value.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

// ---- Loading ------------------------------------------------------------------------------

// A matrix read through the file dialog, with the file name (no folder).
struct LoadedFile {
  Matrix data;
  std::string fname;
  GroupNames names;  // the group names of a group list of names (empty otherwise)
};

// What a file dialog loads: any numeric text file; landmark data (a numeric file or a TPS
// file); a group list (codes or names); the unknowns' codes (codes or names, a name of the
// group list keeping its code).
enum class FileKind { Numeric, Landmarks, GroupList, UnknownCodes };

// Asks for a file (title "Enter file to Load?", filter "*.*"), makes its folder the current
// folder and reads it with dload. Nothing when the user cancels: the caller then ends without
// changing the state. A file that cannot be opened, a malformed line or a ragged row is a
// tessaly::Error naming the file and the problem, thrown before anything is returned, so the
// caller's state is left as it was. The argument is not used (callers pass 1). The warnings
// of a TPS file are shown in message boxes titled "Warning".
std::optional<LoadedFile> mfload(int unused = 1, FileKind kind = FileKind::Numeric);

// ---- Controls by Tag ----------------------------------------------------------------------

// Every object whose Tag is tag (empty when none).
std::vector<platform::Handle> findTag(const std::string& tag);
// The first object with that Tag; a tessaly::Error naming the Tag when there is none.
platform::Handle findOne(const std::string& tag);

// The "String" of the first object with the Tag, as one text (lines joined by line ends);
// empty when there is no such object.
std::string getString(const std::string& tag);
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

// ---- Results window -----------------------------------------------------------------------

// The "AuxResults" control: found by Tag, else the results window is opened with
// openfig("AuxBox", "reuse") and searched again. An Error when it still cannot be found.
platform::Handle resultsControl();
// Replaces the report shown in the results window.
void setResults(const platform::Value& report);

// ---- Busy pointer -------------------------------------------------------------------------

// Shows the "watch" pointer on the current figure for as long as it lives. On leaving (at the
// end of the action or when an error stops it) the pointer returns to "arrow" on the figure
// that was current at construction and on whatever figure is current then.
class BusyPointer {
 public:
  BusyPointer();
  // Also remembers `remembered` (a figure current earlier in the action).
  explicit BusyPointer(platform::Handle remembered);
  ~BusyPointer();
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  platform::Handle first_ = -1;
  platform::Handle watched_ = -1;
};

// ---- Group styles -------------------------------------------------------------------------

// True when groups are drawn with the code table (`altcode` set and non-zero).
bool useCodeTable();

// Checks that group code g has a symbol: a row of `codearray` when the code table is in use,
// an entry of `ColorList` otherwise. An Error naming the code when it has none.
void checkGroupCode(double g);

// The style row codearray(g,:) (1-by-6), or the symbol ColorList{g}.
Matrix codeRow(double g);
const std::string& listSymbol(double g);

// Draws one configuration row in the style of group g: showshapec(row, codearray(g,:)) with
// the code table, else showshape_rot(row, ColorList{g}); the angle in "RefAngleBox" applies.
void plotRow(const RowVector& row, double g);
// plotRow for every row, rows(i) with codes(i); the reference angle is read once for all.
void plotRows(const Matrix& rows, const Matrix& codes);

// Draws one point (x, y) in the style of group g and returns its line. sizeExtra is added to
// the code table's marker size; listMarkerSize > 0 sets "MarkerSize" in list style.
platform::Handle plotGroupPoint(double x, double y, double g, double sizeExtra = 0,
                                double listMarkerSize = 0);

// The built-in black-and-white group code table (12 rows of six columns).
const Matrix& bwCodeTable();

// ---- Drawing and analysis steps shared by several actions ---------------------------------

// Clears the current axes of their plot objects.
void cla();
// Fills the markers of the current axes in their edge colour.
void symbolFill();
// Gives every line of the current axes the width (points).
void lineThickness(double width);
// Switches the hold of the current axes on or off.
void hold(bool on);
// One point in the current axes, drawn with a line-spec text ("ko") and/or properties.
platform::Handle plotPoint(double x, double y, const std::string& lineSpec,
                           const platform::PropertyList& props = {});
// A text at (x, y) of the current axes.
platform::Handle textAt(double x, double y, const std::string& text);
// The shape plots: a configuration row as it is, rotated by the reference angle, or in the
// style of a code table row (theta in radians; nothing: the angle in "RefAngleBox").
void showShape(const Matrix& rows, const std::string& lineSpec);
void showShapeRot(const Matrix& rows, const std::string& lineSpec);
void showShapeCode(const Matrix& rows, const Matrix& style, std::optional<double> theta = {});
// The marker letter at 1-based position `position` of the marker string; an Error outside
// 1..13.
std::string markerLetter(double position);

// The iterated Procrustes consensus of the rows of data (centred, unit centroid size).
Matrix consensusOf(const Matrix& data);
// A loaded reference row centred and scaled to unit centroid size; an Error when it does not
// have the `columns` columns of the data or is not one row.
Matrix normalisedReference(const Matrix& reference, Eigen::Index columns);
// Every row of data superimposed on the reference.
Matrix superimpose(const Matrix& data, const Matrix& reference);
// Partial warp and uniform scores of the rows on the reference, with cs last.
Matrix partialWarpScores(const Matrix& reference, const Matrix& data);

// The columns of v each divided by its Euclidean length.
Matrix unitColumns(const Matrix& v);
// The first s columns of scores minus one number: the mean over the specimens of column s of
// pwscores (the last shape variable). The CVA scores are this times the canonical axes.
Matrix centredShapeScores(const Matrix& scores, const Matrix& pwscores, Eigen::Index s);
// The significance report of the CVA run and its one-line summary.
std::string cvaReport(const Matrix& d, const Matrix& p, const stats::ManovaStats& v);
std::string cvaSummary(const Matrix& d, const Matrix& p);
// Every code a positive whole number with a plot symbol; `what` names the list in messages.
void checkGroupCodes(const Matrix& codes, const std::string& what);

}  // namespace tessaly::dispatch
