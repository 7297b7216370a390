// Audio through the real bundle: both components, every block size a host may use, block
// size changes, every oversampling factor, the master bypass and automation of Drive.

#include "product/bundle/DemoSignal.h"
#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

namespace bundletest {
namespace {

Channels DemoInput(int channels, double seconds = 0.5)
{
  vellicor::DemoSignalOptions options;
  options.channels = channels;
  options.seconds = seconds;
  return vellicor::GenerateDemoSignal(options);
}

// Some of the engine's smoothers step once per block (and a block longer than any before
// resets the processing), so renders with different block sizes glide differently at first
// and then converge; a lost, shifted or misbound block would differ by far more.
::testing::AssertionResult Alike(const Channels& output, const Channels& expected)
{
  const double whole = RelativeDifference(output, expected);
  Channels lateOut = output, lateExpected = expected;
  for (auto* channels : {&lateOut, &lateExpected})
    for (auto& c : *channels)
      c.erase(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(c.size() / 2));
  const double late = RelativeDifference(lateOut, lateExpected);
  if (whole < 0.1 && late < 0.02)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "relative difference " << whole << ", in the second half " << late;
}

class BundleRenderTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(mSession.Ready()) << mSession.Error(); }

  // A new instance of the component with a characteristic drive setting.
  std::unique_ptr<aaxhost::PluginInstance> Driven(int component)
  {
    auto instance = mSession.NewInstance(component);
    if (instance)
    {
      EXPECT_EQ(instance->SetFromText(instance->FindParameter("Drive"), "60"), AAX_SUCCESS);
      EXPECT_EQ(instance->SetFromText(instance->FindParameter("Input Gain"), "6"), AAX_SUCCESS);
    }
    return instance;
  }

  BundleSession mSession;
};

TEST_F(BundleRenderTest, MonoAndStereoRenderAlikeAtEveryBlockSize)
{
  for (int component = 0; component < 2; ++component)
  {
    const Channels input = DemoInput(component + 1);
    auto reference = Driven(component);
    ASSERT_TRUE(reference);
    ASSERT_EQ(reference->InputChannels(), component + 1);
    ASSERT_EQ(reference->OutputChannels(), component + 1);
    const Channels expected = Render(*reference, input, {512});
    ASSERT_TRUE(AllFinite(expected));
    EXPECT_GT(Peak(expected), 0.05) << "component " << component;
    EXPECT_LT(Peak(expected), 4.0) << "component " << component;

    for (int block : {32, 64, 100, 128, 256, 1024, 2048, 4096})
    {
      auto instance = Driven(component);
      ASSERT_TRUE(instance);
      const Channels output = Render(*instance, input, {block});
      EXPECT_TRUE(AllFinite(output)) << "block " << block;
      EXPECT_TRUE(Alike(output, expected)) << "component " << component << ", block " << block;
          }
  }
}

TEST_F(BundleRenderTest, BlockSizeChangesMidStreamKeepTheSignalIntact)
{
  const Channels input = DemoInput(2);
  auto reference = Driven(1);
  ASSERT_TRUE(reference);
  const Channels expected = Render(*reference, input, {512});

  // Growing past the initial block size, shrinking, odd sizes, single frames.
  auto instance = Driven(1);
  ASSERT_TRUE(instance);
  const Channels output = Render(*instance, input, {512, 4096, 32, 1000, 1, 7, 2048, 333});
  EXPECT_TRUE(AllFinite(output));
  EXPECT_TRUE(Alike(output, expected));
}

TEST_F(BundleRenderTest, EveryOversamplingFactorGivesFiniteBoundedAudio)
{
  const Channels input = DemoInput(2);
  for (const char* factor : {"None", "2x", "4x", "8x", "16x"})
  {
    auto instance = Driven(1);
    ASSERT_TRUE(instance);
    const std::string id = instance->FindParameter("OverSampling");
    ASSERT_EQ(instance->SetFromText(id, factor), AAX_SUCCESS) << factor;
    EXPECT_EQ(instance->ParameterText(id), factor);
    // The limiter after heavy drive: the factor's own stage runs.
    ASSERT_EQ(instance->SetNormalized(instance->FindParameter("Limit"), 1.0), AAX_SUCCESS);
    ASSERT_EQ(instance->SetFromText(instance->FindParameter("Drive"), "100"), AAX_SUCCESS);
    const Channels output = Render(*instance, input, {256, 4096, 32});
    EXPECT_TRUE(AllFinite(output)) << factor;
    EXPECT_GT(Peak(output), 0.05) << factor;
    EXPECT_LT(Peak(output), 4.0) << factor;
  }
}

