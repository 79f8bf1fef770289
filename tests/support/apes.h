#pragma once
// The example apes: the landmark coordinates of 167 specimens and their six group codes.
#include "core/dload.h"
#include "core/matrix.h"

namespace tessaly::test_support {

struct Apes {
  Matrix data = dload(TESSALY_EXAMPLES "/apes/apes.txt");
  Matrix codes = dload(TESSALY_EXAMPLES "/apes/apes-groups.txt");
};

}  // namespace tessaly::test_support
