// The aaxhost tool given hostile audio input: a named pipe, files whose headers declare more
// audio than they hold, files cut short anywhere or damaged, files that decode nothing, and
// metadata the audio library would loop on; and a file past 64 MiB, whole files of every container
// it checks, those whose length no header states, those whose sizes or headers a streaming
// writer left unfilled or wrote again, and MPEG audio the audio library does not open. Each run
// is a child process watched for its exit, its time and its peak memory.

#include "standin/aaxhost/tool/AudioReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ChildRun
{
  int exitCode = -1;      // -1: killed or crashed
  bool timedOut = false;  // killed after the time-out
  long peakKilobytes = 0; // the child's peak resident memory
  std::string output;     // stdout and stderr together
};

// Runs aaxhost with `args` as a child writing to `outputFile`, killed after `timeout`. Its
// peak memory comes from wait4, for this child alone.
ChildRun RunChild(const std::vector<std::string>& args, const std::string& outputFile, std::chrono::seconds timeout)
{
  std::vector<std::string> argv{AAXHOST_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv)
    pointers.push_back(arg.data());
  pointers.push_back(nullptr);

  ChildRun run;
  const pid_t pid = fork();
  if (pid < 0)
    return run;
  if (pid == 0)
  {
    const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(out, STDERR_FILENO) < 0)
      _exit(127);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  struct rusage usage{};
  for (;;)
  {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid)
      break;
    if (done < 0)
      return run;
    if (std::chrono::steady_clock::now() > deadline)
    {
      run.timedOut = true;
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKilobytes = usage.ru_maxrss;
  run.output = testsupport::ReadFileText(outputFile);
  return run;
}

// ---- hand-made files -----------------------------------------------------------------------

void Put(std::string& bytes, uint64_t value, int count, bool bigEndian)
{
  for (int i = 0; i < count; ++i)
    bytes += static_cast<char>(value >> (bigEndian ? (count - 1 - i) * 8 : i * 8) & 0xff);
}

// A FLAC stream of 42 bytes: the marker and a STREAMINFO block declaring `frames` frames of
// 16-bit audio at 48 kHz, with no audio frame after it.
std::string Flac(uint64_t frames, int channels)
{
  std::string bytes = "fLaC";
  bytes += '\x80'; // the last metadata block, STREAMINFO
  Put(bytes, 34, 3, true);
  Put(bytes, 4096, 2, true); // block sizes
  Put(bytes, 4096, 2, true);
  Put(bytes, 0, 3, true); // frame sizes unknown
  Put(bytes, 0, 3, true);
  Put(bytes, uint64_t(48000) << 44 | uint64_t(channels - 1) << 41 | uint64_t(15) << 36 | frames, 8, true);
  bytes += std::string(16, '\0'); // MD5
  return bytes;
}

// `count` silent MPEG-1 layer III frames (mono, 128 kbit/s at 44.1 kHz) as a constant bit rate
// gives them, every frame after the first padded by a byte; the first is an Xing frame declaring
// `xingFrames` frames when there are any. Without one the audio library estimates the count from
// the first frame's size: a little high.
std::string Mp3(int count, std::optional<uint32_t> xingFrames)
{
  std::string bytes;
  for (int i = 0; i < count; ++i)
  {
    std::string frame = i == 0 ? "\xff\xfb\x90\xc0" : "\xff\xfb\x92\xc0";
    frame += std::string(17, '\0'); // side information
    if (i == 0 && xingFrames)
    {
      frame += "Xing";
      Put(frame, 1, 4, true); // the frame count is present
      Put(frame, *xingFrames, 4, true);
    }
    frame.resize(i == 0 ? 417 : 418, '\0');
    bytes += frame;
  }
  return bytes;
}

// A mono 16-bit FLAC file of 2400 frames written by the audio library; with `knownLength` false
// its STREAMINFO total is 0 ("unknown"), as streaming encoders leave it.
void WriteFlac(const std::string& path, bool knownLength)
{
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 1;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<float> tone(2400);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = 0.5f * std::sin(0.05f * static_cast<float>(i));
  EXPECT_EQ(sf_writef_float(file, tone.data(), 2400), 2400);
  ASSERT_EQ(sf_close(file), 0);
  if (knownLength)
    return;
  // The 36-bit total ends the STREAMINFO block's first 18 bytes.
  std::string bytes = testsupport::ReadFileText(path);
  ASSERT_EQ(bytes.compare(0, 4, "fLaC"), 0);
  bytes[21] = static_cast<char>(bytes[21] & 0xf0);
  bytes.replace(22, 4, 4, '\0');
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Fmt(int formatTag, int bits)
{
  std::string bytes = "fmt ";
  Put(bytes, 16, 4, false);
  Put(bytes, formatTag, 2, false);
  Put(bytes, 1, 2, false); // mono
  Put(bytes, 48000, 4, false);
  Put(bytes, 48000 * bits / 8, 4, false);
  Put(bytes, bits / 8, 2, false);
  Put(bytes, bits, 2, false);
  return bytes;
}

// A mono 16-bit RIFF WAVE file holding `held` bytes of silence, its data chunk declaring
// `declared` bytes after a LIST chunk of 3 bytes and its pad byte.
std::string Wave(uint32_t declared, uint32_t held)
{
  std::string bytes = "RIFF";
  Put(bytes, 4 + 24 + 12 + 8 + held, 4, false);
  bytes += "WAVE" + Fmt(1, 16) + "LIST";
  Put(bytes, 3, 4, false);
  bytes += std::string("abc\0", 4) + "data";
  Put(bytes, declared, 4, false);
  return bytes + std::string(held, '\0');
}

// The same as AIFF: a NAME chunk of 3 bytes and its pad byte before the SSND chunk, whose
// size declares `declared` bytes of sound, and a COMM chunk declaring `frames` frames.
std::string Aiff(uint32_t declared, uint32_t held, uint32_t frames)
{
  std::string body = "AIFFCOMM";
  Put(body, 18, 4, true);
  Put(body, 1, 2, true); // mono
  Put(body, frames, 4, true);
  Put(body, 16, 2, true);
  body += std::string("\x40\x0e\xbb\x80\0\0\0\0\0\0", 10) + "NAME"; // 48 kHz, 80-bit
  Put(body, 3, 4, true);
  body += std::string("abc\0", 4) + "SSND";
  Put(body, 8 + uint64_t(declared), 4, true);
  Put(body, 0, 8, true); // offset and block size
  body += std::string(held, '\0');
  std::string bytes = "FORM";
  Put(bytes, body.size(), 4, true);
  return bytes + body;
}

// The same as AU, its header declaring `declared` bytes.
std::string Au(uint32_t declared, uint32_t held)
{
  std::string bytes = ".snd";
  for (uint32_t field : {24u, declared, 3u, 48000u, 1u}) // offset, size, 16-bit, rate, mono
    Put(bytes, field, 4, true);
  return bytes + std::string(held, '\0');
}

// The same as Wave64: a junk chunk of 3 bytes padded to 8 before the data chunk, whose size
// declares `declared` bytes.
std::string W64(uint64_t declared, uint32_t held)
{
  const std::string guid("\xf3\xac\xd3\x11\x8c\xd1\x00\xc0\x4f\x8e\xdb\x8a", 12);
  std::string body = "wave" + guid + "fmt " + guid;
  Put(body, 24 + 16, 8, false);
  body += Fmt(1, 16).substr(8) + "junk" + guid;
  Put(body, 24 + 3, 8, false);
  body += std::string("abc\0\0\0\0\0", 8) + "data" + guid;
  Put(body, 24 + declared, 8, false);
  body += std::string(held, '\0');
  std::string bytes = std::string("riff\x2e\x91\xcf\x11\xa5\xd6\x28\xdb\x04\xc1\x00\x00", 16);
  Put(bytes, 24 + body.size(), 8, false);
  return bytes + body;
}

// The same as RF64: the sizes in the ds64 chunk, the data chunk's own size unknown.
std::string Rf64(uint64_t declared, uint32_t held)
{
  std::string bytes = "RF64";
  Put(bytes, 0xffffffffu, 4, false);
  bytes += "WAVEds64";
  Put(bytes, 28, 4, false);
  Put(bytes, 4 + 36 + 24 + 8 + held, 8, false); // the RIFF size
  Put(bytes, declared, 8, false);                // the data size
  Put(bytes, declared / 2, 8, false);            // the sample count
  Put(bytes, 0, 4, false);                       // no table
  bytes += Fmt(1, 16) + "data";
  Put(bytes, 0xffffffffu, 4, false);
  return bytes + std::string(held, '\0');
}

// A mono 16-bit WAVE file of more than 64 MiB: a junk chunk of 65 MiB (written sparse) before
// `held` bytes of silence.
void WriteLargeWave(const std::string& path, uint32_t held)
{
  const uint32_t junk = 65u << 20;
  std::string bytes = "RIFF";
  Put(bytes, 4 + 24 + 8 + junk + 8 + held, 4, false);
  bytes += "WAVE" + Fmt(1, 16) + "junk";
  Put(bytes, junk, 4, false);
  std::string data = "data";
  Put(data, held, 4, false);
  data += std::string(held, '\0');
  std::ofstream file(path, std::ios::binary);
  file << bytes;
  file.seekp(static_cast<std::streamoff>(bytes.size() + junk));
  file << data;
}

// The lines of `text`.
std::vector<std::string> Lines(const std::string& text)
{
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();)
  {
    const size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
  std::ofstream(path, std::ios::binary) << bytes;
}

// `value` written over `count` bytes at `offset`.
void Set(std::string& bytes, size_t offset, uint64_t value, int count, bool bigEndian)
{
  std::string field;
  Put(field, value, count, bigEndian);
  bytes.replace(offset, static_cast<size_t>(count), field);
}

// The same as AU in little-endian byte order.
std::string AuLittleEndian(uint32_t declared, uint32_t held)
{
  std::string bytes = "dns.";
  for (uint32_t field : {24u, declared, 3u, 48000u, 1u})
    Put(bytes, field, 4, false);
  return bytes + std::string(held, '\0');
}

// The same as Core Audio (CAF): 16-bit big-endian samples after the desc chunk, the data chunk's
// 8-byte size, `chunkSize`, counting its 4-byte edit count and the audio.
std::string Caf(uint64_t chunkSize, uint32_t held)
{
  std::string bytes("caff\0\x01\0\0desc", 12);
  Put(bytes, 32, 8, true);
  bytes += std::string("\x40\xe7\x70\0\0\0\0\0lpcm", 12); // 48 kHz as a double
  for (uint32_t field : {0u, 2u, 1u, 1u, 16u}) // flags, bytes a packet, frames a packet, mono, bits
    Put(bytes, field, 4, true);
  bytes += "data";
  Put(bytes, chunkSize, 8, true);
  Put(bytes, 0, 4, true); // edit count
  return bytes + std::string(held, '\0');
}

// The same as RF64, its data chunk's own size set to `field` rather than left to the ds64 chunk.
std::string Rf64WithField(uint64_t declared, uint32_t held, uint32_t field)
{
  std::string bytes = Rf64(declared, held);
  Set(bytes, bytes.find("data") + 4, field, 4, false);
  return bytes;
}

// The same as Wave64 with a junk chunk whose size is all ones (which the audio library passes
// over as empty) before the data chunk.
std::string W64AfterEndlessJunk(uint64_t declared, uint32_t held)
{
  std::string bytes = W64(declared, held);
  const size_t junk = bytes.find("junk") + 16;
  bytes.replace(junk, 16, std::string(8, '\xff'));
  return bytes;
}

// How the audio library writes a file: to a file; to a pipe, as a streaming encoder writes, never
// seeking back; or through a stream that cannot seek and knows no length, as sox drives it to a
// pipe, so that each header it writes again lands where the stream stands.
enum class Writing
{
  kFile,
  kPipe,
  kSeekless,
};

// A seekless stream's bytes.
struct SeeklessStream
{
  std::string bytes;

  static sf_count_t Length(void*) { return 0; }
  static sf_count_t Seek(sf_count_t, int, void*) { return -1; }
  static sf_count_t Read(void*, sf_count_t, void*) { return 0; }
  static sf_count_t Write(const void* from, sf_count_t count, void* user)
  {
    static_cast<SeeklessStream*>(user)->bytes.append(static_cast<const char*>(from), static_cast<size_t>(count));
    return count;
  }
  static sf_count_t Tell(void* user)
  {
    return static_cast<sf_count_t>(static_cast<SeeklessStream*>(user)->bytes.size());
  }
};

// A stereo file of `frames` frames of a tone at 48 kHz in `format`, written by the audio library.
std::string Sound(int format, Writing how = Writing::kFile, int frames = 24000)
{
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 2;
  info.format = format;
  std::vector<float> tone(2 * static_cast<size_t>(frames));
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = 0.5f * std::sin(0.05f * static_cast<float>(i / 2) + static_cast<float>(i % 2));
  testsupport::TempDir dir;
  const std::string path = dir.File("sound");
  int fds[2] = {-1, -1};
  std::string bytes;
  std::thread reader;
  SeeklessStream seekless;
  SF_VIRTUAL_IO io = {&SeeklessStream::Length, &SeeklessStream::Seek, &SeeklessStream::Read, &SeeklessStream::Write,
                      &SeeklessStream::Tell};
  SNDFILE* file = nullptr;
  if (how == Writing::kPipe && pipe(fds) == 0)
  {
    reader = std::thread([&] {
      char chunk[4096];
      ssize_t n = 0;
      while ((n = read(fds[0], chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<size_t>(n));
    });
    file = sf_open_fd(fds[1], SFM_WRITE, &info, SF_TRUE);
    if (!file)
      close(fds[1]);
  }
  else if (how == Writing::kSeekless)
    file = sf_open_virtual(&io, SFM_WRITE, &info, &seekless);
  else if (how == Writing::kFile)
    file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  if (file)
  {
    EXPECT_EQ(sf_writef_float(file, tone.data(), frames), frames);
    EXPECT_EQ(sf_close(file), 0);
  }
  if (how == Writing::kFile)
    return testsupport::ReadFileText(path);
  if (how == Writing::kSeekless)
    return seekless.bytes;
  if (reader.joinable())
    reader.join();
  close(fds[0]);
  return bytes;
}

// Where the chunk (or header field) named `id` starts in a file's header.
size_t At(const std::string& bytes, const char* id)
{
  const size_t at = bytes.find(id);
  EXPECT_NE(at, std::string::npos) << id;
  return at == std::string::npos ? 0 : at;
}

// MPEG audio inside a WAVE file: layer III (`mp3`) as its MPEG layer III format describes it,
// or layer II as ffmpeg describes it (48 kHz stereo at 64 kbit/s); `piped`, with its sizes all
// ones as ffmpeg leaves them writing to a pipe.
std::string MpegWave(const std::string& mpeg, bool layer3 = true, bool piped = false)
{
  std::string fmt = "fmt ";
  if (layer3)
  {
    Put(fmt, 30, 4, false);
    for (const auto& [value, count] : {std::pair<uint32_t, int>{0x55, 2}, {2, 2}, {48000, 4}, {16000, 4}, {1, 2},
                                      {0, 2}, {12, 2}, {1, 2}, {2, 4}, {576, 2}, {1, 2}, {1393, 2}})
      Put(fmt, value, count, false);
  }
  else
  {
    Put(fmt, 40, 4, false);
    for (const auto& [value, count] : {std::pair<uint32_t, int>{0x50, 2}, {2, 2}, {48000, 4}, {8000, 4}, {192, 2},
                                      {0, 2}, {22, 2}, {2, 2}, {64000, 4}, {1, 2}, {0, 2}, {1, 2}, {16, 2},
                                      {0, 4}, {0, 4}})
      Put(fmt, value, count, false);
  }
  std::string bytes = "RIFF";
  Put(bytes, piped ? 0xffffffffu : 4 + fmt.size() + 8 + mpeg.size() + (mpeg.size() & 1), 4, false);
  bytes += "WAVE" + fmt + "data";
  Put(bytes, piped ? 0xffffffffu : mpeg.size(), 4, false);
  return bytes + mpeg + std::string(piped ? 0 : mpeg.size() & 1, '\0');
}

// A RIFF WAVE file as RF64: its sizes in a ds64 chunk before its fmt chunk.
std::string AsRf64(const std::string& wave)
{
  const size_t data = wave.find("data", 12);
  const uint32_t dataSize = static_cast<uint32_t>(wave[data + 4] & 0xff) | (wave[data + 5] & 0xff) << 8 |
                            (wave[data + 6] & 0xff) << 16 | static_cast<uint32_t>(wave[data + 7] & 0xff) << 24;
  std::string ds64 = "ds64";
  Put(ds64, 28, 4, false);
  Put(ds64, wave.size() + 36 - 8, 8, false); // the RIFF size
  Put(ds64, dataSize, 8, false);
  Put(ds64, 0, 8, false); // the sample count
  Put(ds64, 0, 4, false); // no table
  std::string bytes = "RF64" + std::string(4, '\xff') + "WAVE" + ds64 + wave.substr(12);
  Set(bytes, data + 36 + 4, 0xffffffffu, 4, false);
  return bytes;
}

// `count` bytes of no audio format at all.
std::string Junk(size_t count)
{
  std::string bytes;
  uint32_t state = 12345;
  for (size_t i = 0; i < count; ++i)
  {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 24);
  }
  return bytes;
}

// An ID3v2 tag (version 2.`version`) of `size` bytes after its 10-byte header: an extended
// header of 10 bytes when `flags` says so (0x40, in version 2.3), a title, then padding; and a
// footer after it when `flags` says so (0x10).
std::string Id3v2(uint32_t size, char version = 3, char flags = 0)
{
  std::string header = std::string("ID3") + version + '\0' + flags;
  for (int shift : {21, 14, 7, 0})
    header += static_cast<char>(size >> shift & 0x7f);
  std::string body = (flags & 0x40) ? std::string("\0\0\0\x06\0\0\0\0\0\0", 10) : std::string();
  body += std::string("TIT2\0\0\0\x05\0\0\0tone", 14);
  body.resize(size, '\0');
  return header + body + ((flags & 0x10) ? "3DI" + header.substr(3) : std::string());
}

// An ID3v1 tag: "TAG", then a title and 125 bytes in all.
std::string Id3v1() { return "TAG" + std::string("Part one").append(122, '\0').substr(0, 125); }

// An APE tag of one text item, with its header and footer.
std::string Ape()
{
  const std::string item = std::string("\x04\0\0\0\0\0\0\0", 8) + "Title" + '\0' + "Part";
  const auto frame = [&](uint32_t flags) {
    std::string bytes = "APETAGEX";
    for (uint32_t field : {2000u, static_cast<uint32_t>(item.size() + 32), 1u, flags})
      Put(bytes, field, 4, false);
    return bytes + std::string(8, '\0');
  };
  return frame(0xa0000000u) + item + frame(0x80000000u);
}

// A Lyrics3 tag of the second version: a lyrics field, its 6-digit size and "LYRICS200".
std::string Lyrics3v2()
{
  const std::string body = "LYRICSBEGININD00002" "10" "LYR00012" "la la la\r\nla";
  char size[7];
  std::snprintf(size, sizeof size, "%06zu", body.size());
  return body + size + "LYRICS200";
}

// A Lyrics3 tag of the first version: text up to "LYRICSEND".
std::string Lyrics3v1() { return "LYRICSBEGINla la la\r\nla la LYRICSEND"; }

// The bytes written as hexadecimal digits in `hex`.
std::string FromHex(const std::string& hex)
{
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// Refused input files: each run exits 3 at once with a message naming the file and the
// reason, within 256 MB, whatever the header declares and whatever the file is; a named pipe
// never has its write end opened, so only the tool's own check can keep it from waiting.
// Files of every kind that hold what they declare, whose length no header states exactly, or
// whose sizes their writer left unfilled, are rendered whole.
TEST(HostToolInputTest, HostileAudioInputsAreRefusedQuicklyWithinBoundedMemory)
{
  testsupport::TempDir dir;
  const std::string fifo = dir.File("pipe.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const uint32_t held = 4800;
  const uint32_t more = held + (1u << 20);
  const std::string cutShort = " declares 1053376 bytes of audio data but holds only 4800: the file is cut short";
  const std::string whole = "rendered: 2400 frames";

  struct Case
  {
    const char* name;
    std::function<void(const std::string&)> make; // writes the input file
    int exitCode;
    std::string message; // after the file's path when refused; the render's lines when not
    bool editor = false; // the editor with audio instead of render
  };
  const auto bytes = [](std::string content) { return [content](const std::string& p) { WriteFile(p, content); }; };
  // A file written by the audio library (see Sound), then edited.
  const auto sound = [](int format, std::function<void(std::string&)> edit = nullptr, Writing how = Writing::kFile,
                        int frames = 24000) {
    return [format, edit, how, frames](const std::string& p) {
      std::string content = Sound(format, how, frames);
      if (edit)
        edit(content);
      WriteFile(p, content);
    };
  };
  const auto twoThirds = [](std::string& b) { b.resize(b.size() * 2 / 3); };
  const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  const std::string crc = testsupport::ReadFileText(HOST_TEST_DATA "/crc.mp3");
  const std::string sound24000 = "rendered: 24000 frames";
  const std::string nothing = "rendered: 0 frames";
  // The levels of Sound's tone through the test plug-in, which no header read as audio keeps.
  const std::string toneLevels =
    "\noutput 1: peak -6.02 dBFS, rms -9.03 dBFS\noutput 2: peak -6.02 dBFS, rms -9.03 dBFS";
  const std::string lame = Sound(mp3);
  const std::string mp2 = testsupport::ReadFileText(HOST_TEST_DATA "/tone.mp2");
  // 20 hand-made MPEG frames with `gap` in the middle, where the frame before ends at byte 4179.
  const auto damaged = [](const std::string& gap) {
    const std::string frames = Mp3(20, std::nullopt);
    return frames.substr(0, 4179) + gap + frames.substr(4179);
  };
  const std::string damagedAt = " is damaged at byte 4179: no MPEG frame starts where the one before ends";
  // The first two samples of a file's audio made loud and positive: each of their bytes printable.
  const auto printable = [](std::string& b) { b.replace(At(b, "data") + 8, 4, "AABB"); };
  const auto sox = [](std::string& b) { // sox's sizes writing WAVE to a pipe
    Set(b, 4, 0x7ffff024u, 4, false);
    Set(b, At(b, "data") + 4, 0x7ffff000u, 4, false);
  };
  const Case cases[] = {
    {"pipe.wav", nullptr, 3, ": not a regular file"},
    {"pipe.wav", nullptr, 3, ": not a regular file", true},
    // No length is too long to read: a count no file could hold is only what the header states,
    // and the file is cut short when it decodes fewer frames.
    {"huge.wav", bytes(Flac((uint64_t(1) << 36) - 1, 2)), 3,
     " declares 68719476735 frames but decodes only 0: the file is cut short"},
    {"xing.mp3", bytes(Mp3(5, 0xffffffffu)), 3,
     " declares 4947802323311 frames but decodes only 4079: the file is cut short"},
    {"empty.wav", bytes(Flac(uint64_t(1) << 26, 1)), 3,
     " declares 67108864 frames but decodes only 0: the file is cut short"},
    {"empty.wav", bytes(Flac(uint64_t(1) << 26, 1)), 3,
     " declares 67108864 frames but decodes only 0: the file is cut short", true},
    {"short.rf64", bytes(Rf64(more, held)), 3, cutShort},
    {"large.wav", [&](const std::string& p) { WriteLargeWave(p, held); }, 0, whole},
    // Cut short behind an odd-sized chunk: found only where the walk counts its pad byte.
    {"list.wav", bytes(Wave(4000, 400)), 3,
     " declares 4000 bytes of audio data but holds only 400: the file is cut short"},
    {"short.aiff", bytes(Aiff(more, held, held / 2)), 3, cutShort},
    {"comm.aiff", bytes(Aiff(held, held, 266944)), 3,
     " declares 266944 frames but decodes only 2400: the file is cut short"},
    {"short.au", bytes(Au(more, held)), 3, cutShort},
    {"short.w64", bytes(W64(more, held)), 3, cutShort},
    // Sizes the tool takes: the ds64 chunk's when it is right, and the data chunk's when it is
    // unknown (0xffffffff) and the data run to the end.
    {"whole.rf64", bytes(Rf64(held, held)), 0, whole},
    {"unknown.wav", bytes(Wave(0xffffffffu, held)), 0, whole},
    {"whole.aiff", bytes(Aiff(held, held, held / 2)), 0, whole},
    {"whole.au", bytes(Au(held, held)), 0, whole},
    {"unknown.au", bytes(Au(0xffffffffu, held)), 0, whole},
    {"whole.w64", bytes(W64(held, held)), 0, whole},
    {"whole.flac", [](const std::string& p) { WriteFlac(p, true); }, 0, whole},
    {"unknown.flac", [](const std::string& p) { WriteFlac(p, false); }, 0, whole},
    // The same behind an ID3v2.4 tag with its footer, which the audio library alone does not skip.
    {"id3.flac",
     [](const std::string& p) {
       WriteFlac(p, false);
       WriteFile(p, Id3v2(100, 4, 0x10) + testsupport::ReadFileText(p));
     },
     0, whole},
    // An Xing frame's count less the decoder's delay of 529 frames; without it, every frame.
    {"tagged.mp3", bytes(Mp3(5, 4)), 0, "rendered: 4079 frames"},
    {"untagged.mp3", bytes(Mp3(10, std::nullopt)), 0, "rendered: 11520 frames"},
    // Every frame of a variable bit rate MP3 without an Xing frame (a streaming encoder's), of
    // the same MPEG audio inside a WAVE file (whose bytes are checked, never a frame count), and
    // of Ogg streams with bytes after their last page: no header states their frame counts.
    {"piped.mp3", sound(mp3, nullptr, Writing::kPipe), 0, "rendered: 25344 frames"},
    {"mpeg.wav", bytes(MpegWave(Sound(mp3, Writing::kPipe))), 0, "rendered: 25344 frames"},
    {"id3v1.ogg", sound(SF_FORMAT_OGG | SF_FORMAT_VORBIS, [](std::string& b) { b += "TAG" + std::string(125, 'x'); }),
     0, sound24000},
    {"padded.opus", sound(SF_FORMAT_OGG | SF_FORMAT_OPUS, [](std::string& b) { b += std::string(4096, '\0'); }), 0,
     sound24000},
    // LAME files whose Xing (Info) frame states their frames: behind an ID3v2 tag, and where LAME
    // puts it in a file whose frames carry CRCs. Cut short, each is refused.
    {"id3.mp3", [](const std::string& p) { WriteFile(p, Id3v2(1000) + Sound(mp3)); }, 0, sound24000},
    {"cut-id3.mp3",
     [&](const std::string& p) {
       std::string b = Id3v2(1000) + Sound(mp3);
       twoThirds(b);
       WriteFile(p, b);
     },
     3, " declares 24000 frames but decodes only 11567: the file is cut short"},
    {"crc.mp3", bytes(crc), 0, "rendered: 12000 frames"},
    {"cut-crc.mp3", bytes(crc.substr(0, crc.size() * 2 / 3)), 3,
     " declares 12000 frames but decodes only 6959: the file is cut short"},
    // Sizes that a writer which could not seek back left in the header (sox's AIFF, ffmpeg's
    // Wave64 and RF64, CAF's own "unknown" and sox's CAF of no audio, a WAVE file of no audio
    // with audio after it): the data run to the end of the file. A WAVE file of no audio with a
    // chunk after its data renders nothing.
    {"sox.aiff", sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, [](std::string& b) {
       Set(b, 4, 0x7f000000u + At(b, "SSND") + 8, 4, true);
       Set(b, At(b, "COMM") + 10, 0x1fc00000u, 4, true);
       Set(b, At(b, "SSND") + 4, 0x7f000008u, 4, true);
     }), 0, sound24000},
    {"unknown.aiff", sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
                           [](std::string& b) { Set(b, At(b, "SSND") + 4, 0xffffffffu, 4, true); }), 0, sound24000},
    {"ffmpeg.w64", sound(SF_FORMAT_W64 | SF_FORMAT_PCM_16,
                         [](std::string& b) { Set(b, At(b, "data") + 16, uint64_t(INT64_MAX), 8, false); }), 0,
     sound24000},
    {"ffmpeg.rf64",
     sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, [](std::string& b) { b.replace(At(b, "ds64") + 8, 24, 24, '\0'); }), 0,
     sound24000},
    {"unknown.caf", bytes(Caf(~uint64_t(0), held)), 0, whole},
    {"sox.caf", bytes(Caf(4, held)), 0, whole},
    {"zero.wav", bytes(Wave(0, held)), 0, whole},
    {"nothing.wav", bytes(Wave(0, 0) + std::string("LIST\4\0\0\0INFO", 12)), 0, "rendered: 0 frames"},
    // Cut inside a chunk's header, the data chunk's size field among them.
    {"cut.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16, [](std::string& b) { b.resize(41); }), 3,
     " ends inside the header of its chunk at byte 36: the file is cut short"},
    {"cut-ext.wav", sound(SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, [](std::string& b) { b.resize(At(b, "data") + 5); }), 3,
     " ends inside the header of its chunk at byte 72: the file is cut short"},
    {"cut.rf64", sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, [](std::string& b) { b.resize(At(b, "data") + 5); }), 3,
     " ends inside the header of its chunk at byte 96: the file is cut short"},
    {"cut.w64", sound(SF_FORMAT_W64 | SF_FORMAT_PCM_16, [](std::string& b) { b.resize(At(b, "data") + 20); }), 3,
     " ends inside the header of its chunk at byte 80: the file is cut short"},
    {"cut.caf", bytes(Caf(4 + held, held).substr(0, 56)), 3,
     " ends inside the header of its chunk at byte 52: the file is cut short"},
    // Cut short by a frame, or at two thirds; a lying data chunk behind a junk chunk whose size
    // is all ones; an RF64 file whose ds64 chunk declares more than its data chunk's own size; a
    // little-endian AU file.
    {"short.caf", bytes(Caf(4 + held, held - 2)), 3,
     " declares 4800 bytes of audio data but holds only 4798: the file is cut short"},
    {"short-rifx.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG, twoThirds), 3,
     " declares 96000 bytes of audio data but holds only 63985: the file is cut short"},
    {"junk.w64", bytes(W64AfterEndlessJunk(more, held)), 3, cutShort},
    {"ds64.rf64", bytes(Rf64WithField(more, held, held)), 3, cutShort},
    {"short-le.au", bytes(AuLittleEndian(0x120000, held)), 3,
     " declares 1179648 bytes of audio data but holds only 4800: the file is cut short"},
    // Nothing rendered is no success: a file that decodes no frame while it holds what should be
    // audio (a cut Ogg page, FLAC frames of a stream that states no length, an AU file whose data
    // would start past its end) is refused. Whole headers and empty pages render nothing.
    {"cut.ogg", sound(SF_FORMAT_OGG | SF_FORMAT_VORBIS, [](std::string& b) { b.pop_back(); }), 3,
     " decodes no frame from its 1997 bytes of audio"},
    {"cut.flac",
     [](const std::string& p) {
       WriteFlac(p, false);
       ASSERT_EQ(truncate(p.c_str(), static_cast<off_t>(testsupport::ReadFileText(p).size() - 1)), 0);
     },
     3, " decodes no frame from its 962 bytes of audio"},
    {"past.au", bytes(Au(0xffffffffu, 100).replace(7, 1, 1, '\x80')), 3,
     " ends inside the header of its chunk at byte 0: the file is cut short"},
    {"empty.ogg", sound(SF_FORMAT_OGG | SF_FORMAT_VORBIS, nullptr, Writing::kFile, 0), 0, nothing},
    {"recording.wav", bytes(Wave(0, 0)), 0, nothing},
    // After a size of no audio: whole chunks that end the file (the last one's pad byte missing,
    // or zero bytes after them), else audio, whatever its first bytes are. An RF64 file whose
    // ds64 chunk leaves the data's size 0 has it in its data chunk, when that states one.
    {"id3-chunk.wav", bytes(Wave(0, 0) + "id3 " + std::string("\x14\0\0\0", 4) + Id3v2(10)), 0, nothing},
    {"padless.wav", bytes(Wave(0, 0) + std::string("LIST\3\0\0\0abc", 11)), 0, nothing},
    {"padding.wav", bytes(Wave(0, 0) + std::string("LIST\4\0\0\0INFO", 12) + std::string(100, '\0')), 0, nothing},
    {"printable.rf64", sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, [&](std::string& b) {
       b.replace(At(b, "ds64") + 8, 24, 24, '\0');
       printable(b);
     }), 0, sound24000},
    {"printable.caf", [](const std::string& p) {
       std::string b = Caf(4, held);
       b.replace(b.size() - held, held, held, 'A');
       WriteFile(p, b);
     }, 0, whole},
    {"list.rf64", sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, [](std::string& b) {
       Set(b, At(b, "ds64") + 16, 0, 8, false);
       Set(b, At(b, "data") + 4, 96000, 4, false);
       b += std::string("LIST\x12\0\0\0INFOISFT\6\0\0\0Lavf\0\0", 26);
     }), 0, sound24000},
    // Sizes and headers that streaming writers leave: sox's WAVE size (whole, and cut in half),
    // and the headers that sox, writing CAF and Wave64 through the audio library to a pipe,
    // writes again before the audio and after it.
    {"sox.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16, sox), 0, sound24000},
    {"half-sox.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16, [&](std::string& b) {
       sox(b);
       b.resize(b.size() / 2);
     }), 0, "rendered: 11994 frames"},
    {"sox-pipe.caf", sound(SF_FORMAT_CAF | SF_FORMAT_PCM_16, nullptr, Writing::kSeekless), 0, sound24000 + toneLevels},
    {"sox-pipe.w64", sound(SF_FORMAT_W64 | SF_FORMAT_PCM_16, nullptr, Writing::kSeekless), 0, sound24000 + toneLevels},
    // The same cut by a byte: the cut copy of the header after the audio ends them as a whole one.
    {"cut-pipe.caf", sound(SF_FORMAT_CAF | SF_FORMAT_PCM_16, [](std::string& b) { b.pop_back(); }, Writing::kSeekless),
     0, sound24000 + toneLevels},
    {"cut-pipe.w64", sound(SF_FORMAT_W64 | SF_FORMAT_PCM_16, [](std::string& b) { b.pop_back(); }, Writing::kSeekless),
     0, sound24000 + toneLevels},
    // MPEG audio read by the tool itself: a sample rate that changes within the stream; an Xing
    // frame whose count leaves no frame after the encoder's delay and padding (declaring none),
    // or is 0 (declaring nothing); behind an ID3v2.4 tag with its footer (or with a footer flagged
    // and left out, before a lone frame), two ID3v2 tags, or 1000 bytes of junk or zeros (but not
    // before only two frames, nor after 64 KiB of junk); MPEG layer II in a WAVE file
    // (whole, and as ffmpeg writes it to a pipe); layer III in RF64; BW64 as RF64.
    {"rates.mp3", bytes(lame + Mp3(10, std::nullopt)), 3,
     " changes its sample rate within the stream at byte " + std::to_string(lame.size()) +
       ", from 48000 Hz to 44100 Hz"},
    {"count.mp3", bytes(std::string(lame).replace(4 + 32 + 8, 4, std::string("\0\0\0\1", 4))), 0,
     "rendered: 24192 frames"},
    {"zero-count.mp3", bytes(Mp3(5, 0)), 0, "rendered: 4608 frames"},
    {"footer.mp3", bytes(Id3v2(1000, 4, 0x10) + lame), 0, sound24000},
    {"no-footer.mp3", bytes(Id3v2(100, 4, 0x10).substr(0, 110) + Mp3(1, std::nullopt)), 3,
     " decodes no frame from its 407 bytes of audio"},
    {"two-tags.mp3", bytes(Id3v2(100) + Id3v2(100) + Sound(mp3, Writing::kPipe)), 0, "rendered: 25344 frames"},
    {"junk.mp3", bytes(Junk(1000) + lame), 0, sound24000},
    {"zeros.mp3", bytes(std::string(1000, '\0') + lame), 0, sound24000},
    {"two-frames.mp3", bytes(std::string(1000, '\0') + Mp3(2, std::nullopt)), 3, ": Format not recognised."},
    {"three-frames.mp3", bytes(std::string(1000, '\0') + Mp3(3, std::nullopt)), 0, "rendered: 3456 frames"},
    {"far.mp3", bytes(Junk(70000) + lame), 3, ": Format not recognised."},
    // 64 KiB of bytes that are none before the frames, and no more.
    {"64k.mp3", bytes(std::string(65536, '\0') + lame), 0, sound24000},
    {"64k-and-1.mp3", bytes(std::string(65537, '\0') + lame), 3, ": Format not recognised."},
    // An ID3v2 tag that runs past the end of the file, alone or before frames.
    {"cut-tag.mp3", bytes(Id3v2(1000).substr(0, 500)), 3,
     " holds an ID3v2 tag at byte 0 of 1010 bytes that runs past the end of the file: the file is cut short"},
    {"cut-tags.mp3", bytes((Id3v2(100) + Id3v2(1000) + lame).substr(0, 600)), 3,
     " holds an ID3v2 tag at byte 110 of 1010 bytes that runs past the end of the file: the file is cut short"},
    {"mp2.wav", bytes(MpegWave(mp2, false)), 0, "rendered: 12672 frames"},
    {"piped-mp2.wav", bytes(MpegWave(mp2, false, true)), 0, "rendered: 12672 frames"},
    {"mpeg.rf64", bytes(AsRf64(MpegWave(Sound(mp3, Writing::kPipe)))), 0, "rendered: 25344 frames"},
    {"sound.bw64", sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, [](std::string& b) { b.replace(0, 4, "BW64"); }), 0,
     sound24000},
    // A stream damaged in the middle (junk, or zeros) is refused, saying where; one whose first
    // frame's header is damaged gives the frames after it (its Info frame lost).
    {"damaged.mp3", bytes(damaged(Junk(2000))), 3, damagedAt},
    {"zeroed.mp3", bytes(damaged(std::string(20000, '\0'))), 3, damagedAt},
    {"header.mp3", bytes(std::string(lame).replace(2, 1, 1, '\xf0')), 0, "rendered: 25344 frames"},
    // An ID3v2.3 tag with an extended header (not a footer) before a cut LAME file.
    {"cut-ext.mp3",
     [&](const std::string& p) {
       std::string b = Id3v2(1000, 3, 0x40) + lame;
       twoThirds(b);
       WriteFile(p, b);
     },
     3, " declares 24000 frames but decodes only 11567: the file is cut short"},
    // The audio library is shown only the chunks the tool's walk checked: a LIST chunk whose
    // sub-chunk states a size near 4 GiB is passed over, and a file whose walk meets no data
    // chunk is refused at once.
    {"list-loop.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16, [](std::string& b) {
       b.insert(At(b, "data"), std::string("LIST\x0c\0\0\0INFOzzzz\xf8\xff\xff\xff", 20));
       Set(b, 4, b.size() - 8, 4, false);
     }), 0, sound24000 + toneLevels},
    {"no-data.wav", bytes(FromHex("52494646ffffffff57415645666d7420100000000100040080bb000080bb0000010008004c495354494e"
                                  "464ffffffffff8ffffff")),
     3, " has no chunk of audio data"},
    {"no-data.wav", bytes(FromHex("52494646ffffffff57415645666d7420100000000100040080bb000080bb0000010008004c495354494e"
                                  "464ffffffffff8ffffff")),
     3, " has no chunk of audio data", true},
    // MP3 files joined end to end, each part whole (its own delay and padding taken off), with
    // tags between the parts (ID3v2, ID3v1, APE, Lyrics3 of either version) or none.
    {"joined.mp3", bytes(lame + lame), 0, "rendered: 48000 frames"},
    {"joined-id3.mp3", bytes(Id3v2(1000) + lame + Id3v2(3000) + lame), 0, "rendered: 48000 frames"},
    {"joined-tags.mp3", bytes(lame + Ape() + Lyrics3v2() + Id3v1() + Id3v2(100, 4, 0x10) + lame + Id3v1()), 0,
     "rendered: 48000 frames"},
    {"joined-lyrics.mp3", bytes(lame + Lyrics3v1() + lame), 0, "rendered: 48000 frames"},
    // A tag with a picture between the parts, whose bytes hold what begins MPEG frames.
    {"joined-art.mp3", [&](const std::string& p) {
       std::string art = Id3v2(4000);
       for (size_t at = 200; at + 4 < art.size(); at += 417)
         art.replace(at, 4, "\xff\xfb\x90\xc0");
       WriteFile(p, lame + art + lame);
     }, 0, "rendered: 48000 frames"},
    // Bytes between two parts that are no whole tag are damage.
    {"joined-cut-tag.mp3", bytes(lame + Id3v1().substr(0, 100) + lame), 3,
     " is damaged at byte " + std::to_string(lame.size()) + ": no MPEG frame starts where the one before ends"},
    // An AIFF file whose COMM chunk follows its sound data; WAVE, AIFF and AU files behind an
    // ID3v2 tag, each read as the container it is.
    {"late-comm.aiff", sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, [](std::string& b) {
       const size_t comm = At(b, "COMM");
       const std::string chunk = b.substr(comm, 8 + 18);
       b.erase(comm, chunk.size());
       b += chunk;
     }), 0, sound24000 + toneLevels},
    {"id3.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16, [](std::string& b) { b = Id3v2(1000) + b; }), 0,
     sound24000 + toneLevels},
    {"id3.aiff", sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, [](std::string& b) { b = Id3v2(1000, 4, 0x10) + b; }), 0,
     sound24000 + toneLevels},
    {"id3.au", sound(SF_FORMAT_AU | SF_FORMAT_PCM_16, [](std::string& b) { b = Id3v2(100) + Id3v2(100) + b; }), 0,
     sound24000 + toneLevels},
    // Whole files of every container the tool checks, as the audio library writes them.
    {"sound.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16), 0, sound24000},
    {"sound-ext.wav", sound(SF_FORMAT_WAVEX | SF_FORMAT_PCM_16), 0, sound24000},
    {"sound-rifx.wav", sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG), 0, sound24000},
    {"sound.rf64", sound(SF_FORMAT_RF64 | SF_FORMAT_PCM_16), 0, sound24000},
    {"sound.aiff", sound(SF_FORMAT_AIFF | SF_FORMAT_PCM_16), 0, sound24000},
    {"sound-le.au", sound(SF_FORMAT_AU | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE), 0, sound24000},
    {"sound.w64", sound(SF_FORMAT_W64 | SF_FORMAT_PCM_16), 0, sound24000},
    {"sound.caf", sound(SF_FORMAT_CAF | SF_FORMAT_PCM_16), 0, sound24000},
    {"whole.caf", bytes(Caf(4 + held, held)), 0, whole},
  };
  for (const Case& c : cases)
  {
    const std::string input = dir.File(c.name);
    if (c.make)
      c.make(input);
    std::vector<std::string> args{c.editor ? "editor" : "render", HOSTTEST_BUNDLE, input, dir.File("out.wav")};
    const ChildRun run = RunChild(args, dir.File("output.txt"), std::chrono::seconds(30));
    const std::string what = std::string(c.editor ? "editor " : "render ") + c.name + "\n" + run.output;
    EXPECT_FALSE(run.timedOut) << what;
    EXPECT_EQ(run.exitCode, c.exitCode) << what;
    EXPECT_LT(run.peakKilobytes, 256 * 1024) << what;
    // A refusal prints the tool's reason and its host log, and no line of a decoder's own. A
    // fault found only while the file plays (a count its header states and its audio does not
    // hold) ends a run the tool has reported as it went, and the editor it opened closes.
    if (c.exitCode != 0)
    {
      const char* const toolLines[] = {"error: ", "host log: ", "instance: ", "editor: ", "playing ",
                                       "  ",      "close: ",    "host gestures: "};
      for (const std::string& line : Lines(run.output))
        EXPECT_TRUE(std::any_of(std::begin(toolLines), std::end(toolLines),
                                [&line](const char* start) { return line.rfind(start, 0) == 0; }))
          << what;
      EXPECT_NE(run.output.find("error: " + (c.message[0] == ':' ? "cannot read " + input : input) + c.message),
                std::string::npos)
        << what;
    }
    else
      for (const std::string& line : Lines(c.message))
        EXPECT_NE(run.output.find(line), std::string::npos) << what;
    if (c.make)
      unlink(input.c_str());
  }
}

