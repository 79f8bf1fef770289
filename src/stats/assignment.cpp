#include "stats/assignment.h"

#include <limits>
#include <vector>

#include "core/error.h"
#include "core/groups.h"

namespace tessaly::stats {

namespace {

// Element i of a vector given as a row or a column; NaN past its end.
double elementOr(const Matrix& v, Eigen::Index i) {
  return i < v.size() ? v(i) : kNaN;
}

// The inputs beyond x and xgroup, when the unknowns are processed.
struct Unknowns {
  const Matrix& xun;
  const Matrix& xungroup;
};

// Everything the shared body computes; grpmean1 and grpmean2 hand back different parts.
struct Classification {
  Matrix y, zmatrix, zmatrix2, symgroup, dmatrix;
  int gcount = 0;
  bool unknownsProcessed = false;
  Matrix yunknown, zmunknown, udmatrix;
};

// Euclidean distances of every row of x to every group mean.
Matrix distancesToMeans(const Matrix& x, const Matrix& xmean) {
  Matrix d(x.rows(), xmean.rows());
  for (Eigen::Index i = 0; i < x.rows(); ++i) {
    for (Eigen::Index j = 0; j < xmean.rows(); ++j) d(i, j) = (x.row(i) - xmean.row(j)).norm();
  }
  return d;
}

// The nearest group of each row of a distance matrix (0-based) and its distance; a tie keeps
// the lower ordinal group.
void nearest(const Matrix& dmatrix, std::vector<int>& assigned, std::vector<double>& distance) {
  assigned.assign(static_cast<size_t>(dmatrix.rows()), 0);
  distance.assign(static_cast<size_t>(dmatrix.rows()), kNaN);
  for (Eigen::Index i = 0; i < dmatrix.rows(); ++i) {
    int id = 0;
    for (Eigen::Index j = 1; j < dmatrix.cols(); ++j) {
      if (dmatrix(i, j) < dmatrix(i, id)) id = static_cast<int>(j);
    }
    assigned[static_cast<size_t>(i)] = id;
    if (dmatrix.cols() > 0) distance[static_cast<size_t>(i)] = dmatrix(i, id);
  }
}

// The shared body of grpmean1 and grpmean2.
Classification classify(const Matrix& x, const Matrix& xgroup, const Unknowns* unknowns) {
  Classification c;
  const Eigen::Index N = x.rows();
  const Eigen::Index mg = xgroup.size();

  // Ordinal groups in order of first appearance (0-based here).
  const GroupNumbering numbering = numberGroups(xgroup);
  std::vector<int> group = numbering.ordinal;
  for (int& a : group) a -= 1;
  const std::vector<double>& symgroup = numbering.codes;
  std::vector<double> gcntgroup(symgroup.size(), 0.0);
  for (int a : group) gcntgroup[static_cast<size_t>(a)] += 1;
  const auto g = static_cast<Eigen::Index>(symgroup.size());
  c.gcount = static_cast<int>(g);
  c.symgroup = Eigen::Map<const Matrix>(symgroup.data(), 1, g);

  Matrix xmean = Matrix::Zero(g, x.cols());
  for (Eigen::Index i = 0; i < std::min(N, mg); ++i)
    xmean.row(group[static_cast<size_t>(i)]) += x.row(i);
  for (Eigen::Index j = 0; j < g; ++j) xmean.row(j) /= gcntgroup[static_cast<size_t>(j)];

  c.dmatrix = distancesToMeans(x, xmean);
  std::vector<int> newgroup;
  std::vector<double> memberdistance;
  nearest(c.dmatrix, newgroup, memberdistance);

  c.y.resize(N, 4);
  c.zmatrix = Matrix::Zero(g, g);
  for (Eigen::Index i = 0; i < N; ++i) {
    const auto k = static_cast<size_t>(i);
    const bool coded = i < mg;
    c.y(i, 0) = coded ? group[k] + 1 : kNaN;
    c.y(i, 1) = coded ? xgroup(i) : kNaN;
    c.y(i, 2) = newgroup[k] + 1;
    c.y(i, 3) = memberdistance[k];
    if (coded && g > 0) c.zmatrix(group[k], newgroup[k]) += 1;
  }
  c.zmatrix2 = c.zmatrix;
  for (Eigen::Index a = 0; a < g; ++a) c.zmatrix2.row(a) /= c.zmatrix.row(a).sum();

  if (unknowns) {
    c.unknownsProcessed = true;
    const Matrix& xun = unknowns->xun;
    if (xun.cols() == x.cols()) {
      c.udmatrix = distancesToMeans(xun, xmean);
    } else if (xun.size() == 0) {
      c.udmatrix.resize(0, g);
    } else {
      throw Error("The unknown specimens must have as many scores as the known specimens.");
    }
    std::vector<int> unnewgroup;
    std::vector<double> unmemberdistance;
    nearest(c.udmatrix, unnewgroup, unmemberdistance);
    c.yunknown.resize(c.udmatrix.rows(), 3);
    c.zmunknown = Matrix::Zero(1, g);
    for (Eigen::Index i = 0; i < c.udmatrix.rows(); ++i) {
      const auto k = static_cast<size_t>(i);
      c.yunknown(i, 0) = elementOr(unknowns->xungroup, i);
      c.yunknown(i, 1) = unnewgroup[k] + 1;
      c.yunknown(i, 2) = unmemberdistance[k];
      if (g > 0) c.zmunknown(0, unnewgroup[k]) += 1;
    }
  }
  return c;
}

GroupMean1Result toResult1(Classification&& c) {
  GroupMean1Result r;
  r.y = std::move(c.y);
  r.zmatrix = std::move(c.zmatrix);
  r.zmatrix2 = std::move(c.zmatrix2);
  r.symgroup = std::move(c.symgroup);
  r.dmatrix = std::move(c.dmatrix);
  r.unknownsProcessed = c.unknownsProcessed;
  r.yunknown = std::move(c.yunknown);
  r.zmunknown = std::move(c.zmunknown);
  r.udmatrix = std::move(c.udmatrix);
  return r;
}

GroupMean2Result toResult2(Classification&& c) {
  GroupMean2Result r;
  r.y = std::move(c.y);
  r.dmatrix = std::move(c.dmatrix);
  r.gcount = c.gcount;
  r.unknownsProcessed = c.unknownsProcessed;
  r.yunknown = std::move(c.yunknown);
  r.udmatrix = std::move(c.udmatrix);
  return r;
}

}  // namespace

GroupMean1Result grpmean1(const Matrix& x, const Matrix& xgroup) {
  return toResult1(classify(x, xgroup, nullptr));
}

GroupMean1Result grpmean1(const Matrix& x, const Matrix& xgroup, const Matrix& xun,
                          const Matrix& xungroup) {
  const Unknowns u{xun, xungroup};
  return toResult1(classify(x, xgroup, &u));
}

GroupMean2Result grpmean2(const Matrix& x, const Matrix& xgroup) {
  return toResult2(classify(x, xgroup, nullptr));
}

GroupMean2Result grpmean2(const Matrix& x, const Matrix& xgroup, const Matrix& xun,
                          const Matrix& xungroup) {
  const Unknowns u{xun, xungroup};
  return toResult2(classify(x, xgroup, &u));
}

}  // namespace tessaly::stats
