#include "shell/function_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "core/error.h"

namespace tessaly::shell {

const std::vector<FunctionEntry>& functionTable() {
  static const std::vector<FunctionEntry> table = [] {
    std::vector<FunctionEntry> t;
    addShellEntries(t);
    addNumericEntries(t);
    addGraphicsEntries(t);
    return t;
  }();
  return table;
}

const FunctionEntry* findFunction(const std::string& name) {
  static const std::map<std::string, const FunctionEntry*> byName = [] {
    std::map<std::string, const FunctionEntry*> m;
    for (const FunctionEntry& e : functionTable()) m[e.name] = &e;
    return m;
  }();
  auto it = byName.find(name);
  return it == byName.end() ? nullptr : it->second;
}

Values callFunction(const std::string& name, const Values& args, int nargout) {
  const FunctionEntry* entry = findFunction(name);
  if (!entry) throw Error("Undefined function " + name + ".");
  if (entry->inputs != kVariable && static_cast<int>(args.size()) > entry->inputs)
    throw Error("Too many input arguments.");
  if (nargout < 0) nargout = 0;
  if (entry->outputs != kVariable && nargout > entry->outputs)
    throw Error("Too many output arguments.");
  Values out = entry->call(args, nargout);
  if (static_cast<int>(out.size()) < nargout)
    throw Error("Not all outputs of " + name + " were set.");
  out.resize(static_cast<size_t>(nargout));
  return out;
}

bool hasInput(const Values& args, size_t i) {
  return i < args.size();
}

const Value& input(const Values& args, size_t i) {
  if (i >= args.size()) throw Error("Not enough input arguments.");
  return args[i];
}

Matrix matrixInput(const Values& args, size_t i) {
  const Value& v = input(args, i);
  if (!v.isNumeric()) throw Error("Input " + std::to_string(i + 1) + " must be numeric.");
  return v.matrix();
}

double numberInput(const Values& args, size_t i) {
  const Value& v = input(args, i);
  if (!v.isNumeric() || v.matrix().size() == 0)
    throw Error("Input " + std::to_string(i + 1) + " must be a number.");
  return v.matrix()(0, 0);
}

int wholeInput(const Values& args, size_t i) {
  const double x = std::trunc(numberInput(args, i));
  // Converting a value outside int's range is undefined, so it is refused before the cast.
  if (!(x >= std::numeric_limits<int>::min() && x <= std::numeric_limits<int>::max()))
    throw Error("Input " + std::to_string(i + 1) + " must be a whole number.");
  return static_cast<int>(x);
}

std::string textInput(const Values& args, size_t i) {
  const Value& v = input(args, i);
  if (v.isText()) return v.text();
  if (v.isTexts() && v.texts().size() == 1) return v.texts().front();
  throw Error("Input " + std::to_string(i + 1) + " must be a text.");
}

platform::Handle handleInput(const Values& args, size_t i) {
  return numberInput(args, i);
}

}  // namespace tessaly::shell
