// Whole audio files in and out through libsndfile, as one float buffer per channel.
#pragma once

#include <string>
#include <vector>

namespace aaxhost
{
struct AudioData
{
  int sampleRate = 0;
  std::vector<std::vector<float>> channels;

  size_t Frames() const { return channels.empty() ? 0 : channels.front().size(); }
};

// False (with the reason in error) when the file cannot be read, or when it is a WAV file whose
// data chunk declares more bytes than the file holds.
bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error);
// Writes a 32-bit float WAV file, the same bytes for the same audio. False (with the reason)
// on failure.
bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error);
} // namespace aaxhost
