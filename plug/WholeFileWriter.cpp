#include "plug/WholeFileWriter.h"

#include <cstdio>

namespace plug {

bool WriteWholeFile(const char* path, const char* mode, const void* data, std::size_t size)
{
  if (!path || !*path)
    return false;
  FILE* f = std::fopen(path, mode);
  if (!f)
    return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

} // namespace plug
