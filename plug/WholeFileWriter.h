#pragma once
// Writes a buffer to a file in one go, for the plug-in base's preset files and source dumps and
// for the host tool's output files.

#include <cstddef>

namespace plug {

// Opens `path` with the stdio `mode` ("wb" replaces the file, "a" appends to it) and writes the
// `size` bytes at `data`. False for a null or empty path, or when the open, the write or the
// close fails (a failed close can mean data lost on the way to the disk). On failure errno holds
// the reason of the step that failed first (the write's, when both the write and the close fail);
// for a null or empty path it is left as it was.
bool WriteWholeFile(const char* path, const char* mode, const void* data, std::size_t size);

} // namespace plug
