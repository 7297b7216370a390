// A file streamed through an instance of the test bundle, in-process, from readers that give
// what a file on the disk can: audio of a length known only at its end, a fault found only at
// the end, a long file. The output is written as it goes, whole or not at all, never from the
// thread that renders, and in memory that does not grow with the file.

#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/AudioWriter.h"
#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/FileRender.h"
#include "standin/aaxhost/tool/PluginInstance.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

float Sample(size_t channel, uint64_t frame)
{
  return static_cast<float>(0.25 * std::sin(0.01 * static_cast<double>(frame) * static_cast<double>(channel + 1)));
}

// A file as a reader gives it: `frames` frames of two channels made on the fly, in reads of
// odd lengths, then the end, or the fault `fault`. The threads that read are recorded.
class ScriptedReader final : public aaxhost::AudioReader
{
public:
  ScriptedReader(uint64_t frames, bool stated, std::string fault, std::set<std::thread::id>& readers,
                 std::mutex& lock)
    : mFrames(frames), mFault(std::move(fault)), mReaders(readers), mLock(lock)
  {
    mSampleRate = 48000;
    mChannels = 2;
    mStatedFrames = stated ? static_cast<int64_t>(frames) : -1;
  }

  int64_t Read(float* const* channels, int64_t frames, std::string& error) override
  {
    {
      const std::lock_guard<std::mutex> guard(mLock);
      mReaders.insert(std::this_thread::get_id());
    }
    if (mPosition == mFrames && !mFault.empty())
      return error = mFault, -1;
    // Fewer than asked only at the end.
    const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(frames), mFrames - mPosition);
    for (size_t c = 0; c < 2; ++c)
      for (uint64_t i = 0; i < n; ++i)
        channels[c][i] = Sample(c, mPosition + i);
    mPosition += n;
    return static_cast<int64_t>(n);
  }

private:
  uint64_t mFrames;
  uint64_t mPosition = 0;
  std::string mFault;
  std::set<std::thread::id>& mReaders;
  std::mutex& mLock;
};

std::string ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The process's peak resident memory since the last ResetPeak, in KiB.
long PeakResidentKiB()
{
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0)
      return std::atol(line.c_str() + 6);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Makes the peak the memory resident now, where the system allows; false where it does not.
bool ResetPeak() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5" << std::flush); }

class HostStreamTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mBundle.Load(HOSTTEST_BUNDLE)) << mBundle.Error();
    mBundle.Startup(mHost);
    ASSERT_EQ(mBundle.Register(mHost), ACF_OK);
    mInstance = std::make_unique<aaxhost::PluginInstance>(mHost, *mBundle.Registered()->Effects()[0].second);
    ASSERT_TRUE(mInstance->Create(1, 48000.0f)) << mInstance->Error();
  }
  void TearDown() override
  {
    mInstance.reset();
    // As the tool leaves it: mapped, so that the bundle's own globals are not taken for leaks.
    mBundle.Unload(false);
  }

  aaxhost::RenderInput Input(uint64_t frames, bool stated, const std::string& fault = "")
  {
    aaxhost::RenderInput input;
    input.reader = std::make_unique<ScriptedReader>(frames, stated, fault, mReaders, mLock);
    input.frames = stated ? static_cast<int64_t>(frames) : -1;
    input.name = "scripted.wav";
    return input;
  }

  // Renders the whole input to `output`, which is opened for it; the reason of the first
  // failure, or "" when the file was written.
  std::string Render(aaxhost::RenderInput input, const std::string& output, size_t block = 500)
  {
    aaxhost::AudioWriter writer;
    std::string error;
    if (!writer.Open(output, 48000, 2, input.frames, error))
      return error;
    aaxhost::FileRenderSettings settings;
    settings.blocks = {static_cast<int>(block)};
    aaxhost::FileRender render(*mInstance, mHost, std::move(input), writer, settings, {});
    mRenderer = std::this_thread::get_id();
    while (!render.Done())
      if (!render.RenderNext(error))
        return error;
    return render.Finish(error) ? "" : error;
  }

  // The file read back matches the scripted audio, frame for frame.
  void ExpectScripted(const std::string& path, uint64_t frames)
  {
    aaxhost::AudioData data;
    std::string error;
    ASSERT_TRUE(aaxhost::ReadAudioFile(path, data, error)) << error;
    ASSERT_EQ(data.channels.size(), 2u);
    ASSERT_EQ(data.Frames(), frames);
    for (size_t c = 0; c < 2; ++c)
      for (uint64_t i = 0; i < frames; i += 97)
        ASSERT_NEAR(data.channels[c][i], Sample(c, i), 1e-6) << "channel " << c << ", frame " << i;
  }

  aaxhost::Host mHost;
  aaxhost::BundleLoader mBundle;
  std::unique_ptr<aaxhost::PluginInstance> mInstance;
  std::set<std::thread::id> mReaders;
  std::mutex mLock;
  std::thread::id mRenderer;
  testsupport::TempDir mDir;
};

