#include "graphics/deformation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <numbers>
#include <optional>

#include "core/diagnostics.h"
#include "core/error.h"
#include "graphics/rotation.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "shape/configuration.h"
#include "shape/spline.h"
#include "support/error_text.h"

namespace tessaly::graphics {
namespace {

namespace pf = tessaly::platform;
using pf::Handle;

// Answers input dialogs and mouse picks from queues; records the defaults offered.
class QueuedDialogs : public pf::Dialogs {
 public:
  std::deque<std::optional<std::string>> inputs;
  std::deque<pf::Pick> picks;
  std::vector<std::string> offered;
  std::vector<std::string> messages;
  bool failInput = false;

  std::optional<pf::FileChoice> getFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<pf::FileChoice> putFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::vector<std::string>> input(const std::vector<std::string>&, const std::string&,
                                                const std::vector<std::string>& d) override {
    offered.push_back(d.empty() ? "" : d.front());
    if (failInput) throw Error("no dialog");
    if (inputs.empty() || !inputs.front()) {
      if (!inputs.empty()) inputs.pop_front();
      return std::nullopt;
    }
    std::string a = *inputs.front();
    inputs.pop_front();
    return std::vector<std::string>{a};
  }
  std::string question(const std::string&, const std::string&,
                       const std::vector<std::string>&) override {
    return {};
  }
  void message(const std::string& text, const std::string&) override { messages.push_back(text); }
  std::optional<pf::Pick> pick(double) override {
    if (picks.empty()) return std::nullopt;
    pf::Pick p = picks.front();
    picks.pop_front();
    return p;
  }
};

// A reference of six landmarks, centred, unit centroid size.
Matrix sixLandmarks() {
  Matrix row(1, 13);
  row << -0.9, -0.5, 0.8, -0.6, 1.1, 0.4, 0.1, 0.9, -1.0, 0.5, 0.0, -0.1, 1.0;
  Matrix centred = shape::centerref(row);
  centred(0, 12) = 1;
  return centred;
}

// The row turned counter-clockwise about the origin, its last element kept.
Matrix turned(const Matrix& row, double t) {
  Matrix out = row;
  for (Eigen::Index j = 0; j + 1 < row.cols(); j += 2) {
    out(j) = row(j) * std::cos(t) - row(j + 1) * std::sin(t);
    out(j + 1) = row(j) * std::sin(t) + row(j + 1) * std::cos(t);
  }
  return out;
}

class Deformation : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::resetPlatform();
    pf::platform().setDialogs(&dialogs);
    setDiagnosticSink([this](const std::string& t) { echo += t; });
    fig = pf::gcf();
    axes = pf::gca();
  }
  void TearDown() override {
    setDiagnosticSink({});
    pf::platform().setDialogs(nullptr);
    pf::resetPlatform();
  }

  Handle control(const std::string& tag, const pf::Value& string, double value = 0) {
    return pf::model().create("uicontrol", fig,
                              {{"Tag", tag}, {"String", string}, {"Value", value}});
  }

  std::vector<Handle> objects(const std::string& type) const {
    std::vector<Handle> out;
    auto kids = pf::model().children(axes);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it)
      if (pf::model().type(*it) == type) out.push_back(*it);
    return out;
  }
  // What is drawn of a type: a point set counts as the one-point lines it stands for.
  size_t drawnCount(const std::string& type) const {
    size_t n = 0;
    for (Handle h : objects(type))
      n += pf::model().isPointSet(h) ? pf::model().coordinates(h, pf::propertyId("XData")).size()
                                     : 1;
    return n;
  }

  QueuedDialogs dialogs;
  std::string echo;
  Handle fig = -1, axes = -1;
  const Matrix reference = sixLandmarks();
  const Matrix noChange = Matrix::Zero(1, 9);
};

// The spline solved independently: the kernel from hypot, the system assembled entry by entry
// and solved by Householder QR; then evaluated at (x, y).
std::pair<double, double> independentSpline(const Matrix& from, const Matrix& to, double x,
                                            double y) {
  const Eigen::Index k = from.cols();
  auto kernel = [](double dx, double dy) {
    double r = std::hypot(dx, dy);
    return r == 0 ? 0.0 : 2 * r * r * std::log(r);
  };
  Matrix L = Matrix::Zero(k + 3, k + 3), rhs = Matrix::Zero(k + 3, 2);
  for (Eigen::Index i = 0; i < k; ++i) {
    for (Eigen::Index j = 0; j < k; ++j)
      L(i, j) = kernel(from(0, i) - from(0, j), from(1, i) - from(1, j));
    L(i, k) = L(k, i) = 1;
    L(i, k + 1) = L(k + 1, i) = from(0, i);
    L(i, k + 2) = L(k + 2, i) = from(1, i);
    rhs(i, 0) = to(0, i);
    rhs(i, 1) = to(1, i);
  }
  Matrix w = L.householderQr().solve(rhs);
  double fx = w(k, 0) + w(k + 1, 0) * x + w(k + 2, 0) * y;
  double fy = w(k, 1) + w(k + 1, 1) * x + w(k + 2, 1) * y;
  for (Eigen::Index i = 0; i < k; ++i) {
    double u = kernel(x - from(0, i), y - from(1, i));
    fx += w(i, 0) * u;
    fy += w(i, 1) * u;
  }
  return {fx, fy};
}

