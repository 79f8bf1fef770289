#pragma once
// printf-style formatting with the rules every text output of the program follows:
// - the two characters backslash and n stand for a line end (also \t and \\);
// - the format is applied again and again while values remain;
// - output stops at the first conversion for which no value remains;
// - %d and %i with a value that is not a whole number print it as %e would;
// - numbers are written in the C locale, whatever the user's locale.
#include <cstdio>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

#include "core/matrix.h"

namespace tessaly {

using FormatValue = std::variant<double, std::string>;

class FormatArgs {
 public:
  FormatArgs() = default;
  FormatArgs(std::initializer_list<FormatValue> values) : values_(values) {}
  FormatArgs& add(double x);
  FormatArgs& add(const std::string& text);
  // Adds every element of m in column order, as a matrix argument of printf does.
  FormatArgs& add(const Matrix& m);
  const std::vector<FormatValue>& values() const { return values_; }

 private:
  std::vector<FormatValue> values_;
};

std::string formatText(const std::string& format, const FormatArgs& args = {});

// Writes formatText(format, args) to an open file.
void formatToFile(std::FILE* file, const std::string& format, const FormatArgs& args = {});

// The shortest text of a number, as shown in edit boxes: whole numbers without a decimal
// point, others with up to 5 significant digits after the integer part ("%.Ng").
std::string num2str(double x);

}  // namespace tessaly
