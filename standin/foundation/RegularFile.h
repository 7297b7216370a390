#pragma once
// The stand-ins' one way to open and read a file from outside (a font, an image, a property
// list), with the rules the plug-in's own readers keep: opened without blocking, checked to be
// a regular file before anything is read, and refused, never cut, when it is larger than its
// reader's bound. A FIFO, a device or a directory under the name is refused at once instead of
// stalling the caller. Nothing here throws.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// A regular file opened for reading; closes its descriptor when it goes.
class RegularFile
{
public:
  RegularFile() noexcept = default;
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  bool IsOpen() const noexcept { return mFD >= 0; }
  int Descriptor() const noexcept { return mFD; }
  // The size the file had when it was opened.
  std::size_t Size() const noexcept { return mSize; }

  // Opens `path` as above; false, with the file closed, unless it is a regular file of at most
  // maxBytes bytes.
  bool Open(const char* path, std::size_t maxBytes) noexcept;
  // The Size() bytes of the file as it was opened; false when it shrank or a read failed.
  bool ReadAll(void* out) const noexcept;

private:
  void Close() noexcept;
  int mFD = -1;
  std::size_t mSize = 0;
};

// The whole regular file at `path`, at most maxBytes bytes; false, with `out` empty, when it
// cannot be opened as above, cannot be read whole or memory runs out.
bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<std::uint8_t>& out) noexcept;
bool ReadRegularFile(const char* path, std::size_t maxBytes, std::string& out) noexcept;

} // namespace standin
