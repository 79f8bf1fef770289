#pragma once
// What the cross-validated classification keeps between its actions, and its texts.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/crossval.h"
#include "core/matrix.h"

namespace tessaly::dispatch {

// How a validation was asked for: the folds (0: leave-one-out), the refit, the priors, and
// the seed that dealt the folds.
struct ValidationScheme {
  int folds = 0;
  analysis::Refit refit = analysis::Refit::All;
  analysis::Priors priors = analysis::Priors::Equal;
  std::uint64_t seed = 0;
};

// The last validation, kept for the files and the plot until the CVA is run again.
struct CrossValidationRecord {
  bool valid = false;
  ValidationScheme scheme;
  analysis::Classification resubstitution;
  analysis::CrossValidation cv;
};

// The answers of the dialog ("loo" or K, "all" or "cva", "equal" or "proportional"); an Error
// naming the answer that is not one of the words.
ValidationScheme parseScheme(const std::string& folds, const std::string& refit,
                             const std::string& priors);

// The specimens' ordinal groups (0-based) and the label of each group: its name, else its code.
struct SpecimenGroups {
  std::vector<int> group;
  std::vector<double> codes;
  std::vector<std::string> labels;
};
SpecimenGroups specimenGroups(const Matrix& glist);

// The report section: the tables of given against assigned groups side by side, the percent
// correct per group and overall, Cohen's kappa, how the validation was made, and its notes.
std::string validationReport(const SpecimenGroups& groups, const ValidationScheme& scheme,
                             const analysis::Classification& resubstitution,
                             const analysis::CrossValidation& cv);

}  // namespace tessaly::dispatch
