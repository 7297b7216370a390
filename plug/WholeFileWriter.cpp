#include "plug/WholeFileWriter.h"

#include <cerrno>
#include <cstdio>

namespace plug {

bool WriteWholeFile(const char* path, const char* mode, const void* data, std::size_t size)
{
  if (!path || !*path)
    return false;
  FILE* f = std::fopen(path, mode);
  if (!f)
    return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  const int writeErrno = errno;
  const bool closed = std::fclose(f) == 0;
  // The first step that failed gives the reason.
  if (!written)
    errno = writeErrno;
  return written && closed;
}

} // namespace plug
