#include "stats/distributions.h"

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>

#include "core/error.h"

namespace tessaly::stats {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Out-of-range arguments give NaN or an infinity instead of a C++ exception: the callers
// expect element-wise results, and the domain checks below decide what each element gets.
using Policy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

const char* const kSizeMismatch = "Requires non-scalar arguments to match in size.";

// Expands the arguments to one size or throws the size-mismatch error.
std::vector<Matrix> expanded(const std::vector<Matrix>& args) {
  Expanded e = distchck(static_cast<int>(args.size()), args);
  if (e.errorcode > 0) throw Error(kSizeMismatch);
  return e.out;
}

// Applies f element by element to three expanded arguments.
template <typename F>
Matrix elementwise3(const Matrix& x, const Matrix& a, const Matrix& b, F f) {
  std::vector<Matrix> v = expanded({x, a, b});
  Matrix out(v[0].rows(), v[0].cols());
  for (Eigen::Index i = 0; i < out.size(); ++i) out(i) = f(v[0](i), v[1](i), v[2](i));
  return out;
}

}  // namespace

Expanded distchck(int nparms, const std::vector<Matrix>& args) {
  Expanded result;
  result.out.assign(args.begin(), args.begin() + std::min<size_t>(args.size(), nparms));
  if (result.out.size() <= 1) return result;
  const Matrix* common = nullptr;
  for (const Matrix& a : result.out) {
    if (a.size() != 1) {
      common = &a;
      break;
    }
  }
  if (!common) return result;
  const Eigen::Index rows = common->rows();
  const Eigen::Index cols = common->cols();
  for (Matrix& a : result.out) {
    if (a.size() == 1) {
      a = Matrix::Constant(rows, cols, a(0, 0));
    } else if (a.rows() != rows || a.cols() != cols) {
      result.errorcode = 1;
      return result;
    }
  }
  return result;
}

Matrix chi2cdf(const Matrix& x, const Matrix& v) {
  std::vector<Matrix> e = expanded({x, v});
  return gamcdf(e[0], e[1] / 2, scalar(2));
}

Matrix chi2cdf(const std::vector<Matrix>& args) {
  if (args.size() < 2) throw Error("Requires two input arguments.");
  return chi2cdf(args[0], args[1]);
}

Matrix gamcdf(const Matrix& x, const Matrix& a, const Matrix& b) {
  std::vector<Matrix> e = expanded({x, a, b});
  const Matrix& X = e[0];
  const Matrix& A = e[1];
  const Matrix& B = e[2];
  Matrix p = Matrix::Zero(X.rows(), X.cols());
  bool allFinite = true;
  for (Eigen::Index i = 0; i < p.size(); ++i) {
    if (std::isnan(X(i)) || std::isnan(A(i)) || std::isnan(B(i)) || A(i) <= 0 || B(i) <= 0) {
      // A missing value or an invalid parameter has no probability.
      p(i) = kNaN;
    } else if (X(i) > 0) {
      const double z = X(i) / B(i);
      p(i) = std::isinf(z) ? 1.0 : boost::math::gamma_p(A(i), z, Policy());
      if (p(i) > 1) p(i) = 1;
    }
    if (!std::isfinite(p(i))) allFinite = false;
  }
  if (!allFinite) {
    // Far in the upper tail the integral has reached 1 whatever the shape.
    const double limit = std::sqrt(std::numeric_limits<double>::max());
    for (Eigen::Index i = 0; i < p.size(); ++i) {
      if (X(i) >= limit && A(i) > 0 && B(i) > 0) p(i) = 1;
    }
  }
  return p;
}

Matrix gamcdf(const std::vector<Matrix>& args) {
  if (args.size() < 2) throw Error("Requires at least two input arguments.");
  return gamcdf(args[0], args[1], args.size() > 2 ? args[2] : scalar(1));
}

Matrix tinv(const Matrix& p, const Matrix& v) {
  return elementwise3(p, v, scalar(0), [](double pr, double df, double) {
    if (std::isnan(pr) || std::isnan(df) || df <= 0 || pr < 0 || pr > 1) return kNaN;
    if (pr == 0) return -kInf;
    if (pr == 1) return kInf;
    if (std::isinf(df)) {
      return boost::math::quantile(boost::math::normal_distribution<double, Policy>(), pr);
    }
    return boost::math::quantile(boost::math::students_t_distribution<double, Policy>(df), pr);
  });
}

Matrix betainv(const Matrix& p, const Matrix& a, const Matrix& b) {
  return elementwise3(p, a, b, [](double pr, double alpha, double beta) {
    if (std::isnan(pr) || !(alpha > 0) || !(beta > 0) || pr < 0 || pr > 1) return kNaN;
    if (pr == 0) return 0.0;
    if (pr == 1) return 1.0;
    return boost::math::quantile(boost::math::beta_distribution<double, Policy>(alpha, beta), pr);
  });
}

Matrix betacdf(const Matrix& x, const Matrix& a, const Matrix& b) {
  return elementwise3(x, a, b, [](double xv, double alpha, double beta) {
    if (std::isnan(xv) || !(alpha > 0) || !(beta > 0)) return kNaN;
    if (xv <= 0) return 0.0;
    if (xv >= 1) return 1.0;
    return boost::math::cdf(boost::math::beta_distribution<double, Policy>(alpha, beta), xv);
  });
}

Matrix betapdf(const Matrix& x, const Matrix& a, const Matrix& b) {
  return elementwise3(x, a, b, [](double xv, double alpha, double beta) {
    if (std::isnan(xv) || !(alpha > 0) || !(beta > 0)) return kNaN;
    if (xv < 0 || xv > 1) return 0.0;
    // At the ends the density is 0, finite or unbounded as the exponent there is positive,
    // zero or negative.
    if (xv == 0) return alpha < 1 ? kInf : (alpha == 1 ? beta : 0.0);
    if (xv == 1) return beta < 1 ? kInf : (beta == 1 ? alpha : 0.0);
    return boost::math::pdf(boost::math::beta_distribution<double, Policy>(alpha, beta), xv);
  });
}

Matrix norminv(const Matrix& p, const Matrix& mu, const Matrix& sigma) {
  return elementwise3(p, mu, sigma, [](double pr, double m, double s) {
    if (std::isnan(pr) || std::isnan(m) || !(s > 0) || pr < 0 || pr > 1) return kNaN;
    if (pr == 0) return -kInf;
    if (pr == 1) return kInf;
    return m + s * boost::math::quantile(boost::math::normal_distribution<double, Policy>(), pr);
  });
}

}  // namespace tessaly::stats
