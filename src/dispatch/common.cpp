#include "dispatch/common.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/input_files.h"
#include "dispatch/state.h"
#include "graphics/showshape.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "platform/window_files.h"
#include "plotlib/plotting.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace tessaly::dispatch {

using platform::Handle;
using platform::Value;

// ---- Loading ------------------------------------------------------------------------------

std::optional<LoadedFile> mfload(int, FileKind kind) {
  auto choice = platform::dialogs().getFile("*.*", "Enter file to Load?");
  if (!choice) return std::nullopt;
  // Later file dialogs open in the folder of this file.
  if (!choice->folder.empty()) {
    std::error_code ec;
    std::filesystem::current_path(choice->folder, ec);
  }
  bool opened = true;
  LoadedFile file = readInputFile(choice->path(), kind, &opened);
  // An unopenable file must not pass for a one-number data set.
  if (!opened) throw Error("Cannot open " + choice->path() + ": the file could not be read");
  file.fname = choice->name;
  return file;
}

// ---- Controls by Tag ----------------------------------------------------------------------

std::vector<Handle> findTag(const std::string& tag) {
  return platform::findobj("Tag", Value(tag));
}

Handle findOne(const std::string& tag) {
  auto found = findTag(tag);
  if (found.empty()) throw Error("The control \"" + tag + "\" was not found");
  return found.front();
}

std::string getString(const std::string& tag) {
  auto found = findTag(tag);
  if (found.empty()) return {};
  return platform::model().get(found.front(), "String").toText();
}

double getNumber(const std::string& tag) {
  std::string text = getString(tag);
  std::vector<double> numbers;
  std::string bad;
  if (!parseNumberLine(text, numbers, bad) || numbers.size() != 1)
    throw Error("The box \"" + tag + "\" does not hold a number: \"" + text + "\"");
  return numbers.front();
}

double getValue(const std::string& tag) {
  auto found = findTag(tag);
  if (found.empty()) return 0;
  Value v = platform::model().get(found.front(), "Value");
  if (!v.isNumeric() || v.matrix().size() == 0) return 0;
  return v.matrix()(0);
}

namespace {
void setAll(const std::string& tag, const char* property, const Value& value) {
  for (Handle h : findTag(tag)) platform::model().set(h, property, value);
}
}  // namespace

void setString(const std::string& tag, const Value& text) {
  setAll(tag, "String", text);
}
void setEnable(const std::string& tag, const std::string& onOff) {
  setAll(tag, "Enable", Value(onOff));
}
void setChecked(const std::string& tag, bool on) {
  setAll(tag, "Checked", Value(on ? "on" : "off"));
}
void setLabel(const std::string& tag, const std::string& label) {
  setAll(tag, "Label", Value(label));
}

// ---- Results window -----------------------------------------------------------------------

Handle resultsControl() {
  auto found = findTag("AuxResults");
  if (found.empty()) {
    platform::openfig("AuxBox", "reuse");
    found = findTag("AuxResults");
  }
  if (found.empty()) throw Error("The results window has no \"AuxResults\" text");
  return found.front();
}

void setResults(const Value& report) {
  platform::model().set(resultsControl(), "String", report);
}

// ---- Busy pointer -------------------------------------------------------------------------

namespace {
void setPointer(Handle figure, const char* pointer) {
  auto& m = platform::model();
  if (figure >= 0 && m.isHandle(figure) && m.type(figure) == "figure")
    m.set(figure, "Pointer", Value(pointer));
}
}  // namespace

BusyPointer::BusyPointer() : BusyPointer(platform::model().currentFigure()) {}

BusyPointer::BusyPointer(Handle remembered)
    : first_(remembered), watched_(platform::model().currentFigure()) {
  setPointer(watched_, "watch");
}

BusyPointer::~BusyPointer() {
  setPointer(platform::model().currentFigure(), "arrow");
  setPointer(watched_, "arrow");
  setPointer(first_, "arrow");
}

// ---- Group styles -------------------------------------------------------------------------

bool useCodeTable() {
  return isTrue(analysisState().altcode);
}

namespace {
std::string codeText(double g) {
  return num2str(g);
}
}  // namespace

