#pragma once
// The analysis state that the dispatcher keeps between actions: data sets, group lists,
// results and display settings. One shared instance for the whole run (`analysisState()`).
// Empty matrices stand for values not yet set.
#include <string>
#include <vector>

#include "analysis/pca.h"
#include "core/group_list.h"
#include "core/matrix.h"
#include "stats/manova.h"

namespace tessaly::dispatch {

struct AnalysisState {
  Matrix DATA;           // N-by-(2k+1) configuration rows; superimposed after the CVA run
  Matrix GLIST;          // N-by-1 group codes
  GroupNames GNAMES;     // name of each group code (by code), empty when the codes have none
  std::string FNAME1;    // file name (no folder) of the file read last
  Matrix reference;      // 1-by-(2k+1), centred, unit centroid size
  Matrix referencetype;  // 0: consensus of the data; 1: loaded from a file
  Matrix pwscores;       // N-by-(2k-3): partial warp and uniform scores, then cs
  stats::ManovaStats vstats;
  bool hasVstats = false;  // vstats holds the result of a MANOVA
  Matrix d;                // number of canonical variates found
  Matrix p;                // p-value of each dimension test (column)
  Matrix NumCVA;           // copy of d for display and export
  Matrix Vmatrix;          // canonical axes, unit columns
  Matrix Dmatrix;          // eigenvalues, decreasing
  Matrix CVAScores;        // N-by-s
  analysis::Pca pca;       // principal components of the specimens' shape variables
  bool hasPca = false;
  Eigen::Index components = 0;  // components the CVA analysed; 0: the shape variables
  std::string componentChoice;  // as asked for: "auto" or a count; empty without
  Matrix UDATA;                 // unknown specimens
  Matrix UGLIST;                // user codes of the unknowns
  GroupNames UGNAMES;           // names of the unknowns' codes when they were given as names
  Matrix UPWSCORES;
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
};

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
