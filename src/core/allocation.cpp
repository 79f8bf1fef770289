#include "core/allocation.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tessaly {

void tuneAllocation(char** argv) {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  const char* current = std::getenv("GLIBC_TUNABLES");
  std::string tunables = current ? current : "";
  if (tunables.find("glibc.malloc.hugetlb") != std::string::npos) return;
  if (!tunables.empty()) tunables += ':';
  tunables += "glibc.malloc.hugetlb=1";
  if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Not started again (no /proc, say): the program goes on as it is.
}

}  // namespace tessaly
