#include "shell/callback.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <string_view>

#include "core/error.h"
#include "core/numbers.h"
#include "platform/platform.h"

namespace tessaly::shell {

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text) : s_(text) {}

  CallbackCall call() {
    CallbackCall c;
    skipBlanks();
    c.function = identifier();
    if (c.function.empty()) fail("it does not begin with a function name");
    skipBlanks();
    if (peek() == '(') {
      ++pos_;
      skipBlanks();
      if (peek() != ')') {
        for (;;) {
          c.args.push_back(argument());
          skipBlanks();
          if (peek() == ',') {
            ++pos_;
            skipBlanks();
            continue;
          }
          if (peek() == ')') break;
          fail(atEnd() ? "a closing parenthesis is missing" : "a comma or ) was expected");
        }
      }
      ++pos_;  // the ')'
    }
    skipBlanks();
    if (peek() == ';') ++pos_;
    skipBlanks();
    if (!atEnd()) fail("there is more after the call");
    return c;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw Error("Cannot read the callback " + s_ + ": " + what + ".");
  }
  bool atEnd() const { return pos_ >= s_.size(); }
  char peek() const { return atEnd() ? '\0' : s_[pos_]; }
  void skipBlanks() {
    while (!atEnd() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
  }

  std::string identifier() {
    size_t start = pos_;
    if (atEnd() || !std::isalpha(static_cast<unsigned char>(s_[pos_]))) return {};
    while (!atEnd() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
      ++pos_;
    return s_.substr(start, pos_ - start);
  }

  CallbackArgument argument() {
    char c = peek();
    if (c == '\'' || c == '"') return {Value(quoted(c))};
    if (c == '[') return {Value(matrix())};
    if (std::isalpha(static_cast<unsigned char>(c))) {
      std::string word = identifier();
      if (word == "gca") return {HandleName::Gca};
      if (word == "gcf") return {HandleName::Gcf};
      if (word == "gcbo") return {HandleName::Gcbo};
      if (word == "Inf" || word == "inf") return {Value(std::numeric_limits<double>::infinity())};
      if (word == "NaN" || word == "nan") return {Value(std::numeric_limits<double>::quiet_NaN())};
      if (word == "true") return {Value(1.0)};
      if (word == "false") return {Value(0.0)};
      fail("the name " + word + " cannot be an argument");
    }
    double x;
    if (!number(x)) fail(atEnd() ? "an argument is missing" : "an argument is not readable");
    return {Value(x)};
  }

  std::string quoted(char quote) {
    ++pos_;
    std::string out;
    for (;;) {
      if (atEnd()) fail("a quoted text is not closed");
      char c = s_[pos_++];
      if (c == quote) {
        if (peek() == quote) {  // a doubled quote stands for one
          out += quote;
          ++pos_;
          continue;
        }
        return out;
      }
      out += c;
    }
  }

  // A number with optional sign, decimals and exponent, or a signed Inf.
  bool number(double& x) {
    size_t start = pos_;
    if (peek() == '+' || peek() == '-') ++pos_;
    if (s_.compare(pos_, 3, "Inf") == 0 || s_.compare(pos_, 3, "inf") == 0) {
      pos_ += 3;
      x = s_[start] == '-' ? -std::numeric_limits<double>::infinity()
                           : std::numeric_limits<double>::infinity();
      return true;
    }
    size_t digits = 0;
    while (std::isdigit(static_cast<unsigned char>(peek()))) ++pos_, ++digits;
    if (peek() == '.') {
      ++pos_;
      while (std::isdigit(static_cast<unsigned char>(peek()))) ++pos_, ++digits;
    }
    if (digits == 0) {
      pos_ = start;
      return false;
    }
    if (peek() == 'e' || peek() == 'E') {
      size_t mark = pos_++;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (!std::isdigit(static_cast<unsigned char>(peek()))) {
        pos_ = mark;
      } else {
        while (std::isdigit(static_cast<unsigned char>(peek()))) ++pos_;
      }
    }
    if (!parseNumber(std::string_view(s_).substr(start, pos_ - start), x)) {
      pos_ = start;
      return false;
    }
    return true;
  }

  Matrix matrix() {
    ++pos_;  // '['
    std::vector<std::vector<double>> rows(1);
    for (;;) {
      while (!atEnd() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == ',')) ++pos_;
      if (atEnd()) fail("a [ is not closed");
      if (s_[pos_] == ']') {
        ++pos_;
        break;
      }
      if (s_[pos_] == ';' || s_[pos_] == '\n') {
        ++pos_;
        rows.emplace_back();
        continue;
      }
      double x;
      if (!number(x)) fail("a matrix holds something that is not a number");
      rows.back().push_back(x);
    }
    if (!rows.empty() && rows.back().empty() && rows.size() > 1) rows.pop_back();
    const size_t cols = rows.front().size();
    for (const auto& r : rows)
      if (r.size() != cols) fail("the rows of a matrix differ in length");
    if (cols == 0) return Matrix();
    Matrix m(static_cast<Eigen::Index>(rows.size()), static_cast<Eigen::Index>(cols));
    for (size_t i = 0; i < rows.size(); ++i)
      for (size_t j = 0; j < cols; ++j)
        m(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = rows[i][j];
    return m;
  }

  const std::string& s_;
  size_t pos_ = 0;
};

platform::Handle& currentCallbackObject() {
  static platform::Handle h = -1;
  return h;
}

// Makes an object the running callback's object for as long as it lives.
class CallbackScope {
 public:
  explicit CallbackScope(platform::Handle h) : saved_(currentCallbackObject()) {
    currentCallbackObject() = h;
  }
  ~CallbackScope() { currentCallbackObject() = saved_; }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;

 private:
  platform::Handle saved_;
};

}  // namespace

