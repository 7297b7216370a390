#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every replaceable form is replaced, not only the plain one: the standard library's array,
// nothrow and aligned forms happen to call the plain one, but a sanitizer runtime supplies
// each form itself, and any form left to it would go uncounted (and its memory would come
// back through our delete, which the sanitizer reports as a mismatch).

namespace {
std::atomic<long> gAllocations{0};

void* Allocate(std::size_t size) noexcept
{
  ++gAllocations;
  return std::malloc(size ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) noexcept
{
  ++gAllocations;
  const std::size_t align = static_cast<std::size_t>(alignment) < sizeof(void*)
                              ? sizeof(void*)
                              : static_cast<std::size_t>(alignment);
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = (size + align - 1) / align * align;
  return std::aligned_alloc(align, rounded ? rounded : align);
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

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace testsupport {

long AllocationCount() { return gAllocations.load(); }

} // namespace testsupport