TEST_F(Deformation, GridMatchesAnIndependentSolutionOfTheSpline) {
  Matrix refxy = shape::vertxy(reference);
  Matrix target = refxy;
  target(0, 2) += 0.15;
  target(1, 4) -= 0.2;
  target.row(0) *= 1.1;
  RowVector a{{-1, 1, -0.8, 0.9}};
  DeformationGrid g = deformationGrid(refxy, splineWeights(refxy, target), a, 10, 1);
  for (Eigen::Index i = 0; i < g.xw.rows(); i += 3)
    for (Eigen::Index j = 0; j < g.xw.cols(); j += 2) {
      auto [fx, fy] = independentSpline(refxy, target, g.xw(i, j), g.yw(i, j));
      EXPECT_NEAR(g.xp(i, j), fx, 1e-10);
      EXPECT_NEAR(g.yp(i, j), fy, 1e-10);
      EXPECT_NEAR(g.xv(i, j), fx - g.xw(i, j), 1e-10);
      EXPECT_NEAR(g.yv(i, j), fy - g.yw(i, j), 1e-10);
    }
  // The same values as the program's own kernel sum.
  Matrix w = splineWeights(refxy, target);
  Matrix point(2, 1);
  point << g.xw(5, 4), g.yw(5, 4);
  double viaKernel = shape::wsspline(refxy, point, w.col(0).head(6)) + w(6, 0) +
                     w(7, 0) * point(0) + w(8, 0) * point(1);
  EXPECT_NEAR(g.xv(5, 4), viaKernel, 1e-12);

  // A reference with two landmarks at one point has no spline: its LU is refused, not used.
  refxy.col(3) = refxy.col(1);
  EXPECT_EQ(test_support::errorText([&] {
              splineWeights(refxy, target);
            }).rfind("In the reference, landmarks 2 and 4 coincide:", 0),
            0u);
}

