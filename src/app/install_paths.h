#pragma once
// Where the program finds what it is shipped with: its window description files and the
// example data, beside the program in the build tree or in the installed share folder.
#include <string>

namespace tessaly::app {

// The folder of the running program.
std::string programFolder();
// The first folder holding the window description files: the program's own folder, then
// ../share/tessaly beside it. Empty when neither has them.
std::string resourceFolder();
// The example data: ../share/tessaly/examples, else the source tree's examples (a build
// that has not been installed). Empty when there is none.
std::string exampleFolder();
// The user guide (README.md): ../share/doc/tessaly beside the program, else the source tree's.
// Empty when there is none.
std::string userGuide();

}  // namespace tessaly::app
