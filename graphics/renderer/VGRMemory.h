#pragma once
// Heap allocation of the renderer and the text atlas. Failure is reported by a null result,
// never by an exception.

#include <cstddef>

namespace plug {
namespace igraphics {

// Allocation hook (for tests): when installed, every allocation or reallocation first calls
// hook(bytes) and fails as if the system had no memory when it returns false. Pass nullptr
// to remove it. Returns the previous hook.
using VGRAllocHook = bool (*)(std::size_t bytes);
VGRAllocHook vgrSetAllocHook(VGRAllocHook hook);

void* vgrMalloc(std::size_t size);
// Zeroed memory for n elements of size bytes (null on overflow).
void* vgrCalloc(std::size_t n, std::size_t size);
// The old block stays valid when this fails.
void* vgrRealloc(void* ptr, std::size_t size);
void vgrFree(void* ptr);

// Gives a growing array room for `grown` items. False, with the array as it was, when that
// fails.
template <class T>
bool vgrReallocArray(T*& items, int& capacity, int grown)
{
  auto* p = static_cast<T*>(vgrRealloc(items, sizeof(T) * static_cast<std::size_t>(grown)));
  if (!p)
    return false;
  items = p;
  capacity = grown;
  return true;
}

// Makes room for `needed` items in a growing array: when the capacity is smaller, grows it
// to needed + half the capacity. False, with the array as it was, when that fails.
template <class T>
bool vgrGrowArray(T*& items, int needed, int& capacity)
{
  return needed <= capacity || vgrReallocArray(items, capacity, needed + capacity / 2);
}

} // namespace igraphics
} // namespace plug
