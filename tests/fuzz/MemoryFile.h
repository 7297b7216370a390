// A file in memory for fuzz targets whose reader takes a path, rewritten for every input:
// nothing lands on disk. Its path names a regular file, as a file on disk would.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace fuzzcheck {

class MemoryFile
{
public:
  MemoryFile() : mFd(memfd_create("vellicor-fuzz", 0))
  {
    Check(mFd >= 0, "a memory file");
    mPath = "/proc/self/fd/" + std::to_string(mFd);
  }
  ~MemoryFile() { close(mFd); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  const char* Write(const uint8_t* data, size_t size)
  {
    Check(ftruncate(mFd, 0) == 0, "the memory file empties");
    Check(size == 0 || pwrite(mFd, data, size, 0) == static_cast<ssize_t>(size), "the memory file fills");
    return mPath.c_str();
  }

private:
  static void Check(bool ok, const char* what)
  {
    if (ok)
      return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }

  int mFd;
  std::string mPath;
};

} // namespace fuzzcheck
