#include "tests/support/AllocationCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(VELLICOR_ALLOC_COUNTER_C)
#include <dlfcn.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#endif

// Every replaceable form is replaced, not only the plain one: the standard library's array,
// nothrow and aligned forms happen to call the plain one, but a sanitizer runtime supplies
// each form itself, and any form left to it would go uncounted (and its memory would come
// back through our delete, which the sanitizer reports as a mismatch).

// What the C allocator's calls run: they come before a sanitizer runtime has set itself up
// (from inside its own set-up, even), when instrumented code cannot run yet. So these use no
// instrumentation, and reach memory only through plain globals and the compiler's builtins.
#define ALLOCATOR_PATH __attribute__((no_sanitize("address", "undefined")))

namespace {
std::atomic<long> gAllocations{0};
// Bytes held, as the allocator counts them (its usable size of each block), and the most held
// since the last reset.
std::atomic<long> gLiveBytes{0};
std::atomic<long> gPeakBytes{0};
std::atomic<long> gLiveAllocations{0};

// The armed failure: the thread it is armed for (the address of that thread's tag), its
// allocations left before the first failing one (0: none armed), how many fail in a row, how
// many of those are still to fail, and whether one has failed. Only the armed thread counts
// down, so relaxed accesses do.
thread_local char tThreadTag = 0;
const void* gArmedThread = nullptr;
long gFailCountdown = 0;
long gFailBurst = 1;
long gFailingLeft = 0;
bool gFailed = false;

template <class T>
ALLOCATOR_PATH inline T Load(const T& value)
{
  return __atomic_load_n(&value, __ATOMIC_RELAXED);
}

template <class T>
ALLOCATOR_PATH inline void Store(T& value, T to)
{
  __atomic_store_n(&value, to, __ATOMIC_RELAXED);
}

// True for the calls armed to fail. Looks at the thread only while a failure is armed, so that
// the allocations of a thread still setting up never reach its thread-local storage.
ALLOCATOR_PATH bool FailsNow() noexcept
{
  if (Load(gFailCountdown) == 0 && Load(gFailingLeft) == 0)
    return false;
  if (Load(gArmedThread) != static_cast<const void*>(&tThreadTag))
    return false;
  const long failing = Load(gFailingLeft);
  if (failing > 0)
  {
    Store(gFailingLeft, failing - 1);
    return true;
  }
  const long left = Load(gFailCountdown);
  if (left == 0)
    return false;
  Store(gFailCountdown, left - 1);
  if (left != 1)
    return false;
  Store(gFailingLeft, Load(gFailBurst) - 1);
  Store(gFailed, true);
  return true;
}

#if defined(VELLICOR_ALLOC_COUNTER_C)
// The C allocator this one stands in front of (the C library's, or a sanitizer runtime's),
// looked up at the first call, while the process is still single-threaded. What the look-up
// itself allocates comes from a static block and is never given back.
using MallocFn = void* (*)(std::size_t);
using CallocFn = void* (*)(std::size_t, std::size_t);
using ReallocFn = void* (*)(void*, std::size_t);
using FreeFn = void (*)(void*);
MallocFn gNextMalloc = nullptr;
CallocFn gNextCalloc = nullptr;
ReallocFn gNextRealloc = nullptr;
FreeFn gNextFree = nullptr;
bool gResolving = false;
constexpr std::size_t kEarlyBytes = 65536;
alignas(std::max_align_t) char gEarly[kEarlyBytes];
std::size_t gEarlyUsed = 0;

ALLOCATOR_PATH bool IsEarly(const void* p)
{
  const char* c = static_cast<const char*>(p);
  return c >= gEarly && c < gEarly + kEarlyBytes;
}

ALLOCATOR_PATH void* EarlyAllocate(std::size_t size) noexcept
{
  const std::size_t align = alignof(std::max_align_t);
  const std::size_t rounded = ((size ? size : 1) + align - 1) / align * align;
  if (rounded > kEarlyBytes - gEarlyUsed)
    return nullptr;
  void* p = gEarly + gEarlyUsed;
  gEarlyUsed += rounded;
  return p;
}

ALLOCATOR_PATH void Resolve() noexcept
{
  if (gNextMalloc || gResolving)
    return;
  gResolving = true;
  gNextFree = reinterpret_cast<FreeFn>(dlsym(RTLD_NEXT, "free"));
  gNextCalloc = reinterpret_cast<CallocFn>(dlsym(RTLD_NEXT, "calloc"));
  gNextRealloc = reinterpret_cast<ReallocFn>(dlsym(RTLD_NEXT, "realloc"));
  gNextMalloc = reinterpret_cast<MallocFn>(dlsym(RTLD_NEXT, "malloc"));
  gResolving = false;
}

ALLOCATOR_PATH void* RawMalloc(std::size_t size) noexcept
{
  Resolve();
  return gResolving ? EarlyAllocate(size) : gNextMalloc(size);
}

ALLOCATOR_PATH void RawFree(void* p) noexcept
{
  if (!p || IsEarly(p))
    return;
  Resolve();
  gNextFree(p);
}
#else
void* RawMalloc(std::size_t size) noexcept { return std::malloc(size); }
void RawFree(void* p) noexcept { std::free(p); }
#endif

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
  RawFree(p);
}

void* Allocate(std::size_t size) noexcept
{
  ++gAllocations;
  if (FailsNow())
    return nullptr;
  return Counted(RawMalloc(size ? size : 1));
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

#if defined(VELLICOR_ALLOC_COUNTER_C)
// The C allocator's entry points, for every library of the process: the executable's
// definitions come first. A failing call sets errno as the C library's does.
extern "C" {
ALLOCATOR_PATH void* malloc(std::size_t size) noexcept
{
  if (FailsNow())
  {
    errno = ENOMEM;
    return nullptr;
  }
  return RawMalloc(size);
}

ALLOCATOR_PATH void* calloc(std::size_t count, std::size_t size) noexcept
{
  Resolve();
  if (gResolving)
    return count != 0 && size > kEarlyBytes / count ? nullptr : EarlyAllocate(count * size);
  if (FailsNow())
  {
    errno = ENOMEM;
    return nullptr;
  }
  return gNextCalloc(count, size);
}

ALLOCATOR_PATH void* realloc(void* p, std::size_t size) noexcept
{
  if (p && IsEarly(p))
  {
    // Moved into a block of the allocator behind; the early one is never given back.
    void* moved = malloc(size);
    if (moved)
    {
      const std::size_t room = static_cast<std::size_t>(gEarly + kEarlyBytes - static_cast<char*>(p));
      __builtin_memcpy(moved, p, size < room ? size : room);
    }
    return moved;
  }
  if (size != 0 && FailsNow())
  {
    errno = ENOMEM;
    return nullptr;
  }
  Resolve();
  return gResolving ? EarlyAllocate(size) : gNextRealloc(p, size);
}

ALLOCATOR_PATH void free(void* p) noexcept { RawFree(p); }
}
#endif

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

void FailAllocations(long n, long count)
{
  Store(gFailCountdown, 0L);
  Store(gFailingLeft, 0L);
  Store(gFailed, false);
  Store(gArmedThread, static_cast<const void*>(&tThreadTag));
  Store(gFailBurst, count > 1 ? count : 1L);
  __atomic_store_n(&gFailCountdown, n > 0 ? n : 0L, __ATOMIC_SEQ_CST);
}

bool AllocationFailed() { return __atomic_load_n(&gFailed, __ATOMIC_SEQ_CST); }

} // namespace testsupport
