#include "tests/support/AllocationCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Every replaceable form is replaced, not only the plain one: the standard library's array,
// nothrow and aligned forms happen to call the plain one, but a sanitizer runtime supplies
// each form itself, and any form left to it would go uncounted (and its memory would come
// back through our delete, which the sanitizer reports as a mismatch).

namespace {
std::atomic<long> gAllocations{0};
// Bytes held, as the allocator counts them (its usable size of each block), and the most held
// since the last reset.
std::atomic<long> gLiveBytes{0};
std::atomic<long> gPeakBytes{0};
std::atomic<long> gLiveAllocations{0};
// Calls left before the one that fails (0: none fails), and whether it has failed.
std::atomic<long> gFailCountdown{0};
std::atomic<bool> gFailed{false};

// True for the one call armed to fail.
bool FailsNow() noexcept
{
  long left = gFailCountdown.load(std::memory_order_relaxed);
  while (left > 0 && !gFailCountdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
  {
  }
  if (left != 1)
    return false;
  gFailed.store(true);
  return true;
}

void* Counted(void* p) noexcept
{
  if (p)
  {
    ++gLiveAllocations;
    const long live = gLiveBytes += static_cast<long>(malloc_usable_size(p));
    long peak = gPeakBytes.load();
    while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live))
    {
    }
  }
  return p;
}

void Free(void* p) noexcept
{
  if (p)
  {
    --gLiveAllocations;
    gLiveBytes -= static_cast<long>(malloc_usable_size(p));
  }
  std::free(p);
}

void* Allocate(std::size_t size) noexcept
{
  ++gAllocations;
  if (FailsNow())
    return nullptr;
  return Counted(std::malloc(size ? size : 1));
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) noexcept
{
  ++gAllocations;
  if (FailsNow())
    return nullptr;
  const std::size_t align = static_cast<std::size_t>(alignment) < sizeof(void*)
                              ? sizeof(void*)
                              : static_cast<std::size_t>(alignment);
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = (size + align - 1) / align * align;
  return Counted(std::aligned_alloc(align, rounded ? rounded : align));
}
} // namespace

void* operator new(std::size_t size)
{
  if (void* p = Allocate(size))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
  if (void* p = Allocate(size))
    return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void* operator new(std::size_t size, std::align_val_t alignment)
{
  if (void* p = AllocateAligned(size, alignment))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
  if (void* p = AllocateAligned(size, alignment))
    return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
  return AllocateAligned(size, alignment);
}

void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete(void* p, std::align_val_t) noexcept { Free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Free(p); }

namespace testsupport {

long AllocationCount() { return gAllocations.load(); }

long PeakBytesSinceReset() { return gPeakBytes.load(); }

void ResetPeakBytes() { gPeakBytes.store(gLiveBytes.load()); }

long LiveAllocations() { return gLiveAllocations.load(); }

void FailNthAllocation(long n)
{
  gFailed.store(false);
  gFailCountdown.store(n > 0 ? n : 0);
}

bool AllocationFailed() { return gFailed.load(); }

} // namespace testsupport
