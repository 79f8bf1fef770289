#include "cli/analyze.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "analysis/distance_tests.h"
#include "analysis/pca.h"
#include "cli/analyze_deformation.h"
#include "cli/options.h"
#include "cli/picture_notes.h"
#include "core/error.h"
#include "core/group_list.h"
#include "core/numbers.h"
#include "core/random.h"
#include "core/replace_file.h"
#include "core/text.h"
#include "core/tps.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/components.h"
#include "dispatch/controls.h"
#include "dispatch/crossvalidation.h"
#include "dispatch/group_styles.h"
#include "dispatch/input_files.h"
#include "dispatch/mfload.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"

namespace tessaly::cli {

namespace fs = std::filesystem;

namespace {

// A step of the analysis that did not do its work; `step` names it in the report.
struct Failure {
  std::string step;
  std::string message;
};

void checkInputFile(const std::string& path, const std::string& what) {
  std::string text = path;
  if (std::string problem = inputFileCheck(what)(text); !problem.empty()) throw Error(problem);
}

bool hasUnknowns(const AnalyzeOptions& o) {
  return !o.unknowns.empty();
}

bool hasPermutations(const AnalyzeOptions& o) {
  return !o.permutations.empty() && parsePermutations(o.permutations) > 0;
}

// The permutation tests compare groups: a group list of one group is refused before the run.
void checkTwoGroups(const std::string& path) {
  const GroupList list = readGroupList(path);
  const double* codes = list.codes.data();
  if (std::find_if(codes, codes + list.codes.size(), [&](double c) { return c != codes[0]; }) ==
      codes + list.codes.size())
    throw Error(std::string(analysis::kTooFewGroups) + ": the group list \"" + path +
                "\" has one group");
}

bool crossValidates(const AnalyzeOptions& o) {
  return !o.crossValidate.empty();
}

// The answers of the cross-validation dialog for the options.
std::vector<std::string> validationAnswers(const AnalyzeOptions& o) {
  return {o.crossValidate, o.cvRefit.empty() ? "all" : o.cvRefit,
          o.priors.empty() ? "equal" : o.priors};
}

// Names the codes of a group list of codes from a file of lines "code name".
void nameGroups(const std::string& path) {
  auto& state = dispatch::analysisState();
  if (!state.GNAMES.empty())
    throw Failure{"--group-names",
                  "the group list names its groups itself; --group-names is for a list of codes"};
  try {
    state.GNAMES = readGroupNames(path);
  } catch (const Error& e) {
    throw Failure{"--group-names", e.what()};
  }
}

// The answers of a loading action for the file: its path, then the reading options when the
// file is one that asks for them.
std::vector<std::string> loadAnswers(const std::string& path, const LandmarkOptions& reading) {
  std::vector<std::string> answers = {path};
  if (hasReadingOptions(path))
    for (std::string& a : readingAnswers(reading)) answers.push_back(std::move(a));
  return answers;
}

// The principal components: their tables, the specimens on the first two, and the share of
// the variance of each.
template <class Act, class Print, class Path>
void writeComponents(Act& act, Print& print, Path& outPath, const std::string& dataName) {
  act("SavePCs", {outPath("pca-scores.csv"), outPath("pca.csv"), outPath("pca-loadings.csv")});
  act("ShowPCScores", {"1", "2"});
  {
    PictureNotes notes("Principal components of shape of " + dataName,
                       dispatch::componentAxisTitle(0), dispatch::componentAxisTitle(1),
                       !dispatch::useCodeTable());
    print("pca.png");
    print("pca.svg");
  }
  act("ShowPCVariance", {});
  print("pca-variance.png");
  print("pca-variance.svg");
}

}  // namespace

std::vector<std::string> readingAnswers(const LandmarkOptions& o) {
  const char* curves[] = {"skip", "slide", "fixed"};
  return {o.skipIncomplete ? "skip" : "refuse", o.estimateMissing ? "estimate" : "refuse",
          o.negativeMissing ? "1" : "0", curves[static_cast<int>(o.curves)]};
}

void addReadingOptions(CLI::App& command, LandmarkOptions& o) {
  using Curves = LandmarkOptions::Curves;
  static const std::map<std::string, bool> incomplete = {{"refuse", false}, {"skip", true}};
  static const std::map<std::string, bool> missing = {{"refuse", false}, {"estimate", true}};
  static const std::map<std::string, Curves> curves = {
      {"skip", Curves::Skip}, {"slide", Curves::Slide}, {"fixed", Curves::Fixed}};
  command
      .add_option("--incomplete", o.skipIncomplete,
                  "specimens of another landmark count: refuse (default) or skip")
      ->transform(CLI::CheckedTransformer(incomplete));
  command
      .add_option("--missing", o.estimateMissing,
                  "missing landmarks (NA, nan): refuse (default) or estimate")
      ->transform(CLI::CheckedTransformer(missing));
  command.add_flag("--negative-missing", o.negativeMissing,
                   "negative coordinates mark missing landmarks");
  command
      .add_option("--curves", o.curves,
                  "curve points (CURVES=): skip (default), slide (semilandmarks) or fixed")
      ->transform(CLI::CheckedTransformer(curves));
}

std::pair<std::string, std::string> parseJackknife(const std::string& text) {
  const std::string usage =
      "--jackknife takes N,FRACTION: the number of trials (a whole number, 1 or more) and the "
      "fraction of specimens left out in each (above 0 and below 1), for example 100,0.1";
  const auto comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) {
    throw Error(usage);
  }
  const std::string n = std::string(trimBlanks(std::string_view(text).substr(0, comma)));
  const std::string f = std::string(trimBlanks(std::string_view(text).substr(comma + 1)));
  double trials = 0, fraction = 0;
  if (!parseNumber(n, trials) || !(trials >= 1) || trials > 1e9 || trials != std::floor(trials)) {
    throw Error(usage);
  }
  if (!parseNumber(f, fraction) || !(fraction > 0 && fraction < 1)) throw Error(usage);
  return {n, f};
}

