// "GroupDistances": the Mahalanobis and Procrustes distances between the group means with
// their permutation tests, shown in the results window and saved as a table.
#include <algorithm>
#include <string>
#include <vector>

#include "analysis/distance_tests.h"
#include "core/csv.h"
#include "core/error.h"
#include "core/format.h"
#include "core/random.h"
#include "dispatch/actions.h"
#include "dispatch/analysed.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/components.h"
#include "dispatch/input_files.h"
#include "dispatch/output_file.h"
#include "dispatch/progress_dialog.h"
#include "dispatch/results_window.h"
#include "platform/platform.h"

namespace tessaly::dispatch {

namespace {

using analysis::DistanceTests;
using analysis::PairResult;

const char* const kTitle = "Group Distances with Permutation Tests";

const PairResult& pairOf(const DistanceTests& t, int a, int b, int groups) {
  // Pairs run (0,1), (0,2), ..., (0,G-1), (1,2), ...: a's pairs start after those of 0..a-1.
  const int first = a * groups - a * (a + 1) / 2;
  return t.pairs[static_cast<size_t>(first + b - a - 1)];
}

// A lower triangle, diagonal included, rows and columns by ordinal group.
std::string triangle(const std::string& title, const DistanceTests& t,
                     const std::vector<double>& codes, const std::string& diagonal,
                     double (*value)(const PairResult&), const char* format, bool markExact) {
  const int g = static_cast<int>(codes.size());
  size_t width = 0;
  for (double c : codes) width = std::max(width, groupLabel(c).size());
  std::string text = "\n \n" + title + "\n" + std::string(width + 4, ' ');
  for (int j = 1; j <= g; ++j) text += formatText("%11i", {double(j)});
  for (int i = 0; i < g; ++i) {
    std::string label = groupLabel(codes[static_cast<size_t>(i)]);
    label.resize(width, ' ');
    text += formatText("\n%3i ", {double(i + 1)}) + label;
    for (int j = 0; j < i; ++j) {
      const PairResult& r = pairOf(t, j, i, g);
      text += formatText(format, {value(r)}) + (markExact && r.exact ? "*" : " ");
    }
    text += formatText("%10s ", {diagonal});
  }
  return text;
}

std::string report(const DistanceTests& t, const std::vector<double>& codes) {
  std::string text =
      formatText("Distances between group means: permutation tests of %i rounds, seed %s",
                 {double(t.rounds), std::to_string(t.seed)});
  struct Table {
    const char* title;
    double (*value)(const PairResult&);
    const char* format;
    bool isP;
  };
  const Table tables[] = {
      {"Mahalanobis distances", [](const PairResult& r) { return r.mahalanobis; }, "%10.4f", false},
      {"Mahalanobis distances: permutation p-values",
       [](const PairResult& r) { return r.pMahalanobis; }, "%10.4g", true},
      {"Mahalanobis distances: Holm-adjusted p-values",
       [](const PairResult& r) { return r.pMahalanobisHolm; }, "%10.4g", true},
      {"Procrustes distances", [](const PairResult& r) { return r.procrustes; }, "%10.4f", false},
      {"Procrustes distances: permutation p-values",
       [](const PairResult& r) { return r.pProcrustes; }, "%10.4g", true},
      {"Procrustes distances: Holm-adjusted p-values",
       [](const PairResult& r) { return r.pProcrustesHolm; }, "%10.4g", true},
  };
  for (const Table& table : tables)
    text += triangle(table.title, t, codes, table.isP ? "-" : "0", table.value, table.format,
                     table.isP);
  if (std::any_of(t.pairs.begin(), t.pairs.end(), [](const PairResult& r) { return r.exact; }))
    text +=
        "\n \n* exact: the pair has no more labellings than rounds, and every labelling was "
        "counted once";
  text += formatText("\n \nWilks' lambda over all groups %1.6g: permutation p=%1.6g (%i rounds)",
                     {t.wilks, t.pWilks, double(t.rounds)});
  return text;
}

std::string table(const DistanceTests& t, const std::vector<double>& codes) {
  CsvTable csv({"group_a", "group_b", "n_a", "n_b", "mahalanobis", "p_mahalanobis",
                "p_mahalanobis_holm", "procrustes", "p_procrustes", "p_procrustes_holm"});
  for (const PairResult& r : t.pairs) {
    csv.text(groupCell(codes[static_cast<size_t>(r.a)]))
        .text(groupCell(codes[static_cast<size_t>(r.b)]))
        .number(static_cast<double>(r.na))
        .number(static_cast<double>(r.nb))
        .number(r.mahalanobis)
        .number(r.pMahalanobis)
        .number(r.pMahalanobisHolm)
        .number(r.procrustes)
        .number(r.pProcrustes)
        .number(r.pProcrustesHolm)
        .endRow();
  }
  return csv.str();
}

}  // namespace

void GroupDistances() {
  const AnalysedSpecimens specimens = analysedSpecimens();
  if (specimens.sample.groups < 2) throw Error(analysis::kTooFewGroups);
  auto answers = platform::dialogs().input({"Number of permutation rounds"}, kTitle, {"10000"});
  if (!answers) return;
  answers->resize(1);
  const std::uint64_t rounds = analysis::parseRounds((*answers)[0]);

  // The seed comes from the program's random numbers, which move on only when the run is
  // complete: a stopped or failed run leaves them as they were.
  RandomEngine next = randomEngine();
  const std::uint64_t seed = next();
  DistanceTests tests;
  try {
    BusyPointer busy;
    ProgressDialog progress(kTitle);
    tests = analysis::distanceTests(specimens.sample, rounds, seed, progress.hook());
  } catch (const analysis::Cancelled&) {
    platform::dialogs().message("The permutation tests were stopped: nothing has changed", kTitle);
    return;
  }
  randomEngine() = next;
  setResults(platform::Value(report(tests, specimens.groupCodes) + componentsUsedLine()));
  writeOutputFile("File Name for Group Distances (CSV)", FileMode::Replace,
                  [&] { return table(tests, specimens.groupCodes); });
}

}  // namespace tessaly::dispatch