namespace {
bool wholeCode(double g) {
  return std::isfinite(g) && g == std::floor(g) && g >= 1;
}

void checkCodeRow(double g) {
  const auto& s = analysisState();
  if (!wholeCode(g) || g > static_cast<double>(s.codearray.rows()))
    throw Error(formatText("Group code %s has no row in the group code table (%d rows)",
                           {codeText(g), static_cast<double>(s.codearray.rows())}));
  if (s.codearray.cols() < 6)
    throw Error("The group code table does not have the six columns of a style row");
}

void checkListEntry(double g) {
  const auto& s = analysisState();
  if (!wholeCode(g) || g > static_cast<double>(s.ColorList.size()))
    throw Error(formatText("Group code %s has no plot symbol (the symbol list has %d entries)",
                           {codeText(g), static_cast<double>(s.ColorList.size())}));
}
}  // namespace

void checkGroupCode(double g) {
  if (useCodeTable())
    checkCodeRow(g);
  else
    checkListEntry(g);
}

Matrix codeRow(double g) {
  checkCodeRow(g);
  return analysisState().codearray.row(static_cast<Eigen::Index>(g) - 1);
}

const std::string& listSymbol(double g) {
  checkListEntry(g);
  return analysisState().ColorList[static_cast<size_t>(g) - 1];
}

}  // namespace tessaly::dispatch

// ---- Analysis steps -----------------------------------------------------------------------

namespace tessaly::dispatch {

Matrix consensusOf(const Matrix& data) {
  return shape::getconsensus(data).xref;
}

Matrix normalisedReference(const Matrix& reference, Eigen::Index columns) {
  if (reference.rows() != 1 || reference.cols() != columns)
    throw Error(formatText("The reference has %d rows of %d numbers where one row of %d is needed",
                           {static_cast<double>(reference.rows()),
                            static_cast<double>(reference.cols()), static_cast<double>(columns)}));
  Matrix centred = shape::centerref(reference);
  return centred / shape::centsize(centred)(0);
}

Matrix superimpose(const Matrix& data, const Matrix& reference) {
  return shape::getpsup(data, reference);
}

Matrix partialWarpScores(const Matrix& reference, const Matrix& data) {
  return shape::getpw_arbit(reference, data);
}

}  // namespace tessaly::dispatch

// ---- Drawing ------------------------------------------------------------------------------

namespace tessaly::dispatch {

void hold(bool on) {
  platform::hold(on ? "on" : "off");
}

void cla() {
  plotlib::cla();
}

void symbolFill() {
  graphics::setsymbolfill(platform::gca(), 1);
}

void lineThickness(double width) {
  graphics::setlinethickness(platform::gca(), width);
}

void showShape(const Matrix& rows, const std::string& lineSpec) {
  graphics::showshape(rows, lineSpec);
}

void showShapeRot(const Matrix& rows, const std::string& lineSpec) {
  graphics::showshape_rot(rows, lineSpec);
}

void showShapeCode(const Matrix& rows, const Matrix& style, std::optional<double> theta) {
  graphics::showshapec(rows, style, theta);
}

Handle plotPoint(double x, double y, const std::string& lineSpec,
                 const platform::PropertyList& props) {
  return platform::plot(x, y, lineSpec, props);
}

Handle textAt(double x, double y, const std::string& text) {
  return platform::text(x, y, text);
}

std::string markerLetter(double position) {
  if (!(position >= 1 && position <= 13 && position == std::floor(position)))
    throw Error(
        formatText("Marker number %s is not one of the 13 plot markers", {num2str(position)}));
  return std::string(1, kSymbolList[static_cast<int>(position) - 1]);
}

void plotRow(const RowVector& row, double g) {
  if (useCodeTable())
    showShapeCode(row, codeRow(g));
  else
    showShapeRot(row, listSymbol(g));
}

void plotRows(const Matrix& rows, const Matrix& codes) {
  const double theta = graphics::referenceAngle();
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    const double g = codes(i);
    if (useCodeTable())
      graphics::showshapec(rows.row(i), codeRow(g), theta);
    else
      graphics::showshape_rot(rows.row(i), listSymbol(g), theta);
  }
}

Handle plotGroupPoint(double x, double y, double g, double sizeExtra, double listMarkerSize) {
  if (useCodeTable()) {
    const Matrix style = codeRow(g);
    Value face = style(5) != 0 ? Value(Matrix(style.leftCols(3))) : Value("None");
    return plotPoint(x, y, "",
                     {{"MarkerSize", style(4) + sizeExtra},
                      {"Marker", markerLetter(style(3))},
                      {"Color", Matrix(style.leftCols(3))},
                      {"MarkerFaceColor", face}});
  }
  if (listMarkerSize > 0) return plotPoint(x, y, listSymbol(g), {{"MarkerSize", listMarkerSize}});
  return plotPoint(x, y, listSymbol(g));
}

}  // namespace tessaly::dispatch
