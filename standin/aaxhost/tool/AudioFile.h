// Whole audio files in, as one float buffer per channel.
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

// Reads the whole of an input file into memory through the block reader (OpenAudioReader in
// AudioReader.h, whose rule it follows): every frame the file holds, memory growing with them.
// False (with the reason in error, naming the file) when the reader refuses the file at its
// opening or while reading, or memory runs out.
bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error);
} // namespace aaxhost
