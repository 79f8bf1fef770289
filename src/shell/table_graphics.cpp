// Table entries of the drawing functions: shape plots, deformation display, styling and
// export tools, and the general plotting routines.
#include "core/error.h"
#include "graphics/deformation.h"
#include "graphics/export.h"
#include "graphics/rotation.h"
#include "graphics/showshape.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "plotlib/plotting.h"
#include "shell/function_table.h"

namespace tessaly::shell {

namespace {

std::optional<double> optionalNumber(const Values& a, size_t i) {
  if (!hasInput(a, i) || (a[i].isNumeric() && a[i].matrix().size() == 0)) return std::nullopt;
  return numberInput(a, i);
}

// title, xlabel, ylabel: (text) or (axes, text), the axes then becoming current.
FunctionEntry label(const std::string& name, int (*f)(const std::string&)) {
  return {name, kVariable, 1, [f](const Values& a, int) -> Values {
            if (hasInput(a, 1) && a[0].isNumeric()) {
              platform::model().setCurrentAxes(handleInput(a, 0));
              return {f(textInput(a, 1))};
            }
            return {f(textInput(a, 0))};
          }};
}

Value handleColumn(const std::vector<platform::Handle>& handles) {
  Matrix m(static_cast<Eigen::Index>(handles.size()), handles.empty() ? 0 : 1);
  for (size_t i = 0; i < handles.size(); ++i) m(static_cast<Eigen::Index>(i), 0) = handles[i];
  return m;
}

// Column and row numbers as grid coordinates of a matrix given alone.
std::pair<Matrix, Matrix> indexGrid(const Matrix& z) {
  Matrix x(z.rows(), z.cols()), y(z.rows(), z.cols());
  for (Eigen::Index r = 0; r < z.rows(); ++r)
    for (Eigen::Index c = 0; c < z.cols(); ++c) {
      x(r, c) = static_cast<double>(c + 1);
      y(r, c) = static_cast<double>(r + 1);
    }
  return {x, y};
}

// contourf and contours: (z), (z, levels), (x, y, z) or (x, y, z, levels).
struct ContourInputs {
  Matrix x, y, z;
  RowVector levels;
};

ContourInputs contourInputs(const Values& a) {
  ContourInputs in;
  size_t next;
  if (a.size() >= 3) {
    in.x = matrixInput(a, 0);
    in.y = matrixInput(a, 1);
    in.z = matrixInput(a, 2);
    next = 3;
  } else {
    in.z = matrixInput(a, 0);
    auto [gx, gy] = indexGrid(in.z);
    in.x = gx;
    in.y = gy;
    next = 1;
  }
  if (hasInput(a, next)) {
    Matrix l = matrixInput(a, next);
    in.levels = Eigen::Map<const RowVector>(l.data(), l.size());
  }
  return in;
}

}  // namespace

void addGraphicsEntries(std::vector<FunctionEntry>& t) {
  // ---- Shape plots
  t.push_back(
      {"showshape", 2, 1, [](const Values& a, int) -> Values {
         return {graphics::showshape(matrixInput(a, 0), hasInput(a, 1) ? textInput(a, 1) : "k.")};
       }});
  t.push_back({"showshape_rot", 3, 1, [](const Values& a, int) -> Values {
                 return {graphics::showshape_rot(matrixInput(a, 0),
                                                 hasInput(a, 1) ? textInput(a, 1) : "k.",
                                                 optionalNumber(a, 2))};
               }});
  t.push_back({"showshapec", 3, 1, [](const Values& a, int) -> Values {
                 return {graphics::showshapec(
                     matrixInput(a, 0),
                     hasInput(a, 1) ? matrixInput(a, 1) : graphics::defaultStyleRow(),
                     optionalNumber(a, 2))};
               }});

  // ---- Deformation display and interactive rotation
  t.push_back({"showpw5", 14, 3, [](const Values& a, int) -> Values {
                 graphics::DeformationStyle style;
                 auto number = [&](size_t i, double& v) {
                   if (hasInput(a, i)) v = numberInput(a, i);
                 };
                 number(7, style.lineweight);
                 if (hasInput(a, 8)) style.linespec = textInput(a, 8);
                 if (hasInput(a, 9)) style.symboltype = textInput(a, 9);
                 number(10, style.aheadspec);
                 number(11, style.rangeexpansion);
                 number(12, style.trimreq);
                 number(13, style.defangle);
                 graphics::DeformationResult r = graphics::showpw5(
                     matrixInput(a, 0), matrixInput(a, 1), numberInput(a, 2), numberInput(a, 3),
                     numberInput(a, 4), numberInput(a, 5), numberInput(a, 6), style);
                 // No angle is computed for the baseline registrations: an empty third output.
                 return {r.bigrefdef, r.bigrefdef2, r.theta ? Value(*r.theta) : Value(Matrix())};
               }});
  t.push_back({"aheadw", 5, 1, [](const Values& a, int) -> Values {
                 return {graphics::aheadw(numberInput(a, 0), numberInput(a, 1), numberInput(a, 2),
                                          numberInput(a, 3), numberInput(a, 4))};
               }});
  t.push_back({"rotationhandler", 4, 2, [](const Values& a, int) -> Values {
                 graphics::Rotation r = graphics::rotationhandler(
                     handleInput(a, 0), handleInput(a, 1), matrixInput(a, 2),
                     hasInput(a, 3) ? numberInput(a, 3) : 10);
                 return {r.theta, r.reference};
               }});

  // ---- Styling and export tools
  auto none = [](auto f) {
    return [f](const Values& a, int) -> Values {
      f(a);
      return {};
    };
  };
  t.push_back({"setsymbolfill", 2, 0, none([](const Values& a) {
                 graphics::setsymbolfill(handleInput(a, 0), numberInput(a, 1));
               })});
  t.push_back({"incrementsymbolsize", 2, 0, none([](const Values& a) {
                 graphics::incrementsymbolsize(handleInput(a, 0), numberInput(a, 1));
               })});
  t.push_back({"incrementlinethickness", 2, 0, none([](const Values& a) {
                 graphics::incrementlinethickness(handleInput(a, 0), numberInput(a, 1));
               })});
  t.push_back({"setlinethickness", 2, 0, none([](const Values& a) {
                 graphics::setlinethickness(handleInput(a, 0), numberInput(a, 1));
               })});
  t.push_back({"setsymbolbw", 1, 0,
               none([](const Values& a) { graphics::setsymbolbw(handleInput(a, 0)); })});
  t.push_back({"spiffyfish", 0, 0, none([](const Values&) { graphics::spiffyfish(); })});
  t.push_back({"boringcursor", 0, 0, none([](const Values&) { graphics::boringcursor(); })});
  t.push_back({"CopyBigImage", 1, 0, none([](const Values& a) {
                 graphics::CopyBigImage(hasInput(a, 0) ? a[0] : Value());
               })});
  t.push_back({"CopyImageEPS", 1, 0, none([](const Values& a) {
                 graphics::CopyImageEPS(hasInput(a, 0) ? a[0] : Value());
               })});

  // ---- General plotting routines
  t.push_back({"cla", kVariable, 1, [](const Values& a, int) -> Values {
                 if (hasInput(a, 0) && a[0].isNumeric() && a[0].matrix().size() > 0)
                   return {plotlib::cla(handleInput(a, 0))};
                 return {plotlib::cla()};
               }});
  t.push_back(label("title", plotlib::title));
  t.push_back(label("xlabel", plotlib::xlabel));
  t.push_back(label("ylabel", plotlib::ylabel));
  t.push_back({"movegui", kVariable, 0, [](const Values& a, int) -> Values {
                 if (hasInput(a, 0) && a[0].isNumeric())
                   plotlib::movegui(handleInput(a, 0),
                                    hasInput(a, 1) ? textInput(a, 1) : "onscreen");
                 else
                   plotlib::movegui(hasInput(a, 0) ? textInput(a, 0) : "onscreen");
                 return {};
               }});
  t.push_back({"contourf", kVariable, 3, [](const Values& a, int) -> Values {
                 ContourInputs in = contourInputs(a);
                 plotlib::ContourfResult r = plotlib::contourf(in.x, in.y, in.z, in.levels);
                 return {r.C, handleColumn(r.handles), Matrix(r.levels)};
               }});
  t.push_back({"contours", kVariable, 2, [](const Values& a, int) -> Values {
                 ContourInputs in = contourInputs(a);
                 plotlib::ContourResult r = plotlib::contours(in.x, in.y, in.z, in.levels);
                 return {r.C, Matrix(r.levels)};
               }});
  t.push_back({"quiver", kVariable, 1, [](const Values& a, int) -> Values {
                 // quiver(u, v) or quiver(x, y, u, v), then an optional scale and line style text.
                 size_t n = 0;
                 while (n < a.size() && n < 4 && a[n].isNumeric()) ++n;
                 Matrix x, y, u, v;
                 size_t next = 0;
                 if (n >= 4) {
                   x = matrixInput(a, 0);
                   y = matrixInput(a, 1);
                   u = matrixInput(a, 2);
                   v = matrixInput(a, 3);
                   next = 4;
                 } else {
                   u = matrixInput(a, 0);
                   v = matrixInput(a, 1);
                   auto [gx, gy] = indexGrid(u);
                   x = gx;
                   y = gy;
                   next = 2;
                 }
                 double scale = 1.0;
                 if (hasInput(a, next) && a[next].isNumeric()) scale = numberInput(a, next++);
                 std::string lineSpec = hasInput(a, next) ? textInput(a, next) : "";
                 return {handleColumn(plotlib::quiver(x, y, u, v, scale, lineSpec))};
               }});
  t.push_back({"errorbar", 5, 1, [](const Values& a, int) -> Values {
                 // errorbar(x, y, e [, lineSpec]) or errorbar(x, y, lower, upper [, lineSpec])
                 Matrix x = matrixInput(a, 0), y = matrixInput(a, 1), e = matrixInput(a, 2);
                 if (hasInput(a, 3) && a[3].isNumeric()) {
                   std::string lineSpec = hasInput(a, 4) ? textInput(a, 4) : "";
                   return {handleColumn(plotlib::errorbar(x, y, e, matrixInput(a, 3), lineSpec))};
                 }
                 std::string lineSpec = hasInput(a, 3) ? textInput(a, 3) : "";
                 return {handleColumn(plotlib::errorbar(x, y, e, lineSpec))};
               }});
}

}  // namespace tessaly::shell
