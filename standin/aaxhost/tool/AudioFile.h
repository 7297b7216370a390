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

// Reads an input file (see InputFile.h): opened once, without blocking, and handed to the
// audio library and the header check as it is. False (with the reason in error, naming the
// file) when the file cannot be read, is no regular file of at most 64 MiB, declares more
// frames than it decodes or more samples than such a file can hold, or is a WAV or RF64 file
// whose data chunk declares more bytes than the file holds. Memory grows only with the audio
// decoded.
bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error);
// Writes a 32-bit float WAV file, the same bytes for the same audio. False (with the reason)
// on failure.
bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error);
} // namespace aaxhost
