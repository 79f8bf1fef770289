// A landmark file of any layout read whole: the first line decides between TPS, NTS and
// numeric rows.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/dload.h"
#include "core/error.h"
#include "core/file_bytes.h"
#include "core/line_reader.h"
#include "core/tps.h"

namespace tessaly {

namespace {

// The first line of a text that is not blank and no # comment (at most 4096 characters).
std::string_view firstLine(std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    const std::string_view seen = trimLine(line);
    if (!seen.empty() && seen[0] != '#') return line.substr(0, 4096);
  }
  return {};
}

bool endsWithNts(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return end == ".NTS";
}

// True when the first word of the line is a number (a numeric landmark file starts so).
bool startsWithNumber(std::string_view line) {
  line = trimLine(line);
  const std::string_view word = line.substr(0, line.find_first_of(" \t,"));
  double x = 0;
  return parseCoordinate(word, x);
}

}  // namespace

std::string notLandmarkData(const std::string& path) {
  return "Cannot read " + path +
         ": the file is not landmark data. Tessaly reads numeric rows (x1 y1 ... xk yk and the "
         "centroid size, one specimen a line), TPS files (LM= blocks) and NTS files (a header "
         "1 N C 0)";
}

bool readWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) {
    text.resize(static_cast<size_t>(size));
    in.read(text.data(), size);
    text.resize(static_cast<size_t>(in.gcount()));
  } else {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return true;
}

// Only a plain file is looked into: a pipe can be read once, and that reading is the one that
// loads it (read with the default options unless its name ends in .nts).
bool hasReadingOptions(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return endsWithNts(path);
  FileBytes bytes;
  if (!bytes.open(path)) return false;
  const std::string_view start = firstLine(bytes.text());
  return isTpsText(start) || endsWithNts(path) || isNtsText(start);
}

// The file is read once (mapped rather than copied: large files are the rule), and its layout
// decided from its bytes, so that a pipe is read whole too.
TpsData readLandmarkFile(const std::string& path, bool* opened, const LandmarkOptions& options) {
  FileBytes bytes;
  const bool ok = bytes.open(path);
  if (opened) *opened = ok;
  TpsData out;
  if (!ok) {
    out.rows = scalar(-1);
    return out;
  }
  const std::string_view text = bytes.text(), start = firstLine(text);
  if (isTpsText(start)) return parseTps(text, path, options);
  if (endsWithNts(path) || isNtsText(start)) return parseNts(text, path, options);
  if (!trimLine(start).empty() && !startsWithNumber(start)) throw Error(notLandmarkData(path));
  out.rows = dloadText(text, path, &out.warnings);
  return out;
}

std::string numericText(const Matrix& rows) {
  std::string text;
  char buffer[32];
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    for (Eigen::Index j = 0; j < rows.cols(); ++j) {
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, rows(i, j));
      if (j) text += ' ';
      text.append(buffer, end);
    }
    text += '\n';
  }
  return text;
}

}  // namespace tessaly