TEST_F(Deformation, GridLayoutFollowsTheDensityAndTheLimits) {
  Matrix refxy = shape::vertxy(reference);
  RowVector a{{-1, 1, -0.5, 0.72}};
  DeformationGrid g = deformationGrid(refxy, splineWeights(refxy, refxy), a, 10, 1);
  ASSERT_EQ(g.xw.rows(), 16);
  EXPECT_EQ(g.xw.cols(), static_cast<Eigen::Index>(std::ceil(1.22 / 0.2)) + 3);
  EXPECT_NEAR(g.xw(0, 0), -1 - 2 * 0.2, 1e-12);  // two steps left
  EXPECT_NEAR(g.yw(0, 0), -0.5 - 0.2, 1e-12);    // one step below
  EXPECT_NEAR(g.xw(1, 0) - g.xw(0, 0), 0.2, 1e-12);
  EXPECT_NEAR(g.yw(0, 1) - g.yw(0, 0), 0.2, 1e-12);  // square cells
  // A target equal to the reference: the grid does not move.
  EXPECT_LT((g.xp - g.xw).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_LT((g.yp - g.yw).cwiseAbs().maxCoeff(), 1e-12);

  // Expansion 2 widens x by the range on each side and y by three quarters of its range.
  DeformationGrid wide = deformationGrid(refxy, splineWeights(refxy, refxy), a, 10, 2);
  EXPECT_NEAR(wide.xw(2, 0), -3, 1e-12);
  EXPECT_NEAR(wide.xw(1, 0) - wide.xw(0, 0), 0.6, 1e-12);
  EXPECT_NEAR(wide.yw(0, 1), -0.5 - 0.75 * 1.22, 1e-12);

  EXPECT_THROW(deformationGrid(refxy, splineWeights(refxy, refxy), a, 0, 1), Error);
  EXPECT_THROW(deformationGrid(refxy, splineWeights(refxy, refxy), a, 2.5, 1), Error);
  EXPECT_THROW(deformationGrid(refxy, splineWeights(refxy, refxy), RowVector{{0, 0, 0, 1}}, 10, 1),
               Error);
}

TEST_F(Deformation, SplineCarriesTheLandmarksOntoTheTarget) {
  // Landmarks on nodes of a 0.1 grid over [0 1 0 1]: the grid passes through the target.
  Matrix refxy(2, 6);
  refxy << 0, 1, 0, 1, 0.5, 0.2,  //
      0, 0, 1, 1, 0.3, 0.7;
  Matrix target = refxy;
  target(0, 4) = 0.62;
  target(1, 5) = 0.55;
  target(0, 0) = -0.05;
  DeformationGrid g =
      deformationGrid(refxy, splineWeights(refxy, target), RowVector{{0, 1, 0, 1}}, 10, 1);
  for (Eigen::Index l = 0; l < 6; ++l) {
    auto i = static_cast<Eigen::Index>(std::lround(refxy(0, l) / 0.1)) + 2;
    auto j = static_cast<Eigen::Index>(std::lround(refxy(1, l) / 0.1)) + 1;
    EXPECT_NEAR(g.xp(i, j), target(0, l), 1e-10) << "landmark " << l + 1;
    EXPECT_NEAR(g.yp(i, j), target(1, l), 1e-10) << "landmark " << l + 1;
  }
}

TEST_F(Deformation, NoChangeDrawsAStraightGridAndZeroVectors) {
  DeformationResult r = showpw5(reference, noChange, 10, 4, 0, 1, 2);
  EXPECT_FALSE(r.theta);
  // Baseline registration: landmark 1 at the origin, landmark 2 at (1, 0), in both shapes.
  EXPECT_NEAR(r.bigrefdef2(0), 0, 1e-12);
  EXPECT_NEAR(r.bigrefdef2(2), 1, 1e-12);
  EXPECT_NEAR(r.bigrefdef2(3), 0, 1e-12);
  EXPECT_LT((r.bigrefdef.leftCols(12) - r.bigrefdef2.leftCols(12)).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_EQ(r.bigrefdef(12), 1);
  int straight = 0;
  for (Handle h : objects("line")) {
    Matrix x = pf::get(h, "XData").matrix(), y = pf::get(h, "YData").matrix();
    if (x.size() < 3 || pf::get(h, "Marker").toText() != "none") continue;  // grid lines only
    bool horizontal = (y.array() - y(0)).abs().maxCoeff() < 1e-12;
    bool vertical = (x.array() - x(0)).abs().maxCoeff() < 1e-12;
    EXPECT_TRUE(horizontal || vertical);
    ++straight;
  }
  EXPECT_GT(straight, 20);
  EXPECT_NE(echo.find("suptype = 0"), std::string::npos);
  EXPECT_NE(echo.find("using BC"), std::string::npos);
}

TEST_F(Deformation, ArrowHeadsAreShortStrokesAtTwentyDegrees) {
  for (double scale : {1.0, 1000.0}) {
    pf::resetPlatform();
    axes = pf::gca();
    EXPECT_EQ(aheadw(0, 0, 3 * scale, 4 * scale, 0.01), 1);
    auto lines = objects("line");
    ASSERT_EQ(lines.size(), 2u);
    const double shaft = std::atan2(4, 3);
    std::vector<double> angles;
    for (Handle h : lines) {
      Matrix x = pf::get(h, "XData").matrix(), y = pf::get(h, "YData").matrix();
      EXPECT_DOUBLE_EQ(x(0), 3 * scale);  // from the tip
      EXPECT_NEAR(std::hypot(x(1) - x(0), y(1) - y(0)), 0.01, 1e-12);
      angles.push_back(std::atan2(y(0) - y(1), x(0) - x(1)) - shaft);
      EXPECT_EQ(pf::get(h, "LineWidth").number(), 1);
    }
    EXPECT_NEAR(angles[0], std::numbers::pi / 9, 1e-9);
    EXPECT_NEAR(angles[1], -std::numbers::pi / 9, 1e-9);
  }
}

TEST_F(Deformation, RotationDialogAddsTheStepsUntilZero) {
  dialogs.inputs = {"30", "15", "0"};
  Rotation r = rotationhandler(fig, axes, reference, 0);
  EXPECT_NEAR(r.theta, std::numbers::pi / 4, 1e-12);
  Matrix quarter = turned(reference, std::numbers::pi / 4);
  EXPECT_LT((r.reference - quarter).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_EQ(r.reference(12), reference(12));
  // 10 offered first for a zero angle, then what was typed last.
  EXPECT_EQ(dialogs.offered, (std::vector<std::string>{"10", "30", "15"}));
  EXPECT_EQ(drawnCount("line"), 6u);  // the reference redrawn, not piled up
}

TEST_F(Deformation, RotationEndsOnCancelTextOrFailure) {
  dialogs.inputs = {"20", std::nullopt};
  Rotation r = rotationhandler(fig, axes, reference, 25);
  EXPECT_NEAR(r.theta, std::numbers::pi / 9, 1e-12);  // the step made before cancelling stays
  EXPECT_EQ(dialogs.offered.front(), "25");

  dialogs.inputs = {"a lot"};
  EXPECT_EQ(rotationhandler(fig, axes, reference, 25).theta, 0);

  dialogs.failInput = true;
  Rotation failed = rotationhandler(fig, axes, reference, 25);
  EXPECT_EQ(failed.theta, 0);
  EXPECT_EQ(failed.reference, reference);
  EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"Sorry, Failure on input dialog Box"}));
}

