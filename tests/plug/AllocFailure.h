#pragma once
// Scoped control over HeapBuf allocations for tests: count them, and make them fail.

#include "plug/HeapBuf.h"
#include "tests/support/ScopedAllocFailure.h"

namespace testsupport {

using AllocFailure = ScopedAllocFailure<&plug::SetHeapBufAllocHook>;

} // namespace testsupport
