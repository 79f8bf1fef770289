#include "cli/analyze_deformation.h"

#include <algorithm>
#include <filesystem>

#include "core/error.h"
#include "core/format.h"
#include "dispatch/state.h"
#include "plotlib/plotting.h"

namespace tessaly::cli {

namespace {

std::string fileName(int t, const char* extension) {
  return "deformation-cv" + std::to_string(t) + "." + extension;
}

void set(Session& session, const std::string& tag, const std::string& property,
         const std::string& value) {
  Step step;
  step.kind = Step::Kind::Set;
  step.args = {tag, property, value};
  session.run(step);
}

void call(Session& session, const std::string& callback) {
  Step step;
  step.kind = Step::Kind::Call;
  step.text = callback;
  session.run(step);
}

}  // namespace

std::vector<OutputFile> deformationOutputs(int axes) {
  std::vector<OutputFile> files;
  for (int t = 1; t <= axes; ++t) {
    const std::string what =
        "deformed grid and landmark vectors along canonical axis " + std::to_string(t);
    files.push_back({fileName(t, "png"), what});
    files.push_back({fileName(t, "svg"), what});
  }
  return files;
}

std::string deformationTitle(int t, const Exaggeration& e) {
  return formatText(
      "Canonical axis %d: shape change of one standard deviation (%.3g), "
      "exaggerated %g times",
      {static_cast<double>(t), e.spread, e.times});
}

std::vector<OutputFile> writeDeformationPictures(Session& session, const std::string& outDir) {
  const auto& s = dispatch::analysisState();
  const Eigen::Index significant = s.d.size() > 0 ? static_cast<Eigen::Index>(s.d(0)) : 0;
  const int axes = static_cast<int>(
      std::clamp<Eigen::Index>(std::min(significant, s.Vmatrix.cols()), 0, kDeformationAxes));
  // Grid with landmark vectors, no baseline, no interactive rotation; thin red grid lines, so
  // that the black landmark vectors stand out.
  call(session, "Tessalysw('SetLineFormat1', 'r')");
  call(session, "Tessalysw('SetLineWidth', 10)");
  set(session, "DeFormat", "Value", "4");
  set(session, "RegrButton", "Value", "0");
  set(session, "GridTrimButton", "Value", "0");
  set(session, "RotateRequest", "Value", "0");
  set(session, "RangeBox", "String", "1");
  for (int t = 1; t <= axes; ++t) {
    const Exaggeration e =
        visibleExaggeration(s.reference, s.Vmatrix.col(t - 1), s.CVAScores.col(t - 1));
    set(session, "ShowBox", "String", std::to_string(t));
    set(session, "ExagerationBox", "String", formatText("%.10g", {e.factor()}));
    call(session, "Tessalysw('ShowPCADeformation', 2)");
    plotlib::title(deformationTitle(t, e));
    for (const char* ext : {"png", "svg"}) {
      Step print;
      print.kind = Step::Kind::Print;
      print.args = {(std::filesystem::path(outDir) / fileName(t, ext)).string()};
      session.run(print);
    }
  }
  return deformationOutputs(axes);
}

}  // namespace tessaly::cli
