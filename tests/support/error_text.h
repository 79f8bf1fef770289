#pragma once
// The text of the error that a call throws, for tests that check what the user reads.
#include <exception>
#include <string>
#include <utility>

namespace tessaly::test_support {

// What f throws (any std::exception, the program's Error included), or "no error" when it
// returns.
template <typename F>
std::string errorText(F&& f) {
  try {
    std::forward<F>(f)();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace tessaly::test_support