std::uint64_t parsePermutations(const std::string& text) {
  if (trimBlanks(text) == "0") return 0;
  try {
    return analysis::parseRounds(text);
  } catch (const Error&) {
    throw Error(
        "--permutations takes the number of permutation rounds: a whole number from 1 to "
        "10000000 (0 for none), for example 10000");
  }
}

std::vector<OutputFile> analyzeOutputs(const AnalyzeOptions& o) {
  std::vector<OutputFile> files = {
      {"report.txt", "the results text: CVA/MANOVA tests, grouping table, jackknife test"},
      {"cva-scores.txt", "CVA scores, one row per specimen, one column per canonical axis"},
      {"cva-axes.txt", "canonical axes, one row per shape variable, one column per axis"},
      {"eigenvalues.txt", "eigenvalues of the canonical analysis, largest first"},
      {"cva-axes-header.txt", "the canonical axes again, after a header line"},
      {"pw-scores.txt", "partial warp and uniform scores, then the centroid size"},
      {"reference.txt", "the reference configuration x1 y1 ... xk yk cs"},
      {"significance.txt", "the tests of significance of the canonical dimensions"},
      {"dimension-tests.csv", "eigenvalue, percent and test of every canonical dimension"},
      {"membership.txt", "given and assigned group of every specimen"},
      {"assignment.txt", "assignment test with significance levels"},
      {"detailed-assignment.txt", "distance of every specimen to every group mean"},
      {"grouping.txt", "table of given against assigned groups"},
      {"shape-variables.csv", "shape variables and centroid size of every specimen, as a table"},
      {"procrustes-coordinates.csv", "superimposed coordinates of every specimen, as a table"},
      {"classification.csv", "posterior and typicality probabilities of every specimen"},
  };
  if (hasPermutations(o))
    files.push_back({"group-distances.csv", "distances between group means, permutation tests"});
  if (crossValidates(o))
    files.push_back({"cv-scores.csv", "cross-validated canonical scores of every specimen"});
  if (hasUnknowns(o)) {
    files.push_back({"distances.txt", "distances of specimens and unknowns to the group means"});
    files.push_back({"unknowns-membership.txt", "assigned group of every unknown specimen"});
    files.push_back({"unknowns-cva-scores.txt", "CVA scores of the unknown specimens"});
    files.push_back({"unknowns-classification.csv", "posterior and typicality probabilities"});
  }
  files.push_back({"procrustes.png", "the superimposed specimens"});
  files.push_back({"procrustes.svg", "the superimposed specimens"});
  files.push_back({"cva.png", "the specimens on the first two canonical axes"});
  files.push_back({"cva.svg", "the specimens on the first two canonical axes"});
  files.push_back({"pca-scores.csv", "principal component scores of specimens and unknowns"});
  files.push_back({"pca.csv", "variance of each principal component, percent and cumulative"});
  files.push_back({"pca-loadings.csv", "loadings of the shape variables on the components"});
  files.push_back({"pca.png", "the specimens on the first two principal components"});
  files.push_back({"pca.svg", "the specimens on the first two principal components"});
  files.push_back({"pca-variance.png", "the share of the variance of each component"});
  files.push_back({"pca-variance.svg", "the share of the variance of each component"});
  if (crossValidates(o)) {
    files.push_back({"cva-crossvalidated.png", "the cross-validated canonical scores"});
    files.push_back({"cva-crossvalidated.svg", "the cross-validated canonical scores"});
  }
  return files;
}

