#include "core/csv.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "core/error.h"
#include "core/replace_file.h"

namespace tessaly {

std::string csvText(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string csvNumber(double x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
  return std::string(buffer, result.ptr);
}

CsvTable::CsvTable(const std::vector<std::string>& columns) : columns_(columns.size()) {
  for (const std::string& name : columns) field(csvText(name));
  endRow();
}

CsvTable& CsvTable::text(std::string_view value) {
  field(csvText(value));
  return *this;
}

CsvTable& CsvTable::number(double x) {
  field(csvNumber(x));
  return *this;
}

void CsvTable::field(const std::string& written) {
  if (fields_++ > 0) text_ += ',';
  text_ += written;
}

void CsvTable::endRow() {
  if (fields_ != columns_)
    throw Error("A row of " + std::to_string(fields_) + " fields in a table of " +
                std::to_string(columns_) + " columns");
  text_ += '\n';
  fields_ = 0;
}

void CsvTable::save(const std::string& path) const {
  const ReplaceResult result = replaceFile(path, text_);
  if (!result.opened) throw Error("Could not write the file " + path);
  if (result.error) throw Error("Error writing " + path + ": " + std::strerror(result.error));
}

}  // namespace tessaly
