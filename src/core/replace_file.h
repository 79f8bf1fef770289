#pragma once
// Writing output files. Every file the program writes goes through here, so that a file that
// cannot be written is always reported with its path and the system's reason.
//
// Replacing a file only once its new contents are complete: the bytes go to a temporary file
// beside the target, which is then renamed over it. A failure part-way leaves the old file as
// it was, and a reader never sees half a file. Used for every text output written afresh and
// for every picture.
#include <string>
#include <string_view>

namespace tessaly {

struct ReplaceResult {
  // False when the file cannot be written at all (a folder, a file without write permission,
  // a missing folder): nothing was changed.
  bool opened = false;
  // The errno of the failure (of the open when not opened), 0 when the file was written.
  // After a failure the old file is still in place.
  int error = 0;
  bool written() const { return opened && error == 0; }
};

// Writes bytes to path, as described above. A link is followed: the file it points to is
// replaced. The new file keeps the permissions of the old one (or those a new file gets). In a
// folder that takes no new files, a file already there is written in place.
ReplaceResult replaceFile(const std::string& path, std::string_view bytes);

// The text that reports a file that could not be written: "Cannot write PATH: REASON".
std::string writeFailureText(const std::string& path, int error);

// replaceFile, with a failure thrown as an Error of writeFailureText.
void saveFile(const std::string& path, std::string_view bytes);

// Adds bytes at the end of the file at path (made when missing); a failure is thrown as an
// Error of writeFailureText. A file whose last line has no line end gets one first, unless
// bytes start with one, so that its last line is not run together with the new first line.
void appendToFile(const std::string& path, std::string_view bytes);

}  // namespace tessaly
