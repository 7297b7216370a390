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

} // namespace testsupport
