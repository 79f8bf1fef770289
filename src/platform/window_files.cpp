#include "platform/window_files.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tessaly::platform {

namespace {

using nlohmann::json;

std::string& folderSetting() {
  static std::string folder;
  return folder;
}

// Application-data name under which guidata keeps its value on the window.
constexpr const char* kGuiDataName = "UsedByGUIData_m";

// A JSON value as a property value: number, row of numbers, matrix (array of rows), text or
// list of texts. `where` names the property for the message.
Value toValue(const json& j, const std::string& where) {
  if (j.is_number()) return Value(j.get<double>());
  if (j.is_boolean()) return Value(j.get<bool>() ? 1.0 : 0.0);
  if (j.is_string()) return Value(j.get<std::string>());
  if (j.is_array()) {
    if (j.empty()) return Value(Matrix());
    if (std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_string(); })) {
      Value::Texts texts;
      for (const auto& e : j) texts.push_back(e.get<std::string>());
      return Value(std::move(texts));
    }
    if (std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_number(); })) {
      RowVector row(static_cast<Eigen::Index>(j.size()));
      for (size_t i = 0; i < j.size(); ++i) row(static_cast<Eigen::Index>(i)) = j[i].get<double>();
      return Value(Matrix(row));
    }
    if (std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_array(); })) {
      const size_t cols = j[0].size();
      Matrix m(static_cast<Eigen::Index>(j.size()), static_cast<Eigen::Index>(cols));
      for (size_t r = 0; r < j.size(); ++r) {
        if (j[r].size() != cols) throw Error("rows of unequal length in " + where);
        for (size_t c = 0; c < cols; ++c) {
          if (!j[r][c].is_number()) throw Error("a matrix of non-numbers in " + where);
          m(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) = j[r][c].get<double>();
        }
      }
      return Value(m);
    }
  }
  throw Error("a value of unknown kind in " + where);
}

void build(ObjectModel& m, const json& node, Handle parent, const std::string& type) {
  Handle h = m.create(type, parent);
  if (node.contains("properties")) {
    const json& props = node.at("properties");
    if (!props.is_object()) throw Error("\"properties\" of a " + type + " is not an object");
    // The file's properties come in name order; "Units" goes first, so that a Position is
    // read in the units the file gives it and not converted from the default units.
    auto setOne = [&](const std::string& name, const json& value) {
      if (!m.hasProperty(h, name) || name == "Type" || name == "Parent" || name == "Children")
        throw Error("a " + type + " has no settable property " + name);
      m.set(h, name, toValue(value, type + " property " + name));
    };
    for (const auto& [name, value] : props.items())
      if (propertyKey(name) == "units") setOne(name, value);
    for (const auto& [name, value] : props.items())
      if (propertyKey(name) != "units") setOne(name, value);
  }
  if (node.contains("children")) {
    const json& kids = node.at("children");
    if (!kids.is_array()) throw Error("\"children\" of a " + type + " is not a list");
    for (const auto& kid : kids) {
      if (!kid.is_object() || !kid.contains("type") || !kid.at("type").is_string())
        throw Error("a child of a " + type + " without a type");
      std::string kidType = kid.at("type").get<std::string>();
      if (kidType == "figure" || kidType == "root")
        throw Error("a " + kidType + " cannot be placed inside a " + type);
      build(m, kid, h, kidType);
    }
  }
}

// Moves a window so that all of it lies on the screen (as movegui "onscreen" does).
void moveOnscreen(ObjectModel& m, Handle fig) {
  Value screenValue = m.get(ObjectModel::kRoot, "ScreenSize");
  Value posValue = m.get(fig, "Position");
  if (!screenValue.isNumeric() || screenValue.matrix().size() < 4 || !posValue.isNumeric() ||
      posValue.matrix().size() < 4)
    return;
  const Matrix& screen = screenValue.matrix();
  Matrix pos = posValue.matrix();
  const double left = screen(0), bottom = screen(1);
  const double right = screen(0) + screen(2) - 1, top = screen(1) + screen(3) - 1;
  auto fit = [](double start, double size, double low, double high) {
    if (start + size - 1 > high) start = high - size + 1;
    if (start < low) start = low;
    return start;
  };
  pos(0) = fit(pos(0), pos(2), left, right);
  pos(1) = fit(pos(1), pos(3), bottom, top);
  m.set(fig, "Position", pos);
}

}  // namespace

void setResourceFolder(const std::string& folder) {
  folderSetting() = folder;
}

