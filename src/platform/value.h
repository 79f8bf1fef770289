#pragma once
// A value that crosses the by-name boundary (callbacks, the function table) or sits in a
// property of a graphics object: a matrix, a text, a list of texts, or a record of named
// fields. Inside the program typed C++ is used; Value appears only at those edges.
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/matrix.h"

namespace tessaly::platform {

class Value;

// Named fields in the order they were added.
struct Record {
  std::vector<std::pair<std::string, Value>> fields;
  const Value* find(const std::string& name) const;
  Value* find(const std::string& name);
  bool empty() const;  // defined below Value, which must be complete for it
};

class Value {
 public:
  using Texts = std::vector<std::string>;

  Value() : data_(Matrix()) {}
  Value(double x) : data_(scalar(x)) {}
  Value(int x) : data_(scalar(x)) {}
  Value(const Matrix& m) : data_(m) {}
  Value(Matrix&& m) : data_(std::move(m)) {}
  template <typename Derived>
  Value(const Eigen::MatrixBase<Derived>& m) : data_(Matrix(m)) {}
  Value(const char* text) : data_(std::string(text)) {}
  Value(std::string text) : data_(std::move(text)) {}
  Value(Texts texts) : data_(std::move(texts)) {}
  Value(Record record) : data_(std::make_shared<Record>(std::move(record))) {}

  bool isNumeric() const { return std::holds_alternative<Matrix>(data_); }
  bool isText() const { return std::holds_alternative<std::string>(data_); }
  bool isTexts() const { return std::holds_alternative<Texts>(data_); }
  bool isRecord() const { return std::holds_alternative<std::shared_ptr<Record>>(data_); }
  // The empty matrix, an empty text, an empty list or a record without fields.
  bool isEmpty() const;

  // Typed access; the wrong kind is an Error naming what was expected.
  const Matrix& matrix() const;
  double number() const;  // first element of a numeric value
  const std::string& text() const;
  const Texts& texts() const;
  const Record& record() const;
  Record& record();

  // A text, or the lines of a list joined by line ends, or a number as num2str shows it.
  std::string toText() const;
  // The lines of a text value: a list as it is, a single text as one line.
  Texts lines() const;

  bool operator==(const Value& other) const;

 private:
  std::variant<Matrix, std::string, Texts, std::shared_ptr<Record>> data_;
};

inline bool Record::empty() const {
  return fields.empty();
}

}  // namespace tessaly::platform
