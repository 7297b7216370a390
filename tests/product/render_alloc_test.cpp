// The host's whole render path must not allocate once the plug-in has seen its block size:
// the render callback, the binding's render step, the processing frame, Vellicor's block and
// the engine. Every operator new of the process is counted while a real Vellicor renders
// steady-state blocks, with host automation, bypass and transport between them.
//
// The host here is a minimal one built for this test: the host stand-in records its calls as
// strings, so counting through it would count the stand-in. This one answers the controller
// and the transport with plain values and allocates nothing.
#include "aax/interfaces/AAX_IACFController.h"
#include "aax/interfaces/AAX_IACFTransport.h"
#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_VTransport.h"
#include "plug/HeapBuf.h"
#include "plug/aax/AAX_CIPluginParameters.h"
#include "product/FileUtilities.h"
#include "product/Vellicor.h"
#include "product/VellicorFactories.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// The framework's heap buffers take their memory with malloc and realloc, which the operator
// new counter does not see; their allocation hook counts them.
std::atomic<long> gHeapBufAllocations{0};
bool CountHeapBufAllocation(std::size_t)
{
  ++gHeapBufAllocations;
  return true;
}

// Every allocation the counters see: operator new and heap-buffer (re)allocations.
long Allocations() { return testsupport::AllocationCount() + gHeapBufAllocations.load(); }

// Reference counting for host objects that live on the test's stack.
template <class Interface>
class StackObject : public Interface
{
public:
  uint32_t AddRef() override { return ++mRefs; }
  uint32_t Release() override { return --mRefs; }
  uint32_t Refs() const { return mRefs; }

protected:
  ACFRESULT Answer(void** out)
  {
    AddRef();
    *out = static_cast<Interface*>(this);
    return ACF_OK;
  }

  // A host answer written through an out pointer the plug-in hands over.
  template <class T>
  static AAX_Result Put(T* out, T value)
  {
    if (!out)
      return AAX_ERROR_NULL_ARGUMENT;
    *out = value;
    return AAX_SUCCESS;
  }

private:
  uint32_t mRefs = 1;
};

class QuietController : public StackObject<AAX_IACFController>
{
public:
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (!out)
      return ACF_E_NOINTERFACE;
    if (iid == IID_IACFUnknown || iid == IID_IAAXControllerV1)
      return Answer(out);
    *out = nullptr;
    return ACF_E_NOINTERFACE;
  }
  AAX_Result GetEffectID(AAX_IString*) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetSampleRate(float* out) override { return Put(out, mSampleRate); }
  AAX_Result GetInputStemFormat(int32_t* out) override { return Put(out, mStem); }
  AAX_Result GetOutputStemFormat(int32_t* out) override { return Put(out, mStem); }
  AAX_Result GetSignalLatency(int32_t* out) override { return Put(out, 0); }
  AAX_Result GetCycleCount(int32_t, int32_t* out) override { return Put(out, 0); }
  AAX_Result GetTODLocation(int64_t* out) override { return Put(out, int64_t(0)); }
  AAX_Result SetSignalLatency(int32_t) override { return AAX_SUCCESS; }
  AAX_Result SetCycleCount(const int32_t*, const int32_t*, int32_t) override { return AAX_SUCCESS; }
  AAX_Result PostPacket(uint32_t, const void*, uint32_t) override { return AAX_SUCCESS; }
  AAX_Result GetCurrentMeterValue(uint32_t, float* out) override { return Put(out, 0.0f); }
  AAX_Result GetMeterPeakValue(uint32_t, float* out) override { return Put(out, 0.0f); }
  AAX_Result ClearMeterPeakValue(uint32_t) override { return AAX_SUCCESS; }
  AAX_Result GetMeterClipped(uint32_t, bool* out) override { return Put(out, false); }
  AAX_Result ClearMeterClipped(uint32_t) override { return AAX_SUCCESS; }
  AAX_Result GetMeterCount(uint32_t* out) override { return Put(out, 0u); }
  AAX_Result GetCurrentAutomationTimestamp(int64_t* out) override { return Put(out, int64_t(0)); }

  float mSampleRate = 48000.0f;
  int32_t mStem = AAX_eStemFormat_Stereo;
};

