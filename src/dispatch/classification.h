#pragma once
// Texts shared by the classification actions: the significance label of a distance to a group
// mean, the table of given against assigned groups, and the file of all distances to the
// group means.
#include <string>

#include "core/matrix.h"

namespace tessaly::dispatch {

// The significance of a distance dist from the mean of ordinal group a (1-based), judged by
// row a of the within-group range table drange (columns 1-3: the 0.001-, 0.01- and 0.05-level
// distances): "p<0.001", "0.01>p>0.001", "0.05>p>0.01" or "p>0.05". The comparisons are
// strict, so a distance equal to a limit gets the milder label.
std::string significanceLabel(const Matrix& drange, double a, double dist);

// The grouping table: the given groups along the rows, the assigned groups along the columns,
// both labelled with the group codes symgroup (1-by-g); zmatrix (g-by-g) holds the counts.
std::string groupingTable(const Matrix& symgroup, const Matrix& zmatrix);

// The distances of the specimens (dmatrix, N-by-g) and, when unknowns were classified, of the
// unknowns (udmatrix) to the group means, offered as a file: asks "Do you want to save the
// matrix of distances ...?" and, on an answer starting with "Y", appends the distances, the
// distances divided by each group's dstdlist entry and by its dmlist entry, one row per
// specimen, to the file named in the save dialog. Any other answer, a cancelled dialog or a
// file that cannot be opened writes nothing and says nothing.
void offerDistanceFile(const Matrix& dmatrix, const Matrix* udmatrix, const Matrix& dstdlist,
                       const Matrix& dmlist);

// The key of the grouping table when the groups have names: "\n \nGroups:" followed by a
// line "code = name" for every named code of symgroup, in its order; empty without names.
std::string groupKey(const Matrix& symgroup);

}  // namespace tessaly::dispatch
