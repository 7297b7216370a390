// The real bundle on the host's threads at once, the way a host runs it: blocks render on the
// audio thread while another thread automates every parameter (delivered on the parameter
// thread, echoes included) and the main thread runs the plug-in's idle hook and the host
// timer hook. Built under ThreadSanitizer too.

#include "product/bundle/DemoSignal.h"
#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace bundletest {
namespace {

#if defined(__SANITIZE_THREAD__)
constexpr std::chrono::seconds kDuration(3);
#else
constexpr std::chrono::seconds kDuration(1);
#endif

TEST(BundleThreads, RenderAutomationOfEveryParameterAndIdleRunTogether)
{
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  auto instance = session.NewInstance(1);
  ASSERT_TRUE(instance);
  instance->SetLive(true);
  std::vector<std::string> ids;
  for (const aaxhost::ParameterInfo& info : instance->Parameters())
    ids.push_back(info.id);
  ASSERT_EQ(ids.size(), 34u) << "the bypass and 33 parameters";

  std::atomic<bool> stop{false};
  std::atomic<uint64_t> posted{0};
  std::thread automation([&] {
    std::mt19937 rng(13);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    while (!stop.load())
    {
      for (const std::string& id : ids)
        instance->PostNormalized(id, value(rng));
      posted += ids.size();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  vellicor::DemoSignalOptions options;
  options.channels = 2;
  options.seconds = 0.5;
  const Channels input = vellicor::GenerateDemoSignal(options);
  constexpr size_t kBlock = 256;
  Channels in(2, std::vector<float>(kBlock)), out(2, std::vector<float>(kBlock));
  float* ins[2] = {in[0].data(), in[1].data()};
  float* outs[2] = {out[0].data(), out[1].data()};
  size_t blocks = 0, position = 0;
  bool finite = true, written = true;
  const auto end = std::chrono::steady_clock::now() + kDuration;
  while (std::chrono::steady_clock::now() < end && written && finite)
  {
    if (position + kBlock > input[0].size())
      position = 0;
    for (size_t c = 0; c < 2; ++c)
      std::copy_n(input[c].begin() + static_cast<std::ptrdiff_t>(position), kBlock, in[c].begin());
    written = instance->Render(ins, outs, static_cast<int32_t>(kBlock));
    finite = AllFinite(out);
    position += kBlock;
    ++blocks;
  }
  stop = true;
  automation.join();
  instance->Settle();

  EXPECT_TRUE(written) << "block " << blocks;
  EXPECT_TRUE(finite) << "block " << blocks;
  EXPECT_GT(blocks, 50u);
  EXPECT_GT(posted.load(), 50u * ids.size());
  EXPECT_GT(instance->RunLoopCallbacks(), 10u) << "the plug-in's editor timer and idle hook";
  EXPECT_GT(instance->HostTimerTicks(), 10u);
  EXPECT_GT(instance->DeliveredStateNumber(), 50) << "the packet pass's numbers reach the render calls";

  // The instance settles into a consistent state: it saves, loads and saves the same bytes.
  instance->SetLive(false);
  AAX_CTypeID id = 0;
  ASSERT_EQ(instance->ChunkID(&id), AAX_SUCCESS);
  std::vector<uint8_t> saved, again;
  ASSERT_EQ(instance->GetChunk(id, saved), AAX_SUCCESS);
  ASSERT_EQ(instance->SetChunk(id, saved), AAX_SUCCESS);
  ASSERT_EQ(instance->GetChunk(id, again), AAX_SUCCESS);
  EXPECT_EQ(again, saved);
  EXPECT_TRUE(instance->Render(ins, outs, static_cast<int32_t>(kBlock)));
  EXPECT_EQ(session.GetHost().Services().AssertionCount(), 0u);
}

} // namespace
} // namespace bundletest
