#pragma once
// Session scripts of the batch runner: one step a line.
//
//   ACTION [ANSWER...]        an action of Tessalysw, or a function of the table that needs no
//                             argument (AuxBoxsw, CopyImageEPS, ...), then the answers to the
//                             dialogs it opens, in order
//   call CALLBACK             a callback text, as a control would run it:
//                             call Tessalysw('SetPlotDensity', 30)
//   call CALLBACK -- ANSWER...  the same, with the answers to the dialogs it opens
//   set TAG PROPERTY VALUE    set a property of the control with that Tag
//   print FILE                render the current window; the type comes from the extension
//                             (png, svg, pdf, eps)
//   seed N                    reseed the random numbers
//   on-error continue|stop    go on after a failing step, or stop (the default)
//   # comment
//
// Words are split as a shell splits them: blanks separate, single quotes keep everything up to
// the next single quote, double quotes keep everything but allow \" \\ \$ \`, and a backslash
// outside quotes keeps the next character. A # that begins a word starts a comment.
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly::cli {

// The words of one line; an unterminated quote or a backslash at the end of the line is an
// Error.
std::vector<std::string> splitWords(const std::string& line);

struct Step {
  enum class Kind { Action, Call, Set, Print, Seed, OnError };
  Kind kind = Kind::Action;
  int line = 0;                   // 1-based line in the script
  std::string name;               // action or function name (Action)
  std::vector<std::string> args;  // answers (Action, Call), TAG PROPERTY VALUE (Set), FILE (Print)
  std::string text;               // the callback text (Call)
  std::uint64_t seed = 0;         // (Seed)
  bool continueOnError = false;   // (OnError)
};

// A fault in the script itself, with the line it is on.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// The step of one line, or nothing for a blank line or a comment. A malformed step is a
// ScriptError carrying the line number.
bool parseLine(const std::string& text, int line, Step& step);

// Every step of a script, checked before anything runs.
std::vector<Step> parseScript(std::istream& in);

}  // namespace tessaly::cli