// A playing transport whose position the test moves on block by block.
class QuietTransport : public StackObject<AAX_IACFTransport>
{
public:
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (!out)
      return ACF_E_NOINTERFACE;
    if (iid == IID_IACFUnknown || iid == IID_IAAXTransportV1)
      return Answer(out);
    *out = nullptr;
    return ACF_E_NOINTERFACE;
  }
  AAX_Result GetCurrentTempo(double* out) override { return Put(out, 133.0); }
  AAX_Result GetCurrentMeter(int32_t* num, int32_t* den) override
  {
    if (!num || !den)
      return AAX_ERROR_NULL_ARGUMENT;
    *num = 7;
    *den = 8;
    return AAX_SUCCESS;
  }
  AAX_Result IsTransportPlaying(bool* out) override { return Put(out, true); }
  AAX_Result GetCurrentTickPosition(int64_t* out) override { return Put(out, mSamplePos * 40); }
  AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* start, int64_t* end) override
  {
    if (!looping || !start || !end)
      return AAX_ERROR_NULL_ARGUMENT;
    *looping = false;
    *start = 0;
    *end = 0;
    return AAX_SUCCESS;
  }
  AAX_Result GetCurrentNativeSampleLocation(int64_t* out) override { return Put(out, mSamplePos); }
  AAX_Result GetCustomTickPosition(int64_t*, int64_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetBarBeatPosition(int32_t*, int32_t*, int64_t*, int64_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetTicksPerQuarter(uint32_t* out) override { return Put(out, 960000u); }
  AAX_Result GetCurrentTicksPerBeat(uint32_t* out) override { return Put(out, 480000u); }

  int64_t mSamplePos = 0;
};

// The host object handed to Init: the controller and the transport, nothing else.
class QuietHost : public StackObject<IACFUnknown>
{
public:
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (!out)
      return ACF_E_NOINTERFACE;
    if (iid == IID_IAAXControllerV1)
      return mController.QueryInterface(iid, out);
    if (iid == IID_IAAXTransportV1)
      return mTransport.QueryInterface(iid, out);
    if (iid == IID_IACFUnknown)
      return Answer(out);
    *out = nullptr;
    return ACF_E_NOINTERFACE;
  }

  QuietController mController;
  QuietTransport mTransport;
};

