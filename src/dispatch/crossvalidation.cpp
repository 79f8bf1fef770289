// "CrossValidate" and the files of the classification by posterior probabilities: every
// specimen classified by the classifier of all specimens (resubstitution) and by one fitted
// without its fold, with posterior and typicality probabilities; the report section, the tidy
// files, and the plot of the cross-validated canonical scores.
#include "dispatch/crossvalidation.h"

#include <cmath>
#include <optional>

#include "analysis/fit.h"
#include "analysis/resampling.h"
#include "core/csv.h"
#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "core/groups.h"
#include "core/random.h"
#include "dispatch/actions.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/classification.h"
#include "dispatch/components.h"
#include "dispatch/controls.h"
#include "dispatch/group_styles.h"
#include "dispatch/input_files.h"
#include "dispatch/output_file.h"
#include "dispatch/progress_dialog.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"
#include "graphics/styling.h"
#include "platform/platform.h"
#include "platform/plot.h"
#include "platform/verbs.h"
#include "plotlib/plotting.h"

namespace tessaly::dispatch {

namespace {

using analysis::Classification;
using Index = Eigen::Index;

const char* const kNoCva = "There are no CVA results yet: load a group list first";

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string whole(double x) {
  return formatText("%i", {x});
}

std::string percent(double part, double total) {
  return total > 0 ? formatText("%5.1f", {100 * part / total}) : std::string("    -");
}

// The counts of the table as a block of lines, one per given group.
std::vector<std::string> tableLines(const SpecimenGroups& g, const Matrix& table) {
  std::vector<std::string> lines{"     "};
  for (double code : g.codes) lines[0] += formatText("%5i", {code});
  for (Index a = 0; a < table.rows(); ++a) {
    std::string line = formatText("%5i", {g.codes[a]});
    for (Index b = 0; b < table.cols(); ++b) line += formatText("%5i", {table(a, b)});
    lines.push_back(line);
  }
  return lines;
}

std::string howMade(const ValidationScheme& s, bool loadedReference) {
  std::string text =
      s.folds == 0 ? "Leave-one-out: each specimen classified by a classifier fitted without it"
                   : std::to_string(s.folds) +
                         " folds: each group's specimens dealt at random to the folds (seed " +
                         std::to_string(s.seed) +
                         "), each fold classified by a classifier fitted "
                         "without it";
  text += s.refit == analysis::Refit::All
              ? std::string(
                    "\nRefit all: the consensus, the superimposition, the partial warps "
                    "and uniform directions and the discriminant functions computed "
                    "afresh without the held-out specimens") +
                    (loadedReference ? " (the loaded reference kept)" : "")
              : "\nRefit cva: the shape variables of the full analysis kept, the group means "
                "and the pooled within-group covariance refitted without the held-out "
                "specimens";
  text += s.priors == analysis::Priors::Equal ? "\nPriors: equal"
                                              : "\nPriors: proportional to the group sizes";
  return text;
}

}  // namespace

ValidationScheme parseScheme(const std::string& folds, const std::string& refit,
                             const std::string& priors) {
  ValidationScheme s;
  const std::string f = lowered(folds), r = lowered(refit), p = lowered(priors);
  if (f != "loo") {
    std::vector<double> numbers;
    std::string bad;
    if (!parseNumberLine(f, numbers, bad) || numbers.size() != 1 ||
        !(numbers[0] >= 2 && numbers[0] <= 1e6) || numbers[0] != std::floor(numbers[0]))
      throw Error("The folds must be loo (leave-one-out) or a whole number of 2 or more, not \"" +
                  folds + "\"");
    s.folds = static_cast<int>(numbers[0]);
  }
  if (r != "all" && r != "cva")
    throw Error(
        "The refit must be all (the whole analysis) or cva (the discriminant functions "
        "only), not \"" +
        refit + "\"");
  s.refit = r == "all" ? analysis::Refit::All : analysis::Refit::Cva;
  if (p != "equal" && p != "proportional")
    throw Error("The priors must be equal or proportional, not \"" + priors + "\"");
  s.priors = p == "equal" ? analysis::Priors::Equal : analysis::Priors::Proportional;
  return s;
}

SpecimenGroups specimenGroups(const Matrix& glist) {
  const GroupNumbering numbering = numberGroups(glist);
  SpecimenGroups g;
  for (int a : numbering.ordinal) g.group.push_back(a - 1);
  g.codes = numbering.codes;
  for (double code : g.codes) {
    const std::string name = groupNameOf(code);
    g.labels.push_back(name.empty() ? whole(code) : name);
  }
  return g;
}

std::string validationReport(const SpecimenGroups& g, const ValidationScheme& scheme,
                             const Classification& resubstitution,
                             const analysis::CrossValidation& cv) {
  const int G = static_cast<int>(g.codes.size());
  const Matrix resub = analysis::confusionTable(g.group, resubstitution.assigned, G);
  const Matrix held = analysis::confusionTable(g.group, cv.held.assigned, G);
  const auto& s = analysisState();
  std::string text =
      "Cross-Validated Classification\n \n" + howMade(scheme, isTrue(s.referencetype));
  text += "\n \nOriginal groups along rows, assigned groups along columns\n";
  const std::vector<std::string> left = tableLines(g, resub), right = tableLines(g, held);
  const std::size_t width = left[0].size();
  text += "Resubstitution" + std::string(width - 14, ' ') + "   | Cross-validation\n";
  for (std::size_t i = 0; i < left.size(); ++i) text += left[i] + "   |" + right[i] + "\n";
  text += "\nPercent correct  Resubstitution  Cross-validation";
  for (int a = 0; a < G; ++a) {
    const double n = resub.row(a).sum();
    text += "\n" + formatText("%5i", {g.codes[a]}) + "           " + percent(resub(a, a), n) +
            "           " + percent(held(a, a), n);
  }
  const double N = resub.sum();
  text += "\nOverall               " + percent(resub.trace(), N) + "           " +
          percent(held.trace(), N);
  text += "\nCohen's kappa         " + formatText("%6.3f", {analysis::cohenKappa(resub)}) +
          "          " + formatText("%6.3f", {analysis::cohenKappa(held)});
  for (const std::string& w : cv.warnings) text += "\nWarning: " + w;
  if (cv.typicalityUndefined || !resubstitution.typicality.allFinite())
    text +=
        "\nSome typicality probabilities are not defined and are left empty: a fit with n "
        "specimens of G groups and p shape variables gives them only when n - G - p + 1 is "
        "1 or more";
  Matrix codes(1, G);
  for (int a = 0; a < G; ++a) codes(a) = g.codes[a];
  return text + groupKey(codes);
}

namespace {

// The shape variables of the specimens as the MANOVA of the CVA run analysed them.
Matrix fullVariables() {
  const auto& s = analysisState();
  const Eigen::Index n = s.variables().rows();
  if (!s.hasVstats || n == 0 || s.CVAScores.rows() != n || s.GLIST.size() != n) throw Error(kNoCva);
  return s.variables();
}

// Resubstitution of the specimens, with the priors of the last validation (else equal).
Classification resubstitution() {
  const auto& s = analysisState();
  if (s.CROSSVAL.valid) return s.CROSSVAL.resubstitution;
  const SpecimenGroups g = specimenGroups(s.GLIST);
  return analysis::resubstitute(fullVariables(), g.group, static_cast<int>(g.codes.size()),
                                analysis::Priors::Equal);
}

analysis::Priors currentPriors() {
  const auto& s = analysisState();
  return s.CROSSVAL.valid ? s.CROSSVAL.scheme.priors : analysis::Priors::Equal;
}

// The first columns of specimen i's row: specimen, label, image.
CsvTable& specimenCells(CsvTable& t, Index i) {
  const auto& s = analysisState();
  return t.number(static_cast<double>(i + 1)).text(entryOf(s.LABELS, i)).text(entryOf(s.IMAGES, i));
}

void addColumns(std::vector<std::string>& columns, const std::string& prefix,
                const SpecimenGroups& g) {
  for (const std::string& label : g.labels) columns.push_back(prefix + label);
}

// assigned, posterior_<G>..., typicality_<G>... of row i.
void addClassification(CsvTable& t, const Classification& c, Index i, const SpecimenGroups& g) {
  t.text(g.labels[c.assigned[i]]);
  for (Index a = 0; a < c.posterior.cols(); ++a) t.number(c.posterior(i, a));
  for (Index a = 0; a < c.typicality.cols(); ++a) {
    if (std::isnan(c.typicality(i, a)))
      t.text("");
    else
      t.number(c.typicality(i, a));
  }
}

std::vector<std::string> classificationColumns(const SpecimenGroups& g, bool crossValidated) {
  std::vector<std::string> columns{"specimen", "label", "image", "group", "assigned"};
  addColumns(columns, "posterior_", g);
  addColumns(columns, "typicality_", g);
  if (crossValidated) {
    columns.push_back("cv_assigned");
    addColumns(columns, "cv_posterior_", g);
    addColumns(columns, "cv_typicality_", g);
  }
  return columns;
}

// Writes a table through the save dialog, replacing the file.
void saveTable(const std::string& title, const std::function<std::string()>& table) {
  writeOutputFile(title, FileMode::Replace, table);
}

analysis::FoldFitter refitOfState() {
  const auto& s = analysisState();
  std::optional<Matrix> reference;
  if (isTrue(s.referencetype)) reference = s.reference;
  return analysis::wholeAnalysisRefit(s.DATA, s.GLIST, reference, s.reference, fitOptionsOfState());
}

const char* const kValidationTitle = "Cross-Validated Classification";

}  // namespace

// The run is all or nothing: the validation is computed first, and the record and the results
// window change only once all of it has succeeded; a cancelled or failed run leaves both as
// they were.
void CrossValidate() {
  auto answers = platform::dialogs().input(
      {"Folds: loo (leave-one-out) or a number K of 2 or more",
       "Refit: all (the whole analysis) or cva (the discriminant functions only)",
       "Priors: equal or proportional"},
      kValidationTitle, {"loo", "all", "equal"});
  if (!answers) return;
  answers->resize(3);
  ValidationScheme scheme = parseScheme((*answers)[0], (*answers)[1], (*answers)[2]);
  const auto& s = analysisState();
  const SpecimenGroups g = specimenGroups(s.GLIST);
  analysis::CrossValidationSetup setup;
  setup.variables = fullVariables();
  setup.scores = s.CVAScores;
  setup.group = g.group;
  setup.groupLabels = g.labels;
  setup.folds = scheme.folds;
  setup.refit = scheme.refit;
  setup.priors = scheme.priors;
  analysis::checkScheme(setup);
  // Only dealing to folds draws: leave-one-out leaves the random numbers as they were. They
  // move on only when the run is complete, so a stopped or failed run leaves them as they were.
  RandomEngine next = randomEngine();
  if (scheme.folds > 0) scheme.seed = next();
  setup.seed = scheme.seed;
  if (scheme.refit == analysis::Refit::All) setup.refitAll = refitOfState();

  CrossValidationRecord record;
  try {
    BusyPointer busy;
    ProgressDialog progress(kValidationTitle);
    setup.progress = progress.hook();
    record.resubstitution = analysis::resubstitute(setup.variables, g.group,
                                                   static_cast<int>(g.codes.size()), scheme.priors);
    record.cv = analysis::crossValidate(setup);
  } catch (const analysis::Cancelled&) {
    platform::dialogs().message("The cross-validation was stopped: nothing has changed",
                                kValidationTitle);
    return;
  }
  randomEngine() = next;
  record.scheme = scheme;
  record.valid = true;
  const std::string report = validationReport(g, scheme, record.resubstitution, record.cv) +
                             componentsUsedLine(scheme.refit == analysis::Refit::All);
  analysisState().CROSSVAL = std::move(record);
  setResults(platform::Value(report));
}

void SaveClassification() {
  const auto& s = analysisState();
  const SpecimenGroups g = specimenGroups(s.GLIST);
  const Classification resub = resubstitution();
  const bool cv = s.CROSSVAL.valid;
  saveTable("File Name for Classification Table", [&] {
    CsvTable t(classificationColumns(g, cv));
    for (Index i = 0; i < resub.posterior.rows(); ++i) {
      specimenCells(t, i).text(g.labels[g.group[i]]);
      addClassification(t, resub, i, g);
      if (cv) addClassification(t, s.CROSSVAL.cv.held, i, g);
      t.endRow();
    }
    return t.str();
  });
}

void SaveCVScores() {
  const auto& s = analysisState();
  if (!s.CROSSVAL.valid)
    throw Error("There are no cross-validated scores yet: run the cross-validation first");
  const SpecimenGroups g = specimenGroups(s.GLIST);
  const Matrix& scores = s.CROSSVAL.cv.scores;
  saveTable("File Name for Cross-Validated CVA Scores", [&] {
    std::vector<std::string> columns{"specimen", "label", "image", "group"};
    for (Index j = 0; j < scores.cols(); ++j) columns.push_back("CV" + std::to_string(j + 1));
    CsvTable t(columns);
    for (Index i = 0; i < scores.rows(); ++i) {
      specimenCells(t, i).text(g.labels[g.group[i]]);
      for (Index j = 0; j < scores.cols(); ++j) t.number(scores(i, j));
      t.endRow();
    }
    return t.str();
  });
}

void SaveUnknownsClassification() {
  const auto& s = analysisState();
  const Matrix variables = fullVariables();
  if (!isTrue(s.UNKNOWNACTIVE) || s.UVARIABLES.cols() != variables.cols())
    throw Error("There are no scored unknown specimens: load the unknowns and their codes first");
  const SpecimenGroups g = specimenGroups(s.GLIST);
  const int G = static_cast<int>(g.codes.size());
  const analysis::Classifier c = analysis::fitClassifier(variables, g.group, G);
  std::vector<double> counts(G, 0.0);
  for (int a : g.group) counts[a] += 1;
  const Classification u = analysis::assess(analysis::squaredDistances(c, s.UVARIABLES), c.size,
                                            analysis::priorWeights(currentPriors(), counts));
  saveTable("File Name for Unknowns Classification Table", [&] {
    CsvTable t(classificationColumns(g, false));
    for (Index i = 0; i < s.UVARIABLES.rows(); ++i) {
      const double code = i < s.UGLIST.size() ? s.UGLIST(i) : 0;
      const std::string name = unknownNameOf(code);
      t.number(static_cast<double>(i + 1))
          .text(entryOf(s.ULABELS, i))
          .text(entryOf(s.UIMAGES, i))
          .text(name.empty() ? whole(code) : name);
      addClassification(t, u, i, g);
      t.endRow();
    }
    return t.str();
  });
}

// The cross-validated scores on the first two axes, one symbol per group, as the CVA scores
// are shown.
void ShowCVScores() {
  const auto& s = analysisState();
  if (!s.CROSSVAL.valid)
    throw Error("There are no cross-validated scores yet: run the cross-validation first");
  const Matrix& scores = s.CROSSVAL.cv.scores;
  if (scores.cols() < 2 || scores.rows() != s.GLIST.size())
    throw Error("The cross-validated scores have fewer than two axes to show");
  plotlib::cla();
  plotGroupPoint(scores(0, 0), scores(0, 1), s.GLIST(0));
  platform::hold("on");
  for (Index i = 1; i < scores.rows(); ++i) plotGroupPoint(scores(i, 0), scores(i, 1), s.GLIST(i));
  if (!useCodeTable()) graphics::setsymbolfill(platform::gca(), 1);
}

}  // namespace tessaly::dispatch
