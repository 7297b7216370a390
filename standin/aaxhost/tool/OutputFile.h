// The tool's output files (saved state chunks, pictures of the editor, rendered audio): each is
// made whole in memory and written through WriteOutputFile, which checks every write and the
// close. A command reports a file as written only once this has returned true: the file is then
// written, closed and in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aaxhost
{
// Replaces the file at `path` with `bytes`. A regular file (or a new one) is written whole
// beside it and renamed over it, with the old file's permission bits, so that a failure leaves
// it as it was and no temporary file behind; a symbolic link, a pipe or a device, or a folder
// where no temporary file can be made, is written where it is. False, with error "cannot write
// PATH: REASON" (the system's reason where it gives one), when it cannot be opened, written,
// closed or put in place.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// Writes RGBA pixels (rows top to bottom, tightly packed) as a PNG file, as above.
bool WritePictureFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                      std::string& error);
} // namespace aaxhost
