#include "core/huge_pages.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tessaly {

void startOnHugePages(char** argv) {
  const char* current = std::getenv("GLIBC_TUNABLES");
  std::string tunables = current ? current : "";
  if (tunables.find("glibc.malloc.hugetlb") != std::string::npos) return;
  if (!tunables.empty()) tunables += ':';
  tunables += "glibc.malloc.hugetlb=1";
  if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Not started again (no /proc, say): the program goes on, and the variable it set stays in
  // its environment for the programs it starts.
}

}  // namespace tessaly
