#pragma once
// Reads whole regular files, bounded. The file is opened without blocking and checked to be a
// regular file before anything is read, so a FIFO, a device or a directory under a resource's
// name is refused at once instead of stalling the caller (the editor's main thread) or reading
// without end. Nothing here throws.

#include <cstddef>
#include <vector>

namespace plug {

// The whole file at `path` in `out`. False, with `out` empty, when the file cannot be opened,
// is not a regular file, is empty, holds more than `maxBytes` bytes, cannot be read whole, or
// memory runs out.
bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept;

} // namespace plug
