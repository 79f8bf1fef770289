#include "dispatch/group_styles.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/error.h"
#include "core/format.h"
#include "dispatch/input_files.h"
#include "dispatch/state.h"
#include "graphics/showshape.h"
#include "platform/plot.h"

namespace tessaly::dispatch {

using platform::Handle;
using platform::Value;

bool useCodeTable() {
  return isTrue(analysisState().altcode);
}

namespace {

bool wholeCode(double g) {
  return std::isfinite(g) && g == std::floor(g) && g >= 1;
}

// " (name)" of a named group, else nothing.
std::string namedAfter(double g) {
  const std::string name = groupNameOf(g);
  return name.empty() ? name : " (" + name + ")";
}

void checkCodeRow(double g) {
  const auto& s = analysisState();
  if (!wholeCode(g) || g > static_cast<double>(s.codearray.rows()))
    throw Error(formatText("Group code %s%s has no row in the group code table (%d rows)",
                           {num2str(g), namedAfter(g), static_cast<double>(s.codearray.rows())}));
  if (s.codearray.cols() < 6)
    throw Error("The group code table does not have the six columns of a style row");
}

void checkListEntry(double g) {
  if (!wholeCode(g))
    throw Error(formatText("Group code %s has no plot symbol: codes are positive whole numbers",
                           {num2str(g)}));
}

// The symbols of the codes after those of the symbol list: every pairing of a colour and a
// marker that the default list does not use. Pass p pairs colour c with marker c + p, so that
// codes next to each other differ in colour and in marker; past the last pairing they repeat.
std::vector<std::string> furtherSymbols() {
  const std::string colours = "kbrmcgy", markers = "ox+*sdv^<>ph";
  const auto& taken = defaultColorList();
  std::vector<std::string> symbols;
  for (size_t p = 0; p < markers.size(); ++p)
    for (size_t c = 0; c < colours.size(); ++c) {
      const std::string symbol = {colours[c], markers[(c + p) % markers.size()]};
      if (std::find(taken.begin(), taken.end(), symbol) == taken.end()) symbols.push_back(symbol);
    }
  return symbols;
}

// The black-and-white table: colour grey level, marker position, size, fill, one row per code.
Matrix blackAndWhiteTable() {
  const double rows[12][4] = {{0.08, 2, 8, 1}, {0, 3, 8, 1},     {0, 13, 8, 1},    {0, 6, 8, 1},
                              {0, 5, 8, 1},    {0, 9, 8, 0},     {0, 8, 8, 1},     {0, 7, 8, 0},
                              {0, 2, 8, 0},    {0.67, 11, 8, 1}, {0.74, 12, 8, 1}, {0.8, 1, 8, 1}};
  Matrix table(12, 6);
  for (int i = 0; i < 12; ++i)
    table.row(i) << rows[i][0], rows[i][0], rows[i][0], rows[i][1], rows[i][2], rows[i][3];
  return table;
}

}  // namespace

void checkGroupCode(double g) {
  if (useCodeTable())
    checkCodeRow(g);
  else
    checkListEntry(g);
}

void checkGroupCodes(const Matrix& codes, const std::string& what) {
  for (Eigen::Index i = 0; i < codes.size(); ++i) {
    double g = codes(i);
    if (!wholeCode(g))
      throw Error(formatText("Line %d of the %s holds %s, which is not a positive whole number",
                             {static_cast<double>(i + 1), what, num2str(g)}));
    checkGroupCode(g);
  }
}

Matrix codeRow(double g) {
  checkCodeRow(g);
  return analysisState().codearray.row(static_cast<Eigen::Index>(g) - 1);
}

const std::string& listSymbol(double g) {
  checkListEntry(g);
  const auto& list = analysisState().ColorList;
  if (g <= static_cast<double>(list.size())) return list[static_cast<size_t>(g) - 1];
  static const std::vector<std::string> further = furtherSymbols();
  const double beyond =
      std::fmod(g - static_cast<double>(list.size()) - 1, static_cast<double>(further.size()));
  return further[static_cast<size_t>(beyond)];
}

std::string markerLetter(double position) {
  if (!(position >= 1 && position <= 13 && position == std::floor(position)))
    throw Error(
        formatText("Marker number %s is not one of the 13 plot markers", {num2str(position)}));
  return std::string(1, kSymbolList[static_cast<int>(position) - 1]);
}

const Matrix& bwCodeTable() {
  static const Matrix table = blackAndWhiteTable();
  return table;
}

void plotRow(const RowVector& row, double g) {
  if (useCodeTable())
    graphics::showshapec(row, codeRow(g));
  else
    graphics::showshape_rot(row, listSymbol(g));
}

void plotRows(const Matrix& rows, const Matrix& codes) {
  plotRows(rows, codes, graphics::referenceAngle());
}

void plotRows(const Matrix& rows, const Matrix& codes, std::optional<double> theta) {
  // Each group's style is worked out once, all before anything is drawn.
  const bool table = useCodeTable();
  std::vector<double> seen;
  std::vector<platform::PointStyle> styles;
  std::vector<std::uint32_t> styleOf(static_cast<size_t>(rows.rows()));
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    const double g = codes(i);
    auto it = std::find(seen.begin(), seen.end(), g);
    if (it == seen.end()) {
      styles.push_back(table ? graphics::styleOfRow(codeRow(g))
                             : graphics::symbolStyle(listSymbol(g)));
      it = seen.insert(seen.end(), g);
    }
    styleOf[static_cast<size_t>(i)] = static_cast<std::uint32_t>(it - seen.begin());
  }
  graphics::showshapes(rows, styles, styleOf, theta);
}

Handle plotGroupPoint(double x, double y, double g, double sizeExtra, double listMarkerSize) {
  if (useCodeTable()) {
    const Matrix style = codeRow(g);
    Value face = style(5) != 0 ? Value(Matrix(style.leftCols(3))) : Value("None");
    return platform::plot(x, y, "",
                          {{"MarkerSize", style(4) + sizeExtra},
                           {"Marker", markerLetter(style(3))},
                           {"Color", Matrix(style.leftCols(3))},
                           {"MarkerFaceColor", face}});
  }
  if (listMarkerSize > 0)
    return platform::plot(x, y, listSymbol(g), {{"MarkerSize", listMarkerSize}});
  return platform::plot(x, y, listSymbol(g));
}

}  // namespace tessaly::dispatch
