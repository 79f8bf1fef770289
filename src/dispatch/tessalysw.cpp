#include <algorithm>
#include <functional>
#include <utility>

#include "core/error.h"
#include "dispatch/actions.h"
#include "dispatch/plot_notes.h"
#include "dispatch/state.h"
#include "platform/platform.h"
#include "platform/verbs.h"

namespace tessaly::dispatch {

namespace {

using Branch = std::function<void(const platform::Value&)>;

template <void (*F)()>
Branch plain() {
  return [](const platform::Value&) { F(); };
}

// The actions in the order they are tested.
const std::vector<std::pair<std::string, Branch>>& branches() {
  static const std::vector<std::pair<std::string, Branch>> table = {
      {"LoadData", plain<LoadData>()},
      {"LoadUData", plain<LoadUData>()},
      {"LoadUGroup", plain<LoadUGroup>()},
      {"LoadReference", plain<LoadReference>()},
      {"LoadGroupList", plain<LoadGroupList>()},
      {"JackKnife", plain<JackKnife>()},
      {"ShowGrouping", plain<ShowGrouping>()},
      {"SaveGroupListCVA", plain<SaveGroupListCVA>()},
      {"SaveGroupListUNCVA", plain<SaveGroupListUNCVA>()},
      {"SaveUnknownCVAScores", plain<SaveUnknownCVAScores>()},
      {"RunAssignmentTest", plain<RunAssignmentTest>()},
      {"RunDetailedAssignment", plain<RunDetailedAssignment>()},
      {"WriteGrouping", plain<WriteGrouping>()},
      {"ShowProcrustes", plain<ShowProcrustes>()},
      {"ShowBC", plain<ShowBC>()},
      {"ShowSBR", plain<ShowSBR>()},
      {"ShowPCAAxis", plain<ShowPCAAxis>()},
      {"ShowPCADeformation", ShowPCADeformation},
      {"PlaceM1", plain<PlaceM1>()},
      {"PlaceM2", plain<PlaceM2>()},
      {"RestoreMarkers", plain<RestoreMarkers>()},
      {"ShowMarker1PCA", ShowMarker1PCA},
      {"ShowMarker2PCA", ShowMarker2PCA},
      {"ShowMarkerDif", ShowMarkerDif},
      {"UpXAxis", plain<UpXAxis>()},
      {"DownXAxis", plain<DownXAxis>()},
      {"UpYAxis", plain<UpYAxis>()},
      {"DownYAxis", plain<DownYAxis>()},
      {"UpDisplay", plain<UpDisplay>()},
      {"DownDisplay", plain<DownDisplay>()},
      {"SavePCA", plain<SavePCA>()},
      {"SaveCVAAxes", plain<SaveCVAAxes>()},
      {"SaveEigen", plain<SaveEigen>()},
      {"SavePCMatrix", plain<SavePCMatrix>()},
      {"ScreePlot", plain<ScreePlot>()},
      {"ScreePercentages", plain<ScreePercentages>()},
      {"CheckSig", plain<CheckSig>()},
      {"WriteSig", plain<WriteSig>()},
      {"SaveWarp", plain<SaveWarp>()},
      {"SaveRef", plain<SaveRef>()},
      {"SetPlotDensity", SetPlotDensity},
      {"ArrowHeads", plain<ArrowHeads>()},
      {"NoArrowHeads", plain<NoArrowHeads>()},
      {"SetReferenceSymbol", SetReferenceSymbol},
      {"SetLineFormat1", SetLineFormat1},
      {"SetLineWidth", SetLineWidth},
      {"CodeLoad", plain<CodeLoad>()},
      {"SetBWCode", plain<SetBWCode>()},
      {"ShowSymbolCodes", plain<ShowSymbolCodes>()},
      {"ClearData", plain<ClearData>()},
      {"GroupDistances", plain<GroupDistances>()},
      {"SaveTidyTables", plain<SaveTidyTables>()},
      {"SaveDimensionTests", plain<SaveDimensionTests>()},
      {"PlotNotes", plain<PlotNotes>()},
      {"WithinGroupUnits", plain<WithinGroupUnits>()},
      {"ConfidenceEllipses", plain<ConfidenceEllipses>()},
      {"CrossValidate", plain<CrossValidate>()},
      {"ShowCVScores", plain<ShowCVScores>()},
      {"SaveClassification", plain<SaveClassification>()},
      {"SaveCVScores", plain<SaveCVScores>()},
      {"SaveUnknownsClassification", plain<SaveUnknownsClassification>()},
      {"LoadGroupListPCs", plain<LoadGroupListPCs>()},
      {"ShowPCScores", plain<ShowPCScores>()},
      {"ShowPCVariance", plain<ShowPCVariance>()},
      {"ShowPCDeformation", ShowPCDeformation},
      {"SavePCs", plain<SavePCs>()},
  };
  return table;
}

// The actions that replace what the plot shows: stepping an axis afterwards redraws nothing.
bool replacesPlot(const std::string& action) {
  static const std::vector<std::string> names = {
      "LoadGroupList", "LoadUGroup",      "LoadReference",    "ShowProcrustes", "ShowBC",
      "ShowSBR",       "ScreePlot",       "ScreePercentages", "ShowMarker1PCA", "ShowMarker2PCA",
      "ShowMarkerDif", "ShowSymbolCodes", "ClearData"};
  return std::find(names.begin(), names.end(), action) != names.end();
}

void reportError(const std::string& text) {
  platform::console().write(text + "\n");
  platform::dialogs().error(text, "Tessaly Error");
}

}  // namespace

const std::vector<std::string>& actionNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const auto& [name, branch] : branches()) out.push_back(name);
    return out;
  }();
  return names;
}

void Tessalysw(const std::string& action, const platform::Value& fpass) {
  for (const auto& [name, branch] : branches()) {
    if (name == action) {
      // An action that stops at an error is reported here, once: on the console and in a
      // message box. What the action stored before the error stays, and the caller goes on.
      try {
        if (replacesPlot(action)) analysisState().shown.clear();
        if (replacesPlot(action) || action == "ShowPCAAxis" || action == "ShowPCADeformation")
          removeLegends(platform::gca());
        branch(fpass);
      } catch (const Error& e) {
        reportError(e.what());
      } catch (const std::exception& e) {
        reportError(std::string("The action ") + action + " stopped: " + e.what());
      }
      return;
    }
  }
  reportError("Fell through Loop!");
}

}  // namespace tessaly::dispatch
