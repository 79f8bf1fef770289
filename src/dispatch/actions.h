#pragma once
// The dispatcher and the branches it runs. Each branch reads and writes the analysis state
// and reaches the windows only through the object model, by Tag.
#include <string>

#include "platform/value.h"

namespace tessaly::dispatch {

// Runs the action of the given name (exact, case-sensitive match) with its optional parameter
// fpass (empty when left out). An unknown name shows "Fell through Loop!".
void Tessalysw(const std::string& action, const platform::Value& fpass = {});

// The names of the 66 actions in the order they are tested.
const std::vector<std::string>& actionNames();

// Branches, one per action (files by group: loading, cva_run, classification, crossvalidation,
// display, deformation, export, settings, unknowns, group_distances, tidy_export, components).
void LoadData();
void LoadUData();
void LoadUGroup();
void LoadReference();
void LoadGroupList();
void JackKnife();
void CrossValidate();
void ShowCVScores();
void SaveClassification();
void SaveCVScores();
void SaveUnknownsClassification();
void ShowGrouping();
void SaveGroupListCVA();
void SaveGroupListUNCVA();
void SaveUnknownCVAScores();
void RunAssignmentTest();
void RunDetailedAssignment();
void WriteGrouping();
void ShowProcrustes();
void ShowBC();
void ShowSBR();
void ShowPCAAxis();
void ShowPCADeformation(const platform::Value& fpass);
void PlaceM1();
void PlaceM2();
void RestoreMarkers();
void ShowMarker1PCA(const platform::Value& fpass);
void ShowMarker2PCA(const platform::Value& fpass);
void ShowMarkerDif(const platform::Value& fpass);
void UpXAxis();
void DownXAxis();
void UpYAxis();
void DownYAxis();
void UpDisplay();
void DownDisplay();
void SavePCA();
void SaveCVAAxes();
void SaveEigen();
void SavePCMatrix();
void ScreePlot();
void ScreePercentages();
void CheckSig();
void WriteSig();
void SaveDimensionTests();
void PlotNotes();
void WithinGroupUnits();
void ConfidenceEllipses();
void SaveWarp();
void SaveRef();
void SetPlotDensity(const platform::Value& fpass);
void ArrowHeads();
void NoArrowHeads();
void SetReferenceSymbol(const platform::Value& fpass);
void SetLineFormat1(const platform::Value& fpass);
void SetLineWidth(const platform::Value& fpass);
void CodeLoad();
void SetBWCode();
void ShowSymbolCodes();
void ClearData();
void GroupDistances();
void SaveTidyTables();
// The principal components of shape (cva_run.cpp, components.cpp, deformation.cpp).
void LoadGroupListPCs();
void ShowPCScores();
void ShowPCVariance();
void ShowPCDeformation(const platform::Value& fpass);
void SavePCs();

}  // namespace tessaly::dispatch
