#include "cli/analyze_deformation.h"

#include <algorithm>
#include <filesystem>

#include "core/format.h"
#include "dispatch/components.h"
#include "dispatch/state.h"
#include "plotlib/plotting.h"

namespace tessaly::cli {

namespace {

std::string fileName(const char* kind, int t, const char* extension) {
  return std::string("deformation-") + kind + std::to_string(t) + "." + extension;
}

void set(Session& session, const std::string& tag, const std::string& property,
         const std::string& value) {
  Step step;
  step.kind = Step::Kind::Set;
  step.args = {tag, property, value};
  session.run(step);
}

void call(Session& session, const std::string& callback,
          const std::vector<std::string>& answers = {}) {
  Step step;
  step.kind = Step::Kind::Call;
  step.text = callback;
  step.args = answers;
  session.run(step);
}

// Grid with landmark vectors, no baseline, no interactive rotation; thin red grid lines, so
// that the black landmark vectors stand out.
void setDeformationStyle(Session& session) {
  call(session, "Tessalysw('SetLineFormat1', 'r')");
  call(session, "Tessalysw('SetLineWidth', 10)");
  set(session, "DeFormat", "Value", "4");
  set(session, "RegrButton", "Value", "0");
  set(session, "GridTrimButton", "Value", "0");
  set(session, "RotateRequest", "Value", "0");
  set(session, "RangeBox", "String", "1");
}

// Draws the change of the exaggeration e with the callback and prints it as the PNG and SVG
// of `kind` t.
void printDeformation(Session& session, const std::string& outDir, const char* kind, int t,
                      const Exaggeration& e, const std::string& callback,
                      const std::vector<std::string>& answers, const std::string& title) {
  set(session, "ExagerationBox", "String", formatText("%.10g", {e.factor()}));
  call(session, callback, answers);
  plotlib::title(title);
  for (const char* ext : {"png", "svg"}) {
    Step print;
    print.kind = Step::Kind::Print;
    print.args = {(std::filesystem::path(outDir) / fileName(kind, t, ext)).string()};
    session.run(print);
  }
}

}  // namespace

std::vector<OutputFile> deformationOutputs(int axes, bool components) {
  std::vector<OutputFile> files;
  const char* kind = components ? "pc" : "cv";
  for (int t = 1; t <= axes; ++t) {
    const std::string what = std::string("deformed grid and landmark vectors along ") +
                             (components ? "principal component " : "canonical axis ") +
                             std::to_string(t);
    files.push_back({fileName(kind, t, "png"), what});
    files.push_back({fileName(kind, t, "svg"), what});
  }
  return files;
}

std::string deformationTitle(int t, const Exaggeration& e, bool component) {
  return formatText(
      "%s %d: shape change of one standard deviation (%.3g), "
      "exaggerated %g times",
      {std::string(component ? "Principal component" : "Canonical axis"), static_cast<double>(t),
       e.spread, e.times});
}

std::vector<OutputFile> writeDeformationPictures(Session& session, const std::string& outDir) {
  const auto& s = dispatch::analysisState();
  const Eigen::Index significant = s.d.size() > 0 ? static_cast<Eigen::Index>(s.d(0)) : 0;
  const int axes = static_cast<int>(
      std::clamp<Eigen::Index>(std::min(significant, s.Vmatrix.cols()), 0, kDeformationAxes));
  setDeformationStyle(session);
  for (int t = 1; t <= axes; ++t) {
    const Exaggeration e =
        visibleExaggeration(s.reference, s.Vmatrix.col(t - 1), s.CVAScores.col(t - 1));
    set(session, "ShowBox", "String", std::to_string(t));
    printDeformation(session, outDir, "cv", t, e, "Tessalysw('ShowPCADeformation', 2)", {},
                     deformationTitle(t, e));
  }
  return deformationOutputs(axes);
}

std::vector<OutputFile> writeComponentDeformationPictures(Session& session,
                                                          const std::string& outDir) {
  const auto& pca = dispatch::shapeComponents();
  const int axes = static_cast<int>(std::min<Eigen::Index>(pca.loadings.cols(), kDeformationAxes));
  setDeformationStyle(session);
  for (int t = 1; t <= axes; ++t) {
    const Exaggeration e = visibleExaggeration(dispatch::analysisState().reference,
                                               pca.loadings.col(t - 1), pca.scores.col(t - 1));
    printDeformation(session, outDir, "pc", t, e, "Tessalysw('ShowPCDeformation', 2)",
                     {std::to_string(t)}, deformationTitle(t, e, true));
  }
  return deformationOutputs(axes, true);
}

}  // namespace tessaly::cli
