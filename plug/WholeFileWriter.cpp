#include "plug/WholeFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plug {

bool WriteAllTo(int fd, const void* bytes, std::size_t size)
{
  const char* data = static_cast<const char*>(bytes);
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

FileReplacement ReplaceWholeFile(const char* path, const void* data, std::size_t size, int permissions,
                                 TemporaryFileWatch* watch)
{
  if (!path || !*path)
    return errno = EINVAL, FileReplacement::kNoTemporaryFile;

  // A name of its own in the target's folder, so that the rename stays on one file system and
  // replaces the target in one step; short, so that a target whose name is as long as a name
  // may be still has one. Made only where nothing has the name (O_EXCL, and O_NOFOLLOW for a
  // link), so that no file or link already there is written through.
  const std::string target(path);
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string stem = folder + ".tmp." + std::to_string(getpid()) + ".";
  constexpr int kNames = 100;
  std::string temp;
  int fd = -1;
  for (int n = 0; n < kNames && fd < 0; ++n)
  {
    temp = stem + std::to_string(n);
    if (temp.size() >= PATH_MAX)
      return errno = ENAMETOOLONG, FileReplacement::kNoTemporaryFile;
    if (watch)
      watch->Changing(temp.c_str());
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    const int openErrno = errno;
    if (watch)
      watch->Changed(fd >= 0);
    if (fd < 0 && openErrno != EEXIST)
      return errno = openErrno, FileReplacement::kNoTemporaryFile;
  }
  if (fd < 0)
    return errno = EEXIST, FileReplacement::kNoTemporaryFile;

  bool ok = permissions < 0 || fchmod(fd, static_cast<mode_t>(permissions)) == 0;
  ok = ok && WriteAllTo(fd, static_cast<const char*>(data), size);
  // On the disk before the rename: after a crash the path holds the old content or the new.
  ok = ok && fsync(fd) == 0;
  int firstErrno = errno;
  // A failed close can mean lost data (delayed write errors): report it.
  if (close(fd) != 0 && ok)
    ok = false, firstErrno = errno;
  if (watch)
    watch->Changing(temp.c_str());
  const bool replaced = ok && rename(temp.c_str(), path) == 0;
  if (ok && !replaced)
    firstErrno = errno;
  if (!replaced)
    unlink(temp.c_str());
  if (watch)
    watch->Changed(false);
  if (replaced)
    return FileReplacement::kReplaced;
  errno = firstErrno;
  return FileReplacement::kFailed;
}

} // namespace plug
