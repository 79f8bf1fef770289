#include "cli/script.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "core/error.h"
#include "core/numbers.h"

namespace tessaly::cli {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && isBlank(s[a])) ++a;
  while (b > a && isBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

}  // namespace

std::vector<std::string> splitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;  // a word has begun (it may still be empty: '' is a word)
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n) {
    const char c = line[i];
    if (isBlank(c)) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      ++i;
    } else if (c == '#' && !inWord) {
      break;
    } else if (c == '\\') {
      if (i + 1 >= n) throw Error("a backslash ends the line");
      word += line[i + 1];
      inWord = true;
      i += 2;
    } else if (c == '\'') {
      const std::size_t close = line.find('\'', i + 1);
      if (close == std::string::npos) throw Error("a single quote is not closed");
      word += line.substr(i + 1, close - i - 1);
      inWord = true;
      i = close + 1;
    } else if (c == '"') {
      inWord = true;
      ++i;
      bool closed = false;
      while (i < n) {
        const char d = line[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n &&
            (line[i + 1] == '"' || line[i + 1] == '\\' || line[i + 1] == '$' ||
             line[i + 1] == '`')) {
          word += line[i + 1];
          i += 2;
        } else {
          word += d;
          ++i;
        }
      }
      if (!closed) throw Error("a double quote is not closed");
    } else {
      word += c;
      inWord = true;
      ++i;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

bool parseLine(const std::string& text, int line, Step& step) {
  step = Step{};
  step.line = line;

  // A callback text is taken as it stands: its quotes belong to the callback, not to us.
  const std::string trimmed = trim(text);
  if (trimmed.rfind("call", 0) == 0 && (trimmed.size() == 4 || isBlank(trimmed[4]))) {
    step.kind = Step::Kind::Call;
    step.text = trim(trimmed.substr(4));
    // Answers to the dialogs of the call follow a blank-separated "--".
    const std::size_t mark = (" " + step.text + " ").find(" -- ");
    if (mark != std::string::npos) {
      try {
        step.args = splitWords(step.text.substr(std::min(mark + 2, step.text.size())));
      } catch (const Error& e) {
        throw ScriptError(line, e.what());
      }
      step.text = trim(step.text.substr(0, mark));
    }
    if (step.text.empty()) throw ScriptError(line, "call needs a callback text");
    return true;
  }

  std::vector<std::string> words;
  try {
    words = splitWords(text);
  } catch (const Error& e) {
    throw ScriptError(line, e.what());
  }
  if (words.empty()) return false;

  const std::string& head = words.front();
  std::vector<std::string> rest(words.begin() + 1, words.end());
  if (head == "set") {
    if (rest.size() != 3) {
      throw ScriptError(line,
                        "set needs a Tag, a property and a value (quote a value with blanks)");
    }
    step.kind = Step::Kind::Set;
    step.args = rest;
  } else if (head == "print") {
    if (rest.size() != 1) throw ScriptError(line, "print needs one file name");
    step.kind = Step::Kind::Print;
    step.args = rest;
  } else if (head == "seed") {
    if (rest.size() != 1 || !parseCount(rest[0], step.seed)) {
      throw ScriptError(line, "seed needs one whole number, 0 or more");
    }
    step.kind = Step::Kind::Seed;
  } else if (head == "on-error") {
    if (rest.size() != 1 || (rest[0] != "continue" && rest[0] != "stop")) {
      throw ScriptError(line, "on-error takes continue or stop");
    }
    step.kind = Step::Kind::OnError;
    step.continueOnError = rest[0] == "continue";
  } else {
    step.kind = Step::Kind::Action;
    step.name = head;
    step.args = rest;
  }
  return true;
}

std::vector<Step> parseScript(std::istream& in) {
  std::vector<Step> steps;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    Step step;
    if (parseLine(text, line, step)) steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace tessaly::cli
