#pragma once
// The product's audio engine: input cleaning, the control smoothers, mid/side, the four
// nonlinear resonators, impedance colour, the high band, the drive path with its two 2x
// oversamplers, the output stage (limiter at the chosen oversampling factor, anti-aliased
// clipper, output gain, balance, dry/wet, band limits, delta), the power fade and the level
// readings for the editor.
//
// Threads: Process and Reset belong to the audio side (the host never runs them at the same
// time). The Request* calls and the level getters may come from any thread; requests take
// effect at the start of the next block, so no other thread ever touches the audio state.
//
// How the plug-in drives it:
//   ProcessBlock       fill an EngineParams from the parameters (atomic loads), the current
//                      preset index, the connected output channels and the sample rate;
//                      then Process(inputs, outputs, nFrames, params).
//   OnResetProcessing  Reset(sample rate, block size, params) (false: rate refused).
//   HandleParamChange  "Stereo Mode" -> RequestStateClear, "Power" -> RequestResize,
//                      "OverSampling" -> RequestOverSamplingChange.
//   OnIdleTick         GetDriveLevelSum to tag 3, GetImpedanceLevelSum to tag 1.
#include "product/dsp/AdaaClip.h"
#include "product/dsp/BiquadBank.h"
#include "product/dsp/BiquadDesign.h"
#include "product/dsp/Chebyshev.h"
#include "product/dsp/ChebyshevBlendShaper.h"
#include "product/dsp/NoiseGenerator.h"
#include "product/dsp/OverSampler.h"
#include "product/engine/EngineParams.h"
#include "product/engine/LevelSender.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace vellicor {

class VellicorEngine
{
public:
  static constexpr int kNumChannels = 2;
  static constexpr int kNumSmootherSlots = 32;
  static constexpr int kNumMemorySlots = 16;
  static constexpr int kNumLevelSenders = 4;
  static constexpr double kDefaultSampleRate = 48000.0;
  // The wet pass runs only while the power fade is above this.
  static constexpr double kWetThreshold = 1e-11;
  // The fade a reset starts from: just above the threshold, so the first block processes.
  static constexpr double kResetFade = 2e-11;
  // Output samples beyond this magnitude (or not finite) are muted.
  static constexpr double kOutputMute = 19.95;
  // The limiter's ceiling.
  static constexpr double kLimitCeiling = 0.994;
  // Moving and fixed filter designs stay below this normalised frequency, so that they stay
  // stable at low sample rates (at 44.1 kHz and above no design comes near it).
  static constexpr double kMaxDesignFrequency = 0.4899;

  // Sized for two channels at 48 kHz, oversamplers at 1x; filters are designed by Reset,
  // which the host runs before the first block.
  VellicorEngine();
  ~VellicorEngine();
  VellicorEngine(const VellicorEngine&) = delete;
  VellicorEngine& operator=(const VellicorEngine&) = delete;

  // The processing reset: designs every fixed section for the rate, the tone and band-limit
  // sections for the parameters, clears every filter, resonator, clipper and oversampler
  // state (and a non-finite DC-blocker state), sets the smoothers to their targets and
  // reserves the buffers for the block size. A sample rate that is not a positive finite
  // number is refused (false) and changes nothing. Allocates; not concurrent with Process.
  bool Reset(double sampleRate, int blockSize, const EngineParams& params);

  // Processes nFrames samples of the two channel slots. inputs and outputs hold two
  // pointers each (they may be the same buffers); a null pointer reads as silence or is
  // not written. Allocates only when a block is longer than every block seen before (and
  // than the block size of the last reset). A block that produced a non-finite sample (the
  // output holds 0 there) makes the next block start from freshly reset states.
  void Process(double** inputs, double** outputs, int nFrames, const EngineParams& params) noexcept;

  // Requests from the parameter-change reactions, applied at the next block start.
  // "Stereo Mode" changed: clear the smoothers, filter states and memories of both channels.
  void RequestStateClear() noexcept { mClearRequest.store(true, std::memory_order_release); }
  // "Power" changed: fit the per-channel state to the channel count (nothing when unchanged).
  void RequestResize() noexcept { mResizeRequest.store(true, std::memory_order_release); }
  // "OverSampling" changed: re-rate the oversamplers at the next block.
  void RequestOverSamplingChange() noexcept { mReconfigure.store(true, std::memory_order_release); }

  // Level readings of the last block, per channel, for the editor's LEDs.
  double GetImpedanceLevel(int channel) const noexcept;
  double GetDriveLevel(int channel) const noexcept;
  // The sums of both channels as the LED controls take them.
  float GetImpedanceLevelSum() const noexcept;
  float GetDriveLevelSum() const noexcept;
  // The record rings: index 1 receives the Impedance records (tag 1), index 3 the Drive
  // records (tag 3); 0 and 2 stay empty.
  LevelSender& GetLevelSender(int index) noexcept { return mLevelSenders[static_cast<std::size_t>(index & 3)]; }

  // The processing-started marker: 0 until the first block, which sets it to 1. The user
  // preset loading at construction reads (and may set) it, so the plug-in hands this very
  // object to LoadVellicorUserPresetSlot.
  std::atomic<int>& ProcessingStartedMarker() noexcept { return mProcessingStarted; }
  bool HasStartedProcessing() const noexcept { return mProcessingStarted.load(std::memory_order_acquire) != 0; }

  // Whether the passes run the build with fused multiply-add instructions: yes wherever the
  // processor has them. The tests turn it off to compare both builds.
  bool UsesFusedMultiplyAdd() const noexcept { return mUseFma; }
  void UseFusedMultiplyAdd(bool use) noexcept;

