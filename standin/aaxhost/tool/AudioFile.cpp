#include "standin/aaxhost/tool/AudioFile.h"

#include <sndfile.h>

namespace aaxhost
{
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
