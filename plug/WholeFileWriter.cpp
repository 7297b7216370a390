#include "plug/WholeFileWriter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plug {

namespace {

bool WriteAll(int fd, const char* data, std::size_t size)
{
  while (size > 0)
  {
    const ssize_t written = write(fd, data, size);
    if (written < 0)
    {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

} // namespace

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

FileReplacement ReplaceWholeFile(const char* path, const void* data, std::size_t size, int permissions)
{
  if (!path || !*path)
    return errno = EINVAL, FileReplacement::kNoTemporaryFile;

  // A unique name in the target's folder, so that the rename stays on one file system and
  // replaces the target in one step.
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
  {
    temp = std::string(path) + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      return FileReplacement::kNoTemporaryFile;
  }
  if (fd < 0)
    return FileReplacement::kNoTemporaryFile;

  bool ok = permissions < 0 || fchmod(fd, static_cast<mode_t>(permissions)) == 0;
  ok = ok && WriteAll(fd, static_cast<const char*>(data), size);
  // On the disk before the rename: after a crash the path holds the old content or the new.
  ok = ok && fsync(fd) == 0;
  int firstErrno = errno;
  // A failed close can mean lost data (delayed write errors): report it.
  if (close(fd) != 0 && ok)
    ok = false, firstErrno = errno;
  if (ok && rename(temp.c_str(), path) == 0)
    return FileReplacement::kReplaced;
  if (ok)
    firstErrno = errno;
  unlink(temp.c_str());
  errno = firstErrno;
  return FileReplacement::kFailed;
}

} // namespace plug
