#pragma once
// The usual analysis in one command: the data, an optional reference, the group list and the
// CVA run, optional unknown specimens, an optional jackknife test, then every result file and
// the plots of the superimposition and of the first two canonical axes, all written into one
// folder by driving the program's own actions with scripted answers.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/session.h"
#include "core/tps.h"

namespace CLI {
class App;
}

namespace tessaly::cli {

struct AnalyzeOptions {
  std::string data;           // landmark data file
  std::string groups;         // group list file
  std::string outDir;         // folder for every result
  std::string reference;      // optional reference file
  std::string unknowns;       // optional file of unknown specimens
  std::string unknownCodes;   // their codes (given together with unknowns)
  std::string jackknife;      // optional "N,FRACTION"
  std::string groupNames;     // optional file of lines "code name" for a list of codes
  std::string crossValidate;  // optional "loo" or a number of folds
  std::string cvRefit;        // "all" (the default) or "cva"
  std::string priors;         // "equal" (the default) or "proportional"
  std::string threads;        // optional number of threads for resampling (else all cores)
  std::string permutations;   // rounds of the permutation tests of the group distances; 0: none
  std::string pcs;            // optional: the CVA on principal components, "auto" or a count
  std::optional<std::uint64_t> seed;
  bool verbose = false;     // diagnostic console lines to the error stream (else dropped)
  bool ellipses = false;    // the score picture draws the groups' 95% confidence ellipses
  LandmarkOptions reading;  // how TPS and NTS files are read
};

// The answers of the reading options dialog for the options.
std::vector<std::string> readingAnswers(const LandmarkOptions& options);

// Adds the reading options (--incomplete, --missing, --negative-missing, --curves) to a
// subcommand of the batch runner.
void addReadingOptions(CLI::App& command, LandmarkOptions& options);

// One file that the analysis writes into the output folder.
struct OutputFile {
  std::string name;
  std::string what;
};

// The files of a run with the given options, in the order they are written.
std::vector<OutputFile> analyzeOutputs(const AnalyzeOptions& options);

// The number of trials and the fraction left out of a "N,FRACTION" text; an Error unless N is
// a whole number of at least 1 and FRACTION lies strictly between 0 and 1.
std::pair<std::string, std::string> parseJackknife(const std::string& text);

// The rounds of "--permutations": 0 for none, else a whole number from 1 to 10^7; an Error
// otherwise.
std::uint64_t parsePermutations(const std::string& text);

// Checks the options and the input files; an Error with the message for the user otherwise.
void checkAnalyzeOptions(const AnalyzeOptions& options);

// Runs the analysis in a started session. Messages shown by the actions are printed as they
// come; the report is printed at the end. Returns the exit status (0, or 1 after a failure,
// which is reported on err).
int runAnalyze(const AnalyzeOptions& options, Session& session, std::ostream& out,
               std::ostream& err);

// Writes the landmarks of a TPS or NTS file in the numeric layout (one specimen a line, x1 y1
// ... xk yk cs, estimated landmarks and curve points included as the options say) to out, and
// the specimens' labels (ID, else IMAGE, else the specimen's number) one a line to OUT-ids with
// out's extension, followed by a tab and the image name when the file names images. The
// file's warnings go to err. Returns the exit status (0; 1 when the file is refused or cannot
// be written, with the reason on err).
int runConvert(const std::string& in, const std::string& out, std::ostream& err,
               const LandmarkOptions& options = {});

// The name of the labels file beside a converted file: "apes.txt" gives "apes-ids.txt".
std::string idsFileName(const std::string& out);

}  // namespace tessaly::cli
