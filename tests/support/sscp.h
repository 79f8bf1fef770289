#pragma once
// Within- and between-group sums of squares and products, worked out by plain loops, for tests
// that check the MANOVA, the canonical analysis and the distances of the program against them.
#include <vector>

#include "core/matrix.h"

namespace tessaly::test_support {

// W and B of the rows of x in the groups coded 1 .. max(groups).
inline void sscp(const Matrix& x, const Matrix& groups, Matrix& W, Matrix& B) {
  const RowVector grand = x.colwise().mean();
  W = Matrix::Zero(x.cols(), x.cols());
  B = W;
  for (int g = 1; g <= static_cast<int>(groups.maxCoeff()); ++g) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index i = 0; i < x.rows(); ++i)
      if (groups(i) == g) rows.push_back(i);
    if (rows.empty()) continue;
    const Matrix xg = x(rows, Eigen::all);
    const RowVector mean = xg.colwise().mean();
    const Matrix centred = xg.rowwise() - mean;
    W += centred.transpose() * centred;
    B += static_cast<double>(rows.size()) * (mean - grand).transpose() * (mean - grand);
  }
}

// The group means of the rows of x, one row per code 1 .. max(groups).
inline Matrix groupMeans(const Matrix& x, const Matrix& groups) {
  Matrix means = Matrix::Zero(static_cast<Eigen::Index>(groups.maxCoeff()), x.cols());
  for (Eigen::Index g = 0; g < means.rows(); ++g) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index i = 0; i < x.rows(); ++i)
      if (groups(i) == static_cast<double>(g + 1)) rows.push_back(i);
    if (!rows.empty()) means.row(g) = x(rows, Eigen::all).colwise().mean();
  }
  return means;
}

}  // namespace tessaly::test_support
