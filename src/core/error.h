#pragma once
// Errors that end an action carry the text the user is shown, exactly as it is to be shown.
#include <stdexcept>
#include <string>

namespace tessaly {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tessaly
