#pragma once
// How the program asks the C library for memory. A data set of a million specimens holds
// several matrices of some hundred megabytes, each touched page by page as it is first
// written, and the bands of specimens worked on the threads take and give back blocks of a
// megabyte or two many times over. With the library's defaults, every such block is mapped
// afresh and every page of it faulted in: the kernel's page faults then take as long as the
// arithmetic.

namespace tessaly {

// Call first thing in main, before any thread or file is opened; argv is main's.
// - Blocks of up to 32 MB come from the library's heaps and are reused when given back, instead
//   of being mapped and unmapped each time; the heaps are not trimmed for less than 128 MB.
// - Larger blocks are backed by transparent huge pages (2 MiB). The library does so when its
//   tunable glibc.malloc.hugetlb is 1, and it reads its tunables only as a program starts: so
//   the program starts itself again, once, with the tunable added to GLIBC_TUNABLES, unless it
//   is set already (by that earlier start, or by the person running the program, whose choice
//   stands). If starting again fails, the program goes on with ordinary pages.
void tuneAllocation(char** argv);

}  // namespace tessaly
