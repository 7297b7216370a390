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
// audio library and the header checks as it is. False (with the reason in error, naming the
// file) when the file cannot be read, is no regular file of at most 64 MiB, or is cut short or
// too large:
// - a WAVE (RIFF, RF64, BW64), AIFF, AU or Wave64 file whose header declares more bytes of audio
//   data than the file holds after their start;
// - a file whose header states its frame count exactly (FLAC with a known total, MP3 with an
//   Xing or Info frame, AIFF's COMM chunk, the containers above and the other formats the
//   library reads) and that declares more samples than such a file can hold or decodes fewer
//   frames than it declares;
// - a file that decodes more samples than such a file can hold. An MP3 without an Xing or Info
//   frame (whose count the library only estimates) and a FLAC stream of unknown length give
//   every frame that decodes, under that bound.
// Memory grows only with the audio decoded.
bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error);
// Writes a 32-bit float WAV file, the same bytes for the same audio: made in memory, then
// written through WriteOutputFile (see OutputFile.h). False (with the reason, naming the file)
// on failure.
bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error);
} // namespace aaxhost
