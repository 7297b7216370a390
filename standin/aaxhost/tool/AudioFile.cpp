#include "standin/aaxhost/tool/AudioFile.h"

#include <sndfile.h>

#include <cstdint>
#include <cstring>
#include <fstream>

namespace aaxhost
{
namespace
{
uint32_t LittleEndian32(const unsigned char* p)
{
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// For a RIFF WAVE file whose data chunk declares more bytes than the file holds after it:
// the two counts. The audio library reads such a file as the shorter file it is, silently.
bool DeclaresMoreDataThanItHolds(const std::string& path, uint64_t& declared, uint64_t& held)
{
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in)
    return false;
  const std::streamoff end = in.tellg();
  if (end < 12)
    return false;
  const uint64_t length = static_cast<uint64_t>(end);
  in.seekg(0);
  unsigned char header[12];
  if (!in.read(reinterpret_cast<char*>(header), sizeof header) || std::memcmp(header, "RIFF", 4) != 0 ||
      std::memcmp(header + 8, "WAVE", 4) != 0)
    return false;
  // Walk the chunks, never past the file's real length.
  uint64_t offset = 12;
  while (offset + 8 <= length)
  {
    unsigned char chunk[8];
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char*>(chunk), sizeof chunk))
      return false;
    const uint32_t size = LittleEndian32(chunk + 4);
    offset += 8;
    if (std::memcmp(chunk, "data", 4) == 0)
    {
      declared = size;
      held = length - offset;
      // 0xffffffff: the size lives elsewhere (RF64-style); nothing to check here.
      return size != 0xffffffffu && declared > held;
    }
    offset += size + (size & 1u);
  }
  return false;
}
} // namespace

bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error)
{
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
  {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels <= 0 || info.frames < 0 || info.samplerate <= 0)
  {
    sf_close(file);
    error = "unusable audio file " + path;
    return false;
  }
  uint64_t declared = 0, held = 0;
  if (DeclaresMoreDataThanItHolds(path, declared, held))
  {
    sf_close(file);
    error = path + " declares " + std::to_string(declared) + " bytes of audio data but holds only " +
            std::to_string(held) + ": the file is cut short";
    return false;
  }
  const size_t nChannels = static_cast<size_t>(info.channels);
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * nChannels);
  const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  const size_t frames = got > 0 ? static_cast<size_t>(got) : 0;
  out.sampleRate = info.samplerate;
  out.channels.assign(nChannels, std::vector<float>(frames));
  for (size_t f = 0; f < frames; ++f)
    for (size_t c = 0; c < nChannels; ++c)
      out.channels[c][f] = interleaved[f * nChannels + c];
  return true;
}

bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error)
{
  SF_INFO info = {};
  info.samplerate = data.sampleRate;
  info.channels = static_cast<int>(data.channels.size());
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (info.channels <= 0)
  {
    error = "nothing to write";
    return false;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    error = "cannot write " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  // No peak chunk: it carries the time of writing, and the same audio must give the same bytes.
  sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  const size_t nChannels = data.channels.size();
  const size_t frames = data.Frames();
  std::vector<float> interleaved(frames * nChannels);
  for (size_t f = 0; f < frames; ++f)
    for (size_t c = 0; c < nChannels; ++c)
      interleaved[f * nChannels + c] = data.channels[c][f];
  const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  sf_close(file);
  if (written != static_cast<sf_count_t>(frames))
  {
    error = "short write to " + path;
    return false;
  }
  return true;
}
} // namespace aaxhost