TEST_F(BundleRenderTest, MasterBypassGivesTheInputBackBitExact)
{
  for (int component = 0; component < 2; ++component)
  {
    const Channels input = DemoInput(component + 1, 0.25);
    auto instance = Driven(component);
    ASSERT_TRUE(instance);
    ASSERT_EQ(instance->SetNormalized("MasterBypassID", 1.0), AAX_SUCCESS);
    const Channels output = Render(*instance, input, {64, 4096, 17});
    ASSERT_EQ(output.size(), input.size());
    for (size_t c = 0; c < input.size(); ++c)
      EXPECT_EQ(output[c], input[c]) << "component " << component << ", channel " << c;

    // And back on: the processing returns.
    ASSERT_EQ(instance->SetNormalized("MasterBypassID", 0.0), AAX_SUCCESS);
    const Channels processed = Render(*instance, input, {512});
    EXPECT_TRUE(AllFinite(processed));
    EXPECT_GT(MaxDifference(processed, input), 1e-3) << "component " << component;
  }
}

TEST_F(BundleRenderTest, EmptyOrNegativeFrameCountsRenderNothing)
{
  auto instance = Driven(0);
  ASSERT_TRUE(instance);
  // Exactly one buffer pointer each, as the mono stem format promises.
  auto in = std::make_unique<float[]>(64);
  auto out = std::make_unique<float[]>(64);
  std::fill_n(in.get(), 64, 0.5f);
  std::fill_n(out.get(), 64, 7.0f);
  auto ins = std::make_unique<float*[]>(1);
  auto outs = std::make_unique<float*[]>(1);
  ins[0] = in.get();
  outs[0] = out.get();
  for (int32_t frames : {0, -1, -4096})
  {
    instance->Render(ins.get(), outs.get(), frames);
    for (int i = 0; i < 64; ++i)
      ASSERT_EQ(out[static_cast<size_t>(i)], 7.0f) << "frames " << frames;
  }
  // The instance renders normally afterwards.
  instance->Render(ins.get(), outs.get(), 64);
  for (int i = 0; i < 64; ++i)
    ASSERT_TRUE(std::isfinite(out[static_cast<size_t>(i)]));
}

TEST_F(BundleRenderTest, AutomatingDriveOverARenderFollowsTheHost)
{
  const Channels input = DemoInput(2, 1.0);
  const size_t frames = input.front().size();

  auto still = mSession.NewInstance(1);
  ASSERT_TRUE(still);
  const Channels dry = Render(*still, input, {256});

  auto instance = mSession.NewInstance(1);
  ASSERT_TRUE(instance);
  const std::string drive = instance->FindParameter("Drive");
  ASSERT_EQ(drive, "7");
  // A ramp from 0 to 100 % over the second, sent before every block like a host's automation.
  const Channels output = Render(*instance, input, {256}, [&](size_t position) {
    instance->SetNormalized(drive, static_cast<double>(position) / static_cast<double>(frames));
  });
  EXPECT_TRUE(AllFinite(output));
  EXPECT_EQ(instance->ParameterText(drive), "99.73%");

  // Before the ramp has moved, the render matches the undriven one; at its end it does not.
  Channels headOut(2), headDry(2), tailOut(2), tailDry(2);
  const size_t head = 256, tailStart = frames * 3 / 4;
  for (size_t c = 0; c < 2; ++c)
  {
    headOut[c].assign(output[c].begin(), output[c].begin() + head);
    headDry[c].assign(dry[c].begin(), dry[c].begin() + head);
    tailOut[c].assign(output[c].begin() + static_cast<std::ptrdiff_t>(tailStart), output[c].end());
    tailDry[c].assign(dry[c].begin() + static_cast<std::ptrdiff_t>(tailStart), dry[c].end());
  }
  EXPECT_LT(MaxDifference(headOut, headDry), 1e-6);
  EXPECT_GT(MaxDifference(tailOut, tailDry), 1e-2);
}

} // namespace
} // namespace bundletest
