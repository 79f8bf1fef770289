#pragma once
// Test fixture for the dispatcher's actions: a fresh object tree with a main window carrying
// every Tag the actions use and a results window with its "AuxResults" control, an empty
// analysis state, scripted dialogs, a console that collects its text, and a temporary current
// folder that is removed afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/matrix.h"
#include "dispatch/actions.h"
#include "dispatch/state.h"
#include "platform/interfaces.h"
#include "platform/platform.h"
#include "support/test_doubles.h"

namespace tessaly::dispatch::testing {

namespace fs = std::filesystem;

using tessaly::test_support::CollectingConsole;
using tessaly::test_support::ScriptedDialogs;

class DispatchTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  CollectingConsole console;
  fs::path folder;  // the temporary current folder
  platform::Handle mainFigure = -1, mainAxes = -1, auxFigure = -1, auxResults = -1;

  void SetUp() override {
    oldFolder_ = fs::current_path();
    std::random_device rd;
    folder = fs::temp_directory_path() /
             ("tessaly-dispatch-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    fs::create_directories(folder);
    fs::current_path(folder);

    platform::resetPlatform();
    platform::platform().setDialogs(&dialogs);
    platform::platform().setConsole(&console);
    resetAnalysisState();
    buildWindows();
  }

  void TearDown() override {
    platform::platform().setDialogs(nullptr);
    platform::platform().setConsole(nullptr);
    platform::resetPlatform();
    resetAnalysisState();
    std::error_code ec;
    fs::current_path(oldFolder_, ec);
    fs::remove_all(folder, ec);
  }

  static AnalysisState& state() { return analysisState(); }
  static platform::ObjectModel& model() { return platform::model(); }

  void run(const std::string& action, const platform::Value& fpass = {}) {
    Tessalysw(action, fpass);
  }
  // Runs an action that asks for one file, answering with path.
  void runWithFile(const std::string& action, const fs::path& path) {
    dialogs.chooseFile(path);
    run(action);
  }

  // Writes text to a file in the temporary folder (or a subfolder of it) and returns its path.
  fs::path writeFile(const std::string& name, const std::string& text) {
    fs::path path = folder / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Writes a matrix one row a line, numbers as the shortest exact decimal.
  fs::path writeMatrix(const std::string& name, const Matrix& m) {
    std::ostringstream out;
    out.precision(17);
    for (Eigen::Index i = 0; i < m.rows(); ++i) {
      for (Eigen::Index j = 0; j < m.cols(); ++j) out << (j ? " " : "") << m(i, j);
      out << '\n';
    }
    return writeFile(name, out.str());
  }
  static std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Synthetic landmark data: `perGroup` specimens of each of `groups` groups, k landmarks on
  // a circle, group g displaced along its own pattern by `effect` times g, with normal noise
  // of standard deviation `noise`; the last column is a size near 100. Rows are in group
  // order; codes() gives the matching group list.
  static Matrix syntheticData(int groups, int perGroup, int k, double effect, double noise,
                              unsigned seed) {
    std::mt19937 engine(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    Matrix data(groups * perGroup, 2 * k + 1);
    for (int g = 0; g < groups; ++g)
      for (int r = 0; r < perGroup; ++r) {
        const int row = g * perGroup + r;
        for (int j = 0; j < k; ++j) {
          const double angle = 2 * 3.141592653589793 * j / k;
          // Each group pulls a different landmark outward.
          const double pull = (j % groups == g) ? effect * (g + 1) : 0.0;
          data(row, 2 * j) = (1 + pull) * std::cos(angle) + noise * normal(engine);
          data(row, 2 * j + 1) = (1 + pull) * std::sin(angle) + noise * normal(engine);
        }
        data(row, 2 * k) = 100 + normal(engine);
      }
    return data;
  }
  static Matrix codes(int groups, int perGroup) {
    Matrix c(groups * perGroup, 1);
    for (int g = 0; g < groups; ++g) c.middleRows(g * perGroup, perGroup).setConstant(g + 1);
    return c;
  }

  static fs::path example(const std::string& name) {
    return fs::path(TESSALY_EXAMPLES) / "apes" / name;
  }

  // The one object with this Tag.
  static platform::Handle tagged(const std::string& tag) {
    auto found = platform::model().findobj("Tag", platform::Value(tag));
    EXPECT_EQ(found.size(), 1u) << "Tag " << tag;
    return found.empty() ? -1 : found.front();
  }
  static std::string stringOf(const std::string& tag) {
    return platform::model().get(tagged(tag), "String").toText();
  }
  static platform::Value prop(const std::string& tag, const std::string& name) {
    return platform::model().get(tagged(tag), name);
  }
  static void setProp(const std::string& tag, const std::string& name, const platform::Value& v) {
    platform::model().set(tagged(tag), name, v);
  }
  // Plot objects of a given type now in the main axes, oldest first.
  std::vector<platform::Handle> drawn(const std::string& type = "line") const {
    std::vector<platform::Handle> out;
    auto children = platform::model().children(mainAxes);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (platform::model().type(*it) == type) out.push_back(*it);
    return out;
  }

  // The points drawn in the main axes, oldest first: each point of every line.
  std::vector<std::pair<double, double>> drawnPoints() const {
    std::vector<std::pair<double, double>> out;
    for (platform::Handle h : drawn()) {
      const Matrix x = platform::model().get(h, "XData").matrix();
      const Matrix y = platform::model().get(h, "YData").matrix();
      for (Eigen::Index k = 0; k < std::min(x.size(), y.size()); ++k) out.emplace_back(x(k), y(k));
    }
    return out;
  }

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : dialogs.messages) out.push_back(m.text);
    return out;
  }

 private:
  fs::path oldFolder_;

  void buildWindows() {
    auto& m = platform::model();
    mainFigure = m.create("figure", platform::ObjectModel::kRoot,
                          {{"Tag", "Tessaly6l"}, {"Name", "Tessaly"}});
    mainAxes = m.create("axes", mainFigure, {{"Tag", "axes1"}});
    auto text = [&](const std::string& tag, const std::string& s) {
      m.create("uicontrol", mainFigure, {{"Tag", tag}, {"Style", "text"}, {"String", s}});
    };
    auto edit = [&](const std::string& tag, const std::string& s) {
      m.create("uicontrol", mainFigure, {{"Tag", tag}, {"Style", "edit"}, {"String", s}});
    };
    auto check = [&](const std::string& tag) {
      m.create("uicontrol", mainFigure, {{"Tag", tag}, {"Style", "checkbox"}, {"Value", 0.0}});
    };
    auto button = [&](const std::string& tag) {
      m.create("uicontrol", mainFigure, {{"Tag", tag}, {"Style", "pushbutton"}});
    };
    text("FileBox", "No File Loaded");
    text("GroupBox", "No File Loaded");
    button("LoadReference");
    button("LoadGroup");
    button("NoLoadGroup");
    m.set(tagged("LoadReference"), "Enable", platform::Value("off"));
    m.set(tagged("LoadGroup"), "Enable", platform::Value("off"));
    m.set(tagged("NoLoadGroup"), "Enable", platform::Value("off"));
    edit("XBox", "1");
    edit("YBox", "2");
    edit("XBoxExp", "");
    edit("YBoxExp", "");
    edit("VarianceBox", "");
    edit("ShowBox", "1");
    check("PCALabel");
    check("CentroidButton");
    edit("BaseBox1", "1");
    edit("BaseBox2", "2");
    edit("RangeBox", "1");
    check("GridTrimButton");
    m.create("uicontrol", mainFigure,
             {{"Tag", "DeFormat"},
              {"Style", "popupmenu"},
              {"String", platform::Value::Texts{"Grid", "Vectors"}},
              {"Value", 1.0}});
    edit("ExagerationBox", "1");
    check("RegrButton");
    check("NumberButton");
    check("RotateRequest");
    edit("RefAngleBox", "0");
    m.create("uicontrol", mainFigure,
             {{"Tag", "MarkerSuperList"}, {"Style", "listbox"}, {"Value", 1.0}});
    edit("MarkerScaleBox", "1");

    platform::Handle menu = m.create("uimenu", mainFigure, {{"Label", "Settings"}});
    auto entry = [&](const std::string& tag, const std::string& label, bool checked = false) {
      m.create("uimenu", menu,
               {{"Tag", tag}, {"Label", label}, {"Checked", checked ? "on" : "off"}});
    };
    for (const char* t :
         {"Density10", "Density20", "Density30", "Density50", "ArrowHeads", "NoArrowHeads",
          "RefSquare", "RefDiamond", "RefCircle", "RefPlus", "Line1Red", "Line1Black",
          "Line1Dotted", "Weight5", "Weight10", "Weight15", "Weight20", "Weigth25"})
      entry(t, t);
    entry("BWButton", "Use BW Symbols");

    auxFigure =
        m.create("figure", platform::ObjectModel::kRoot, {{"Tag", "AuxBox"}, {"Name", "Results"}});
    auxResults = m.create("uicontrol", auxFigure,
                          {{"Tag", "AuxResults"},
                           {"Style", "edit"},
                           {"Max", 2.0},
                           {"String", platform::Value::Texts{}}});
    // Windows made from a description file are remembered on the root, so that reopening
    // the results window with "reuse" finds this one.
    m.setAppData(platform::ObjectModel::kRoot, "AuxBox_SINGLETON_handle",
                 Matrix(scalar(auxFigure)));
    m.setAppData(platform::ObjectModel::kRoot, "Tessaly6l_SINGLETON_handle",
                 Matrix(scalar(mainFigure)));
    m.setCurrentAxes(mainAxes);
  }
};

}  // namespace tessaly::dispatch::testing
