#pragma once
// Tidy tables for R, Python and spreadsheets (*.csv): a header line of column names, then one
// line per row, fields separated by commas and lines ended by "\n". Numbers are written in the
// shortest form that reads back to the same double, with a decimal point whatever the locale
// ("NaN", "Inf" and "-Inf" for the values that are not finite); a text holding a comma, a
// double quote or a line end is put in double quotes, with its quotes doubled.
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// One field of text as it is written.
std::string csvText(std::string_view text);
// One number as it is written.
std::string csvNumber(double x);

class CsvTable {
 public:
  explicit CsvTable(const std::vector<std::string>& columns);

  CsvTable& text(std::string_view field);
  CsvTable& number(double x);
  // Ends the row; its fields must be as many as the columns.
  void endRow();

  const std::string& str() const { return text_; }
  // Writes the table to path, replacing the file only once all of it is written; an Error
  // naming the file when it cannot be written.
  void save(const std::string& path) const;

 private:
  void field(const std::string& written);
  std::string text_;
  std::size_t columns_ = 0;
  std::size_t fields_ = 0;  // in the row being written
};

}  // namespace tessaly
