#pragma once
// Counts every operator new of the process. Linking the `vellicor_alloc_counter` library
// replaces the global operator new and delete, so an executable links it at most once and
// only where every allocation is to be counted. Linking `vellicor_alloc_counter_c` instead
// also replaces malloc, calloc and realloc (and free), so that the failures armed below
// reach the C allocator's calls too, whichever library of the process makes them.

namespace testsupport {

// Calls of operator new since the process started.
long AllocationCount();

// The most bytes held at once (blocks of operator new, as the allocator sizes them) since the
// last ResetPeakBytes; the reset starts from what is held now.
long PeakBytesSinceReset();
void ResetPeakBytes();

// Blocks of operator new not yet given back.
long LiveAllocations();

// Makes the n-th allocation of the calling thread from now on (1: the next one) fail as if
// memory had run out, and with it the count - 1 after it: the throwing forms of operator new
// throw std::bad_alloc, the nothrow forms and the C allocator's calls return null. Every
// other call, and every call of another thread, succeeds; n = 0 disarms. Allocations are the
// calls of operator new, and with `vellicor_alloc_counter_c` those of malloc, calloc and
// realloc as well.
void FailAllocations(long n, long count);
inline void FailNthAllocation(long n) { FailAllocations(n, 1); }
// Whether the failure armed last has happened.
bool AllocationFailed();

} // namespace testsupport
