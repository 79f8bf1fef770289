#pragma once
// Configuration layout, centring and centroid size.
//
// A specimen travels as a configuration row x1 y1 x2 y2 ... xk yk cs (1-by-(2k+1)): landmark j
// has its x-coordinate in column 2j-1 and its y-coordinate in column 2j, and the last column
// is the centroid size carried with the data. A data matrix holds one such row per specimen.
#include "core/matrix.h"

namespace tessaly::shape {

// Coordinate matrix of a configuration: 2-by-floor(n/2), row 1 the x-coordinates and row 2
// the y-coordinates, read from x by linear position (a trailing cs is dropped).
Matrix vertxy(const Matrix& x);

// Configuration row from a k-by-2 landmark list (row j = landmark j), followed by cs:
// x1 y1 ... xk yk cs. Throws tessaly::Error if data has fewer than two columns.
Matrix xyfromvert(const Matrix& data, double cs);

// Centroid [xc yc] of the first floor(n/2) landmarks of a configuration row, with or without
// its cs: the mean of the x- and of the y-coordinates.
Matrix centpos(const Matrix& x);

// Centroid size of each row of a data matrix, as an N-by-1 column: the square root of the
// summed squared distances of the landmarks from their centroid, S = (sum |p_j - c|^2)^(1/2).
Matrix centsize(const Matrix& x);

// Each row centred at its centroid and scaled to unit centroid size; the cs column is copied
// unscaled. A row whose landmarks all coincide becomes NaN (zero size).
Matrix centerref(const Matrix& x);

// Per-variable allometric regression on log size: for each column i < m, with u = ln x(:,m)
// and v = x(:,i), the least-squares line v = a u + b and the Pearson correlation r. Row i is
// [a, b, 0.5 (N-3)^(1/2) ln((1+r)/(1-r))], the last being Fisher's z of r scaled by its
// standard error. Returns (m-1)-by-3. r = +-1 gives an infinite z; N < 3 gives NaN.
Matrix growvec3(const Matrix& x);

}  // namespace tessaly::shape
