#pragma once
// The one numeric value type of the program: dense double matrices (Eigen). An empty
// matrix (0 by 0) stands for a value not yet set.
#include <Eigen/Dense>
#include <limits>

namespace tessaly {

// The missing value of the numerics (a quiet NaN).
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Matrix = Eigen::MatrixXd;
using RowVector = Eigen::RowVectorXd;
using ColVector = Eigen::VectorXd;

// A 1-by-1 matrix holding x.
inline Matrix scalar(double x) {
  return Matrix::Constant(1, 1, x);
}

}  // namespace tessaly
