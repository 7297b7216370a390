// The tool's input files, each opened once, without blocking, through the one open step of
// outside files; a named pipe, a device or a folder under a file's name is refused at once. Chunk
// data and state files, which are read whole into memory, are regular files of at most
// kMaxInputFileSize bytes; audio input, which is read block by block, may be of any length.
#pragma once

#include "plug/RegularFileReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aaxhost
{
constexpr size_t kMaxInputFileSize = size_t(64) << 20;

// Opens the audio input `path` for reading. False, with error "cannot read PATH: REASON", when
// it is missing, not a regular file or cannot be opened.
bool OpenAudioInputFile(const std::string& path, plug::RegularFile& file, std::string& error);

// The whole of the input file at `path`, read within kMaxInputFileSize bytes whatever the file
// does meanwhile. False, with error as above, when it cannot be had.
bool ReadInputFile(const std::string& path, std::vector<uint8_t>& out, std::string& error);
} // namespace aaxhost
