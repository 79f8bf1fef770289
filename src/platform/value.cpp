#include "platform/value.h"

#include "core/error.h"
#include "core/format.h"

namespace tessaly::platform {

const Value* Record::find(const std::string& name) const {
  for (const auto& [key, value] : fields)
    if (key == name) return &value;
  return nullptr;
}

Value* Record::find(const std::string& name) {
  for (auto& [key, value] : fields)
    if (key == name) return &value;
  return nullptr;
}

bool Value::isEmpty() const {
  if (isNumeric()) return matrix().size() == 0;
  if (isText()) return text().empty();
  if (isTexts()) return texts().empty();
  return record().empty();
}

const Matrix& Value::matrix() const {
  if (!isNumeric()) throw Error("Expected a numeric value");
  return std::get<Matrix>(data_);
}

double Value::number() const {
  const Matrix& m = matrix();
  if (m.size() == 0) throw Error("Expected a number, got an empty value");
  return m(0, 0);
}

const std::string& Value::text() const {
  if (!isText()) throw Error("Expected a text value");
  return std::get<std::string>(data_);
}

const Value::Texts& Value::texts() const {
  if (!isTexts()) throw Error("Expected a list of texts");
  return std::get<Texts>(data_);
}

const Record& Value::record() const {
  if (!isRecord()) throw Error("Expected a record");
  return *std::get<std::shared_ptr<Record>>(data_);
}

Record& Value::record() {
  if (!isRecord()) throw Error("Expected a record");
  return *std::get<std::shared_ptr<Record>>(data_);
}

std::string Value::toText() const {
  if (isText()) return text();
  if (isTexts()) {
    std::string out;
    for (size_t i = 0; i < texts().size(); ++i) out += (i ? "\n" : "") + texts()[i];
    return out;
  }
  if (isNumeric()) {
    std::string out;
    const Matrix& m = matrix();
    for (Eigen::Index i = 0; i < m.size(); ++i) out += (i ? "  " : "") + num2str(m(i));
    return out;
  }
  return {};
}

Value::Texts Value::lines() const {
  if (isTexts()) return texts();
  return {toText()};
}

bool Value::operator==(const Value& other) const {
  if (data_.index() != other.data_.index()) return false;
  if (isNumeric()) {
    const Matrix &a = matrix(), &b = other.matrix();
    return a.rows() == b.rows() && a.cols() == b.cols() && a == b;
  }
  if (isRecord()) return &record() == &other.record();
  return data_ == other.data_;
}

}  // namespace tessaly::platform
