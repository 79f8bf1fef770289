#include "graphics/showshape.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>

#include "core/diagnostics.h"
#include "core/error.h"
#include "core/format.h"
#include "platform/axis.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "shape/configuration.h"

namespace tessaly::graphics {

namespace pf = tessaly::platform;

namespace {

// The symbol letters in the order the group code table numbers them.
const std::string kSymbolList = ".ox+*sdv^<>ph";

// One finite number and nothing else, read in the C locale.
std::optional<double> singleNumber(const std::string& text) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value;
  if (!(in >> value)) return std::nullopt;
  in >> std::ws;
  if (!in.eof() || !std::isfinite(value)) return std::nullopt;
  return value;
}

int landmarksDrawn(const Matrix& x) {
  return x.cols() > 0 ? static_cast<int>((x.cols() - 1) / 2) : 0;
}

// Draws the landmarks of every row of x at once, one point set each (row i in
// styles[styleOf[i]]), turned by theta about the origin as rotateConfiguration turns them, then
// fits the axes to equal units.
void drawLandmarks(const Matrix& x, std::optional<double> theta,
                   std::span<const pf::PointStyle> styles, std::span<const std::uint32_t> styleOf) {
  pf::hold("on");
  const int k = landmarksDrawn(x);
  const auto n = static_cast<size_t>(k);
  const double c = theta ? std::cos(*theta) : 1, s = theta ? std::sin(*theta) : 0;
  // The rows are copied a tile at a time, column by column, so that both the columns read and
  // the point sets written stay in the cache.
  constexpr Eigen::Index kTile = 64;
  auto fill = [&](std::span<double> out) {
    for (Eigen::Index first = 0; first < x.rows(); first += kTile) {
      const Eigen::Index last = std::min(first + kTile, x.rows());
      for (int j = 0; j < k; ++j)
        for (Eigen::Index i = first; i < last; ++i) {
          const double px = x(i, 2 * j), py = x(i, 2 * j + 1);
          double* set = out.data() + 2 * n * static_cast<size_t>(i);
          set[j] = theta ? c * px + -s * py : px;
          set[n + static_cast<size_t>(j)] = theta ? s * px + c * py : py;
        }
    }
  };
  pf::plotPointSets(static_cast<size_t>(x.rows()), n, styles, styleOf, fill);
  pf::axis("auto");
  pf::axis("equal");
}

// Every row of x in one style.
void drawLandmarks(const Matrix& x, std::optional<double> theta, const pf::PointStyle& style) {
  const std::vector<std::uint32_t> styleOf(static_cast<size_t>(x.rows()), 0);
  drawLandmarks(x, theta, {&style, 1}, styleOf);
}

}  // namespace

Matrix defaultStyleRow() {
  return RowVector{{0, 1, 0, 1, 6, 1}};
}

std::optional<double> readReferenceAngle() {
  std::vector<pf::Handle> boxes = pf::findobj("Tag", "RefAngleBox");
  if (boxes.empty()) return std::nullopt;
  pf::Value text;
  try {
    text = pf::get(boxes.front(), "String");
  } catch (const Error&) {
    return std::nullopt;
  }
  if (!text.isText()) return std::nullopt;
  std::optional<double> degrees = singleNumber(text.text());
  if (!degrees) return std::nullopt;
  diagnostic("theta = " + num2str(*degrees) + "\n");
  return std::numbers::pi * *degrees / 180;
}

double referenceAngle() {
  return readReferenceAngle().value_or(0);
}

void numberLandmarks(const Matrix& row) {
  std::vector<pf::Handle> buttons = pf::findobj("Tag", "NumberButton");
  if (buttons.empty()) return;
  pf::Value value;
  try {
    value = pf::get(buttons.front(), "Value");
  } catch (const Error&) {
    return;
  }
  if (!value.isNumeric() || value.matrix().size() == 0 || value.matrix()(0) == 0) return;
  for (Eigen::Index i = 0; i < row.size() / 2; ++i)
    pf::text(row(2 * i) + 0.02, row(2 * i + 1) + 0.02, num2str(static_cast<double>(i + 1)));
}

Matrix rotateConfiguration(const Matrix& row, double theta) {
  Matrix r(2, 2);
  r << std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta);
  Matrix turned = r * shape::vertxy(row);
  return shape::xyfromvert(turned.transpose(), row(0, row.cols() - 1));
}

pf::PointStyle symbolStyle(const std::string& xform) {
  return {xform, {{"MarkerSize", 3.0}}};
}

pf::PointStyle styleOfRow(const Matrix& xform) {
  if (xform.size() < 6) throw Error("Index exceeds matrix dimensions.");
  double m = xform(3);
  if (!(m >= 1 && m == std::floor(m)))
    throw Error("Subscript indices must either be real positive integers or logicals.");
  if (m > static_cast<double>(kSymbolList.size())) throw Error("Index exceeds matrix dimensions.");
  RowVector color{{xform(0), xform(1), xform(2)}};
  pf::Value face = xform(5) != 0 ? pf::Value(color) : pf::Value("None");
  return {"",
          {{"MarkerSize", xform(4)},
           {"Marker", std::string(1, kSymbolList[static_cast<size_t>(m) - 1])},
           {"Color", color},
           {"MarkerFaceColor", face}}};
}

double showshape(const Matrix& x, const std::string& xform) {
  drawLandmarks(x, std::nullopt, symbolStyle(xform));
  return 1;
}

double showshape_rot(const Matrix& x, const std::string& xform, std::optional<double> theta) {
  drawLandmarks(x, theta ? *theta : referenceAngle(), symbolStyle(xform));
  return 1;
}

double showshapec(const Matrix& x, const Matrix& xform, std::optional<double> theta) {
  const pf::PointStyle style = styleOfRow(xform);
  drawLandmarks(x, theta ? *theta : referenceAngle(), style);
  return 1;
}

void showshapes(const Matrix& x, std::span<const pf::PointStyle> styles,
                std::span<const std::uint32_t> styleOf, std::optional<double> theta) {
  drawLandmarks(x, theta, styles, styleOf);
}

}  // namespace tessaly::graphics