CallbackCall parseCallback(const std::string& text) {
  return Reader(text).call();
}

Values resolveArguments(const CallbackCall& call, platform::Handle gcbo) {
  Values out;
  for (const CallbackArgument& arg : call.args) {
    if (const Value* v = std::get_if<Value>(&arg.value)) {
      out.push_back(*v);
      continue;
    }
    switch (std::get<HandleName>(arg.value)) {
      case HandleName::Gca:
        out.emplace_back(platform::model().gca());
        break;
      case HandleName::Gcf:
        out.emplace_back(platform::model().gcf());
        break;
      case HandleName::Gcbo:
        if (gcbo < 0 || !platform::model().isHandle(gcbo))
          throw Error("There is no object whose callback is running.");
        out.emplace_back(gcbo);
        break;
    }
  }
  return out;
}

void reportError(const std::string& text) {
  platform::console().write(text + "\n");
  platform::dialogs().error(text, "Error");
}

bool runCallbackText(const std::string& text, platform::Handle gcbo) {
  bool blank = true;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) blank = false;
  if (blank) return true;
  CallbackScope scope(gcbo);
  try {
    auto& m = platform::model();
    if (gcbo >= 0 && m.isHandle(gcbo)) {
      platform::Handle fig = m.figureOf(gcbo);
      if (fig >= 0) m.setCurrentFigure(fig);
    }
    CallbackCall call = parseCallback(text);
    callFunction(call.function, resolveArguments(call, gcbo), 0);
    return true;
  } catch (const std::exception& e) {
    reportError(e.what());
  } catch (...) {
    reportError("An unexpected error stopped the action.");
  }
  return false;
}

bool runCallback(platform::Handle object) {
  auto& m = platform::model();
  if (!m.isHandle(object)) return false;
  const char* property = m.type(object) == "axes" ? "ButtonDownFcn" : "Callback";
  if (!m.hasProperty(object, property)) return true;
  return runCallbackText(m.get(object, property).toText(), object);
}

platform::Handle callbackObject() {
  return currentCallbackObject();
}

}  // namespace tessaly::shell