// Audio whose length the header does not state renders to its end, into a file whose sizes
// are then written, or through a pipe with sizes that mean "to the end"; a length stated ahead
// goes to the pipe as it is. Each reads back whole, and no read came from the thread that
// renders.
TEST_F(HostStreamTest, AudioOfALengthKnownOnlyAtItsEndIsWrittenWhole)
{
  const uint64_t frames = 48000 + 123;
  ASSERT_EQ(Render(Input(frames, false), mDir.File("file.wav")), "");
  ExpectScripted(mDir.File("file.wav"), frames);
  const std::string file = ReadBytes(mDir.File("file.wav"));
  uint32_t dataSize = 0;
  std::memcpy(&dataSize, file.data() + 84, 4);
  EXPECT_EQ(dataSize, frames * 8) << "the sizes written once the audio was whole";

  const std::string fifo = mDir.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const bool stated : {false, true})
  {
    std::string piped;
    std::thread drain([&] { piped = ReadBytes(fifo); });
    EXPECT_EQ(Render(Input(frames, stated), fifo), "");
    drain.join();
    std::ofstream(mDir.File("piped.wav"), std::ios::binary) << piped;
    ExpectScripted(mDir.File("piped.wav"), frames);
    EXPECT_EQ(piped.substr(88), file.substr(88)) << "the same audio";
    EXPECT_EQ(piped == file, stated) << "the header states the sizes when they are known ahead";
  }
  EXPECT_FALSE(mReaders.empty());
  EXPECT_EQ(mReaders.count(mRenderer), 0u) << "the thread that renders never reads the file";
}

// A fault the reader finds only at the end fails the render with its reason, and the file it
// was to replace is kept as it was, with no other file beside it; so is a file that ends before
// the frames its header stated.
TEST_F(HostStreamTest, AFaultFoundAtTheEndKeepsTheOldOutput)
{
  const std::string out = mDir.File("out.wav");
  std::ofstream(out) << "the old output";
  EXPECT_EQ(Render(Input(30000, false, "cannot read scripted.wav: it is cut short at byte 120044"), out),
            "cannot read scripted.wav: it is cut short at byte 120044");
  EXPECT_EQ(Render(Input(30000, true, "cannot read scripted.wav: 2 frames fewer than its header states"), out),
            "cannot read scripted.wav: 2 frames fewer than its header states");
  aaxhost::RenderInput shorter = Input(30000, false);
  shorter.frames = 40000;
  EXPECT_EQ(Render(std::move(shorter), out), "scripted.wav ended after 30000 frames, where 40000 were expected");
  EXPECT_EQ(ReadBytes(out), "the old output");
  struct stat st{};
  for (int n = 0; n < 4; ++n)
    EXPECT_NE(stat(mDir.File(".tmp." + std::to_string(getpid()) + "." + std::to_string(n)).c_str(), &st), 0);
}

// A long file renders in memory that does not grow with it: ten minutes of stereo audio (230
// MB of output samples) through the instance into /dev/null.
TEST_F(HostStreamTest, ALongFileRendersInMemoryThatDoesNotGrowWithIt)
{
  const uint64_t tenMinutes = 48000ull * 600;
  if (!ResetPeak())
    GTEST_SKIP() << "the peak resident memory cannot be reset here";
  const long before = PeakResidentKiB();
  ASSERT_EQ(Render(Input(tenMinutes, false), "/dev/null", 16384), "");
  EXPECT_LT(PeakResidentKiB() - before, 32 * 1024) << "KiB more at the peak";
}

// Audio too large for a WAVE file's 32-bit sizes is written as RF64 (here with the largest
// WAVE made small), which reads back whole.
TEST(AudioWriterTest, AudioTooLargeForWaveIsWrittenAsRF64)
{
  testsupport::TempDir dir;
  aaxhost::AudioData data;
  data.sampleRate = 44100;
  for (size_t channels : {1u, 2u, 3u})
  {
    data.channels.assign(channels, std::vector<float>(1000));
    for (size_t c = 0; c < channels; ++c)
      for (size_t i = 0; i < 1000; ++i)
        data.channels[c][i] = Sample(c, i);
    for (const int64_t stated : {int64_t(1000), int64_t(-1)})
    {
      aaxhost::AudioWriter writer;
      writer.SetLargestWave(2000);
      std::string error;
      const std::string path = dir.File("large.wav");
      ASSERT_TRUE(writer.Open(path, 44100, static_cast<int>(channels), stated, error)) << error;
      std::vector<const float*> pointers;
      for (const auto& channel : data.channels)
        pointers.push_back(channel.data());
      // The first 600 frames, then 400 that the last 400 then write over again.
      ASSERT_TRUE(writer.Write(pointers.data(), 600, 0, error)) << error;
      ASSERT_TRUE(writer.Write(pointers.data(), 400, 600, error)) << error;
      std::vector<const float*> rest;
      for (const auto& channel : data.channels)
        rest.push_back(channel.data() + 600);
      ASSERT_TRUE(writer.Write(rest.data(), 400, 600, error)) << error;
      ASSERT_TRUE(writer.Finish(error)) << error;
      EXPECT_EQ(ReadBytes(path).substr(0, 4), "RF64");
      aaxhost::AudioData back;
      ASSERT_TRUE(aaxhost::ReadAudioFile(path, back, error)) << error;
      EXPECT_EQ(back.sampleRate, 44100);
      EXPECT_EQ(back.channels, data.channels) << channels << " channels";
    }
  }
}

} // namespace
