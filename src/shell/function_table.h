#pragma once
// The functions that a callback text may call by name, each with its declared numbers of
// inputs and outputs, and the adapters between Value (what crosses the by-name boundary) and
// the typed C++ functions of each subsystem.
#include <functional>
#include <string>
#include <vector>

#include "platform/object_model.h"
#include "platform/value.h"

namespace tessaly::shell {

using platform::Value;
using Values = std::vector<Value>;

// A declared count that is not fixed.
inline constexpr int kVariable = -1;

struct FunctionEntry {
  std::string name;
  int inputs;   // declared number of inputs, or kVariable
  int outputs;  // declared number of outputs, or kVariable
  // Runs the function with the given inputs; nargout is how many outputs the caller asked
  // for. Returns at least nargout values (more are dropped by the caller).
  std::function<Values(const Values& args, int nargout)> call;
};

// The 78 entries.
const std::vector<FunctionEntry>& functionTable();
// The entry of that name (exact match), or nullptr.
const FunctionEntry* findFunction(const std::string& name);

// Calls a function of the table by name. Too many inputs ("Too many input arguments.") or
// outputs asked for ("Too many output arguments.") is an error of the call, as is an unknown
// name. Returns exactly nargout values.
Values callFunction(const std::string& name, const Values& args, int nargout = 0);

// ---- Adapters used by the table entries ---------------------------------------------------

// The i-th input (0-based) of a call to `function`; an Error ("Not enough input arguments.")
// when it was not given.
const Value& input(const Values& args, size_t i);
bool hasInput(const Values& args, size_t i);
Matrix matrixInput(const Values& args, size_t i);
double numberInput(const Values& args, size_t i);
// A count or code: the number with its fraction dropped. NaN, Inf and numbers beyond the
// range of int are an Error ("Input N must be a whole number.").
int wholeInput(const Values& args, size_t i);
std::string textInput(const Values& args, size_t i);
platform::Handle handleInput(const Values& args, size_t i);

// Entries contributed by each group of subsystems (kept in separate files).
void addShellEntries(std::vector<FunctionEntry>& table);
void addNumericEntries(std::vector<FunctionEntry>& table);
void addGraphicsEntries(std::vector<FunctionEntry>& table);

}  // namespace tessaly::shell
