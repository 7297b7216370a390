#include "standin/foundation/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace standin {

namespace {

// The most one read call is asked for (the system's own limit for a single read).
constexpr std::size_t kMaxReadStep = 0x7ffff000;

template <typename Buffer>
bool ReadWhole(const char* path, std::size_t maxBytes, Buffer& out) noexcept
{
  out.clear();
  RegularFile file;
  if (!file.Open(path, maxBytes))
    return false;
  try
  {
    out.resize(file.Size());
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
  if (out.empty() || file.ReadAll(&out[0]))
    return true;
  Buffer().swap(out);
  return false;
}

} // namespace

RegularFile::RegularFile(RegularFile&& other) noexcept : mFD(other.mFD), mSize(other.mSize)
{
  other.mFD = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
  if (this != &other)
  {
    Close();
    mFD = other.mFD;
    mSize = other.mSize;
    other.mFD = -1;
  }
  return *this;
}

RegularFile::~RegularFile() { Close(); }

void RegularFile::Close() noexcept
{
  if (mFD >= 0)
    close(mFD);
  mFD = -1;
  mSize = 0;
}

bool RegularFile::Open(const char* path, std::size_t maxBytes) noexcept
{
  Close();
  if (!path || !*path)
    return false;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0)
    return false;
  struct stat info = {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<std::uint64_t>(info.st_size) > maxBytes)
  {
    close(fd);
    return false;
  }
  mFD = fd;
  mSize = static_cast<std::size_t>(info.st_size);
  return true;
}

bool RegularFile::ReadAll(void* out) const noexcept
{
  if (mFD < 0)
    return false;
  auto* at = static_cast<unsigned char*>(out);
  std::size_t done = 0;
  while (done < mSize)
  {
    const ssize_t got = pread(mFD, at + done, std::min(mSize - done, kMaxReadStep), static_cast<off_t>(done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<std::uint8_t>& out) noexcept
{
  return ReadWhole(path, maxBytes, out);
}

bool ReadRegularFile(const char* path, std::size_t maxBytes, std::string& out) noexcept
{
  return ReadWhole(path, maxBytes, out);
}

} // namespace standin
