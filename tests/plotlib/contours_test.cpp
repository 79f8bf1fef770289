#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/verbs.h"
#include "plotlib/contour_grid.h"
#include "plotlib/plotting.h"
#include "support/error_text.h"

namespace tessaly::plotlib {
namespace {

using test_support::errorText;

using namespace tessaly::platform;

// The pieces of a contour matrix as (level, points).
std::vector<std::pair<double, Matrix>> pieces(const Matrix& C) {
  std::vector<std::pair<double, Matrix>> out;
  for (Eigen::Index col = 0; col < C.cols();) {
    auto n = static_cast<Eigen::Index>(C(1, col));
    out.emplace_back(C(0, col), C.block(0, col + 1, 2, n));
    col += n + 1;
  }
  return out;
}

double area(const std::vector<detail::Point>& poly) {
  double twice = 0;
  for (size_t k = 0; k < poly.size(); ++k) {
    const auto& a = poly[k];
    const auto& b = poly[(k + 1) % poly.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return std::abs(twice) / 2;
}

double area(const std::vector<std::vector<detail::Point>>& polys) {
  double sum = 0;
  for (const auto& p : polys) sum += area(p);
  return sum;
}

// z = x + y over x = 0..3 (columns) and y = 0..2 (rows).
struct Plane {
  RowVector x{{0, 1, 2, 3}};
  RowVector y{{0, 1, 2}};
  Matrix z{3, 4};
  Plane() {
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) z(r, c) = x(c) + y(r);
  }
};

TEST(Contours, APlaneGivesOneStraightPiecePerLevel) {
  Plane p;
  ContourResult result = contours(p.x, p.y, p.z, RowVector{{2.5, 0.5}});
  EXPECT_EQ(result.levels, RowVector({{0.5, 2.5}}).eval());
  auto all = pieces(result.C);
  ASSERT_EQ(all.size(), 2u);
  for (const auto& [level, pts] : all) {
    SCOPED_TRACE(level);
    for (Eigen::Index k = 0; k < pts.cols(); ++k) EXPECT_NEAR(pts(0, k) + pts(1, k), level, 1e-12);
    // An open piece from one side of the grid to another, point after point along the line.
    auto onBorder = [](double px, double py) { return px == 0 || px == 3 || py == 0 || py == 2; };
    EXPECT_TRUE(onBorder(pts(0, 0), pts(1, 0)));
    EXPECT_TRUE(onBorder(pts(0, pts.cols() - 1), pts(1, pts.cols() - 1)));
    double direction = pts(0, pts.cols() - 1) - pts(0, 0);
    for (Eigen::Index k = 1; k < pts.cols(); ++k)
      EXPECT_GT((pts(0, k) - pts(0, k - 1)) * direction, 0);
  }
  // Level 2.5 runs from (0.5, 2) to (2.5, 0) through the crossings of every edge it meets.
  EXPECT_EQ(all[1].second.cols(), 5);
}

TEST(Contours, SaddleCellsFollowTheirCentre) {
  // z = x y on the corners of one cell: the diagonal (-1,-1), (1,1) is high.
  RowVector x{{-1, 1}}, y{{-1, 1}};
  Matrix z(2, 2);
  z << 1, -1, -1, 1;
  // Centre 0 is below 0.5: the two high corners are cut off on their own.
  auto high = pieces(contours(x, y, z, RowVector{{0.5, 0.5}}).C);
  ASSERT_EQ(high.size(), 2u);
  for (const auto& [level, pts] : high) {
    ASSERT_EQ(pts.cols(), 2);
    // Each piece cuts a corner at a quarter of the two edges from it.
    EXPECT_NEAR(std::abs(pts(0, 0) - pts(0, 1)), 0.5, 1e-12);
    EXPECT_NEAR(std::abs(pts(1, 0) - pts(1, 1)), 0.5, 1e-12);
    EXPECT_GT(pts(0, 0) * pts(1, 0), 0);  // around a high (same-sign) corner
  }
  // Centre 0 is above -0.5: the high corners join, the low ones are cut off.
  auto low = pieces(contours(x, y, z, RowVector{{-0.5, -0.5}}).C);
  ASSERT_EQ(low.size(), 2u);
  for (const auto& [level, pts] : low) EXPECT_LT(pts(0, 0) * pts(1, 0), 0);

  detail::Grid grid = detail::makeGrid(x, y, z);
  EXPECT_NEAR(area(detail::regionPolygons(grid, 0.5)), 2 * 0.125, 1e-12);
  EXPECT_NEAR(area(detail::regionPolygons(grid, -0.5)), 4 - 2 * 0.125, 1e-12);
}

TEST(Contours, ClosedLoopAroundAPeak) {
  RowVector x{{0, 1, 2}}, y{{0, 1, 2}};
  Matrix z = Matrix::Zero(3, 3);
  z(1, 1) = 4;
  auto all = pieces(contours(x, y, z, RowVector{{1, 1}}).C);
  ASSERT_EQ(all.size(), 1u);
  const Matrix& pts = all[0].second;
  ASSERT_EQ(pts.cols(), 5);  // four crossings, back to the first
  EXPECT_EQ(pts.col(0), pts.col(4));
  for (Eigen::Index k = 0; k < 4; ++k)
    EXPECT_NEAR(std::abs(pts(0, k) - 1) + std::abs(pts(1, k) - 1), 0.75, 1e-12);
}

TEST(Contours, AutomaticLevelsAreRoundValuesInsideTheRange) {
  Matrix z(1, 2);
  z << 0, 7;
  EXPECT_EQ(contourLevels(z), RowVector({{1, 2, 3, 4, 5, 6}}).eval());
  z << 0, 1;
  RowVector tenths = contourLevels(z);
  ASSERT_EQ(tenths.size(), 9);
  EXPECT_NEAR(tenths(2), 0.3, 1e-12);
  EXPECT_EQ(contourLevels(z, 2).size(), 1);  // step 0.5
  EXPECT_EQ(contourLevels(Matrix::Constant(2, 2, 3)).size(), 0);
  EXPECT_EQ(errorText([&] { contourLevels(z, 0); }),
            "The number of contour levels must be positive.");
  Plane p;
  EXPECT_EQ(errorText([&] { contours(p.x, p.y, Matrix(p.z.transpose())); }),
            "Contour x and y must match the size of z.");
  EXPECT_EQ(errorText([&] { contours(p.x, p.y, p.z, RowVector{{2.5}}); }),
            "A single contour argument is the number of levels, a whole number from 1.");
}

TEST(Contourf, RegionsPaintedFromTheLowestUpInMapColours) {
  resetPlatform();
  RowVector x{{0, 1, 2}}, y{{0, 1}};
  Matrix z(2, 3);
  z << 0, 1, 2, 0, 1, 2;  // z = x
  ContourfResult r = contourf(x, y, z, RowVector{{0.5, 1.5}});
  ASSERT_EQ(r.handles.size(), 5u);  // base, two levels, two contour lines
  const double expectedArea[] = {2, 1.5, 0.5};
  const double level[] = {0, 0.5, 1.5};
  Matrix map = get(gcf(), "Colormap").matrix();
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    Handle patch = r.handles[k];
    EXPECT_EQ(get(patch, "Type").text(), "patch");
    Matrix xs = get(patch, "XData").matrix(), ys = get(patch, "YData").matrix();
    double sum = 0;
    for (Eigen::Index c = 0; c < xs.cols(); ++c) {
      std::vector<detail::Point> poly;
      for (Eigen::Index v = 0; v < xs.rows(); ++v) poly.push_back({xs(v, c), ys(v, c)});
      sum += area(poly);
    }
    EXPECT_NEAR(sum, expectedArea[k], 1e-12);
    auto row = static_cast<Eigen::Index>(std::floor(level[k] / 2 * (map.rows() - 1) + 0.5));
    EXPECT_EQ(get(patch, "FaceColor").matrix(), Matrix(map.row(row)));
  }
  EXPECT_EQ(get(r.handles[3], "Type").text(), "line");
  EXPECT_EQ(r.levels, RowVector({{0.5, 1.5}}).eval());
  EXPECT_EQ(pieces(r.C).size(), 2u);
}

TEST(Contourf, FlatOrMissingValuesDoNotFail) {
  resetPlatform();
  RowVector x{{0, 1}}, y{{0, 1}};
  ContourfResult flat = contourf(x, y, Matrix::Zero(2, 2));
  EXPECT_EQ(flat.levels.size(), 0);
  EXPECT_EQ(flat.handles.size(), 1u);  // the grid in one colour
  Matrix holes = Matrix::Constant(2, 2, std::nan(""));
  EXPECT_TRUE(contourf(x, y, holes).handles.empty());
}

}  // namespace
}  // namespace tessaly::plotlib