// One instance initialised on the quiet host, with its render context and host buffers, all
// made before any block is counted.
class RenderRig
{
public:
  RenderRig(int channels, float sampleRate, int maxFrames)
    : mChannels(channels)
    , mIn(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(maxFrames)))
    , mOut(mIn)
  {
    mHost.mController.mStem = channels == 1 ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo;
    mHost.mController.mSampleRate = sampleRate;
    mPlugin = CreatePlugInstance(plug::InstanceInfo());
    mPlugin->AddRef();
    mInitResult = mPlugin->Init(&mHost);
    mPrivateResult = mPlugin->InitPrivateData(plug::kPrivateDataFieldIndex, mPrivate, sizeof(mPrivate));
    mTransport = std::make_unique<AAX_VTransport>(&mHost);
    for (int c = 0; c < channels; ++c)
    {
      mInPtrs[c] = mIn[static_cast<size_t>(c)].data();
      mOutPtrs[c] = mOut[static_cast<size_t>(c)].data();
      for (int i = 0; i < maxFrames; ++i)
        mIn[static_cast<size_t>(c)][static_cast<size_t>(i)] =
          0.6f * static_cast<float>(std::sin(0.013 * i * (c + 1)));
    }
    mFields[0] = mInPtrs;
    mFields[1] = mOutPtrs;
    mFields[2] = &mFrames;
    mFields[7] = static_cast<AAX_ITransport*>(mTransport.get());
    mFields[plug::kPrivateDataFieldIndex] = mPrivate;
    mFields[plug::kStateNumberFieldIndex] = &mStateNumber;
  }
  ~RenderRig()
  {
    mTransport.reset();
    mPlugin->Uninit();
    mPlugin->Release();
  }

  bool Ready() const { return mInitResult == AAX_SUCCESS && mPrivateResult == AAX_SUCCESS; }
  Vellicor& Plugin() { return *mPlugin; }

  // One render call as the host makes it; returns the allocations the call made.
  long Render(int frames)
  {
    mFrames = frames;
    AAX_RenderContext context = mFields;
    const long before = Allocations();
    plug::AAX_CIPluginParameters::StaticRenderCallback(&context, &context + 1);
    const long made = Allocations() - before;
    mHost.mTransport.mSamplePos += frames;
    return made;
  }

  // A host automation change in the parameter's own units.
  void Automate(int paramIdx, double value)
  {
    const std::string id = std::to_string(paramIdx + 1);
    EXPECT_EQ(mPlugin->UpdateParameterFromHost(id.c_str(), mPlugin->GetParam(paramIdx)->ToNormalized(value), 0),
              AAX_SUCCESS)
      << paramIdx;
  }
  void Bypass(bool on) { mPlugin->UpdateParameterFromHost(AAX_kMasterBypassID, on ? 1.0 : 0.0, 0); }

  double OutputPeak(int frames) const
  {
    double peak = 0.0;
    for (int c = 0; c < mChannels; ++c)
      for (int i = 0; i < frames; ++i)
        peak = std::max(peak, static_cast<double>(std::fabs(mOut[static_cast<size_t>(c)][static_cast<size_t>(i)])));
    return peak;
  }
  bool OutputFinite(int frames) const
  {
    for (int c = 0; c < mChannels; ++c)
      for (int i = 0; i < frames; ++i)
        if (!std::isfinite(mOut[static_cast<size_t>(c)][static_cast<size_t>(i)]))
          return false;
    return true;
  }

private:
  int mChannels;
  QuietHost mHost;
  Vellicor* mPlugin = nullptr;
  AAX_Result mInitResult = AAX_ERROR_UNKNOWN_EXCEPTION;
  AAX_Result mPrivateResult = AAX_ERROR_UNKNOWN_EXCEPTION;
  std::unique_ptr<AAX_VTransport> mTransport;
  std::vector<std::vector<float>> mIn, mOut;
  float* mInPtrs[2] = {nullptr, nullptr};
  float* mOutPtrs[2] = {nullptr, nullptr};
  int32_t mFrames = 0;
  int64_t mStateNumber = 0;
  alignas(8) unsigned char mPrivate[8] = {};
  void* mFields[AAX_kRenderFieldCount] = {};
};

class RenderAllocations : public ::testing::Test
{
protected:
  void SetUp() override
  {
    SetHomeFolderOverride(mHome.Path());
    plug::SetHeapBufAllocHook(&CountHeapBufAllocation);
  }
  void TearDown() override
  {
    plug::SetHeapBufAllocHook(nullptr);
    SetHomeFolderOverride("");
  }

  testsupport::TempDir mHome;
};

TEST_F(RenderAllocations, CountersSeeOperatorNewAndHeapBuffers)
{
  const long start = Allocations();
  // Every form of operator new, as a sanitizer runtime would otherwise take some of them.
  void* volatile probe = ::operator new(16);
  ::operator delete(probe);
  auto array = std::make_unique<double[]>(4);
  auto* quiet = new (std::nothrow) double(1.0);
  delete quiet;
  struct alignas(64) Wide
  {
    double v[8];
  };
  auto wide = std::make_unique<Wide>();
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.get()) % 64, 0u);
  EXPECT_EQ(Allocations() - start, 4);
  plug::TypedBuf<double> buffer;
  buffer.Resize(4096, false);
  EXPECT_GE(Allocations() - start, 5) << "heap buffers are counted too";
}

