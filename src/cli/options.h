#pragma once
// Checks of the batch runner's command-line values, as CLI11 validators: the command line
// refuses a bad value before anything runs, with a message that names the option.
#include <string>

namespace CLI {
class Validator;
}

namespace tessaly::cli {

// An input file: it must exist (CLI11's ExistingFile), be a plain file and be readable. The
// messages name the file by `what` ("data file", "group list file", ...). Empty text passes.
CLI::Validator inputFileCheck(const std::string& what);

// The jackknife's "N,FRACTION": a whole number of trials from 1 to 10^9 and a fraction strictly
// between 0 and 1, numbers read the same way in every locale.
CLI::Validator jackknifeCheck();

// What a refused thread count of the command line is called in its message.
inline constexpr const char* kThreadsOption = "The number of threads (--threads)";
// The number of threads for resampling: a whole number of at least 1.
CLI::Validator threadsCheck();
// The principal components of --pcs: auto, or a whole number of at least 2.
CLI::Validator componentsCheck();

// The rounds of the permutation tests: 0 (none) or a whole number from 1 to 10^7.
CLI::Validator permutationsCheck();

}  // namespace tessaly::cli
