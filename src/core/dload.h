#pragma once
// The numeric text file reader shared by every input file of the program: one matrix row a
// line, numbers separated by blanks, tabs or commas, every line with the count of numbers of
// the first. The data end at the end of the file or at the first line after the first that
// holds nothing but its line end.
#include <string>
#include <string_view>
#include <vector>

#include "core/matrix.h"

namespace tessaly {

// Reads the file. Returns the 1-by-1 matrix -1 when the file cannot be opened, and then sets
// *opened to false (callers that must not take that for data pass `opened`). A line that does
// not parse, a line whose count of numbers differs from the first line's, or a file without a
// line is an Error whose text names the file, the line number and what was wrong. When lines
// that are not empty follow the empty line that ends the data, a warning that says how many
// were not read goes to `warnings` (when given).
Matrix dload(const std::string& path, bool* opened = nullptr,
             std::vector<std::string>* warnings = nullptr);

// dload of a file's whole text, read already (a pipe can be read only once).
Matrix dloadText(std::string_view text, const std::string& path,
                 std::vector<std::string>* warnings = nullptr);

// The warning for `count` lines that were not read after the empty line `line` of path.
std::string unreadLinesWarning(const std::string& path, size_t line, size_t count);

// Parses one line into numbers; returns false with the offending word when a word is not a
// number.
bool parseNumberLine(const std::string& line, std::vector<double>& numbers, std::string& bad);

}  // namespace tessaly
