#include "graphics/renderer/VGRMemory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {
std::atomic<VGRAllocHook> sHook{nullptr};

bool Allowed(std::size_t size)
{
  VGRAllocHook hook = sHook.load(std::memory_order_relaxed);
  return !hook || hook(size);
}
} // namespace

VGRAllocHook vgrSetAllocHook(VGRAllocHook hook)
{
  return sHook.exchange(hook);
}

void* vgrMalloc(std::size_t size)
{
  if (!Allowed(size))
    return nullptr;
  return std::malloc(size ? size : 1);
}

void* vgrCalloc(std::size_t n, std::size_t size)
{
  if (size && n > static_cast<std::size_t>(-1) / size)
    return nullptr;
  void* p = vgrMalloc(n * size);
  if (p)
    std::memset(p, 0, n * size);
  return p;
}

void* vgrRealloc(void* ptr, std::size_t size)
{
  if (!Allowed(size))
    return nullptr;
  return std::realloc(ptr, size ? size : 1);
}

void vgrFree(void* ptr)
{
  std::free(ptr);
}

} // namespace igraphics
} // namespace plug
