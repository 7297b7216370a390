#pragma once
// Reads whole regular files, bounded. The file is opened without blocking and checked to be a
// regular file before anything is read, so a FIFO, a device or a directory under a resource's
// name is refused at once instead of stalling the caller (the editor's main thread) or reading
// without end. Nothing here throws.

#include <cstddef>
#include <string>
#include <vector>

namespace plug {

// What ReadRegularFileWithin found.
enum class RegularFileRead
{
  kRead,       // the output holds the whole content (empty for an empty file)
  kMissing,    // nothing under the path (or no path)
  kNotRegular, // a directory, FIFO, device or socket
  kTooLarge,   // a regular file of more than the bound, or one that grew past it while read
  kUnreadable, // present but not opened or not read: no permission, a read error, no memory
};

// The whole regular file at `path` in `out`, at most `maxBytes` bytes. The size the file has
// when opened decides first; then it is read to its end, and what the file does meanwhile
// cannot make the read go past the bound. On any result but kRead `out` is empty.
RegularFileRead ReadRegularFileWithin(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept;
RegularFileRead ReadRegularFileWithin(const char* path, std::size_t maxBytes, std::string& out) noexcept;

// The whole file at `path` in `out`. False, with `out` empty, when the file cannot be opened,
// is not a regular file, is empty, holds more than `maxBytes` bytes, cannot be read whole, or
// memory runs out.
bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept;

} // namespace plug
