#include "standin/aaxhost/tool/InputFile.h"

#include <cerrno>
#include <cstring>

namespace aaxhost
{
namespace
{
// What the open step or the bounded read found, as a sentence's end; `savedErrno` is the
// errno right after it.
std::string Reason(plug::RegularFileRead result, int savedErrno)
{
  switch (result)
  {
  case plug::RegularFileRead::kRead:
    break;
  case plug::RegularFileRead::kNotRegular:
    return "not a regular file";
  case plug::RegularFileRead::kTooLarge:
    return "larger than " + std::to_string(kMaxInputFileSize >> 20) + " MiB";
  case plug::RegularFileRead::kMissing:
  case plug::RegularFileRead::kUnreadable:
    if (savedErrno != 0)
      return std::strerror(savedErrno);
    return result == plug::RegularFileRead::kMissing ? "no such file" : "cannot be read";
  }
  return std::string();
}

bool Failed(const std::string& path, plug::RegularFileRead result, int savedErrno, std::string& error)
{
  error = "cannot read " + path + ": " + Reason(result, savedErrno);
  return false;
}
} // namespace

bool OpenAudioInputFile(const std::string& path, plug::RegularFile& file, std::string& error)
{
  errno = 0;
  const plug::RegularFileRead result = plug::OpenRegularFile(path.c_str(), file);
  const int savedErrno = errno;
  if (result != plug::RegularFileRead::kRead)
    return Failed(path, result, savedErrno, error);
  return true;
}

bool ReadInputFile(const std::string& path, std::vector<uint8_t>& out, std::string& error)
{
  errno = 0;
  const plug::RegularFileRead result = plug::ReadRegularFileWithin(path.c_str(), kMaxInputFileSize, out);
  const int savedErrno = errno;
  if (result != plug::RegularFileRead::kRead)
    return Failed(path, result, savedErrno, error);
  return true;
}
} // namespace aaxhost
