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

namespace tessaly::cli {

struct AnalyzeOptions {
  std::string data;          // landmark data file
  std::string groups;        // group list file
  std::string outDir;        // folder for every result
  std::string reference;     // optional reference file
  std::string unknowns;      // optional file of unknown specimens
  std::string unknownCodes;  // their codes (given together with unknowns)
  std::string jackknife;     // optional "N,FRACTION"
  std::string groupNames;    // optional file of lines "code name" for a list of codes
  std::string threads;       // optional number of threads for resampling (else all cores)
  std::string pcs;           // optional: the CVA on principal components, "auto" or a count
  std::optional<std::uint64_t> seed;
  bool verbose = false;  // diagnostic console lines to the error stream (else dropped)
};

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

// Checks the options and the input files; an Error with the message for the user otherwise.
void checkAnalyzeOptions(const AnalyzeOptions& options);

// Runs the analysis in a started session. Messages shown by the actions are printed as they
// come; the report is printed at the end. Returns the exit status (0, or 1 after a failure,
// which is reported on err).
int runAnalyze(const AnalyzeOptions& options, Session& session, std::ostream& out,
               std::ostream& err);

// Writes the landmarks of a TPS file in the numeric layout (one specimen a line, x1 y1 ... xk
// yk cs) to out, and the specimens' labels (ID, else IMAGE, else the specimen's number) one a
// line to OUT-ids with out's extension. The TPS file's warnings go to err. Returns the exit
// status (0; 1 when the file is refused or cannot be written, with the reason on err).
int runConvert(const std::string& in, const std::string& out, std::ostream& err);

// The name of the labels file beside a converted file: "apes.txt" gives "apes-ids.txt".
std::string idsFileName(const std::string& out);

}  // namespace tessaly::cli
