#pragma once
// Runs a test under a locale that writes numbers with a decimal comma, as a German desktop
// does once the windows call setlocale(LC_ALL, ""). Put back as it was at the end.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

namespace tessaly::test_support {

class CommaLocale {
 public:
  CommaLocale() : old_(std::setlocale(LC_ALL, nullptr)) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name)) {
        active_ = true;
        break;
      }
    }
  }
  ~CommaLocale() { std::setlocale(LC_ALL, old_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  // True when the locale is in force and really writes a comma.
  bool active() const {
    if (!active_) return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    return std::string(text) == "0,5";
  }

 private:
  std::string old_;
  bool active_ = false;
};

}  // namespace tessaly::test_support

// Skips the rest of the test when no decimal-comma locale is installed.
#define TESSALY_REQUIRE_COMMA_LOCALE(scope) \
  if (!(scope).active()) GTEST_SKIP() << "no de_DE locale installed"
