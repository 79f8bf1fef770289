#pragma once
// Large matrices on transparent huge pages. A data set of a million specimens holds several
// matrices of some hundred megabytes, and each is touched page by page as it is first written:
// with pages of 4 KiB the kernel's page faults take as long as the arithmetic. The C library
// backs the memory it hands out with huge pages (2 MiB) when its tunable glibc.malloc.hugetlb
// is 1, but it reads its tunables only as a program starts.

namespace tessaly {

// Starts the program again, once, with glibc.malloc.hugetlb=1 added to GLIBC_TUNABLES, unless
// the tunable is set already (by an earlier start, or by the person running the program, whose
// choice stands). Call it first thing in main, before any thread or file is opened; argv is
// main's. Returns only when the program goes on as it is: the tunable was set, or starting
// again failed (the program then runs on ordinary pages, as fast as before).
void startOnHugePages(char** argv);

}  // namespace tessaly
