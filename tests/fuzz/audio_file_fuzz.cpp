// libFuzzer target for the host tool's audio input: any bytes, as a file, go through the block
// reader that `aaxhost render` and `aaxhost editor IN OUT` use, read to its end. It either
// refuses the file with a reason (at its opening or while reading) or gives blocks of the
// channels it opened with, never more frames than asked nor than its header states, without
// reading or writing outside memory it owns.
#include "standin/aaxhost/tool/AudioReader.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/MemoryFile.h"

#include <string>
#include <vector>

using fuzzcheck::Require;

// The audio library leaks what libvorbis set up for an Ogg stream it then fails to open; that is
// outside this reader, which hands the library nothing it must free.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\n"; }

namespace
{
// The frames read of one input at most: a small file may decode to any length (a FLAC stream
// of constant blocks), and the reader's time per block, not the file's length, is what is tested.
constexpr int64_t kMaxFrames = int64_t(1) << 24;
constexpr int64_t kBlockFrames = 4096;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static fuzzcheck::MemoryFile file;
  std::string error;
  const std::unique_ptr<aaxhost::AudioReader> reader = aaxhost::OpenAudioReader(file.Write(data, size), error);
  if (!reader)
  {
    Require(!error.empty(), "a refusal gives its reason");
    return 0;
  }
  Require(reader->SampleRate() > 0, "a read file has a rate");
  Require(reader->Channels() > 0, "a read file has channels");
  const size_t channels = static_cast<size_t>(reader->Channels());
  std::vector<std::vector<float>> blocks(channels, std::vector<float>(kBlockFrames));
  std::vector<float*> into;
  for (auto& block : blocks)
    into.push_back(block.data());
  int64_t frames = 0;
  while (frames < kMaxFrames)
  {
    const int64_t got = reader->Read(into.data(), kBlockFrames, error);
    Require(got <= kBlockFrames, "no more frames than asked");
    if (got < 0)
    {
      Require(!error.empty(), "a fault gives its reason");
      std::string again;
      Require(reader->Read(into.data(), kBlockFrames, again) == -1, "a reader that failed stays failed");
      break;
    }
    if (got == 0)
    {
      Require(reader->StatedFrames() < 0 || reader->StatedFrames() == frames, "the stated count is exact");
      break;
    }
    frames += got;
    Require(reader->StatedFrames() < 0 || frames <= reader->StatedFrames(), "within the stated count");
  }
  return 0;
}
