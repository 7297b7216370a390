// Container headers (WAVE, RIFX, RF64, BW64, AIFF, AIFC, AU, Wave64, CAF): where the audio data
// lie, what the header states of their size, and which of the header's chunks the audio library
// is shown.
#pragma once

#include "standin/aaxhost/tool/InputBytes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace aaxhost::input
{
// What a container's header states of its audio data.
struct ContainerData
{
  enum Kind
  {
    kDeclared,    // `declared` bytes of audio data from `start`
    kPlaceholder, // a size the writer left unfilled: the data run from `start` to `end`
    kCutShort,    // the file ends inside the header of the chunk at `start`
    kNoData,      // the walk over the chunks meets no data chunk
  };
  Kind kind = kDeclared;
  uint64_t start = 0;
  uint64_t declared = 0;
  uint64_t end = 0;
  uint64_t headerEnd = 0; // where the header the library reads ends: `start` but for header copies
  SizeField field;        // the size field the library reads
  uint64_t extra = 0;     // what that field counts besides the audio data
  unsigned formatTag = 0; // a WAVE file's format
  std::optional<Patch> identifier; // an identifier the library knows in place of the file's
  uint64_t preamble = 0;           // the bytes of the file's header before its first chunk
  uint64_t chunk = 0;              // where the data chunk's header starts
  std::vector<Segment> kept;       // the other chunks the library is shown (see KeptChunks)
};

// The audio data of a file in a container whose header states their size, or none when the file
// is in no such container.
std::optional<ContainerData> ContainerDataOf(const InputStream& in);

// Whether the audio library's `subformat` is plain samples, a fixed number of bytes each: the
// data's size then gives the frame count exactly.
bool PlainSamples(int subformat);

// The frame count the COMM chunk of an AIFF or AIFC file states when its samples (the audio
// library's `subformat`) are plain, one sample a frame per channel; none otherwise.
std::optional<uint64_t> AiffCommFrames(const InputStream& in, int subformat);
} // namespace aaxhost::input
