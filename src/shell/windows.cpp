#include "shell/windows.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/dload.h"
#include "core/error.h"
#include "core/format.h"
#include "dispatch/actions.h"
#include "dispatch/output_file.h"
#include "dispatch/results_window.h"
#include "platform/platform.h"
#include "platform/window_files.h"
#include "shell/callback.h"

namespace tessaly::shell {

namespace {

using platform::Handle;
using platform::model;

Handle& lastMainWindow() {
  static Handle h = -1;
  return h;
}

// Controls of the main window whose callbacks only say that they do nothing yet.
const std::vector<std::string>& mainWindowStubs() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> tags;
    for (int i = 1; i <= 17; ++i) tags.push_back("pushbutton" + std::to_string(i));
    for (int i = 21; i <= 23; ++i) tags.push_back("pushbutton" + std::to_string(i));
    for (int i = 2; i <= 7; ++i) tags.push_back("edit" + std::to_string(i));
    for (const char* tag :
         {"edit12", "listbox1", "listbox2", "ScaleBox", "ExclusionBox", "FiveBox", "alphabox",
          "VarianceBox", "BaseBox1", "BaseBox2", "RangeBox", "PCALabel"})
      tags.emplace_back(tag);
    std::vector<std::string> out;
    for (const auto& tag : tags) out.push_back(tag + "_Callback");
    out.emplace_back("axes1_ButtondownFcn");
    return out;
  }();
  return names;
}

const std::vector<std::string>& auxWindowStubs() {
  static const std::vector<std::string> names = {"AuxResults_Callback", "pushbutton1_Callback"};
  return names;
}

// "pushbutton4_Callback" -> "pushbutton4 Callback not implemented yet."
void runStub(const std::string& name) {
  const size_t cut = name.rfind('_');
  platform::console().write(name.substr(0, cut) + " " + name.substr(cut + 1) +
                            " not implemented yet.\n");
}

// Window colour and handle record, as both windows do after loading.
void finishWindow(Handle fig) {
  model().set(fig, "Color",
              model().get(platform::ObjectModel::kRoot, "defaultUicontrolBackgroundColor"));
  platform::guidata(fig, Value(platform::guihandles(fig)));
}

// The by-name half of a window function: the first argument names the function.
Values callByName(const std::string& window, const Values& args, int nargout) {
  if (!args.front().isText()) return {};
  const std::string name = args.front().text();
  const Values rest(args.begin() + 1, args.end());
  try {
    if (isSubFunction(window, name)) {
      if (nargout > 0) throw Error("Too many output arguments.");
      runStub(name);
      return {};
    }
    return callFunction(name, rest, nargout);
  } catch (const std::exception& e) {
    reportError(e.what());
  } catch (...) {
    reportError("An unexpected error stopped the action.");
  }
  return {};
}

// The rows of a report as the results window holds them: a list of lines, or one text whose
// line ends separate its lines. An empty text has no rows.
std::vector<std::string> reportRows(const Value& report) {
  if (report.isTexts()) return report.texts();
  std::string text = report.toText();
  std::vector<std::string> rows;
  if (text.empty()) return rows;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      if (start < text.size()) rows.push_back(text.substr(start));
      break;
    }
    rows.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return rows;
}

}  // namespace

bool isSubFunction(const std::string& window, const std::string& name) {
  const auto& names = window == "AuxBox" ? auxWindowStubs() : mainWindowStubs();
  return std::find(names.begin(), names.end(), name) != names.end();
}

Handle mainWindow() {
  Handle h = lastMainWindow();
  return h >= 0 && model().isHandle(h) ? h : -1;
}

Values Tessaly6l(const Values& args, int nargout) {
  if (!args.empty()) return callByName("Tessaly6l", args, nargout);

  Handle fig = platform::openfig("Tessaly6l", "reuse");
  platform::openfig("AuxBox", "reuse");
  lastMainWindow() = fig;
  // The results window came up last; the actions draw into the main window's axes.
  model().setCurrentFigure(fig);
  dispatch::Tessalysw("ClearData");
  finishWindow(fig);
  RefAngleSetup();
  if (nargout > 0) return {Value(fig)};
  return {};
}

Values AuxBox(const Values& args, int nargout) {
  if (!args.empty()) return callByName("AuxBox", args, nargout);
  Handle fig = dispatch::openResultsWindow();
  finishWindow(fig);
  if (nargout > 0) return {Value(fig)};
  return {};
}

void AuxBoxsw() {
  std::vector<Handle> found = model().findobj("Tag", Value("AuxResults"));
  if (found.empty()) throw Error("There is no report to save: the results window is not open.");
  const std::vector<std::string> rows = reportRows(model().get(found.front(), "String"));

  dispatch::writeOutputFile("File Name for Partial Warp Scores", dispatch::FileMode::Append, [&] {
    std::string text;
    for (const std::string& row : rows) text += formatText("%s \\n", FormatArgs{row});
    return text;
  });
}

std::optional<Value> RefAngleSetup() {
  std::vector<Handle> found = model().findobj("Tag", Value("RefAngleBox"));
  if (found.empty()) return std::nullopt;
  const Handle box = found.front();
  const std::string stemp = model().get(box, "String").toText();
  Value y(stemp);
  if (!stemp.empty() && stemp[0] == 'a') {
    bool opened = true;
    Matrix angle = dload("refanglefile.txt", &opened);
    if (!opened) {
      // Without the file the loader's -1 would pass for an angle; start square instead.
      angle = scalar(0);
      platform::console().write(
          "No refanglefile.txt found; the reference angle starts at 0 degrees.\n");
    }
    y = Value(angle);
  }
  model().set(box, "String", Value(y.toText()));
  return y;
}

}  // namespace tessaly::shell
