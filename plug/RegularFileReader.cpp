#include "plug/RegularFileReader.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace plug {

bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept
{
  out.clear();
  if (!path || !*path)
    return false;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0)
    return false;
  bool ok = false;
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
      static_cast<unsigned long long>(st.st_size) <= maxBytes)
  {
    try
    {
      // One byte more than the size shows a file that grew while being read.
      out.resize(static_cast<std::size_t>(st.st_size) + 1);
      std::size_t got = 0;
      while (got < out.size())
      {
        const ssize_t n = read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
          continue;
        if (n <= 0)
          break;
        got += static_cast<std::size_t>(n);
      }
      ok = got == static_cast<std::size_t>(st.st_size);
      out.resize(ok ? got : 0);
    }
    catch (const std::bad_alloc&)
    {
      ok = false;
    }
  }
  close(fd);
  if (!ok)
    out.clear();
  return ok;
}

} // namespace plug