void checkAnalyzeOptions(const AnalyzeOptions& o) {
  checkInputFile(o.data, "data file");
  checkInputFile(o.groups, "group list file");
  if (!o.reference.empty()) checkInputFile(o.reference, "reference file");
  if (o.unknowns.empty() != o.unknownCodes.empty()) {
    throw Error("--unknowns and --unknown-codes go together: give both or neither");
  }
  if (hasUnknowns(o)) {
    checkInputFile(o.unknowns, "file of unknown specimens");
    checkInputFile(o.unknownCodes, "file of unknowns' codes");
  }
  if (!o.jackknife.empty()) parseJackknife(o.jackknife);
  if (!o.pcs.empty()) analysis::parseComponentChoice(o.pcs);
  if (hasPermutations(o)) checkTwoGroups(o.groups);
  if (!crossValidates(o) && !(o.cvRefit.empty() && o.priors.empty()))
    throw Error("--cv-refit and --priors go with --cross-validate");
  if (crossValidates(o)) {
    const auto a = validationAnswers(o);
    dispatch::parseScheme(a[0], a[1], a[2]);
  }
  if (!o.groupNames.empty()) {
    checkInputFile(o.groupNames, "group names file");
    readGroupNames(o.groupNames);
  }
  if (o.outDir.empty()) throw Error("--out needs a folder for the results");
}