TEST_F(RenderAllocations, SteadyStateRenderCallsDoNotAllocate)
{
  constexpr int kMaxFrames = 1024;
  struct Setup
  {
    int channels;
    float sampleRate;
  };
  for (const Setup setup : {Setup{2, 48000.0f}, Setup{1, 44100.0f}, Setup{2, 96000.0f}, Setup{1, 192000.0f}})
  {
    SCOPED_TRACE(testing::Message() << setup.channels << " channel(s) at " << setup.sampleRate);
    RenderRig rig(setup.channels, setup.sampleRate, kMaxFrames);
    ASSERT_TRUE(rig.Ready());
    ASSERT_LT(rig.Plugin().GetBlockSize(), kMaxFrames) << "the warm-up must grow the block";

    // Warm-up: a block larger than the host announced grows the buffers (the one allocation
    // the render path may make, and proof that the counter sees this path), then a few
    // ordinary blocks.
    rig.Automate(kDrive, 60.0);
    const long growth = rig.Render(kMaxFrames);
    EXPECT_GT(growth, 0) << "growing to the host's block allocates";
    for (int i = 0; i < 4; ++i)
      rig.Render(kMaxFrames);
    ASSERT_TRUE(rig.OutputFinite(kMaxFrames));
    EXPECT_GT(rig.OutputPeak(kMaxFrames), 0.01) << "the blocks ran through the engine";

    long total = 0;
    long updates = 0;
    long worst = 0;
    int worstBlock = -1;
    const int sizes[] = {kMaxFrames, 256, 100, kMaxFrames, 33, 1, 480, 512};
    for (int block = 0; block < 112; ++block)
    {
      // Host automation between blocks, on the host's thread as it would be: the updates, their
      // reactions and what those set for the host allocate nothing either.
      const long beforeUpdates = Allocations();
      const int phase = block % 16;
      rig.Automate(kOverSampling, static_cast<double>(block / 16 % 5));
      rig.Automate(kLimit, phase >= 4 ? 1.0 : 0.0);
      rig.Automate(kLimitType, static_cast<double>(phase % 2));
      rig.Automate(kStereoMode, phase >= 8 ? 1.0 : 0.0);
      rig.Automate(kDrive, 20.0 + 5.0 * phase);
      rig.Automate(kInputGain, phase == 5 ? 9.0 : 0.0);
      rig.Automate(kOutputGain, -0.5 * phase);
      rig.Automate(kTiltSwitch, static_cast<double>(phase % 3));
      rig.Automate(kDelta, phase == 11 ? 1.0 : 0.0);
      rig.Automate(kPower, phase == 13 ? 0.0 : 1.0);
      rig.Automate(kABSelect, phase == 14 ? 1.0 : 0.0);
      rig.Bypass(phase == 15);
      updates += Allocations() - beforeUpdates;

      const int frames = sizes[block % (sizeof(sizes) / sizeof(sizes[0]))];
      const long made = rig.Render(frames);
      total += made;
      if (made > worst)
      {
        worst = made;
        worstBlock = block;
      }
      ASSERT_TRUE(rig.OutputFinite(frames)) << "block " << block;
    }
    EXPECT_EQ(total, 0) << "worst block " << worstBlock << " made " << worst << " allocation(s)";
    EXPECT_EQ(updates, 0) << "host updates allocated";
    EXPECT_EQ(rig.Plugin().GetProcessingStarted(), 1);
    EXPECT_EQ(rig.Plugin().GetBlockSize(), kMaxFrames) << "no block grew the buffers in the counted part";

    // The main thread's idle tick may allocate (it talks to the editor); it is only measured.
    const long beforeIdle = Allocations();
    rig.Plugin().OnIdleTick();
    rig.Plugin().OnIdleTick();
    std::printf("[ info ] %d ch at %.0f Hz: growth block %ld, steady blocks %ld, two idle ticks %ld allocation(s)\n",
                setup.channels, static_cast<double>(setup.sampleRate), growth, total, Allocations() - beforeIdle);
    // Rendering after the idle ticks (they drain queues the render path fills) stays quiet.
    EXPECT_EQ(rig.Render(kMaxFrames), 0);
  }
}

} // namespace
