#pragma once
// Opens and reads regular files from outside, bounded. OpenRegularFile is the one way every
// reader of an outside file opens it: without blocking, and checked to be a regular file before
// anything is read, so a FIFO, a device or a directory under a file's name is refused at once
// instead of stalling the caller (the editor's main thread, a host's load) or reading without
// end. The readers below go through it. Nothing here throws.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plug {

// What ReadRegularFileWithin found.
enum class RegularFileRead
{
  kRead,       // the output holds the whole content (empty for an empty file)
  kMissing,    // nothing under the path (or no path)
  kNotRegular, // a directory, FIFO, device or socket
  kTooLarge,   // a regular file of more than the bound, or one that grew past it while read
  kUnreadable, // present but not opened or not read: no permission, a read error, no memory
};

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
  std::uint64_t Size() const noexcept { return mSize; }
  // Hands the descriptor to a caller that closes it itself (fdopen, a decoder that takes it).
  int Release() noexcept;

private:
  friend RegularFileRead OpenRegularFile(const char* path, RegularFile& file) noexcept;
  int mFD = -1;
  std::uint64_t mSize = 0;
};

// Opens `path` for reading without blocking and checks that it is a regular file. kRead means
// `file` is open (its size is the file's then); on any other result it is closed. kTooLarge is
// never given here: the caller bounds what it reads.
RegularFileRead OpenRegularFile(const char* path, RegularFile& file) noexcept;

// Reads the `n` bytes at `offset` of an open file into `out`, for readers that take a file in
// pieces or read into memory of their own. False when the file holds fewer (it shrank since it
// was opened) or a read fails.
bool ReadRegularFileAt(const RegularFile& file, std::uint64_t offset, void* out, std::size_t n) noexcept;

// The whole regular file at `path` in `out`, at most `maxBytes` bytes. The size the file has
// when opened decides first; then it is read to its end, and what the file does meanwhile
// cannot make the read go past the bound. On any result but kRead `out` is empty.
RegularFileRead ReadRegularFileWithin(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept;
RegularFileRead ReadRegularFileWithin(const char* path, std::size_t maxBytes, std::string& out) noexcept;

// The whole file at `path` in `out`. False, with `out` empty, when the file cannot be opened,
// is not a regular file, is empty, holds more than `maxBytes` bytes, cannot be read whole, or
// memory runs out.
bool ReadRegularFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& out) noexcept;

} // namespace plug
