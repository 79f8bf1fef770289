#pragma once
// The output file procedure of the writing actions: the user names the file in the save
// dialog, its folder becomes the current folder, and the text is written in text mode, either
// replacing the file ("wt") or appended at its end ("at").
//
// A replaced file is exchanged only once the new text is complete: the text goes to a
// temporary file beside it, which is then renamed over the old one, so a failure part-way
// leaves the old file as it was.
#include <functional>
#include <string>

namespace tessaly::dispatch {

enum class FileMode {
  Replace,  // "wt": the file holds the new text only
  Append,   // "at": the new text is added at the end (the file is made if missing)
};

enum class OutputOutcome {
  Cancelled,  // the save dialog was cancelled: nothing written
  Written,
};

// Asks for the file with the save dialog (filter "*.*", the given title) and makes the chosen
// folder the current folder. Unless the dialog was cancelled, builds the text with `content`
// (an Error thrown there ends the action with nothing written) and writes it with the mode.
//
// When text is appended to a file whose last line has no line end, and the text does not
// start with one, a line end is written first, so the earlier last line is not run together
// with the new first line.
//
// A file that cannot be written is an Error naming the file and the system's reason; the
// current folder is then left as it was.
OutputOutcome writeOutputFile(const std::string& title, FileMode mode,
                              const std::function<std::string()>& content);

// Writes text to path with the mode, as writeOutputFile does once the file is chosen; a file
// that cannot be written is an Error naming it and the reason.
void writeTextFile(const std::string& path, FileMode mode, const std::string& text);

}  // namespace tessaly::dispatch
