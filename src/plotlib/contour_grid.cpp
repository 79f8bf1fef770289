#include "plotlib/contour_grid.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "core/error.h"

namespace tessaly::plotlib::detail {

Grid makeGrid(const Matrix& x, const Matrix& y, const Matrix& z) {
  const Eigen::Index rows = z.rows(), cols = z.cols();
  if (rows < 2 || cols < 2) throw Error("Contours need a grid of at least 2 by 2 values.");
  Grid g;
  g.Z = z;
  if (x.rows() == rows && x.cols() == cols && y.rows() == rows && y.cols() == cols) {
    g.X = x;
    g.Y = y;
    return g;
  }
  bool xVector = x.rows() == 1 || x.cols() == 1, yVector = y.rows() == 1 || y.cols() == 1;
  if (xVector && yVector && x.size() == cols && y.size() == rows) {
    g.X.resize(rows, cols);
    g.Y.resize(rows, cols);
    for (Eigen::Index r = 0; r < rows; ++r)
      for (Eigen::Index c = 0; c < cols; ++c) {
        g.X(r, c) = x(c);
        g.Y(r, c) = y(r);
      }
    return g;
  }
  throw Error("Contour x and y must match the size of z.");
}

bool Cell::finite() const {
  for (int k = 0; k < 4; ++k)
    if (!std::isfinite(z[k]) || !std::isfinite(p[k].x) || !std::isfinite(p[k].y)) return false;
  return true;
}

bool Cell::centreInside(double level) const {
  return (z[0] + z[1] + z[2] + z[3]) / 4 >= level;
}

Cell cellAt(const Grid& g, Eigen::Index r, Eigen::Index c) {
  const Eigen::Index rs[4] = {r, r, r + 1, r + 1}, cs[4] = {c, c + 1, c + 1, c};
  Cell cell;
  for (int k = 0; k < 4; ++k) {
    cell.p[k] = {g.X(rs[k], cs[k]), g.Y(rs[k], cs[k])};
    cell.z[k] = g.Z(rs[k], cs[k]);
  }
  return cell;
}

Point crossing(const Cell& cell, int a, int b, double level) {
  double t = (level - cell.z[a]) / (cell.z[b] - cell.z[a]);
  return {cell.p[a].x + t * (cell.p[b].x - cell.p[a].x),
          cell.p[a].y + t * (cell.p[b].y - cell.p[a].y)};
}

Point edgePoint(const Cell& cell, int step, double level) {
  // From the corner nearer the grid origin, so that the two cells sharing an edge agree.
  static const int corners[4][2] = {{0, 1}, {1, 2}, {3, 2}, {0, 3}};
  return crossing(cell, corners[step][0], corners[step][1], level);
}

namespace {

// A grid edge, named so that the two cells sharing it agree: the edges leaving node (r, c)
// towards (r, c+1) and towards (r+1, c).
std::int64_t edgeKey(const Grid& g, Eigen::Index r, Eigen::Index c, int edge) {
  // Steps around the cell: 0: (r,c)-(r,c+1), 1: (r,c+1)-(r+1,c+1), 2: (r+1,c+1)-(r+1,c),
  // 3: (r+1,c)-(r,c).
  Eigen::Index nr = r, nc = c;
  int dir = 0;
  switch (edge) {
    case 0:
      dir = 0;
      break;
    case 1:
      nc = c + 1;
      dir = 1;
      break;
    case 2:
      nr = r + 1;
      dir = 0;
      break;
    default:
      dir = 1;
      break;
  }
  return (static_cast<std::int64_t>(nr) * g.Z.cols() + nc) * 2 + dir;
}

struct Segment {
  std::int64_t key[2];
  Point p[2];
};

}  // namespace

std::vector<std::vector<Point>> contourPieces(const Grid& g, double level) {
  std::vector<Segment> segments;
  for (Eigen::Index r = 0; r + 1 < g.Z.rows(); ++r)
    for (Eigen::Index c = 0; c + 1 < g.Z.cols(); ++c) {
      Cell cell = cellAt(g, r, c);
      if (!cell.finite()) continue;
      bool in[4];
      for (int k = 0; k < 4; ++k) in[k] = cell.z[k] >= level;
      std::vector<int> cut;  // the crossed edges, in order around the cell
      for (int step : {0, 1, 2, 3})
        if (in[step] != in[(step + 1) % 4]) cut.push_back(step);
      if (cut.empty()) continue;
      auto point = [&](int step) { return edgePoint(cell, step, level); };
      auto key = [&](int step) { return edgeKey(g, r, c, step); };
      if (cut.size() == 2) {
        segments.push_back({{key(cut[0]), key(cut[1])}, {point(cut[0]), point(cut[1])}});
      } else {
        // A saddle: four crossings. Corner k lies between boundary steps k-1 and k. Pair the
        // crossings around the corners that stay apart.
        bool joinInside = cell.centreInside(level);
        // Crossings on steps 3,0 surround corner 0; on 0,1 corner 1; 1,2 corner 2; 2,3 corner 3.
        bool corner0Apart = joinInside ? !in[0] : in[0];
        if (corner0Apart) {
          segments.push_back({{key(3), key(0)}, {point(3), point(0)}});
          segments.push_back({{key(1), key(2)}, {point(1), point(2)}});
        } else {
          segments.push_back({{key(0), key(1)}, {point(0), point(1)}});
          segments.push_back({{key(2), key(3)}, {point(2), point(3)}});
        }
      }
    }

  // Join segments that share an edge crossing into pieces.
  std::unordered_multimap<std::int64_t, size_t> atKey;
  for (size_t s = 0; s < segments.size(); ++s)
    for (int end : {0, 1}) atKey.emplace(segments[s].key[end], s);
  std::vector<char> used(segments.size(), 0);
  auto other = [&](std::int64_t key, size_t not_this) -> long {
    auto [lo, hi] = atKey.equal_range(key);
    for (auto it = lo; it != hi; ++it)
      if (it->second != not_this && !used[it->second]) return static_cast<long>(it->second);
    return -1;
  };
  auto walk = [&](size_t start, int fromEnd) {
    std::vector<Point> piece;
    used[start] = 1;
    piece.push_back(segments[start].p[fromEnd]);
    piece.push_back(segments[start].p[1 - fromEnd]);
    std::int64_t key = segments[start].key[1 - fromEnd];
    for (long next = other(key, start); next >= 0; next = other(key, static_cast<size_t>(next))) {
      Segment& s = segments[static_cast<size_t>(next)];
      used[static_cast<size_t>(next)] = 1;
      int enter = s.key[0] == key ? 0 : 1;
      piece.push_back(s.p[1 - enter]);
      key = s.key[1 - enter];
    }
    return piece;
  };
  std::vector<std::vector<Point>> pieces;
  // Open pieces start at an end that no other segment shares.
  for (size_t s = 0; s < segments.size(); ++s) {
    if (used[s]) continue;
    for (int end : {0, 1})
      if (!used[s] && atKey.count(segments[s].key[end]) == 1) pieces.push_back(walk(s, end));
  }
  // What is left are closed loops.
  for (size_t s = 0; s < segments.size(); ++s)
    if (!used[s]) pieces.push_back(walk(s, 0));
  return pieces;
}

std::vector<std::vector<Point>> regionPolygons(const Grid& g, double level) {
  std::vector<std::vector<Point>> polygons;
  for (Eigen::Index r = 0; r + 1 < g.Z.rows(); ++r)
    for (Eigen::Index c = 0; c + 1 < g.Z.cols(); ++c) {
      Cell cell = cellAt(g, r, c);
      if (!cell.finite()) continue;
      bool in[4];
      int inside = 0;
      for (int k = 0; k < 4; ++k) inside += in[k] = cell.z[k] >= level;
      if (inside == 0) continue;
      if (inside == 4) {
        polygons.push_back({cell.p[0], cell.p[1], cell.p[2], cell.p[3]});
        continue;
      }
      bool saddle = inside == 2 && in[0] == in[2];
      if (saddle && !cell.centreInside(level)) {
        // Two separate corners, each cut off by its own line.
        for (int k : {0, 1, 2, 3}) {
          if (!in[k]) continue;
          int before = (k + 3) % 4;  // the step that ends at corner k
          polygons.push_back(
              {edgePoint(cell, before, level), cell.p[k], edgePoint(cell, k, level)});
        }
        continue;
      }
      // Clip the cell to the inside, walking its corners in order.
      std::vector<Point> poly;
      for (int k = 0; k < 4; ++k) {
        int next = (k + 1) % 4;
        if (in[k]) poly.push_back(cell.p[k]);
        if (in[k] != in[next]) poly.push_back(edgePoint(cell, k, level));
      }
      polygons.push_back(std::move(poly));
    }
  return polygons;
}

}  // namespace tessaly::plotlib::detail