TEST_F(Deformation, RotationStepTurnsBothShapesAndReturnsDegrees) {
  control("RefAngleBox", "90");
  DeformationResult r = showpw5(reference, noChange, 10, 3, 2, 1, 2);
  ASSERT_TRUE(r.theta);
  EXPECT_NEAR(*r.theta, 90, 1e-12);
  Matrix upright = turned(reference, std::numbers::pi / 2);
  EXPECT_LT((r.bigrefdef2 - upright).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_LT((r.bigrefdef.leftCols(12) - upright.leftCols(12)).cwiseAbs().maxCoeff(), 1e-12);

  // With the interactive request the dialog decides; for drawing type 5 the given angle.
  control("RotateRequest", "", 1);
  dialogs.inputs = {"-30", "0"};
  EXPECT_NEAR(*showpw5(reference, noChange, 10, 1, 3, 1, 2).theta, -30, 1e-9);
  EXPECT_NEAR(*showpw5(reference, noChange, 10, 5, 2, 1, 2, {.defangle = 45}).theta, 45, 1e-12);
}

TEST_F(Deformation, WithoutAnAngleBothShapesTakeAQuarterTurn) {
  // No angle box and no rotation request: the target alone must not be turned, or an
  // unchanged shape would show a large deformation.
  DeformationResult r = showpw5(reference, noChange, 10, 98, 2, 1, 2);
  EXPECT_NEAR(*r.theta, 90, 1e-12);
  EXPECT_LT((r.bigrefdef.leftCols(12) - r.bigrefdef2.leftCols(12)).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_TRUE(objects("line").empty());  // 98: nothing drawn but the preparation
}

TEST_F(Deformation, EachDrawingTypeDrawsWhatItShows) {
  Matrix change = noChange;
  change(0, 0) = 0.05;
  change(0, 3) = -0.04;
  control("NumberButton", "", 1);
  auto count = [&](double type, const std::string& kind) {
    pf::resetPlatform();
    fig = pf::gcf();
    axes = pf::gca();
    control("NumberButton", "", 1);
    showpw5(reference, change, 10, type, 0, 1, 2);
    return drawnCount(kind);
  };
  EXPECT_GT(count(1, "line"), 20u);
  EXPECT_EQ(count(1, "text"), 6u);
  EXPECT_EQ(count(3, "line"), 1u + 6 + 12 + 6);  // start point, vectors, heads, landmarks
  EXPECT_EQ(count(2, "line"), 3u);               // shafts, heads, landmarks
  EXPECT_GT(count(8, "patch"), 2u);              // filled bands, one patch per level
  EXPECT_GT(count(9, "patch"), 2u);
  EXPECT_EQ(count(42, "line"), 0u);  // unknown type: nothing of the table...
  EXPECT_EQ(count(42, "text"), 6u);  // ...but the landmarks are numbered
  EXPECT_EQ(count(99, "text"), 0u);
}

TEST_F(Deformation, TrimmingKeepsEachEdgeWithinTheGrid) {
  // Clicks far to the left move the upper x edge down past the first row: it stays at 1.
  for (int i = 0; i < 6; ++i) dialogs.picks.push_back({-100, 0, 1});
  dialogs.picks.push_back({0, 0, 3});
  dialogs.picks.push_back({0, 100, 1});  // upper y edge up by one
  dialogs.picks.push_back({0, 0, 3});
  for (int i = 0; i < 4; ++i) dialogs.picks.push_back({100, 0, 1});  // lower x edge past the end
  dialogs.picks.push_back({0, 0, 3});
  dialogs.picks.push_back({0, 0, 3});
  showpw5(reference, noChange, 10, 1, 2, 1, 2, {.trimreq = 1});
  EXPECT_TRUE(dialogs.picks.empty());
  // [lox upx loy upy] as the console shows them.
  EXPECT_NE(echo.find("16 1 "), std::string::npos) << echo;
  EXPECT_NE(echo.find(" 5\n"), std::string::npos) << echo;
  // The redrawn block: rows 1..16, so the lines along x hold 16 points.
  bool full = false;
  for (Handle h : objects("line")) full |= pf::get(h, "XData").matrix().size() == 16;
  EXPECT_TRUE(full);
}

}  // namespace
}  // namespace tessaly::graphics
