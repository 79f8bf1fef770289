#pragma once
// Distribution functions, element by element on matrices with scalar expansion: a 1-by-1
// argument stands for a matrix of the common size of the others.
#include <vector>

#include "core/matrix.h"

namespace tessaly::stats {

// Brings the arguments to one size. errorcode 1 when two non-scalar arguments differ in size
// (the outputs are then as far as expansion got); otherwise every scalar becomes a matrix of
// the size of the first non-scalar argument.
struct Expanded {
  int errorcode = 0;
  std::vector<Matrix> out;
};
Expanded distchck(int nparms, const std::vector<Matrix>& args);

// Chi-square cumulative distribution with v degrees of freedom: gamcdf(x, v/2, 2).
Matrix chi2cdf(const Matrix& x, const Matrix& v);
// The same called with a list of arguments as the function table passes them; checks their
// number ("Requires two input arguments.").
Matrix chi2cdf(const std::vector<Matrix>& args);

// Gamma cumulative distribution with shape a and scale b: the regularised lower incomplete
// gamma function P(a, x/b); NaN where a <= 0 or b <= 0.
Matrix gamcdf(const Matrix& x, const Matrix& a, const Matrix& b = scalar(1));
Matrix gamcdf(const std::vector<Matrix>& args);

// Quantile of Student's t distribution with v degrees of freedom.
Matrix tinv(const Matrix& p, const Matrix& v);
// Beta distribution: quantile, cumulative distribution and density with parameters a, b.
Matrix betainv(const Matrix& p, const Matrix& a, const Matrix& b);
Matrix betacdf(const Matrix& x, const Matrix& a, const Matrix& b);
Matrix betapdf(const Matrix& x, const Matrix& a, const Matrix& b);
// Normal quantile with mean mu and standard deviation sigma.
Matrix norminv(const Matrix& p, const Matrix& mu = scalar(0), const Matrix& sigma = scalar(1));

}  // namespace tessaly::stats
