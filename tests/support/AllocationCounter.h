#pragma once
// Counts every operator new of the process. Linking the `vellicor_alloc_counter` library
// replaces the global operator new and delete, so an executable links it at most once and
// only where every allocation is to be counted.

namespace testsupport {

// Calls of operator new since the process started.
long AllocationCount();

} // namespace testsupport
