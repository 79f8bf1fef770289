#include "platform/console.h"

#include <gtest/gtest.h>

#include "core/diagnostics.h"
#include "platform/platform.h"

namespace tessaly::platform {
namespace {

TEST(Console, CollectsLinesAndReceivesDiagnosticsOnceInstalled) {
  CollectingConsole console;
  platform().setConsole(&console);
  diagnostic("theta\n");
  diagnostic("30");
  diagnostic("\nsuptype 2\n");
  EXPECT_EQ(console.lines(), (std::vector<std::string>{"theta", "30", "suptype 2"}));
  // A fresh object tree keeps the installed console.
  resetPlatform();
  diagnostic("after");
  EXPECT_EQ(console.lines().back(), "after");
  platform().setConsole(nullptr);
  diagnostic("to standard error\n");
  EXPECT_EQ(console.lines().back(), "after");
}

}  // namespace
}  // namespace tessaly::platform
