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
// Replaces the file at `path` with `bytes`. A regular file, or a new one, is written whole to a
// temporary file beside it and renamed over it, with the old file's permission bits; a symbolic
// link to one keeps the link and its target is so replaced. A failure leaves the old file as it
// was and no other file: a regular file is never written where it is, and when no temporary
// file can be made the write fails. Only a device, a FIFO, a terminal or an open file of the
// process (/dev/stdout, /dev/null) is written where it is. False, with error "cannot write PATH:
// REASON" (the system's reason where it gives one), when it cannot be opened, written, closed or
// put in place. Writes take turns, so that at most one temporary file exists.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// Makes SIGINT, SIGTERM and SIGHUP (those not ignored) remove the temporary file of a write in
// progress before they end the process as they do by default, and makes a file-size limit fail
// the write that passes it (SIGXFSZ ignored). The tool calls it first, before any thread starts.
void RemoveTemporaryOutputOnStopSignals();

// Writes RGBA pixels (rows top to bottom, tightly packed) as a PNG file, as above.
bool WritePictureFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                      std::string& error);
} // namespace aaxhost