// What a reader gives when read to its end in blocks of `block` frames: the frames, the last
// Read's result (0 at the end, -1 on a fault) and the fault's reason; every Read within its block.
struct ReadToEnd
{
  int64_t frames = 0;
  int64_t last = 0;
  std::string error;
};

ReadToEnd ReadAll(aaxhost::AudioReader& reader, int64_t block)
{
  std::vector<std::vector<float>> channels(static_cast<size_t>(reader.Channels()),
                                           std::vector<float>(static_cast<size_t>(block)));
  std::vector<float*> into;
  for (auto& channel : channels)
    into.push_back(channel.data());
  ReadToEnd result;
  for (;;)
  {
    result.last = reader.Read(into.data(), block, result.error);
    EXPECT_LE(result.last, block);
    if (result.last <= 0)
      return result;
    result.frames += result.last;
  }
}

// The block reader on its own: a header's exact count is stated at the opening and read to the
// frame; where only reading can tell (a placeholder size, joined MP3 files, a header whose count
// the data do not bear out) none is; a fault found only at the end (fewer frames than the header states) fails the
// Read there, and the reader stays failed.
TEST(HostToolInputTest, TheBlockReaderStatesWhatItKnowsAndFailsWhereAFaultShows)
{
  testsupport::TempDir dir;
  const std::string lame = Sound(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
  struct Case
  {
    const char* name;
    std::string bytes;
    int64_t stated;
    int64_t frames; // read before the end or the fault
    std::string fault;
  };
  std::string sox = Sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  Set(sox, At(sox, "data") + 4, 0x7ffff000u, 4, false);
  const Case cases[] = {
    {"whole.wav", Sound(SF_FORMAT_WAV | SF_FORMAT_PCM_16), 24000, 24000, ""},
    {"whole.flac", Sound(SF_FORMAT_FLAC | SF_FORMAT_PCM_16), 24000, 24000, ""},
    {"sox.wav", sox, -1, 24000, ""},
    {"whole.mp3", lame, 24000, 24000, ""},
    {"joined.mp3", lame + lame, -1, 48000, ""},
    // An Xing frame whose count libmpg123 does not take (its other fields disagree with the file):
    // decoded as audio, so the count is not the file's.
    {"xing-disagrees.mp3",
     testsupport::ReadFileText(testsupport::SourcePath("tests/fuzz/corpus/audio_file_fuzz/xing-disagrees.mp3")), -1,
     5760, ""},
    {"comm.aiff", Aiff(4800, 4800, 266944), -1, 2400, " declares 266944 frames but decodes only 2400"},
    {"cut.mp3", lame.substr(0, lame.size() / 2), -1, 0, " declares 24000 frames but decodes only"},
  };
  for (const Case& c : cases)
  {
    const std::string path = dir.File(c.name);
    WriteFile(path, c.bytes);
    std::string error;
    const std::unique_ptr<aaxhost::AudioReader> reader = aaxhost::OpenAudioReader(path, error);
    ASSERT_NE(reader, nullptr) << c.name << ": " << error;
    EXPECT_EQ(reader->SampleRate(), 48000) << c.name;
    EXPECT_EQ(reader->StatedFrames(), c.stated) << c.name;
    const ReadToEnd read = ReadAll(*reader, 1000);
    if (c.fault.empty())
    {
      EXPECT_EQ(read.last, 0) << c.name << ": " << read.error;
      EXPECT_EQ(read.frames, c.frames) << c.name;
    }
    else
    {
      EXPECT_EQ(read.last, -1) << c.name;
      EXPECT_NE(read.error.find(path + c.fault), std::string::npos) << c.name << ": " << read.error;
      std::vector<float> channel(10);
      std::vector<float*> into(static_cast<size_t>(reader->Channels()), channel.data());
      std::string again;
      EXPECT_EQ(reader->Read(into.data(), 10, again), -1) << c.name;
      EXPECT_EQ(again, read.error) << c.name;
    }
  }
}

// A file cut while it is read (after its opening) fails the Read that finds the cut, saying how
// many of the frames its header states it decoded.
TEST(HostToolInputTest, AFileCutWhileItIsReadFailsTheRead)
{
  testsupport::TempDir dir;
  for (const int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_FLAC | SF_FORMAT_PCM_16})
  {
    const std::string path = dir.File("cut");
    const std::string bytes = Sound(format, Writing::kFile, 240000);
    WriteFile(path, bytes);
    std::string error;
    const std::unique_ptr<aaxhost::AudioReader> reader = aaxhost::OpenAudioReader(path, error);
    ASSERT_NE(reader, nullptr) << error;
    ASSERT_EQ(reader->StatedFrames(), 240000);
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(bytes.size() / 2)), 0);
    const ReadToEnd read = ReadAll(*reader, 4096);
    EXPECT_EQ(read.last, -1) << format;
    EXPECT_NE(read.error.find(path + " declares 240000 frames but decodes only "), std::string::npos) << read.error;
    EXPECT_LT(read.frames, 240000) << format;
  }
}

