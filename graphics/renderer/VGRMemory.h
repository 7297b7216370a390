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

} // namespace igraphics
} // namespace plug
