#pragma once
// The texts of the CVA run ("LoadGroupList") that the significance report shares.
#include <string>

#include "core/matrix.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

// The significance report of the CVA run and its one-line summary.
std::string cvaReport(const Matrix& d, const Matrix& p, const stats::ManovaStats& v);
std::string cvaSummary(const Matrix& d, const Matrix& p);

}  // namespace tessaly::dispatch