// A 24-bit stereo WAV file of ten minutes (173 MB, written sparse) read block by block keeps the
// reader's memory as small as a file of a second's: measured in a child process of its own each.
TEST(HostToolInputTest, TheBlockReaderReadsAFileOfAnyLengthInMemoryThatDoesNotGrowWithIt)
{
  testsupport::TempDir dir;
  const auto writeWave = [&](const std::string& name, uint64_t frames) {
    const uint64_t bytes = frames * 6;
    std::string header = "RIFF";
    Put(header, 36 + bytes, 4, false);
    header += "WAVEfmt ";
    for (const auto& [value, count] : {std::pair<uint32_t, int>{16, 4}, {1, 2}, {2, 2}, {48000, 4}, {288000, 4},
                                      {6, 2}, {24, 2}})
      Put(header, value, count, false);
    header += "data";
    Put(header, bytes, 4, false);
    const std::string path = dir.File(name);
    WriteFile(path, header);
    EXPECT_EQ(truncate(path.c_str(), static_cast<off_t>(header.size() + bytes)), 0);
    return path;
  };
  // The peak memory of a child that reads `path` to its end; -1 when the read fails.
  const auto peakReading = [](const std::string& path, int64_t frames) -> long {
    const pid_t pid = fork();
    if (pid == 0)
    {
      std::string error;
      const std::unique_ptr<aaxhost::AudioReader> reader = aaxhost::OpenAudioReader(path, error);
      if (!reader || reader->StatedFrames() != frames)
        _exit(1);
      std::vector<float> left(4096), right(4096);
      float* into[] = {left.data(), right.data()};
      int64_t read = 0;
      for (int64_t got = 0; (got = reader->Read(into, 4096, error)) > 0;)
        read += got;
      _exit(read == frames ? 0 : 2);
    }
    int status = 0;
    struct rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return -1;
    return usage.ru_maxrss;
  };
  const int64_t second = 48000, tenMinutes = 600 * 48000;
  const long small = peakReading(writeWave("second.wav", second), second);
  const long large = peakReading(writeWave("ten-minutes.wav", tenMinutes), tenMinutes);
  ASSERT_GT(small, 0);
  ASSERT_GT(large, 0);
  EXPECT_LT(large, small + 8 * 1024) << "peak kB: " << small << " for a second, " << large << " for ten minutes";
}

} // namespace
