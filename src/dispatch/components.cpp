// The principal components of shape: the specimens (and the unknowns, projected) on any two
// components, the share of the variance of each component, and the tables of scores,
// variances and loadings. The shape change along a component is in deformation.cpp.
#include "dispatch/components.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/pca.h"
#include "core/csv.h"
#include "core/error.h"
#include "core/format.h"
#include "core/numbers.h"
#include "dispatch/actions.h"
#include "dispatch/group_styles.h"
#include "dispatch/input_files.h"
#include "dispatch/output_file.h"
#include "dispatch/state.h"
#include "dispatch/tidy_export.h"
#include "graphics/styling.h"
#include "platform/axis.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"

namespace tessaly::dispatch {

namespace {

std::string componentName(Eigen::Index j) {
  return "PC" + std::to_string(j + 1);
}

bool unknownsScored() {
  const auto& s = analysisState();
  return isTrue(s.UNKNOWNACTIVE) && s.UPWSCORES.rows() > 0 && s.UGLIST.size() >= s.UPWSCORES.rows();
}

}  // namespace

const analysis::Pca& shapeComponents() {
  auto& s = analysisState();
  requireCurrentResults();
  if (!s.hasPca)
    throw Error("There are no principal components yet: load a group list to run the CVA first");
  // A CVA on the shape variables leaves the components to be formed when first shown.
  const auto shapes = s.pwscores.leftCols(s.pwscores.cols() - 1);
  if (s.pca.loadings.size() == 0) s.pca = analysis::principalComponents(shapes, false);
  if (s.pca.scores.rows() != s.pwscores.rows())
    s.pca.scores = analysis::componentScores(s.pca, shapes);
  return s.pca;
}

Eigen::Index componentNumber(const std::string& text) {
  const Eigen::Index count = shapeComponents().eigenvalues.size();
  double t = 0;
  if (!parseNumber(text, t) || !(t >= 1 && t <= static_cast<double>(count) && t == std::floor(t)))
    throw Error(formatText("There is no principal component %s: the analysis has %d components",
                           {text, static_cast<double>(count)}));
  return static_cast<Eigen::Index>(t) - 1;
}

Matrix unknownComponentScores() {
  const auto& s = analysisState();
  if (!unknownsScored()) return Matrix(0, shapeComponents().loadings.cols());
  const Eigen::Index p = shapeComponents().loadings.rows();
  return analysis::projectOnComponents(shapeComponents(), s.UPWSCORES.leftCols(p));
}

analysis::FitOptions fitOptionsOfState() {
  analysis::FitOptions options;
  options.components = analysis::parseComponentChoice(analysisState().componentChoice);
  return options;
}

std::string componentsUsedLine(bool refitted) {
  const auto& s = analysisState();
  if (s.components == 0) return {};
  const bool automatic = s.componentChoice == "auto";
  std::string line =
      formatText("\n \nShape variables: the first %d principal components (%s)",
                 {static_cast<double>(s.components), std::string(automatic ? "auto" : "--pcs")});
  if (refitted) line += ", computed afresh in each fold";
  if (refitted && automatic) line += ", as many as hold 95% of its variance";
  return line;
}

std::string componentAxisTitle(Eigen::Index j) {
  return formatText("PC %d (%.1f%% of the variance)",
                    {static_cast<double>(j + 1), shapeComponents().percent(j)});
}

std::string componentScoresTable() {
  const analysis::Pca& pca = shapeComponents();
  std::vector<std::string> columns;
  for (Eigen::Index j = 0; j < pca.scores.cols(); ++j) columns.push_back(componentName(j));
  return specimenTable(columns, pca.scores, unknownComponentScores());
}

std::string componentVarianceTable() {
  const analysis::Pca& pca = shapeComponents();
  CsvTable table({"component", "eigenvalue", "percent", "cumulative_percent"});
  for (Eigen::Index j = 0; j < pca.eigenvalues.size(); ++j) {
    table.text(componentName(j)).number(pca.eigenvalues(j)).number(pca.percent(j));
    table.number(pca.cumulative(j)).endRow();
  }
  return table.str();
}

std::string componentLoadingsTable() {
  const analysis::Pca& pca = shapeComponents();
  std::vector<std::string> columns = {"variable"};
  for (Eigen::Index j = 0; j < pca.loadings.cols(); ++j) columns.push_back(componentName(j));
  CsvTable table(columns);
  const std::vector<std::string> names = variableNames(pca.loadings.rows());
  for (Eigen::Index i = 0; i < pca.loadings.rows(); ++i) {
    table.text(names[static_cast<std::size_t>(i)]);
    for (Eigen::Index j = 0; j < pca.loadings.cols(); ++j) table.number(pca.loadings(i, j));
    table.endRow();
  }
  return table.str();
}

void ShowPCScores() {
  shapeComponents();
  auto answers = platform::dialogs().input({"Component across", "Component up"},
                                           "Principal Component Scores", {"1", "2"});
  if (!answers) return;
  answers->resize(2);
  const Eigen::Index xp = componentNumber((*answers)[0]), yp = componentNumber((*answers)[1]);
  const auto& s = analysisState();
  const Matrix& scores = s.pca.scores;
  checkGroupCodes(s.GLIST.topRows(std::min(s.GLIST.rows(), scores.rows())), "group codes");
  const Matrix unknowns = unknownComponentScores();
  plotlib::cla();
  platform::hold("on");
  for (Eigen::Index i = 0; i < scores.rows(); ++i)
    plotGroupPoint(scores(i, xp), scores(i, yp), s.GLIST(i));
  for (Eigen::Index i = 0; i < unknowns.rows(); ++i)
    plotGroupPoint(unknowns(i, xp), unknowns(i, yp), s.UGLIST(i));
  if (!useCodeTable()) graphics::setsymbolfill(platform::gca(), 1);
}

void ShowPCVariance() {
  const analysis::Pca& pca = shapeComponents();
  const Eigen::Index q = pca.percent.size();
  auto& model = platform::model();
  plotlib::cla();
  platform::axis("normal");
  platform::hold("on");
  const platform::Handle axes = platform::gca();
  for (Eigen::Index j = 0; j < q; ++j) {
    const double x = static_cast<double>(j + 1), h = pca.percent(j);
    model.create("patch", axes,
                 {{"XData", Matrix(RowVector{{x - 0.4, x + 0.4, x + 0.4, x - 0.4}}.transpose())},
                  {"YData", Matrix(RowVector{{0, 0, h, h}}.transpose())},
                  {"FaceColor", RowVector{{0.55, 0.65, 0.85}}},
                  {"EdgeColor", RowVector{{0, 0, 0}}}});
  }
  const RowVector x = RowVector::LinSpaced(q, 1, static_cast<double>(q));
  platform::plot(x, pca.cumulative.transpose(), "r-o", {{"MarkerSize", 4.0}});
  platform::axis(RowVector{{0.4, static_cast<double>(q) + 0.6, 0, 105}});
  plotlib::title("Share of the shape variance of each principal component");
  plotlib::xlabel("Principal component");
  plotlib::ylabel("Percent of the variance (bars), cumulative (line)");
}

void SavePCs() {
  shapeComponents();
  const std::pair<const char*, std::string (*)()> files[] = {
      {"File Name for Principal Component Scores (CSV)", componentScoresTable},
      {"File Name for Principal Component Variances (CSV)", componentVarianceTable},
      {"File Name for Principal Component Loadings (CSV)", componentLoadingsTable},
  };
  for (const auto& [title, table] : files)
    if (writeOutputFile(title, FileMode::Replace, table) != OutputOutcome::Written) return;
}

}  // namespace tessaly::dispatch
