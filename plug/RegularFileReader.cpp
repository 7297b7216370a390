#include "plug/RegularFileReader.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <fcntl.h>
#include <new>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

namespace plug {

namespace {

// Room added at a time when a file turns out longer than its size said.
constexpr std::size_t kGrowthStep = 64 * 1024;
// The most one read call is asked for (the system's own limit for a single read).
constexpr std::size_t kMaxReadStep = 0x7ffff000;

template <typename Buffer>
RegularFileRead ReadFrom(int fd, std::uint64_t size, std::size_t maxBytes, Buffer& out) noexcept
{
  if (size > maxBytes)
    return RegularFileRead::kTooLarge;
  try
  {
    // One byte more than the size, so that the end is seen without a second allocation; a
    // file that grows is read on, at most one byte past the bound, which tells it too large.
    const std::size_t ceiling = maxBytes == static_cast<std::size_t>(-1) ? maxBytes : maxBytes + 1;
    out.resize(static_cast<std::size_t>(size) + (size < ceiling ? 1 : 0));
    std::size_t got = 0;
    for (;;)
    {
      if (got == out.size())
      {
        if (got >= ceiling)
          return RegularFileRead::kTooLarge;
        out.resize(got + std::min(kGrowthStep, ceiling - got));
      }
      const ssize_t n = read(fd, &out[got], out.size() - got);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0)
        return RegularFileRead::kUnreadable;
      if (n == 0)
        break;
      got += static_cast<std::size_t>(n);
    }
    if (got > maxBytes)
      return RegularFileRead::kTooLarge;
    out.resize(got);
    return RegularFileRead::kRead;
  }
  catch (const std::bad_alloc&)
  {
    return RegularFileRead::kUnreadable;
  }
}

template <typename Buffer>
RegularFileRead ReadWithin(const char* path, std::size_t maxBytes, Buffer& out) noexcept
{
  out.clear();
  RegularFile file;
  RegularFileRead result = OpenRegularFile(path, file);
  if (result == RegularFileRead::kRead)
  {
    result = ReadFrom(file.Descriptor(), file.Size(), maxBytes, out);
    // A failed close can mean the data read is not all there is.
    if (close(file.Release()) != 0 && result == RegularFileRead::kRead)
      result = RegularFileRead::kUnreadable;
  }
  if (result != RegularFileRead::kRead)
    Buffer().swap(out); // no memory kept for what was refused
  return result;
}

} // namespace

RegularFile::RegularFile(RegularFile&& other) noexcept
  : mFD(other.mFD)
  , mSize(other.mSize)
{
  other.mFD = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
  if (this != &other)
  {
    if (mFD >= 0)
      close(mFD);
    mFD = other.mFD;
    mSize = other.mSize;
    other.mFD = -1;
  }
  return *this;
}

RegularFile::~RegularFile()
{
  if (mFD >= 0)
    close(mFD);
}

int RegularFile::Release() noexcept
{
  const int fd = mFD;
  mFD = -1;
  return fd;
}

RegularFileRead OpenRegularFile(const char* path, RegularFile& file) noexcept
{
  file = RegularFile();
  if (!path || !*path)
    return RegularFileRead::kMissing;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? RegularFileRead::kMissing : RegularFileRead::kUnreadable;
  RegularFile opened;
  opened.mFD = fd;
  struct stat st{};
  if (fstat(fd, &st) != 0 || st.st_size < 0)
    return RegularFileRead::kUnreadable;
  if (!S_ISREG(st.st_mode))
    return RegularFileRead::kNotRegular;
  opened.mSize = static_cast<std::uint64_t>(st.st_size);
  file = std::move(opened);
  return RegularFileRead::kRead;
}

bool ReadRegularFileAt(const RegularFile& file, std::uint64_t offset, void* out, std::size_t n) noexcept
{
  if (!file.IsOpen())
    return false;
  auto* at = static_cast<unsigned char*>(out);
  while (n > 0)
  {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
      return false;
    const ssize_t got = pread(file.Descriptor(), at, std::min<std::size_t>(n, kMaxReadStep), static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    at += got;
    offset += static_cast<std::uint64_t>(got);
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

RegularFileRead ReadRegularFileWithin(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept
{
  return ReadWithin(path, maxBytes, out);
}

RegularFileRead ReadRegularFileWithin(const char* path, std::size_t maxBytes, std::string& out) noexcept
{
  return ReadWithin(path, maxBytes, out);
}

bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept
{
  if (ReadRegularFileWithin(path, maxBytes, out) == RegularFileRead::kRead && !out.empty())
    return true;
  out.clear();
  return false;
}

} // namespace plug
