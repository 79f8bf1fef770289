#pragma once
// Descriptive statistics: variance, distances between rows and their square form, and
// per-group summaries.
#include <string>
#include <vector>

#include "core/matrix.h"

namespace tessaly::stats {

// Variance of each column (of the elements, for a row or column vector). flag 0 divides by
// n - 1 (by 1 when n = 1), flag 1 by n. A row vector gives a 1-by-1 result.
Matrix var(const Matrix& x, int flag = 0);

// Distances between every pair of rows of X, as the condensed row
// [d(1,2), d(1,3), ..., d(1,n), d(2,3), ..., d(n-1,n)]. Metrics: "euclidean" (default),
// "seuclidean", "cityblock", "chebychev", "minkowski" (exponent `exponent`, default 2),
// "cosine", "correlation", "mahalanobis", "hamming", "jaccard"; names are case-insensitive.
Matrix pdist(const Matrix& X, const std::string& metric = "euclidean", double exponent = 2);

// Condensed row to the symmetric distance matrix with zero diagonal, and a square symmetric
// matrix with zero diagonal back to its condensed row. A 1-by-1 value is read as the condensed
// row of two points; an empty value as that of one point.
Matrix squareform(const Matrix& y);

// Combined group numbers of several grouping variables (each a column of `rows` codes): every
// distinct combination, in order of first appearance, is one group. glabel joins the names of
// a combination with sep; gname holds the names per variable (g rows, one per variable);
// multigroup tells whether more than one grouping variable was given.
struct MultiGroupIndex {
  Matrix ogroup;
  std::vector<std::string> glabel;
  std::vector<std::vector<std::string>> gname;
  bool multigroup = false;
};
MultiGroupIndex mgrp2idx(const std::vector<Matrix>& group, Eigen::Index rows,
                         const std::string& sep = "\n");

// Per-group means, standard errors of the means (standard deviation / sqrt(count)), counts
// and names, groups in order of first appearance; rows of a missing group are left out.
struct GroupStats {
  Matrix means;   // g-by-m
  Matrix sem;     // g-by-m
  Matrix counts;  // g-by-m (each column counts the group's rows)
  std::vector<std::string> gname;
};
GroupStats grpstats(const Matrix& x, const Matrix& group);
GroupStats grpstats(const Matrix& x, const std::vector<Matrix>& groups);

}  // namespace tessaly::stats
