#pragma once
// The analysis state that the dispatcher keeps between actions: data sets, group lists,
// results and display settings. One shared instance for the whole run (`analysisState()`).
// Empty matrices stand for values not yet set.
#include <algorithm>
#include <string>
#include <vector>

#include "analysis/pca.h"
#include "core/group_list.h"
#include "core/matrix.h"
#include "core/tps.h"
#include "dispatch/crossvalidation.h"
#include "platform/value.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

struct AnalysisState {
  Matrix DATA;  // N-by-(2k+1) configuration rows; superimposed after the CVA run
  std::vector<std::string> LABELS;  // each specimen's label from a TPS file (may be empty)
  Matrix GLIST;                     // N-by-1 group codes
  GroupNames GNAMES;   // name of each group code (by code), empty when the codes have none
  std::string FNAME1;  // file name (no folder) of the file read last
  // Of the data file: each specimen's image name (empty when the file names none), each
  // landmark's kind (empty: all fixed), and the 1-based numbers in the file of the specimens
  // kept with the count of specimens in the file (empty and 0 when every one was kept).
  std::vector<std::string> IMAGES;
  LandmarkKinds KINDS;
  std::vector<size_t> KEPT;
  size_t FILESPECIMENS = 0;
  // The same of the unknowns' file.
  std::vector<std::string> UIMAGES;
  std::vector<size_t> UKEPT;
  size_t UFILESPECIMENS = 0;
  Matrix reference;      // 1-by-(2k+1), centred, unit centroid size
  Matrix referencetype;  // 0: consensus of the data; 1: loaded from a file
  Matrix pwscores;       // N-by-(2k-3): partial warp and uniform scores, then cs
  // N-by-p: the variables the MANOVA analysed: the pwscores without cs (not held twice), or
  // the scores on the first `components` principal components when the CVA ran on them.
  Eigen::Ref<const Matrix> variables() const {
    if (components > 0) return pca.scores.leftCols(components);
    return pwscores.leftCols(std::max<Eigen::Index>(pwscores.cols() - 1, 0));
  }
  stats::ManovaStats vstats;
  bool hasVstats = false;          // vstats holds the result of a MANOVA
  Matrix d;                        // number of canonical variates found
  Matrix p;                        // p-value of each dimension test (column)
  Matrix NumCVA;                   // copy of d for display and export
  Matrix Vmatrix;                  // canonical axes, unit columns
  Matrix Dmatrix;                  // eigenvalues, decreasing
  Matrix CVAScores;                // N-by-s
  CrossValidationRecord CROSSVAL;  // the last cross-validated classification
  // The principal components of the specimens' shape variables; after a CVA on the shape
  // variables they are formed when first asked for (shapeComponents), and hasPca says they can be.
  analysis::Pca pca;
  bool hasPca = false;
  Eigen::Index components = 0;       // components the CVA analysed; 0: the shape variables
  std::string componentChoice;       // as asked for: "auto" or a count; empty without
  Matrix UDATA;                      // unknown specimens
  std::vector<std::string> ULABELS;  // the unknowns' labels from a TPS file (may be empty)
  Matrix UGLIST;                     // user codes of the unknowns
  GroupNames UGNAMES;                // names of the unknowns' codes when they were given as names
  Matrix UPWSCORES;
  Matrix UVARIABLES;  // the unknowns' shape variables
  Matrix UCVASCORES;
  Matrix NUCVASCORES;
  Matrix UNKNOWNACTIVE;  // 1 once unknowns are loaded and scored
  std::vector<std::string> ColorList;
  Matrix vplotdensity;
  Matrix vlinewidth;
  std::string vlineformat1;
  std::string vrefsymbol;
  Matrix vaheads;
  Matrix defangle;
  Matrix marker1x, marker1y, marker2x, marker2y;
  Matrix altcode;    // empty counts as false
  Matrix codearray;  // one style row (six columns) per group code
  // The CVA results are of data no longer loaded (other specimens, or cleared): the actions
  // that show or save them refuse until the analysis is run again.
  bool resultsStale = false;
  platform::Value results;  // the report last shown in the results window
  // What the plot shows, so that stepping an axis redraws it: "" nothing stepped, "scores"
  // the CVA scores, or "deformation" with the registration it was drawn with.
  std::string shown;
  double shownRegistration = 0;
  bool plotNotes = false;    // the window plots carry a legend and axis titles
  bool withinUnits = false;  // scores shown and saved in within-group units
  bool ellipses = false;     // the score plot draws the groups' 95% confidence ellipses
};

// Throws the program's message when the CVA results are of data no longer loaded.
void requireCurrentResults();

// What is loaded, in one line for the windows' status bar: "167 specimens, 8 landmarks,
// 6 groups, CVA of 5 axes, 4 unknowns", or "No data loaded".
std::string loadedSummary();

AnalysisState& analysisState();
// Back to the state before the first "LoadData": every variable empty.
void resetAnalysisState();

// The 13 plot symbols, one per group code.
const std::vector<std::string>& defaultColorList();
// Marker letters that the code table refers to by position.
inline constexpr const char* kSymbolList = ".ox+*sdv^<>ph";

// True when a state value counts as set and non-zero (an empty matrix counts as false).
bool isTrue(const Matrix& m);

}  // namespace tessaly::dispatch