  // Inspection, for the plug-in's diagnostics and the tests.
  double GetSampleRate() const noexcept { return mSampleRate; }
  int GetLimitOverSamplingExponent() const noexcept { return mLimitOS->GetExponent(); }
  int GetDriveOverSamplingExponent() const noexcept { return mDriveOS->GetExponent(); }
  double GetPowerFade() const noexcept { return mSmooth[0][kFade]; }
  double GetSmoother(int channel, int slot) const noexcept { return mSmooth[channel & 1][slot & 31]; }
  const HarmonicSettings& GetHarmonicSettings() const noexcept { return mHarmonics; }
  BiquadBank& GetFilterBank() noexcept { return mBank; }
  DcBlockerState& GetDcBlockerState() noexcept { return mDcBlocker; }

private:
  // Smoother slots (B0 = channel 0's row, B1 = channel 1's row; V[ch] = the channel's row).
  enum Slot
  {
    kBump = 10,          // B0: bump; B1: mid/side pusher
    kImp = 11,           // B0: 1 - impedance; B1: impedance area
    kBumpSlow = 12,      // B0: bump follower; B1: level calibration
    kAir = 13,           // B0: air; B1: drive tone
    kDriveAmt = 14,      // B0: drive; B1: band-limit high-pass cut-off
    kCutoffA = 15,       // B0: band-limit low-pass cut-off; B1: low tone cut-off
    kCutoffB = 16,       // B0: high tone cut-off
    kCalGain = 17,       // B0: inverse calibration gain; B1: calibration gain
    kCalShape = 18,      // B0: calibration position; B1: Chebyshev drive scale
    kInDrive = 19,       // B1: input drive
    kTone = 20,          // B0: signed tone; B1: doubled tone
    kCheb = 21,          // B0: Chebyshev amount; B1: blend amount
    kPush = 22,          // B0: pusher gain
    kChebDrive = 24,     // B1: Chebyshev drive
    kBandLowBlend = 25,  // V[ch]: band-limit high-pass blend
    kBandHighBlend = 26, // V[ch]: band-limit low-pass blend
    kFade = 27,          // B0: power fade
    kPowerWeight = 28,   // B0: power weight of the drive path
  };

  void ResetState(const EngineParams& params) noexcept;
  void DesignFixedSections() noexcept;
  void DesignSection(int section, BiquadDesign::Type type, double fn, double q) noexcept;
  void ClearChannelStates() noexcept;
  bool EnsureBufferFrames(std::size_t frames) noexcept;
  void ApplyRequests(const EngineParams& params) noexcept;
  void PushLevels(Double2 impedance, Double2 drive) noexcept;

  // Parameters as this block uses them (non-finite values replaced by the defaults).
  struct BlockParams;
  void RunWetPass(int nFrames, const BlockParams& bp) noexcept;
  void RunOutputStage(int nFrames, const BlockParams& bp) noexcept;
  // Both passes, built twice from the same code: for every x86-64 processor, and for those
  // with fused multiply-add instructions, where the Chebyshev recurrences fuse in place
  // instead of calling the library. The samples are the same.
  void RunPasses(int nFrames, const BlockParams& bp) noexcept;
  void RunPassesFma(int nFrames, const BlockParams& bp) noexcept;

  double mSampleRate = kDefaultSampleRate; // stored by the reset
  int mResetBlockSize = OverSampler::kDefaultBlockSize;
  double mRateFactor = 1.0; // sample rate / 44100, stored each block
  int mLastBlockSize = 0;
  int mLastChannelCount = 0;
  int mPresetCopy = 0;
  float mPowerTarget = 0.0f;
  int mAirRepeats = 4;
  double mDcCorner = 20.0;

  std::array<std::vector<double>, kNumChannels> mInputCopy;
  std::array<std::vector<double>, kNumChannels> mWork;
  std::size_t mBufferFrames = 0; // usable frames of both buffers

  double mSmooth[kNumChannels][kNumSmootherSlots] = {};
  // The cut-offs the moving sections were last designed at: band-limit high-pass and
  // low-pass, low and high tone.
  double mDesignedCutoff[4] = {};
  double mMemory[kNumChannels][kNumMemorySlots] = {};
  double mMemory2[kNumChannels][kNumMemorySlots] = {};

  BiquadBank mBank{kNumChannels};
  AdaaClip mClip{kNumChannels, 2};
  // Each runs both channels in lock step (its channel 0 is the engine's pair).
  std::unique_ptr<StereoOverSampler> mDriveOS;
  std::unique_ptr<StereoOverSampler> mBlendOS;
  std::unique_ptr<StereoOverSampler> mLimitOS;

  HarmonicSettings mHarmonics;
  DcBlockerState mDcBlocker;
  NoiseGenerator mNoise;

  std::atomic<double> mImpedanceLevel[kNumChannels];
  std::atomic<double> mDriveLevel[kNumChannels];
  LevelRecord mImpedanceRecord;
  LevelRecord mDriveRecord;
  std::array<LevelSender, kNumLevelSenders> mLevelSenders;

  std::atomic<bool> mReconfigure{true};
  std::atomic<bool> mClearRequest{false};
  std::atomic<bool> mResizeRequest{false};
  std::atomic<int> mProcessingStarted{0};
  bool mUseFma = false;
  // Set when a block produced a non-finite sample: the states are rebuilt at the next
  // block start instead of keeping the engine muted until the host resets it.
  bool mRecoverPending = false;
};

} // namespace vellicor
