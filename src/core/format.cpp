#include "core/format.h"

#include <locale.h>

#include <cctype>
#include <climits>
#include <cmath>

namespace tessaly {

FormatArgs& FormatArgs::add(double x) {
  values_.emplace_back(x);
  return *this;
}

FormatArgs& FormatArgs::add(const std::string& text) {
  values_.emplace_back(text);
  return *this;
}

FormatArgs& FormatArgs::add(const Matrix& m) {
  for (Eigen::Index j = 0; j < m.cols(); ++j)
    for (Eigen::Index i = 0; i < m.rows(); ++i) values_.emplace_back(m(i, j));
  return *this;
}

namespace {

// One conversion of a format: flags, width and precision as written ("%-4.1"), and its letter.
struct Conversion {
  std::string flags;
  char letter = 0;
};

// Reads the conversion that starts at format[pos] == '%'; returns the position after it.
size_t readConversion(const std::string& format, size_t pos, Conversion& conv) {
  size_t end = pos + 1;
  auto in = [&](const char* set) {
    return end < format.size() && std::string(set).find(format[end]) != std::string::npos;
  };
  while (in("-+ #0")) ++end;
  while (end < format.size() && std::isdigit(static_cast<unsigned char>(format[end]))) ++end;
  if (in(".")) {
    ++end;
    while (end < format.size() && std::isdigit(static_cast<unsigned char>(format[end]))) ++end;
  }
  conv.flags = format.substr(pos, end - pos);
  while (in("lh")) ++end;
  conv.letter = end < format.size() ? format[end] : 0;
  return end < format.size() ? end + 1 : end;
}

// The "C" locale, made once and kept for the life of the program.
locale_t cLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

// Puts this thread in the "C" locale for as long as it lives, whatever setlocale holds for the
// program: a decimal comma must never reach a file. Other threads are not affected.
class CLocaleScope {
 public:
  CLocaleScope() : old_(cLocale() ? uselocale(cLocale()) : static_cast<locale_t>(nullptr)) {}
  ~CLocaleScope() {
    if (old_) uselocale(old_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t old_;
};

// printf of one value with a complete C format, in the C locale.
template <typename T>
std::string cFormat(const std::string& flags, T value) {
  CLocaleScope cNumbers;
  int n = std::snprintf(nullptr, 0, flags.c_str(), value);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), flags.c_str(), value);
  out.resize(static_cast<size_t>(n));
  return out;
}

bool isWhole(double x) {
  return std::isfinite(x) && x == std::floor(x) && std::fabs(x) < 9e18;
}

std::string formatNumber(const Conversion& conv, double x) {
  switch (conv.letter) {
    case 'd':
    case 'i':
    case 'u':
      if (isWhole(x)) return cFormat(conv.flags + "lld", static_cast<long long>(x));
      return cFormat(conv.flags + (std::isfinite(x) ? "e" : "f"), x);
    case 'x':
    case 'X':
    case 'o':
      if (isWhole(x)) return cFormat(conv.flags + "ll" + conv.letter, static_cast<long long>(x));
      return cFormat(conv.flags + "e", x);
    case 'c':
      // A character code must fit an int; NaN, infinities and larger values print as %e does
      // for a %d that is not whole.
      if (!(x > INT_MIN - 1.0 && x < INT_MAX + 1.0)) return cFormat(conv.flags + "e", x);
      return std::string(1, static_cast<char>(static_cast<int>(x)));
    case 's':
      return cFormat(conv.flags + "s", num2str(x).c_str());
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      return cFormat(conv.flags + conv.letter, x);
    default:
      return cFormat(conv.flags + "f", x);
  }
}

std::string formatValue(const Conversion& conv, const FormatValue& value) {
  if (const auto* x = std::get_if<double>(&value)) return formatNumber(conv, *x);
  const std::string& text = std::get<std::string>(value);
  if (conv.letter == 's' || conv.letter == 'c') return cFormat(conv.flags + "s", text.c_str());
  // A text given to a numeric conversion prints its characters as codes, one per value.
  std::string out;
  for (unsigned char c : text) out += formatNumber(conv, c);
  return out;
}

// The escape of a backslash sequence in a format, or 0 when it is none.
char escapeOf(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case 'r':
      return '\r';
    case '\\':
      return '\\';
    case 'a':
      return '\a';
    default:
      return 0;
  }
}

}  // namespace

std::string formatText(const std::string& format, const FormatArgs& args) {
  const auto& values = args.values();
  std::string out;
  size_t next = 0;
  while (true) {
    const size_t atStart = next;
    bool sawConversion = false;
    for (size_t pos = 0; pos < format.size();) {
      char c = format[pos];
      if (c == '\\' && pos + 1 < format.size() && escapeOf(format[pos + 1])) {
        out += escapeOf(format[pos + 1]);
        pos += 2;
      } else if (c == '%' && pos + 1 < format.size() && format[pos + 1] == '%') {
        out += '%';
        pos += 2;
      } else if (c == '%') {
        Conversion conv;
        size_t after = readConversion(format, pos, conv);
        sawConversion = true;
        if (next >= values.size()) return out;
        out += formatValue(conv, values[next++]);
        pos = after;
      } else {
        out += c;
        ++pos;
      }
    }
    if (!sawConversion || next >= values.size() || next == atStart) return out;
  }
}

void formatToFile(std::FILE* file, const std::string& format, const FormatArgs& args) {
  const std::string text = formatText(format, args);
  std::fwrite(text.data(), 1, text.size(), file);
}

std::string num2str(double x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  if (isWhole(x)) return cFormat("%lld", static_cast<long long>(x));
  // Four digits after the decimal point for numbers below ten, more integer digits as needed.
  int digits = std::max(static_cast<int>(std::ceil(std::log10(std::fabs(x)))), 1) + 4;
  return cFormat("%." + std::to_string(digits) + "g", x);
}

}  // namespace tessaly
