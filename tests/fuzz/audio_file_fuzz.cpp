// libFuzzer target for the host tool's audio input: any bytes, as a file, go through the reader
// that `aaxhost render` and `aaxhost editor IN OUT` use. It either refuses the file with a reason
// or gives channels of equal length at a usable rate, within the tool's sample bound, without
// reading or writing outside memory it owns.
#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/InputFile.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/MemoryFile.h"

#include <string>

using fuzzcheck::Require;

// The audio library leaks what libvorbis set up for an Ogg stream it then fails to open; that is
// outside this reader, which hands the library nothing it must free.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static fuzzcheck::MemoryFile file;
  aaxhost::AudioData audio;
  std::string error;
  if (!aaxhost::ReadAudioFile(file.Write(data, size), audio, error))
  {
    Require(!error.empty(), "a refusal gives its reason");
    Require(audio.channels.empty() && audio.sampleRate == 0, "a refused file gives no audio");
    return 0;
  }
  Require(audio.sampleRate > 0, "a read file has a rate");
  Require(!audio.channels.empty(), "a read file has channels");
  for (const auto& channel : audio.channels)
    Require(channel.size() == audio.Frames(), "every channel holds every frame");
  Require(audio.Frames() * audio.channels.size() <= aaxhost::kMaxInputFileSize, "within the sample bound");
  return 0;
}