const std::string& resourceFolder() {
  return folderSetting();
}

Handle hgload(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("Cannot open the window description file " + path + ".");
  std::stringstream text;
  text << in.rdbuf();
  json doc;
  try {
    doc = json::parse(text.str());
  } catch (const json::exception& e) {
    throw Error("The window description file " + path + " is not valid: " + e.what());
  }
  if (!doc.is_object() || !doc.contains("figure") || !doc.at("figure").is_object())
    throw Error("The window description file " + path + " describes no window.");
  ObjectModel& m = model();
  // Build into a figure that is removed again if anything in the file is wrong, so a bad
  // file leaves no half-made window behind.
  const std::vector<Handle> before = m.children(ObjectModel::kRoot);
  try {
    build(m, doc.at("figure"), ObjectModel::kRoot, "figure");
  } catch (const std::exception& e) {
    for (Handle h : m.children(ObjectModel::kRoot))
      if (std::find(before.begin(), before.end(), h) == before.end()) m.remove(h);
    throw Error("The window description file " + path + " is not valid: " + e.what());
  }
  return m.children(ObjectModel::kRoot).front();  // newest first
}

Handle openfig(const std::string& filename, const std::string& policy) {
  // Split into folder, name and extension.
  const size_t slash = filename.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? "" : filename.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? filename : filename.substr(slash + 1);
  const size_t dot = base.find_last_of('.');
  std::string name = dot == std::string::npos ? base : base.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : base.substr(dot);
  if (ext.empty()) ext = ".fig";
  if (ext != ".fig") throw Error("Argument must be a .fig file");
  if (policy != "new" && policy != "reuse")
    throw Error("Second input argument must be 'new' or 'reuse'.");
  if (folder.empty() && !resourceFolder().empty()) {
    folder = resourceFolder();
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  }

  ObjectModel& m = model();
  const std::string key = (name + "_SINGLETON_handle").substr(0, 31);
  std::vector<Handle> windows;
  Value stored = m.getAppData(ObjectModel::kRoot, key);
  if (stored.isNumeric())
    for (Eigen::Index i = 0; i < stored.matrix().size(); ++i) {
      Handle h = stored.matrix()(i);
      if (m.isHandle(h) && m.type(h) == "figure") windows.push_back(h);
    }

  if (policy == "new" || windows.empty()) windows.push_back(hgload(folder + name + ext));

  Matrix list(static_cast<Eigen::Index>(windows.size()), 1);
  for (size_t i = 0; i < windows.size(); ++i) list(static_cast<Eigen::Index>(i), 0) = windows[i];
  m.setAppData(ObjectModel::kRoot, key, list);

  Handle fig = windows.back();
  moveOnscreen(m, fig);
  if (lowercase(m.get(fig, "Visible").toText()) == "on") m.setCurrentFigure(fig);
  return fig;
}

Handle figureOfHandle(Handle h) {
  Handle fig = model().figureOf(h);
  if (fig < 0) throw Error("H must be the handle to a figure or figure descendent.");
  return fig;
}

Record guihandles(Handle h) {
  ObjectModel& m = model();
  Handle fig = figureOfHandle(h);
  Record handles;
  for (Handle obj : m.findall(fig)) {
    Value tag = m.get(obj, "Tag");
    if (!tag.isText() || !isvarname(tag.text())) continue;
    Value* field = handles.find(tag.text());
    if (!field) {
      handles.fields.emplace_back(tag.text(), Value(obj));
      continue;
    }
    Matrix list = field->matrix();
    list.conservativeResize(list.rows() + 1, 1);
    list(list.rows() - 1, 0) = obj;
    *field = Value(list);
  }
  return handles;
}

Value guidata(Handle h) {
  return model().getAppData(figureOfHandle(h), kGuiDataName);
}

void guidata(Handle h, const Value& data) {
  model().setAppData(figureOfHandle(h), kGuiDataName, data);
}

const std::vector<std::string>& iskeyword() {
  static const std::vector<std::string> words = {
      "break",  "case", "catch",     "continue",   "else",   "elseif", "end", "for",  "function",
      "global", "if",   "otherwise", "persistent", "return", "switch", "try", "while"};
  return words;
}

bool iskeyword(const std::string& name) {
  const auto& words = iskeyword();
  return std::find(words.begin(), words.end(), name) != words.end();
}

bool isvarname(const std::string& name) {
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return !iskeyword(name);
}

}  // namespace tessaly::platform
