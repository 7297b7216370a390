#pragma once
// Counts every operator new of the process. Linking the `vellicor_alloc_counter` library
// replaces the global operator new and delete, so an executable links it at most once and
// only where every allocation is to be counted.

namespace testsupport {

// Calls of operator new since the process started.
long AllocationCount();

// The most bytes held at once (blocks of operator new, as the allocator sizes them) since the
// last ResetPeakBytes; the reset starts from what is held now.
long PeakBytesSinceReset();
void ResetPeakBytes();

// Blocks of operator new not yet given back.
long LiveAllocations();

// Makes the n-th call of operator new from now on (1: the next one) fail as if memory had run
// out: the throwing forms throw std::bad_alloc, the nothrow forms return null. Only that one
// call fails; 0 disarms. Process-wide: arm it only while one thread allocates.
void FailNthAllocation(long n);
// Whether the failure armed last has happened.
bool AllocationFailed();

} // namespace testsupport
