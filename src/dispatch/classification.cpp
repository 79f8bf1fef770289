// The classification actions: every specimen (and every unknown) is assigned to the group
// whose mean is nearest on the significant canonical variates; the assignments are shown as a
// table, written as membership lists, and judged against the simulated within-group distance
// ranges; the jackknife test reruns the whole analysis with specimens set aside.
#include "dispatch/classification.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "analysis/jackknife.h"
#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "core/random.h"
#include "dispatch/actions.h"
#include "dispatch/busy_pointer.h"
#include "dispatch/input_files.h"
#include "dispatch/output_file.h"
#include "dispatch/progress_dialog.h"
#include "dispatch/results_window.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/window_files.h"
#include "stats/assignment.h"
#include "stats/jackknife.h"
#include "stats/ranges.h"

namespace tessaly::dispatch {

namespace {

using stats::grpmean1;
using stats::grpmean2;

const char* const kNoResults = "There are no CVA results yet: load a group list first";
const char* const kJackknifeTitle = "Jack-Knife of Assignment";

double count(Eigen::Index n) {
  return static_cast<double>(n);
}

// A vector of codes as a column, whichever way it is stored.
Matrix asColumn(const Matrix& m) {
  return m.reshaped(m.size(), 1);
}

// The number of canonical variables the classification works on (`NumCVA`).
Eigen::Index numCva() {
  const auto& s = analysisState();
  requireCurrentResults();
  if (!s.hasVstats || s.NumCVA.size() == 0 || s.GLIST.size() == 0) throw Error(kNoResults);
  const double k = s.NumCVA(0);
  if (!(k >= 0 && k == std::floor(k) && k <= count(s.vstats.canon.cols())))
    throw Error(formatText("The CVA results hold %i canonical variables, not the %s asked for",
                           {count(s.vstats.canon.cols()), num2str(k)}));
  // Without a significant canonical variate every distance would be 0 and every specimen would
  // go to the first group: there is no space to classify in.
  if (k == 0)
    throw Error("There is no significant canonical variate: the specimens cannot be classified");
  return static_cast<Eigen::Index>(k);
}

// The group codes of the specimens (`GLIST`), one per row of the canonical variables.
Matrix groupList() {
  const auto& s = analysisState();
  Matrix glist = asColumn(s.GLIST);
  if (glist.rows() != s.vstats.canon.rows())
    throw Error(formatText("Error: The CVA results have %i specimens, the group list has %i",
                           {count(s.vstats.canon.rows()), count(glist.rows())}));
  return glist;
}

// K: the first NumCVA canonical variables of the specimens.
Matrix specimenScores() {
  const Eigen::Index k = numCva();
  return analysisState().vstats.canon.leftCols(k);
}

// U: the unknowns' scores on the same canonical variables (`NUCVASCORES`).
Matrix unknownScores() {
  const auto& s = analysisState();
  const Eigen::Index k = numCva();
  if (s.NUCVASCORES.cols() < k)
    throw Error("There are no scored unknown specimens: load the unknowns and their codes first");
  return s.NUCVASCORES.leftCols(k);
}

// The unknowns' user codes (`UGLIST`), one per row of U.
Matrix unknownCodes(const Matrix& u) {
  Matrix codes = asColumn(analysisState().UGLIST);
  if (codes.rows() != u.rows())
    throw Error(formatText("Error: The unknowns have %i entries, the code list has %i",
                           {count(u.rows()), count(codes.rows())}));
  return codes;
}

// The group code of ordinal group a (1-based), or 0 outside the groups.
double codeOfOrdinal(const Matrix& symgroup, double a) {
  if (!(a >= 1 && a <= count(symgroup.size()))) return 0;
  return symgroup(static_cast<Eigen::Index>(a) - 1);
}

bool unknownsActive() {
  return isTrue(analysisState().UNKNOWNACTIVE);
}

// What the assignment actions classify: the specimens' scores and codes, and the unknowns'
// scores and codes when unknowns are active.
struct Classified {
  Matrix k, glist, u, codes;
  bool unknowns = false;
};

Classified classifiedScores() {
  Classified c;
  c.k = specimenScores();
  c.glist = groupList();
  c.unknowns = unknownsActive();
  if (c.unknowns) {
    c.u = unknownScores();
    c.codes = unknownCodes(c.u);
  }
  return c;
}

// The 0.05-level and other distances of each group, in the ordinal order of the group list.
Matrix distanceRanges(const Matrix& k, const Matrix& glist) {
  Matrix drange = stats::rangeCVADist(k, glist, randomEngine());
  if (drange.cols() < 5) throw Error("The within-group distance ranges could not be computed");
  return drange;
}

// One jackknife parameter typed by the user: exactly one number.
double jackknifeParameter(const std::string& answer, const std::string& what) {
  std::vector<double> numbers;
  std::string bad;
  if (!parseNumberLine(answer, numbers, bad) || numbers.size() != 1 ||
      !std::isfinite(numbers.front()))
    throw Error("The " + what + " must be one number, not \"" + answer + "\"");
  return numbers.front();
}

// " %f " and the label of every group, then the group whose 0.05-level distance takes in the
// specimen, when there is exactly one such group (else 0).
std::string perGroupEntries(const Matrix& drange, const Matrix& distances, Eigen::Index row) {
  std::string text;
  int within = 0;
  double unique = 0;
  for (Eigen::Index j = 0; j < distances.cols(); ++j) {
    const double dist = distances(row, j);
    const std::string label = significanceLabel(drange, count(j + 1), dist);
    text += formatText(" %f ", {dist});
    text += formatText(" %s ", {label});
    if (label == "p>0.05") {
      ++within;
      unique = count(j + 1);
    }
  }
  text += formatText("Unique Group=%i", {within == 1 ? unique : 0.0});
  return text;
}

// Element j of a scale list given as a row or a column; NaN past its end.
double scaleOf(const Matrix& list, Eigen::Index j) {
  return j < list.size() ? list(j) : std::numeric_limits<double>::quiet_NaN();
}

// One row of the distance file: the number, the distances, then the distances divided by
// each group's standard deviation and by its mean distance.
std::string distanceRow(Eigen::Index number, const RowVector& distances, const Matrix& dstdlist,
                        const Matrix& dmlist) {
  const Eigen::Index g = distances.size();
  RowVector byStd(g), byMean(g);
  for (Eigen::Index j = 0; j < g; ++j) {
    byStd(j) = distances(j) / scaleOf(dstdlist, j);
    byMean(j) = distances(j) / scaleOf(dmlist, j);
  }
  return formatText("%i ", {count(number)}) +
         formatText(" %f ", FormatArgs().add(Matrix(distances))) + formatText(" - ") +
         formatText(" %f ", FormatArgs().add(Matrix(byStd))) + formatText(" - ") +
         formatText(" %f ", FormatArgs().add(Matrix(byMean))) + formatText("\\n");
}

std::string perGroupHeader(double gcount) {
  std::string text;
  for (double j = 1; j <= gcount; ++j) text += formatText(" Group %i Problevel %i ", {j, j});
  return text;
}

}  // namespace

std::string significanceLabel(const Matrix& drange, double a, double dist) {
  if (!(a >= 1 && a <= count(drange.rows())) || drange.cols() < 3)
    throw Error(formatText("Group %s has no row in the table of within-group distance ranges",
                           {num2str(a)}));
  const Eigen::Index row = static_cast<Eigen::Index>(a) - 1;
  if (dist > drange(row, 0)) return "p<0.001";
  if (dist > drange(row, 1)) return "0.01>p>0.001";
  if (dist > drange(row, 2)) return "0.05>p>0.01";
  return "p>0.05";
}

std::string groupingTable(const Matrix& symgroup, const Matrix& zmatrix) {
  const std::string head = formatText(
      "%s \n \n %s",
      {std::string("Groupings from CVA-Distance Based"), std::string("Original Groups along rows, "
                                                                     "CVA groups along columns")});
  const std::string sep = formatText(" \n - \n");
  std::string text = head + sep + sep + formatText("%4.1i", FormatArgs{0.0}.add(symgroup));
  for (Eigen::Index a = 0; a < zmatrix.rows(); ++a)
    text += sep + formatText("%4.1i", FormatArgs{symgroup(a)}.add(Matrix(zmatrix.row(a))));
  return text;
}

void offerDistanceFile(const Matrix& dmatrix, const Matrix* udmatrix, const Matrix& dstdlist,
                       const Matrix& dmlist) {
  const std::string answer = platform::dialogs().question(
      "Do you want to save the matrix of distances from each specimen to each group mean?",
      "All Distances Calculated, Specimens from Means", {"Yes", "No", "Cancel"});
  if (answer.empty() || answer[0] != 'Y') return;
  writeOutputFile("File Name for Distances of all Specimens", FileMode::Append, [&] {
    std::string text = formatText(
        "Original Specimens, followed by distances to group means, distances normalized by "
        "STDEV, and Distances Normalized by the Mean \\nSpecimen \\n");
    for (Eigen::Index i = 0; i < dmatrix.rows(); ++i)
      text += distanceRow(i + 1, dmatrix.row(i), dstdlist, dmlist);
    if (udmatrix) {
      text += formatText("Unknown Specimens, followed by distances to group means \\nSpecimen \\n");
      for (Eigen::Index i = 0; i < udmatrix->rows(); ++i)
        text += distanceRow(i + 1, udmatrix->row(i), dstdlist, dmlist);
    }
    return text;
  });
}

std::string groupKey(const Matrix& symgroup) {
  std::string key;
  for (Eigen::Index a = 0; a < symgroup.size(); ++a) {
    const std::string name = groupNameOf(symgroup(a));
    if (!name.empty()) key += formatText("\n%4.1i = %s", {symgroup(a), name});
  }
  return key.empty() ? key : "\n \nGroups:" + key;
}

namespace {

// The variables the CVA ran on, then the size column the jackknife leaves out: the shape
// variables, or the scores on the leading components of a CVA on components.
Matrix jackknifedScores(const AnalysisState& s) {
  if (s.components == 0) return s.pwscores;
  Matrix scores(s.pwscores.rows(), s.components + 1);
  scores << s.pca.scores.leftCols(s.components), s.pwscores.rightCols(1);
  return scores;
}

}  // namespace

void JackKnife() {
  auto answers = platform::dialogs().input(
      {"Enter Number of Jackknife Repetitions", "Enter Fraction Left Out"},
      "Parameters in Jack-Knife of Assignment", {"100", "0.1"});
  if (!answers) return;
  answers->resize(2);
  const double njack = jackknifeParameter((*answers)[0], "number of jackknife repetitions");
  const double pjack = jackknifeParameter((*answers)[1], "fraction left out");
  // The limits of the batch face's --jackknife: at least one whole trial, and a fraction that
  // leaves some specimens out and some in.
  if (!(njack >= 1 && njack <= 1e9 && njack == std::floor(njack)))
    throw Error("The number of jackknife repetitions must be a whole number, 1 or more, not \"" +
                (*answers)[0] + "\"");
  if (!(pjack > 0 && pjack < 1))
    throw Error("The fraction left out must be above 0 and below 1, not \"" + (*answers)[1] + "\"");

  const auto& s = analysisState();
  requireCurrentResults();
  if (s.pwscores.rows() == 0 || s.GLIST.size() == 0) throw Error(kNoResults);
  const Matrix glist = asColumn(s.GLIST);
  if (glist.rows() != s.pwscores.rows())
    throw Error(formatText("Error: The data has %i entries, the group list has %i",
                           {count(s.pwscores.rows()), count(glist.rows())}));

  // The seed comes from the program's random numbers, which move on only when the test is
  // complete: a stopped or failed test leaves them as they were.
  RandomEngine next = randomEngine();
  const std::uint64_t seed = next();
  stats::JackknifeResult result;
  try {
    BusyPointer busy;
    ProgressDialog progress(kJackknifeTitle);
    result = analysis::jacknife_assignments(jackknifedScores(s), glist, njack, pjack, seed,
                                            progress.hook());
  } catch (const analysis::Cancelled&) {
    platform::dialogs().message("The jackknife test was stopped: nothing has changed",
                                kJackknifeTitle);
    return;
  }
  randomEngine() = next;
  setResults(platform::Value(" "));
  setResults(platform::Value(result.out_text));
}

void ShowGrouping() {
  const auto [k, glist, u, codes, unknowns] = classifiedScores();
  const stats::GroupMean1Result r = unknowns ? grpmean1(k, glist, u, codes) : grpmean1(k, glist);

  openResultsWindow();
  std::string text = groupingTable(r.symgroup, r.zmatrix);
  if (unknowns) {
    text += formatText("\n \n -u \n");
    text += formatText("%4.1i", FormatArgs().add(r.zmunknown));
  }
  text += groupKey(r.symgroup);
  setResults(platform::Value(text));
}

void SaveGroupListCVA() {
  const Matrix k = specimenScores();
  const stats::GroupMean1Result r = grpmean1(k, groupList());
  const bool named = !analysisState().GNAMES.empty();
  writeOutputFile("File Name for Grouping Membership List", FileMode::Append, [&] {
    std::string text = named ? formatText(
                                   "Specimen OrdinalGroup  GroupCode CVAGroup GroupName "
                                   "CVAGroupName\n")
                             : formatText("Specimen OrdinalGroup  GroupCode CVAGroup\n");
    for (Eigen::Index i = 0; i < r.y.rows(); ++i) {
      if (!named) {
        text += formatText("%i %i %i %i \n", {count(i + 1), r.y(i, 0), r.y(i, 1), r.y(i, 2)});
        continue;
      }
      const double assigned = codeOfOrdinal(r.symgroup, r.y(i, 2));
      text += formatText("%i %i %i %i \"%s\" \"%s\" \n",
                         {count(i + 1), r.y(i, 0), r.y(i, 1), r.y(i, 2), groupNameOf(r.y(i, 1)),
                          groupNameOf(assigned)});
    }
    return text;
  });
}

void SaveGroupListUNCVA() {
  const Matrix k = specimenScores();
  const Matrix glist = groupList();
  const Matrix u = unknownScores();
  const Matrix codes = unknownCodes(u);
  const stats::GroupMean1Result r = grpmean1(k, glist, u, codes);
  const auto& s = analysisState();
  const bool named = !s.GNAMES.empty() || !s.UGNAMES.empty();
  writeOutputFile("File Name for Unknowns Membership List", FileMode::Append, [&] {
    std::string text = named ? formatText("Specimen# UserCode CVAGroup UserName CVAGroupName\n")
                             : formatText("Specimen# UserCode CVAGroup\n");
    for (Eigen::Index i = 0; i < r.yunknown.rows(); ++i) {
      if (!named) {
        text += formatText("%i %i %i \n", {count(i + 1), codes(i), r.yunknown(i, 1)});
        continue;
      }
      const double assigned = codeOfOrdinal(r.symgroup, r.yunknown(i, 1));
      text +=
          formatText("%i %i %i \"%s\" \"%s\" \n", {count(i + 1), codes(i), r.yunknown(i, 1),
                                                   unknownNameOf(codes(i)), groupNameOf(assigned)});
    }
    return text;
  });
}

void SaveUnknownCVAScores() {
  const auto& s = analysisState();
  requireCurrentResults();
  writeOutputFile("File Name for Unknown Specimens CVA Scores", FileMode::Replace, [&] {
    if (s.UCVASCORES.rows() < s.NUCVASCORES.rows())
      throw Error(formatText("There are %i unknown specimens but CVA scores for only %i",
                             {count(s.NUCVASCORES.rows()), count(s.UCVASCORES.rows())}));
    std::string text;
    for (Eigen::Index i = 0; i < s.NUCVASCORES.rows(); ++i) {
      text += formatText(" %f ", FormatArgs().add(Matrix(s.UCVASCORES.row(i))));
      text += formatText(" \n ");
    }
    return text;
  });
}

void RunAssignmentTest() {
  const auto [k, glist, u, codes, unknowns] = classifiedScores();
  const auto withUnknowns = unknowns;  // a lambda may not capture a structured binding
  const Matrix drange = distanceRanges(k, glist);
  const stats::GroupMean1Result r = unknowns ? grpmean1(k, glist, u, codes) : grpmean1(k, glist);
  // Only this action offers to save the matrix of distances (asked before the file dialog).
  if (unknowns) offerDistanceFile(r.dmatrix, &r.udmatrix, drange.col(3), drange.col(4));

  writeOutputFile("File Name for Assignments Test File", FileMode::Append, [&] {
    const std::string header =
        "\nSpecimen GroupSymbol OrdinalGroup AssignedGroup AxesDistance Significance";
    std::string text =
        formatText("For the specimens with user group assignments") + formatText(header);
    for (Eigen::Index i = 0; i < r.y.rows(); ++i) {
      const std::string label = significanceLabel(drange, r.y(i, 2), r.y(i, 3));
      text += formatText("\n %i %i %i %i %f %s",
                         {count(i + 1), r.y(i, 1), r.y(i, 0), r.y(i, 2), r.y(i, 3), label});
    }
    if (withUnknowns) {
      text += formatText("\n\nFor the specimens with unknown group assignments");
      text += formatText(header);
      for (Eigen::Index i = 0; i < r.yunknown.rows(); ++i) {
        const std::string label = significanceLabel(drange, r.yunknown(i, 1), r.yunknown(i, 2));
        text += formatText("\n %i u u %i %f %s",
                           {count(i + 1), r.yunknown(i, 1), r.yunknown(i, 2), label});
      }
    }
    return text;
  });
}

void RunDetailedAssignment() {
  const auto [k, glist, u, codes, unknowns] = classifiedScores();
  const auto withUnknowns = unknowns;  // a lambda may not capture a structured binding
  const Matrix drange = distanceRanges(k, glist);
  const stats::GroupMean2Result r = unknowns ? grpmean2(k, glist, u, codes) : grpmean2(k, glist);

  writeOutputFile("File Name for Detailed Assignments Test File", FileMode::Append, [&] {
    const double gcount = r.gcount;
    std::string text = formatText("For the specimens with user group assignments");
    text += formatText("\nSpecimen GroupSymbol OrdinalGroup Assigned Group ");
    text += perGroupHeader(gcount);
    for (Eigen::Index i = 0; i < r.y.rows(); ++i) {
      text += formatText("\n %i %i %i %i ", {count(i + 1), r.y(i, 1), r.y(i, 0), r.y(i, 2)});
      text += perGroupEntries(drange, r.dmatrix, i);
    }
    if (withUnknowns) {
      text += formatText("\n\nFor the specimens with unknown group assignments");
      text += formatText("\nSpecimen GroupSymbol OrdinalGroup AssignedGroup ");
      text += perGroupHeader(gcount);
      // An unknown has no ordinal group of its own: its user code stands under GroupSymbol, "u"
      // under OrdinalGroup, and its assigned group follows, so that its row has the columns of
      // a specimen's row.
      for (Eigen::Index i = 0; i < r.yunknown.rows(); ++i) {
        text += formatText("\n %i %i u %i ", {count(i + 1), r.yunknown(i, 0), r.yunknown(i, 1)});
        text += perGroupEntries(drange, r.udmatrix, i);
      }
    }
    text += formatText("\n\nPercentile ranges of within group distances");
    text += formatText("\n p<0.001     p<0.01     p<0.05");
    for (Eigen::Index a = 0; a < drange.rows(); ++a)
      text += formatText("\n%f %f %f", {drange(a, 0), drange(a, 1), drange(a, 2)});
    return text;
  });
}

void WriteGrouping() {
  const Matrix k = specimenScores();
  const stats::GroupMean1Result r = grpmean1(k, groupList());
  const std::string table = groupingTable(r.symgroup, r.zmatrix) + groupKey(r.symgroup);
  writeOutputFile("File Name for CVA based Group membership (Append)", FileMode::Append,
                  [&] { return formatText("\n%s \n\n", {table}); });
}

}  // namespace tessaly::dispatch
