#pragma once
// The deformation pictures of the one-command analysis: for each significant canonical axis,
// up to the first three, and for the first three principal components, the deformed grid with
// landmark vectors of the shape change along that axis, exaggerated so that it can be seen.
#include <functional>
#include <string>
#include <vector>

#include "cli/analyze.h"
#include "cli/session.h"
#include "core/matrix.h"
#include "dispatch/exaggeration.h"

namespace tessaly::cli {

// The most axes drawn.
inline constexpr int kDeformationAxes = 3;

// The picture files of the first `axes` canonical axes, or principal components (PNG and SVG
// of each).
std::vector<OutputFile> deformationOutputs(int axes, bool components = false);

using dispatch::Exaggeration;
using dispatch::visibleExaggeration;

// The title of the picture of canonical axis (or principal component) t, 1-based.
std::string deformationTitle(int t, const Exaggeration& e, bool component = false);

// Draws and prints the pictures of the significant axes through the session's actions,
// writing the files into outDir. Returns the files written. Errors of the actions are thrown.
std::vector<OutputFile> writeDeformationPictures(Session& session, const std::string& outDir);
// The same for the first three principal components of shape.
std::vector<OutputFile> writeComponentDeformationPictures(Session& session,
                                                          const std::string& outDir);

}  // namespace tessaly::cli
