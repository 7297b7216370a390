#include "standin/aaxhost/tool/OutputFile.h"

#include "plug/WholeFileWriter.h"
#include "standin/metal/QuartzCore.h"

#include <cerrno>
#include <cstring>

namespace aaxhost
{
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
  errno = 0;
  if (plug::WriteWholeFile(path.c_str(), "wb", bytes.data(), bytes.size()))
    return true;
  const int savedErrno = errno;
  error = "cannot write " + path + (savedErrno != 0 ? ": " + std::string(std::strerror(savedErrno)) : "");
  return false;
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
