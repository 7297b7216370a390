#pragma once
// Writes a buffer to a file in one go, for the plug-in base's preset files and source dumps.

#include <cstddef>

namespace plug {

// Opens `path` with the stdio `mode` ("wb" replaces the file, "a" appends to it) and writes the
// `size` bytes at `data`. False for a null or empty path, or when the open, the write or the
// close fails (a failed close can mean data lost on the way to the disk).
bool WriteWholeFile(const char* path, const char* mode, const void* data, std::size_t size);

} // namespace plug
