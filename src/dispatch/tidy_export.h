#pragma once
// Tables of specimens for other programs: one row per specimen, then one per scored unknown,
// with the columns specimen, label, image, group, set and then the named values.
#include <string>
#include <vector>

#include "core/matrix.h"

namespace tessaly::dispatch {

// The names of p shape variables: pw1_x, pw1_y, ..., uniform_1, uniform_2 (v1 ... for others).
std::vector<std::string> variableNames(Eigen::Index p);

// The table of the specimens' rows of values and, while unknowns are scored, the unknowns'.
std::string specimenTable(const std::vector<std::string>& valueNames, const Matrix& specimens,
                          const Matrix& unknowns);

}  // namespace tessaly::dispatch
