// tessaly-batch: runs the program without windows.
//   tessaly-batch SCRIPT                       a session script, one step a line
//   tessaly-batch analyze DATA GROUPS --out DIR [options]   the usual analysis in one go
//   tessaly-batch convert IN.tps OUT.txt       a TPS file in the numeric layout
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "analysis/resampling.h"
#include "cli/analyze.h"
#include "cli/options.h"
#include "cli/script.h"
#include "cli/session.h"
#include "core/allocation.h"

namespace {

// The window description files: beside the program (the build tree), or in the share folder
// of an installed program.
std::string resourceFolder() {
  const std::filesystem::path here(tessaly::cli::programFolder());
  const std::filesystem::path shared = here / ".." / "share" / "tessaly";
  std::error_code ec;
  if (!std::filesystem::exists(here / "Tessaly6l.fig", ec) &&
      std::filesystem::exists(shared / "Tessaly6l.fig", ec))
    return shared.lexically_normal().string();
  return here.string();
}

int startUp(tessaly::cli::Session& session) {
  try {
    session.startUp(resourceFolder());
  } catch (const std::exception& e) {
    std::cerr << "tessaly-batch: the program could not start: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

int runScriptFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << "tessaly-batch: cannot open the script \"" << path << "\"\n";
    return 2;
  }
  std::vector<tessaly::cli::Step> steps;
  try {
    steps = tessaly::cli::parseScript(in);
  } catch (const tessaly::cli::ScriptError& e) {
    std::cerr << path << ":" << e.line() << ": " << e.what() << "\n";
    return 1;
  }
  tessaly::cli::Session session(std::cout, std::cerr);
  // A script names its files from its own folder, wherever it is run from.
  session.setBaseFolder(std::filesystem::absolute(path).parent_path().string());
  if (int status = startUp(session)) return status;
  return session.runScript(steps, path);
}

}  // namespace

int main(int argc, char** argv) {
  tessaly::tuneAllocation(argv);
  CLI::App app{
      "Tessaly batch runner: canonical variates analysis of 2-D landmark data without windows.\n"
      "Give a session script (one step a line), or use analyze to run the usual analysis."};
  std::string script;
  app.add_option("script", script, "session script to run");

  tessaly::cli::AnalyzeOptions options;
  std::uint64_t seed = 0;
  CLI::App* analyze = app.add_subcommand(
      "analyze", "load data and groups, run the CVA, and write every result into a folder");
  analyze->add_option("data", options.data, "landmark data file")
      ->required()
      ->check(tessaly::cli::inputFileCheck("data file"));
  analyze->add_option("groups", options.groups, "group list file")
      ->required()
      ->check(tessaly::cli::inputFileCheck("group list file"));
  analyze->add_option("--out", options.outDir, "folder for the results")->required();
  analyze->add_option("--reference", options.reference, "reference configuration file")
      ->check(tessaly::cli::inputFileCheck("reference file"));
  CLI::Option* unknowns =
      analyze->add_option("--unknowns", options.unknowns, "file of unknown specimens")
          ->check(tessaly::cli::inputFileCheck("file of unknown specimens"));
  CLI::Option* codes =
      analyze->add_option("--unknown-codes", options.unknownCodes, "codes of the unknowns")
          ->check(tessaly::cli::inputFileCheck("file of unknowns' codes"));
  unknowns->needs(codes);
  codes->needs(unknowns);
  analyze
      ->add_option("--jackknife", options.jackknife,
                   "jackknife test: trials and fraction left out, e.g. 100,0.1")
      ->check(tessaly::cli::jackknifeCheck());
  analyze
      ->add_option("--group-names", options.groupNames,
                   "names of the group codes: lines of a code and its name")
      ->check(tessaly::cli::inputFileCheck("file of group names"));
  analyze
      ->add_option("--pcs", options.pcs,
                   "run the CVA on the first m principal components of shape, or on as many as "
                   "hold 95% of the variance (auto)")
      ->check(tessaly::cli::componentsCheck());
  analyze
      ->add_option("--permutations", options.permutations,
                   "permutation tests of the group distances: the number of rounds, e.g. 10000")
      ->check(tessaly::cli::permutationsCheck());
  analyze->add_option("--cross-validate", options.crossValidate,
                      "cross-validated classification: loo, or a number of folds");
  analyze->add_option("--cv-refit", options.cvRefit,
                      "what each fold refits: all (the whole analysis) or cva");
  analyze->add_option("--priors", options.priors,
                      "prior probabilities of the groups: equal or proportional");
  CLI::Option* seedOption = analyze->add_option("--seed", seed, "seed of the random numbers");
  analyze
      ->add_option("--threads", options.threads,
                   "threads for resampling (default: all cores, or TESSALY_THREADS)")
      ->check(tessaly::cli::threadsCheck());
  analyze->add_flag("--ellipses", options.ellipses,
                    "draw the 95% confidence ellipses of the groups and their means in cva.png");
  analyze->add_flag("--verbose", options.verbose,
                    "show the diagnostic lines of the numeric routines (on standard error)");
  tessaly::cli::addReadingOptions(*analyze, options.reading);

  std::string convertIn, convertOut;
  CLI::App* convert = app.add_subcommand(
      "convert",
      "write the landmarks of a TPS or NTS file in the numeric layout, with its IDs beside");
  convert->add_option("in", convertIn, "TPS or NTS landmark file")->required();
  tessaly::LandmarkOptions convertReading;
  tessaly::cli::addReadingOptions(*convert, convertReading);
  convert->add_option("out", convertOut, "numeric landmark file to write (IDs go to OUT-ids)")
      ->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    // A file or value refused by its check ends with status 2, as every refused input does.
    return e.get_exit_code() == static_cast<int>(CLI::ExitCodes::ValidationError) ? 2 : status;
  }

  // The thread count: --threads, else TESSALY_THREADS, else all cores.
  try {
    if (options.threads.empty())
      tessaly::analysis::applyThreadsVariable();
    else
      tessaly::analysis::setThreads(
          tessaly::analysis::parseThreads(options.threads, tessaly::cli::kThreadsOption));
  } catch (const std::exception& e) {
    std::cerr << "tessaly-batch: " << e.what() << "\n";
    return 2;
  }

  if (convert->parsed())
    return tessaly::cli::runConvert(convertIn, convertOut, std::cerr, convertReading);

  if (analyze->parsed()) {
    if (!script.empty()) {
      std::cerr << "tessaly-batch: give either a script or analyze, not both\n";
      return 2;
    }
    if (seedOption->count()) options.seed = seed;
    try {
      tessaly::cli::checkAnalyzeOptions(options);
    } catch (const std::exception& e) {
      std::cerr << "tessaly-batch analyze: " << e.what() << "\n";
      return 2;
    }
    tessaly::cli::Session session(std::cout, std::cerr);
    session.setConsoleStream(options.verbose ? &std::cerr : nullptr);
    if (int status = startUp(session)) return status;
    return tessaly::cli::runAnalyze(options, session, std::cout, std::cerr);
  }
  if (script.empty()) {
    std::cerr << "tessaly-batch: give a session script, or analyze DATA GROUPS --out DIR\n"
              << "Run with --help for more.\n";
    return 2;
  }
  return runScriptFile(script);
}
