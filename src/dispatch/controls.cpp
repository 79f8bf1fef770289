#include "dispatch/controls.h"

#include "core/dload.h"
#include "core/error.h"
#include "platform/platform.h"
#include "platform/verbs.h"

namespace tessaly::dispatch {

using platform::Handle;
using platform::Value;

std::vector<Handle> findTag(const std::string& tag) {
  return platform::findobj("Tag", Value(tag));
}

Handle findOne(const std::string& tag) {
  auto found = findTag(tag);
  if (found.empty()) throw Error("The control \"" + tag + "\" was not found");
  return found.front();
}

std::string getString(const std::string& tag) {
  auto found = findTag(tag);
  if (found.empty()) return {};
  return platform::model().get(found.front(), "String").toText();
}

std::string boxLabel(const std::string& tag) {
  static const std::vector<std::pair<std::string, std::string>> labels = {
      {"XBox", "X axis"},
      {"YBox", "Y axis"},
      {"ShowBox", "Axis of the deformation"},
      {"ExagerationBox", "Exaggeration of the deformation"},
      {"MarkerScaleBox", "Exaggeration of the marker shapes"},
      {"BaseBox1", "first Baseline landmark"},
      {"BaseBox2", "second Baseline landmark"},
      {"RangeBox", "Grid range"},
      {"RefAngleBox", "Ref. angle (deg)"},
      {"alphabox", "Alpha"},
      {"ScaleBox", "Scale"},
      {"FiveBox", "Runs"},
      {"ExclusionBox", "Exclude"},
  };
  for (const auto& [t, label] : labels)
    if (t == tag) return label;
  return tag;
}

double getNumber(const std::string& tag) {
  std::string text = getString(tag);
  std::vector<double> numbers;
  std::string bad;
  if (!parseNumberLine(text, numbers, bad) || numbers.size() != 1)
    throw Error("The box \"" + boxLabel(tag) + "\" does not hold a number: \"" + text + "\"");
  return numbers.front();
}

double getValue(const std::string& tag) {
  auto found = findTag(tag);
  if (found.empty()) return 0;
  Value v = platform::model().get(found.front(), "Value");
  if (!v.isNumeric() || v.matrix().size() == 0) return 0;
  return v.matrix()(0);
}

namespace {
void setAll(const std::string& tag, const char* property, const Value& value) {
  for (Handle h : findTag(tag)) platform::model().set(h, property, value);
}
}  // namespace

void setString(const std::string& tag, const Value& text) {
  setAll(tag, "String", text);
}
void setEnable(const std::string& tag, const std::string& onOff) {
  setAll(tag, "Enable", Value(onOff));
}
void setChecked(const std::string& tag, bool on) {
  setAll(tag, "Checked", Value(on ? "on" : "off"));
}
void setLabel(const std::string& tag, const std::string& label) {
  setAll(tag, "Label", Value(label));
}

}  // namespace tessaly::dispatch
