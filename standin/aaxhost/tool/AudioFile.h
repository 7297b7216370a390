// Whole audio files in through libsndfile, as one float buffer per channel.
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
// audio library and the header checks as it is. Every frame the file holds is read; MPEG audio
// (an MPEG stream, also after an ID3v2 tag or junk, and MPEG audio inside a WAVE, RF64 or BW64
// file) is decoded by the reader itself, to the end of its stream whatever count the library
// estimates. False (with the reason in error, naming the file) when the file cannot be read or
// decoded, is no regular file of at most 64 MiB, or is cut short, damaged or too large:
// - a WAVE (RIFF, RIFX, RF64, BW64), AIFF or AIFC, AU, Wave64 or CAF file whose header declares
//   more bytes of audio data than the file holds after their start, or that ends inside the
//   header of a chunk before its data;
// - a FLAC stream whose STREAMINFO block states its frame count, an MP3 file whose Xing or
//   Info frame states it, or an AIFF file of plain samples (by its COMM chunk), that declares
//   more samples than such a file can hold or decodes fewer frames than it declares;
// - MPEG audio with bytes between two frames, or whose sample rate changes;
// - a file that decodes no frame while it holds what should be audio (see AudioFile.cpp);
// - a file that decodes more samples than such a file can hold.
// A size that a writer left unfilled (the placeholders named in AudioFile.cpp) declares
// nothing: the data run to the end of the file, without the header copies some such writers
// leave around them. The other formats the library reads (NIST, IRCAM, VOC, PAF, 8SVX, AVR,
// MAT, PVF, Ogg and others) give the frames the library decodes, under that bound, unchecked
// against their headers. Memory grows only with the audio decoded.
bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error);
} // namespace aaxhost
