#include "graphics/deformation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/diagnostics.h"
#include "core/error.h"
#include "core/format.h"
#include "graphics/rotation.h"
#include "graphics/showshape.h"
#include "graphics/styling.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"
#include "shape/configuration.h"
#include "shape/reconstruction.h"
#include "shape/spline.h"
#include "shape/superimposition.h"

namespace tessaly::graphics {

namespace pf = tessaly::platform;

namespace {

// ---- Registration and rotation ------------------------------------------------------------

struct Shapes {
  Matrix reference;
  Matrix target;
  std::optional<double> theta;  // degrees
};

bool checked(const std::string& tag, bool& found) {
  std::vector<pf::Handle> h = pf::findobj("Tag", tag);
  found = !h.empty();
  if (!found) return false;
  pf::Value v = pf::get(h.front(), "Value");
  return v.isNumeric() && v.matrix().size() > 0 && v.matrix()(0) != 0;
}

// Turns both shapes: by the rotation dialog, the remembered angle, or the reference angle box.
void rotationStep(Shapes& s, double plottype, double defangle) {
  bool found = false;
  const bool request = checked("RotateRequest", found);
  double theta;
  if (!found || !request) {
    // Without the box's angle the shapes are turned a quarter turn; the reference is turned
    // with the target, so that the two stay comparable.
    std::optional<double> read = readReferenceAngle();
    theta = read ? *read : (found ? 0 : std::numbers::pi / 2);
    s.reference = rotateConfiguration(s.reference, theta);
  } else if (plottype != 5) {
    Rotation r = rotationhandler(pf::gcf(), pf::gca(), s.reference, defangle);
    theta = r.theta;
    s.reference = r.reference;
  } else {
    theta = defangle * std::numbers::pi / 180;
    s.reference = rotateConfiguration(s.reference, theta);
  }
  s.target = rotateConfiguration(s.target, theta);
  s.theta = 180 * theta / std::numbers::pi;
}

Shapes registered(const Matrix& reference, const Matrix& pwscore, double suptype, double b1,
                  double b2, double plottype, double defangle) {
  diagnostic("suptype = " + num2str(suptype) + "\n");
  Shapes s{reference, shape::reversepwarb(reference, pwscore), std::nullopt};
  if (suptype == 0 || suptype == 1) {
    diagnostic("using BC\n");
    s.reference = shape::basereg(s.reference, b1, b2);
    s.target = shape::basereg(s.target, b1, b2);
  }
  if (suptype == 1) {
    s.reference = shape::meth3sup(s.reference);
    s.target = shape::meth3sup(s.target);
    diagnostic("did sbr\n");
  }
  if (suptype == 3) s.target = shape::rftra(s.target, s.reference);
  if (suptype == 2 || suptype == 3) rotationStep(s, plottype, defangle);
  return s;
}

// ---- Drawing ------------------------------------------------------------------------------

pf::PropertyList lineProps(const DeformationStyle& style) {
  return {{"LineWidth", style.lineweight}};
}

std::vector<pf::Handle> drawLandmarks(const Matrix& refxy, const DeformationStyle& style) {
  return pf::plot(Matrix(refxy.row(0).transpose()), Matrix(refxy.row(1).transpose()),
                  style.symboltype);
}

void drawGridLines(const Matrix& xp, const Matrix& yp, const DeformationStyle& style) {
  if (xp.size() == 0) return;
  pf::plot(xp, yp, style.linespec, lineProps(style));
  pf::plot(Matrix(xp.transpose()), Matrix(yp.transpose()), style.linespec, lineProps(style));
  pf::hold("on");
}

// The larger side of the box around the landmarks (2-by-k).
double extentOf(const Matrix& xy) {
  if (xy.cols() == 0) return 0;
  return std::max(xy.row(0).maxCoeff() - xy.row(0).minCoeff(),
                  xy.row(1).maxCoeff() - xy.row(1).minCoeff());
}

// The length of an arrow head: 3% of the shape's extent, so that heads can be seen whatever
// the landmarks' scale, but at most 40% of its vector, so that a short vector stays an arrow.
double headLength(double extent, double vectorLength) {
  return std::min(0.03 * extent, 0.4 * vectorLength);
}

// Lines from each landmark of `from` to the same landmark of `to` (2-by-k), with arrow heads
// in the colour of the lines.
void drawVectors(const Matrix& from, const Matrix& to, const std::string& linespec,
                 const DeformationStyle& style) {
  const double extent = extentOf(from);
  const std::string headSpec = linespec.empty() ? "k" : linespec.substr(0, 1);
  for (Eigen::Index i = 0; i < from.cols(); ++i) {
    RowVector x{{from(0, i), to(0, i)}}, y{{from(1, i), to(1, i)}};
    pf::plot(x, y, linespec, lineProps(style));
    const double length = std::hypot(to(0, i) - from(0, i), to(1, i) - from(1, i));
    if (style.aheadspec != 0 && length > 0)
      aheadw(from(0, i), from(1, i), to(0, i), to(1, i), headLength(extent, length), headSpec);
  }
}

// Vectors drawn over a grid stand out in another colour: black over a red grid, red over any
// other.
std::string vectorSpec(const std::string& linespec) {
  if (!linespec.empty() && (linespec[0] == 'r' || linespec[0] == 'R')) return "k";
  return "r";
}

void startVectors() {
  pf::plot(0.0, 0.0, "w.");
  pf::hold("on");
}

// Filled contours of the size of one displacement component. The bands are made of many
// small polygons; each is outlined in its own colour so that no seams show between them.
void drawContours(const DeformationGrid& g, const Matrix& component) {
  for (pf::Handle h : plotlib::contourf(g.xw, g.yw, component.cwiseAbs()).handles)
    if (pf::model().type(h) == "patch") {
      pf::set(h, "EdgeColor", pf::get(h, "FaceColor"));
      pf::set(h, "LineWidth", 0.5);
    }
}

void drawType(int plottype, const DeformationGrid& g, const Matrix& refxy, const Matrix& bigrefdef,
              const Shapes& s, const DeformationStyle& style) {
  const Matrix zeros = Matrix::Zero(g.xw.rows(), g.xw.cols());
  switch (plottype) {
    case 1:
      drawGridLines(g.xp, g.yp, style);
      drawLandmarks(refxy, style);
      break;
    case 2:
    case 6:
    case 7: {
      const Matrix& u = plottype == 7 ? zeros : g.xv;
      const Matrix& v = plottype == 6 ? zeros : g.yv;
      for (pf::Handle h : plotlib::quiver(g.xw, g.yw, u, v, 1.0, style.linespec))
        pf::set(h, "LineWidth", style.lineweight);
      pf::hold("on");
      drawLandmarks(refxy, style);
      break;
    }
    case 3:
      startVectors();
      drawVectors(refxy, shape::vertxy(bigrefdef), style.linespec, style);
      showshape(s.reference, style.symboltype);
      break;
    case 4:
      drawGridLines(g.xp, g.yp, style);
      drawVectors(refxy, shape::vertxy(bigrefdef), vectorSpec(style.linespec), style);
      drawLandmarks(refxy, style);
      break;
    case 5:
      startVectors();
      drawVectors(shape::vertxy(s.reference), shape::vertxy(s.target), style.linespec, style);
      showshape(s.reference, style.symboltype);
      break;
    case 8:
    case 9:
      drawContours(g, plottype == 8 ? g.xv : g.yv);
      pf::hold("on");
      // Filled white, so that they show on the dark bands as well as on the light ones.
      pf::set(drawLandmarks(refxy, style), "MarkerFaceColor", pf::Value("w"));
      break;
    default:
      break;
  }
}

// ---- Grid trimming ------------------------------------------------------------------------

// The kept block of grid points, 1-based rows upx..lox and columns upy..loy of xp and yp.
struct Block {
  Eigen::Index upx, upy, lox, loy;
};

pf::Handle cornerMarker(const DeformationGrid& g, Eigen::Index i, Eigen::Index j) {
  pf::Handle h = pf::plot(g.xp(i - 1, j - 1), g.yp(i - 1, j - 1), "rs");
  setsymbolfill(pf::gca(), 1);
  return h;
}

// Moves one edge by clicks until a third-button click (or no click at all). A click beyond
// the corner's coordinate moves the edge up by one, any other click down by one; the edge
// stays within 1..last.
void moveEdge(const DeformationGrid& g, Eigen::Index& edge, Eigen::Index last, bool alongX,
              const Eigen::Index& ci, const Eigen::Index& cj, pf::Handle& marker) {
  for (;;) {
    std::optional<pf::Pick> pick = pf::dialogs().pick(static_cast<double>(pf::gca()));
    if (!pick || pick->button == 3) return;
    const double corner = alongX ? g.xp(ci - 1, cj - 1) : g.yp(ci - 1, cj - 1);
    const double clicked = alongX ? pick->x : pick->y;
    edge = std::clamp<Eigen::Index>(edge + (clicked > corner ? 1 : -1), 1, last);
    pf::deleteObject(marker);
    marker = cornerMarker(g, ci, cj);
  }
}

Block trimBlock(const DeformationGrid& g) {
  const Eigen::Index rows = g.xp.rows(), cols = g.xp.cols();
  Block b{std::min<Eigen::Index>(4, rows), std::min<Eigen::Index>(4, cols), rows, cols};
  pf::Handle hup = cornerMarker(g, b.upx, b.upy);
  pf::Handle hlo = cornerMarker(g, b.lox, b.loy);
  moveEdge(g, b.upx, rows, true, b.upx, b.upy, hup);
  moveEdge(g, b.upy, cols, false, b.upx, b.upy, hup);
  moveEdge(g, b.lox, rows, true, b.lox, b.loy, hlo);
  moveEdge(g, b.loy, cols, false, b.lox, b.loy, hlo);
  return b;
}

void trimGrid(int plottype, const DeformationGrid& g, const Matrix& refxy, const Matrix& bigrefdef,
              const DeformationStyle& style) {
  Block b = trimBlock(g);
  diagnostic(formatText("%d %d %d %d\n", {static_cast<double>(b.lox), static_cast<double>(b.upx),
                                          static_cast<double>(b.loy), static_cast<double>(b.upy)}));
  plotlib::cla();
  const Eigen::Index nr = std::max<Eigen::Index>(0, b.lox - b.upx + 1);
  const Eigen::Index nc = std::max<Eigen::Index>(0, b.loy - b.upy + 1);
  if (nr > 0 && nc > 0)
    drawGridLines(g.xp.block(b.upx - 1, b.upy - 1, nr, nc),
                  g.yp.block(b.upx - 1, b.upy - 1, nr, nc), style);
  if (plottype == 4)
    drawVectors(refxy, shape::vertxy(bigrefdef), vectorSpec(style.linespec), style);
  drawLandmarks(refxy, style);
}

bool wholeType(double plottype, int& type) {
  if (!(plottype >= -1e9 && plottype <= 1e9) || plottype != std::floor(plottype)) return false;
  type = static_cast<int>(plottype);
  return true;
}

// The axis limits the grid covers: those of the reference drawn alone, or for plottype 5 those
// of the drawing already in the axes.
RowVector gridLimits(bool overlay, const Matrix& reference, const DeformationStyle& style) {
  if (overlay) return pf::axis();
  plotlib::cla();
  showshape(reference, style.symboltype);
  pf::axis("auto");
  pf::axis("equal");
  RowVector a = pf::axis();
  plotlib::cla();
  return a;
}

}  // namespace

DeformationGrid deformationGrid(const Matrix& refxy, const Matrix& weight, const RowVector& a,
                                double npts, double rangeexpansion) {
  if (!(npts >= 1 && npts <= 10000 && npts == std::floor(npts)))
    throw Error("The grid density must be a whole number of 1 or more, not " + num2str(npts));
  double xmin = a(0), xmax = a(1), ymin = a(2), ymax = a(3);
  const double rangex = xmax - xmin, rangey = ymax - ymin, e = rangeexpansion - 1;
  xmax += e * rangex;
  xmin -= e * rangex;
  ymin -= 0.75 * e * rangey;
  ymax += 0.75 * e * rangey;
  const double xstep = (xmax - xmin) / npts;
  const double ny = std::ceil((ymax - ymin) / xstep) + 3;
  if (!(xstep > 0 && std::isfinite(xstep) && ny >= 1 && ny <= 100000))
    throw Error("The deformation grid cannot be laid over the axis limits " +
                formatText("[%g %g %g %g]", {a(0), a(1), a(2), a(3)}));
  const Eigen::Index nx = static_cast<Eigen::Index>(npts) + 6;
  const auto nyi = static_cast<Eigen::Index>(ny);
  DeformationGrid g{Matrix(nx, nyi), Matrix(nx, nyi), Matrix(nx, nyi),
                    Matrix(nx, nyi), Matrix(nx, nyi), Matrix(nx, nyi)};
  for (Eigen::Index i = 0; i < nx; ++i)
    for (Eigen::Index j = 0; j < nyi; ++j) {
      const double xn = xmin + static_cast<double>(i - 2) * xstep;
      const double yn = ymin + static_cast<double>(j - 1) * xstep;
      const auto [dx, dy] = shape::splineDisplacement(refxy, weight, xn, yn);
      g.xw(i, j) = xn;
      g.yw(i, j) = yn;
      g.xp(i, j) = xn + dx;
      g.yp(i, j) = yn + dy;
      g.xv(i, j) = dx;
      g.yv(i, j) = dy;
    }
  return g;
}

DeformationResult showpw5(const Matrix& reference, const Matrix& pwscore, double npts,
                          double plottype, double suptype, double b1, double b2,
                          const DeformationStyle& style) {
  int type = 0;
  const bool known = wholeType(plottype, type);
  Shapes s = registered(reference, pwscore, suptype, b1, b2, plottype, style.defangle);

  const Matrix refxy = shape::vertxy(s.reference);
  const Matrix weight = splineWeights(refxy, shape::vertxy(s.target));
  DeformationResult result{shape::reversepw6u(s.reference, weight), s.target, s.theta};

  const RowVector a = gridLimits(plottype == 5, s.reference, style);
  const DeformationGrid g = deformationGrid(refxy, weight, a, npts, style.rangeexpansion);
  diagnostic("pwarps = " + num2str(static_cast<double>(refxy.cols())) + "\n");

  if (known && (type == 98 || type == 99)) return result;
  if (known) drawType(type, g, refxy, result.bigrefdef, s, style);
  numberLandmarks(s.reference);
  if (style.trimreq != 0 && known && (type == 1 || type == 4))
    trimGrid(type, g, refxy, result.bigrefdef, style);
  return result;
}

double aheadw(double x1, double y1, double x2, double y2, double l, const std::string& lineStyle) {
  const double t = std::atan2(y2 - y1, x2 - x1);
  constexpr double spread = 0.3490658503988659;  // 20 degrees
  pf::hold("on");
  for (double side : {t + spread, t - spread}) {
    RowVector x{{x2, x2 - l * std::cos(side)}}, y{{y2, y2 - l * std::sin(side)}};
    pf::plot(x, y, lineStyle, {{"LineWidth", 1.0}});
  }
  return 1;
}

}  // namespace tessaly::graphics
