#pragma once
// Writes a buffer to a file in one go, for the plug-in base's preset files and source dumps,
// the product's user preset files and the host tool's output files.

#include <cstddef>

namespace plug {

// Opens `path` with the stdio `mode` ("wb" replaces the file, "a" appends to it) and writes the
// `size` bytes at `data`. False for a null or empty path, or when the open, the write or the
// close fails (a failed close can mean data lost on the way to the disk). On failure errno holds
// the reason of the step that failed first (the write's, when both the write and the close fail);
// for a null or empty path it is left as it was.
bool WriteWholeFile(const char* path, const char* mode, const void* data, std::size_t size);

// Writes all `size` bytes at `data` to the open file descriptor `fd`, going on where a signal
// interrupted a write. False, with errno holding the reason, when a write fails.
bool WriteAllTo(int fd, const void* data, std::size_t size);

// How ReplaceWholeFile ended.
enum class FileReplacement
{
  kReplaced,        // the new content is in place under the path
  kNoTemporaryFile, // no temporary file could be made beside the path; nothing was changed
  kFailed,          // a later step failed; the path is as it was and the temporary file is gone
};

// Permission bits for ReplaceWholeFile: those of any new file (0666 less the umask).
constexpr int kNewFilePermissions = -1;

// Told when the temporary file of a replacement is about to be made, renamed or removed, and
// when that step is done, so that a process stopped meanwhile (by a signal, say) can remove
// what it left. The path given is shorter than PATH_MAX bytes and stays the same from
// Changing to Changed.
class TemporaryFileWatch
{
public:
  virtual void Changing(const char* temporaryPath) = 0;
  virtual void Changed(bool exists) = 0;

protected:
  ~TemporaryFileWatch() = default;
};

// Writes the `size` bytes at `data` to a new file in the folder of `path`, under a name of its
// own, ".tmp.PID.N" (the first such name not taken, whatever the length of the file's name),
// with the permission bits `permissions` (umask aside) or those of any new file; flushes it to
// the disk, closes it and renames it over `path` in one step, so that readers of `path` find the
// old content or the new, never a part. The temporary file is made only where no file or link
// has its name, so nothing already there is written through. Whatever `path` names is replaced:
// a symbolic link by a file, not its target. Anything but kReplaced leaves errno the reason of the
// step that failed. `watch`, where given, follows the temporary file.
FileReplacement ReplaceWholeFile(const char* path, const void* data, std::size_t size,
                                 int permissions = kNewFilePermissions, TemporaryFileWatch* watch = nullptr);

} // namespace plug
