#pragma once
// Callback texts as the window description files hold them: one call of a function by name,
// such as
//   Tessalysw('SetPlotDensity', 20)
//   setsymbolfill(gca, 1)
//   AuxBoxsw
//   Tessaly6l('edit2_Callback', gcbo)
// Arguments are quoted texts ('...' with '' for a quote, or "..."), numbers (with sign,
// decimals, exponent, Inf, NaN), [matrices] (elements separated by blanks or commas, rows by
// semicolons) and the handles gca, gcf and gcbo, looked up when the call is made. A trailing
// semicolon is allowed.
#include <string>
#include <variant>
#include <vector>

#include "shell/function_table.h"

namespace tessaly::shell {

// A handle named in a callback, resolved when the callback runs.
enum class HandleName { Gca, Gcf, Gcbo };

struct CallbackArgument {
  std::variant<Value, HandleName> value;
};

struct CallbackCall {
  std::string function;
  std::vector<CallbackArgument> args;
};

// Reads a callback text. A text that is not one call in this syntax is an Error:
// "Cannot read the callback <text>: <what is wrong>."
CallbackCall parseCallback(const std::string& text);

// The argument values, with gca and gcf of the current figure and gcbo the object whose
// callback runs (an Error when gcbo is asked for and there is none).
Values resolveArguments(const CallbackCall& call, platform::Handle gcbo);

// Runs a callback text as the object gcbo's callback (gcbo < 0: no object): the object's
// window becomes the current figure, the text is read and its function called by name. An
// error of the call is caught, written to the console and shown in a message box; the
// program goes on. Returns false when the callback failed. An empty text does nothing.
bool runCallbackText(const std::string& text, platform::Handle gcbo = -1);

// Runs the "Callback" of a control or menu entry (the "ButtonDownFcn" of an axes).
bool runCallback(platform::Handle object);

// The object whose callback is running, or -1.
platform::Handle callbackObject();

// Reports an error of a by-name call: its text on the console and in a message box.
void reportError(const std::string& text);

}  // namespace tessaly::shell
