// A landmark file of any layout read whole: the first line decides between TPS, NTS and
// numeric rows.
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

// The first line of a file that is not blank and no # comment (at most 4096 characters).
std::string firstLine(const std::string& path, bool& opened) {
  std::ifstream in(path, std::ios::binary);
  opened = static_cast<bool>(in);
  std::string line;
  char c = 0;
  while (line.size() < 4096 && in.get(c)) {
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    std::string_view seen = trimLine(line);
    if (seen.substr(0, kUtf8Bom.size()) == kUtf8Bom) seen = trimLine(seen.substr(kUtf8Bom.size()));
    if (!seen.empty() && seen[0] != '#') break;
    line.clear();
  }
  if (line.substr(0, kUtf8Bom.size()) == kUtf8Bom) line.erase(0, kUtf8Bom.size());
  return line;
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

std::string readAll(const std::string& path) {
  std::string text;
  readWholeFile(path, text);
  return text;
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

bool hasReadingOptions(const std::string& path) {
  bool ok = true;
  const std::string start = firstLine(path, ok);
  return ok && (isTpsText(start) || endsWithNts(path) || isNtsText(start));
}

TpsData readLandmarkFile(const std::string& path, bool* opened, const LandmarkOptions& options) {
  bool ok = true;
  const std::string start = firstLine(path, ok);
  if (ok && isTpsText(start)) {
    // Mapped rather than copied: large files are the rule.
    FileBytes bytes;
    if (bytes.open(path)) {
      if (opened) *opened = true;
      return parseTps(bytes.text(), path, options);
    }
  }
  if (ok && (endsWithNts(path) || isNtsText(start))) {
    if (opened) *opened = true;
    return parseNts(readAll(path), path, options);
  }
  if (ok && !trimLine(start).empty() && !startsWithNumber(start))
    throw Error(notLandmarkData(path));
  TpsData out;
  out.rows = dload(path, opened, &out.warnings);
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
