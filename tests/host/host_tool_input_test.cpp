// The aaxhost tool given hostile audio input: a named pipe, files whose headers declare more
// audio than they hold or than any input may, and a file past the size the tool takes. Each
// run is a child process watched for its exit, its time and its peak memory.

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
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

// Five silent MPEG-1 layer III frames (mono, 128 kbit/s at 44.1 kHz), the first a Xing header
// declaring `frames` frames: about 2 KB.
std::string Mp3WithXingHeader(uint32_t frames)
{
  std::string bytes;
  for (int i = 0; i < 5; ++i)
  {
    std::string frame = "\xff\xfb\x90\xc0";
    frame += std::string(17, '\0'); // side information
    if (i == 0)
    {
      frame += "Xing";
      Put(frame, 1, 4, true); // the frame count is present
      Put(frame, frames, 4, true);
    }
    frame.resize(417, '\0');
    bytes += frame;
  }
  return bytes;
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
// `declared` bytes.
std::string Wave(uint32_t declared, uint32_t held)
{
  std::string bytes = "RIFF";
  Put(bytes, 4 + 24 + 8 + held, 4, false);
  bytes += "WAVE" + Fmt(1, 16) + "data";
  Put(bytes, declared, 4, false);
  return bytes + std::string(held, '\0');
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

// A mono float WAVE file of `size` bytes whose data are all there, written sparse.
void WriteSparseFloatWave(const std::string& path, uint32_t size)
{
  std::string bytes = "RIFF";
  Put(bytes, size - 8, 4, false);
  bytes += "WAVE" + Fmt(3, 32) + "data";
  Put(bytes, size - 44, 4, false);
  std::ofstream(path, std::ios::binary) << bytes;
  ASSERT_EQ(truncate(path.c_str(), size), 0);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
  std::ofstream(path, std::ios::binary) << bytes;
}

// Refused input files: each run exits 3 at once with a message naming the file and the
// reason, within 256 MB, whatever the header declares and whatever the file is; a named pipe
// never has its write end opened, so only the tool's own check can keep it from waiting.
// The sizes the tool still takes are rendered.
TEST(HostToolInputTest, HostileAudioInputsAreRefusedQuicklyWithinBoundedMemory)
{
  testsupport::TempDir dir;
  const std::string fifo = dir.File("pipe.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const uint32_t held = 4800;

  struct Case
  {
    const char* name;
    std::function<void(const std::string&)> make; // writes the input file
    int exitCode;
    std::string message; // after the file's path
    bool editor = false; // the editor with audio instead of render
  };
  const Case cases[] = {
    {"pipe.wav", nullptr, 3, ": not a regular file"},
    {"pipe.wav", nullptr, 3, ": not a regular file", true},
    {"huge.wav", [](const std::string& p) { WriteFile(p, Flac((uint64_t(1) << 36) - 1, 8)); }, 3,
     " declares 68719476735 frames of 8 channels: more than the 67108864 samples a file of 64 MiB can hold"},
    {"xing.mp3", [](const std::string& p) { WriteFile(p, Mp3WithXingHeader(0xffffffffu)); }, 3,
     " declares 4947802323311 frames of 1 channel: more than the 67108864 samples a file of 64 MiB can hold"},
    {"empty.wav", [](const std::string& p) { WriteFile(p, Flac(uint64_t(1) << 26, 1)); }, 3,
     " declares 67108864 frames but decodes only 0: the file is cut short"},
    {"empty.wav", [](const std::string& p) { WriteFile(p, Flac(uint64_t(1) << 26, 1)); }, 3,
     " declares 67108864 frames but decodes only 0: the file is cut short", true},
    {"short.rf64", [held](const std::string& p) { WriteFile(p, Rf64(held + (1u << 20), held)); }, 3,
     " declares 1053376 bytes of audio data but holds only 4800: the file is cut short"},
    {"large.wav", [](const std::string& p) { WriteSparseFloatWave(p, 65u << 20); }, 3,
     ": larger than 64 MiB"},
    // Sizes the tool takes: the ds64 chunk's when it is right, and the data chunk's when it is
    // unknown (0xffffffff) and the data run to the end.
    {"whole.rf64", [held](const std::string& p) { WriteFile(p, Rf64(held, held)); }, 0, ""},
    {"unknown.wav", [held](const std::string& p) { WriteFile(p, Wave(0xffffffffu, held)); }, 0, ""},
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
    if (c.exitCode != 0)
      EXPECT_NE(run.output.find("error: " + (c.message[0] == ':' ? "cannot read " + input : input) + c.message),
                std::string::npos)
        << what;
    else
      EXPECT_NE(run.output.find("rendered: 2400 frames"), std::string::npos) << what;
    if (c.make)
      unlink(input.c_str());
  }
}

} // namespace
