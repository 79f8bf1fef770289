#include "shape/uniform.h"

#include <cmath>

#include "core/error.h"
#include "shape/configuration.h"
#include "shape/detail.h"

namespace tessaly::shape {

using detail::Index;

namespace detail {

Matrix uniformDirections(const RowVector& xref, Index n, double e, bool subtractAll) {
  const Index k = (n - 1) / 2;
  // Angle that turns the reference to its principal axes, folded into (-pi/4, pi/4].
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  for (Index j = 0; j < k; ++j) {
    sxx += xref(2 * j) * xref(2 * j);
    syy += xref(2 * j + 1) * xref(2 * j + 1);
    sxy += xref(2 * j) * xref(2 * j + 1);
  }
  double theta =
      (sxx - syy != 0.0) ? 0.5 * std::atan((-2.0 * sxy) / (sxx - syy)) : 1.5707963267948966;
  while (theta > 0.7853981633974483) theta -= 1.5707963267948966;
  while (theta <= -0.7853981633974483) theta += 1.5707963267948966;

  const Matrix xrefp = formrotate(xref.head(n), theta);
  const Matrix spread = uniparmproc(xrefp);
  const double alpha = spread(0, 0), gamma = spread(0, 1);
  const double ag = std::pow(alpha / gamma, 0.5), ga = std::pow(gamma / alpha, 0.5);

  Matrix xu(2, n);
  Matrix displaced(1, n);
  for (Index r = 0; r < 2; ++r) {
    for (Index i = 0; i < k; ++i) {
      const double xp = xrefp(0, 2 * i), yp = xrefp(0, 2 * i + 1);
      const double ux = r == 0 ? yp * ag : -xp * ga;
      const double uy = r == 0 ? xp * ga : yp * ag;
      displaced(0, 2 * i) = xp + 0.05 * ux;
      displaced(0, 2 * i + 1) = yp + 0.05 * uy;
    }
    displaced(0, n - 1) = e;
    xu.row(r) = formrotate(displaced, -theta);
    if (subtractAll)
      xu.row(r) -= xref.head(n);
    else
      xu.row(r).head(n - 1) -= xref.head(n - 1);
    xu.row(r) /= std::sqrt(xu.row(r).head(n - 1).squaredNorm());
  }
  return xu;
}

}  // namespace detail

Matrix formrotate(const Matrix& x, double theta) {
  if (x.size() == 0) throw Error("formrotate needs a configuration row.");
  Matrix r(2, 2);
  r << std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta);
  const Matrix vx = (r * vertxy(x)).transpose();
  return xyfromvert(vx, x.data()[x.size() - 1]);
}

Matrix uniparmproc(const Matrix& x) {
  const Index n = x.size();
  double alpha = 0.0, gamma = 0.0;
  for (Index q = 0; q <= n - 3; q += 2) alpha += x.data()[q] * x.data()[q];
  for (Index q = 1; q <= n - 2; q += 2) gamma += x.data()[q] * x.data()[q];
  Matrix out(1, 2);
  out << alpha, gamma;
  return out;
}

Matrix UniArbitrary(const Matrix& xref) {
  const Index n = xref.size();
  if (n % 2 == 0 || n < 5)
    throw Error(
        "UniArbitrary needs a reference row x1 y1 ... xk yk cs with at least two "
        "landmarks.");
  const RowVector rounded =
      xref.reshaped(1, n).unaryExpr([](double v) { return std::round(10000.0 * v) / 10000.0; });
  return detail::uniformDirections(rounded, n, 1.0, false).leftCols(n - 1);
}

}  // namespace tessaly::shape