int runAnalyze(const AnalyzeOptions& o, Session& session, std::ostream& out, std::ostream& err) {
  try {
    checkAnalyzeOptions(o);
  } catch (const Error& e) {
    err << "tessaly-batch analyze: " << e.what() << "\n";
    return 2;
  }

  // Input paths are taken from the folder the command was started in; the actions' file
  // dialogs change the current folder, so every path handed to them is made absolute.
  const fs::path outDir = fs::absolute(o.outDir).lexically_normal();
  auto abs = [](const std::string& p) {
    return p.empty() ? p : fs::absolute(p).lexically_normal().string();
  };
  const std::string data = abs(o.data), groups = abs(o.groups), reference = abs(o.reference),
                    unknowns = abs(o.unknowns), unknownCodes = abs(o.unknownCodes),
                    groupNames = abs(o.groupNames);
  auto outPath = [&](const std::string& name) { return (outDir / name).string(); };

  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec || !fs::is_directory(outDir)) {
    err << "tessaly-batch analyze: cannot make the output folder \"" << outDir.string() << "\""
        << (ec ? ": " + ec.message() : std::string()) << "\n";
    return 2;
  }
  // Several actions append to their files: a new run starts them afresh. Every file of the
  // run goes, so that none is left over from an earlier run with other options.
  std::vector<OutputFile> outputs = analyzeOutputs(o);
  AnalyzeOptions withUnknowns;  // its list names every file a run can write
  withUnknowns.unknowns = "unknowns";
  withUnknowns.permutations = "1";
  withUnknowns.crossValidate = "loo";
  for (const OutputFile& f : analyzeOutputs(withUnknowns)) fs::remove(outDir / f.name, ec);
  for (bool components : {false, true})
    for (const OutputFile& f : deformationOutputs(kDeformationAxes, components))
      fs::remove(outDir / f.name, ec);

  if (o.seed) setRandomSeed(*o.seed);
  session.setEchoResults(false);
  const auto& state = dispatch::analysisState();

  auto act = [&](const std::string& name, const std::vector<std::string>& answers) {
    Step step;
    step.kind = Step::Kind::Action;
    step.name = name;
    step.args = answers;
    std::vector<std::string> unused;
    try {
      unused = session.run(step);  // an action that fails raises its error
    } catch (const std::exception& e) {
      throw Failure{name, e.what()};
    }
    if (!unused.empty()) throw Failure{name, "the action ended before it was complete"};
  };
  auto print = [&](const std::string& name) {
    Step step;
    step.kind = Step::Kind::Print;
    step.args = {outPath(name)};
    try {
      session.run(step);
    } catch (const std::exception& e) {
      throw Failure{"print " + name, e.what()};
    }
  };

  try {
    act("LoadData", loadAnswers(data, o.reading));
    // A reference that does not fit fails its load (the windows fall back on the consensus;
    // here the run stops, as the user asked for this reference).
    if (!o.reference.empty()) act("LoadReference", loadAnswers(reference, o.reading));
    if (o.pcs.empty())
      act("LoadGroupList", {groups});
    else
      act("LoadGroupListPCs", {o.pcs, groups});
    if (!o.groupNames.empty()) nameGroups(groupNames);
    act("AuxBoxsw", {outPath("report.txt")});
    if (hasUnknowns(o)) {
      act("LoadUData", loadAnswers(unknowns, o.reading));
      act("LoadUGroup", {unknownCodes});
    }
    act("ShowGrouping", {});
    act("AuxBoxsw", {outPath("report.txt")});
    if (!o.jackknife.empty()) {
      const auto [trials, fraction] = parseJackknife(o.jackknife);
      act("JackKnife", {trials, fraction});
      act("AuxBoxsw", {outPath("report.txt")});
    }
    if (hasPermutations(o)) {
      act("GroupDistances", {o.permutations, outPath("group-distances.csv")});
      act("AuxBoxsw", {outPath("report.txt")});
    }

    act("SavePCA", {outPath("cva-scores.txt")});
    act("SaveCVAAxes", {outPath("cva-axes.txt")});
    act("SaveEigen", {outPath("eigenvalues.txt")});
    act("SavePCMatrix", {outPath("cva-axes-header.txt")});
    act("SaveWarp", {outPath("pw-scores.txt")});
    act("SaveRef", {outPath("reference.txt")});
    act("WriteSig", {outPath("significance.txt")});
    act("SaveTidyTables", {outPath("shape-variables.csv"), outPath("procrustes-coordinates.csv")});
    act("SaveDimensionTests", {outPath("dimension-tests.csv")});

    act("SaveGroupListCVA", {outPath("membership.txt")});
    if (hasUnknowns(o)) {
      act("RunAssignmentTest", {"Yes", outPath("distances.txt"), outPath("assignment.txt")});
    } else {
      act("RunAssignmentTest", {outPath("assignment.txt")});
    }
    act("RunDetailedAssignment", {outPath("detailed-assignment.txt")});
    act("WriteGrouping", {outPath("grouping.txt")});
    if (hasUnknowns(o)) {
      act("SaveGroupListUNCVA", {outPath("unknowns-membership.txt")});
      act("SaveUnknownCVAScores", {outPath("unknowns-cva-scores.txt")});
    }
    // After every other step, so that dealing the folds draws no number the others use.
    if (crossValidates(o)) {
      act("CrossValidate", validationAnswers(o));
      act("AuxBoxsw", {outPath("report.txt")});
      act("SaveCVScores", {outPath("cv-scores.csv")});
    }
    act("SaveClassification", {outPath("classification.csv")});
    if (hasUnknowns(o)) act("SaveUnknownsClassification", {outPath("unknowns-classification.csv")});

    const std::string dataName = fs::path(o.data).filename().string();
    act("ShowProcrustes", {});
    {
      PictureNotes notes("Procrustes superimposition of " + dataName, "x", "y", true);
      print("procrustes.png");
      print("procrustes.svg");
    }
    if (o.ellipses) act("ConfidenceEllipses", {});
    act("ShowPCAAxis", {});
    {
      const int xAxis = static_cast<int>(dispatch::getNumber("XBox"));
      const int yAxis = static_cast<int>(dispatch::getNumber("YBox"));
      PictureNotes notes("Canonical variates of " + dataName, cvAxisTitle(xAxis, state.Dmatrix),
                         cvAxisTitle(yAxis, state.Dmatrix), !dispatch::useCodeTable());
      print("cva.png");
      print("cva.svg");
    }
    if (crossValidates(o)) {
      act("ShowCVScores", {});
      PictureNotes notes("Cross-validated canonical variates of " + dataName,
                         "Cross-validated CV 1", "Cross-validated CV 2", !dispatch::useCodeTable());
      print("cva-crossvalidated.png");
      print("cva-crossvalidated.svg");
    }
    try {
      for (OutputFile& f : writeDeformationPictures(session, outDir.string()))
        outputs.push_back(std::move(f));
    } catch (const std::exception& e) {
      throw Failure{"ShowPCADeformation", e.what()};
    }
    writeComponents(act, print, outPath, dataName);
    try {
      for (OutputFile& f : writeComponentDeformationPictures(session, outDir.string()))
        outputs.push_back(std::move(f));
    } catch (const std::exception& e) {
      throw Failure{"ShowPCDeformation", e.what()};
    }
  } catch (const Failure& f) {
    err << "tessaly-batch analyze: " << f.step << ": " << f.message << "\n";
    return 1;
  }

  std::ifstream report(outPath("report.txt"));
  std::ostringstream text;
  text << report.rdbuf();
  out << "\n" << text.str();
  if (!text.str().empty() && text.str().back() != '\n') out << "\n";
  out << "\nFiles written to " << outDir.string() << ":\n";
  for (const OutputFile& f : outputs) {
    if (!fs::exists(outDir / f.name)) {
      err << "tessaly-batch analyze: " << f.name << " was not written\n";
      return 1;
    }
    out << "  " << f.name << std::string(f.name.size() < 26 ? 26 - f.name.size() : 1, ' ') << f.what
        << "\n";
  }
  return 0;
}

std::string idsFileName(const std::string& out) {
  const fs::path path(out);
  return (path.parent_path() / (path.stem().string() + "-ids" + path.extension().string()))
      .string();
}

int runConvert(const std::string& in, const std::string& out, std::ostream& err,
               const LandmarkOptions& options) {
  try {
    checkInputFile(in, "TPS file");
    if (!hasReadingOptions(in)) {
      readLandmarkFile(in);  // a file that is no landmark data is refused as such
      throw Error("\"" + in + "\" is not a TPS or NTS file: it is read as numeric rows already");
    }
    const TpsData data = dispatch::readLandmarks(in, options);
    for (const std::string& w : data.warnings)
      err << "tessaly-batch convert: warning: " << w << "\n";
    std::string ids;
    for (size_t i = 0; i < data.labels.size(); ++i) {
      ids += data.labels[i].empty() ? std::to_string(i + 1) : data.labels[i];
      if (!data.images.empty()) ids += "\t" + data.images[i];
      ids += "\n";
    }
    saveFile(out, numericText(data.rows));
    saveFile(idsFileName(out), ids);
  } catch (const Error& e) {
    err << "tessaly-batch convert: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tessaly::cli
