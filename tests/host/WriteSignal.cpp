// Preloaded into aaxhost by tests (LD_PRELOAD): the first write to a file in the folder
// HOSTTEST_SIGNAL_FOLDER writes half its bytes and then sends the process the signal numbered
// HOSTTEST_SIGNAL, so that it arrives in the middle of writing an output file.

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool InTheFolder(int fd)
{
  const char* folder = std::getenv("HOSTTEST_SIGNAL_FOLDER");
  char file[PATH_MAX];
  const ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), file, sizeof file - 1);
  if (!folder || length <= 0)
    return false;
  file[length] = 0;
  const size_t folderLength = std::strlen(folder);
  return std::strncmp(file, folder, folderLength) == 0 && file[folderLength] == '/';
}

} // namespace

extern "C" __attribute__((visibility("default"))) ssize_t write(int fd, const void* data, size_t size)
{
  using Write = ssize_t (*)(int, const void*, size_t);
  static const Write next = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
  static bool sent = false;
  const char* signal = std::getenv("HOSTTEST_SIGNAL");
  if (sent || !signal || size < 2 || !InTheFolder(fd))
    return next(fd, data, size);
  sent = true;
  const ssize_t written = next(fd, data, size / 2);
  kill(getpid(), std::atoi(signal));
  return written;
}
