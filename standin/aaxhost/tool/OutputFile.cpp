#include "standin/aaxhost/tool/OutputFile.h"

#include "plug/WholeFileWriter.h"
#include "standin/metal/QuartzCore.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aaxhost
{
namespace
{
bool Failed(const std::string& path, int reason, std::string& error)
{
  error = "cannot write " + path + (reason != 0 ? ": " + std::string(std::strerror(reason)) : "");
  return false;
}
} // namespace

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
  // A regular file, or none yet, is replaced through a temporary file beside it, so that a write
  // that fails keeps what was there. A file the user may not write is refused as before, not
  // replaced. Anything else (a symbolic link, such as /dev/stdout, a pipe, a device) is written
  // where it is.
  struct stat st{};
  const bool exists = lstat(path.c_str(), &st) == 0;
  if (!exists ? errno == ENOENT : S_ISREG(st.st_mode))
  {
    if (exists && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      return Failed(path, errno, error);
    const int permissions = exists ? static_cast<int>(st.st_mode & 0777) : plug::kNewFilePermissions;
    switch (plug::ReplaceWholeFile(path.c_str(), bytes.data(), bytes.size(), permissions))
    {
      case plug::FileReplacement::kReplaced: return true;
      case plug::FileReplacement::kFailed: return Failed(path, errno, error);
      case plug::FileReplacement::kNoTemporaryFile: break; // written where it is, as below
    }
  }
  errno = 0;
  if (plug::WriteWholeFile(path.c_str(), "wb", bytes.data(), bytes.size()))
    return true;
  return Failed(path, errno, error);
}

bool WritePictureFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                      std::string& error)
{
  std::vector<uint8_t> png;
  if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4)
    return error = "cannot write " + path + ": no picture", false;
  if (!standin::ca::EncodePNG(width, height, rgba.data(), png))
    return error = "cannot write " + path + ": not enough memory to encode the picture", false;
  return WriteOutputFile(path, png, error);
}
} // namespace aaxhost
