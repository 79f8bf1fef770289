#pragma once
// The two window functions of the program and what belongs to them: start-up of the main
// window `Tessaly6l`, the results window `AuxBox` with the saving of its report (`AuxBoxsw`),
// the filling of the reference angle box (`RefAngleSetup`), and the by-name calling of
// functions (sub-functions of a window or entries of the function table) from callbacks.
#include <optional>
#include <string>

#include "shell/function_table.h"

namespace tessaly::shell {

// With no arguments: start-up. Loads (or reuses) the main window and the results window,
// clears the analysis state, colours the window, stores the handle record with the window and
// fills the reference angle box; returns the main window when nargout > 0. Errors of start-up
// are not caught.
// With a text first argument: calls the function of that name (a sub-function of the window
// or an entry of the function table) with the remaining arguments, returning nargout values.
// An error of that call is written to the console and shown in a message box, and nothing is
// returned.
Values Tessaly6l(const Values& args = {}, int nargout = 0);

// The results window, with the same conventions.
Values AuxBox(const Values& args = {}, int nargout = 0);

// Appends the report of the results window to a file the user names, each line followed by a
// blank and a line end. Cancelling the dialog, or a file that cannot be opened, ends it
// silently.
void AuxBoxsw();

// Fills the "RefAngleBox" control: a text beginning with "a" is replaced by the angle kept in
// "refanglefile.txt" in the current folder (0 when there is no such file, with a note on the
// console); any other text stays. Returns the value put into the box, or nothing when the
// window has no such box.
std::optional<Value> RefAngleSetup();

// True when `name` is a sub-function of the window (`Tessaly6l` or `AuxBox`): the callbacks
// of controls that only note on the console that they do nothing yet.
bool isSubFunction(const std::string& window, const std::string& name);

// The main window of the last start-up, or -1.
platform::Handle mainWindow();

}  // namespace tessaly::shell
