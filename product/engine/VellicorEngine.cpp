#include "product/engine/VellicorEngine.h"

#include "product/dsp/ChebyshevKneeShaper.h"
#include "product/dsp/CubicSoftClip.h"
#include "product/dsp/FixedSections.h"
#include "product/dsp/SoftLimitShaper.h"
#include "product/engine/ScopedFlushDenormals.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

// A second build of the passes for processors with fused multiply-add (GCC and Clang on
// x86-64).
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__FMA__)
#define VELLICOR_FMA_BUILD 1
#else
#define VELLICOR_FMA_BUILD 0
#endif

namespace vellicor {

namespace {

using T = BiquadDesign::Type;

constexpr double kPi = 3.141592653589793;

// Smoothstep with its argument clamped to [0, 1]. V is double or Double2 (both channels).
template <typename V>
inline V H(V t)
{
  t = Clamp(t, V(0.0), V(1.0));
  return 3.0 * t * t - 2.0 * t * t * t;
}

template <typename V>
inline V Clamp01(V x)
{
  return Clamp(x, V(0.0), V(1.0));
}

// Decibels to gain.
inline double DbToGain(double db)
{
  return std::exp(db * 0.1151292546497);
}

// DbToGain that keeps its last result: the held smoothers hand it the same value sample after
// sample, and the same argument gives the same gain.
class RememberedDbToGain
{
public:
  double operator()(double db)
  {
    if (!(db == mDb))
    {
      mDb = db;
      mGain = DbToGain(db);
    }
    return mGain;
  }

private:
  double mDb = std::numeric_limits<double>::quiet_NaN();
  double mGain = 0.0;
};

inline double Smooth(double state, double target, double c)
{
  return state * (1.0 - c) + target * c;
}

// Switch-like parameters are used truncated; a value that is not finite (or beyond int)
// counts as 0 rather than being undefined.
inline int ToInt(double v)
{
  if (!(v > static_cast<double>(INT_MIN) && v < static_cast<double>(INT_MAX)))
    return 0;
  return static_cast<int>(v);
}

// NaN, infinities, zero and subnormals all become +0.
inline double CleanSample(double x)
{
  return (std::isfinite(x) && std::fabs(x) >= DBL_MIN) ? x : 0.0;
}

// The sample type of a template taken from another argument only (no deduction here).
template <typename V>
struct SampleOf
{
  using Type = V;
};
template <typename V>
using SameAs = typename SampleOf<V>::Type;

// One step of the engine's nonlinear resonator: a mass on a soft-clipped damper and a
// spring pulled toward `target`, integrated explicitly. Returns the new position.
template <typename V>
inline V Resonate(V& pos, V& prev, SameAs<V> damping, SameAs<V> stiffness, SameAs<V> target, double sr,
                  double dt2)
{
  const V v = pos - prev;
  const V f = (CubicSoftClip(v) + v) * (-0.5) * sr * damping + (target - pos) * stiffness;
  const V next = (CubicSoftClip(f) + f) * 0.5 * dt2 + (2.0 * pos - prev);
  prev = pos;
  pos = next;
  return next;
}

// Two per-channel values as the lanes of one pair (channel 0 in lane 0).
template <std::size_t N>
inline Double2 LoadPair(const double (&rows)[2][N], int slot)
{
  return Double2(rows[0][slot], rows[1][slot]);
}

template <std::size_t N>
inline void StorePair(double (&rows)[2][N], int slot, Double2 v)
{
  rows[0][slot] = v.Lane0();
  rows[1][slot] = v.Lane1();
}

bool ProcessorHasFma()
{
#if VELLICOR_FMA_BUILD
  return __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

} // namespace

// Everything the block reads from the parameters, read once at its start.
struct VellicorEngine::BlockParams
{
  double sr;
  double k, c1, c2, c3;
  double dt, dt2, hiRate;
  double dcR;
  bool powerOn;
  int delta, stereoMode, limit, limitType, balanceMode;
  double gIn, gOut;
  double blend, cal, drive, tone, air, bump, balance;
  double impedance, impedanceArea, pusher;
  double driveAreaLow, driveAreaHigh, bandLow, bandHighKHz;
  int overSampling;
};

VellicorEngine::VellicorEngine()
{
  for (int ch = 0; ch < kNumChannels; ++ch)
  {
    mImpedanceLevel[ch].store(0.0, std::memory_order_relaxed);
    mDriveLevel[ch].store(0.0, std::memory_order_relaxed);
  }
  mImpedanceRecord.mCtrlTag = kTagLEDImpedance;
  mDriveRecord.mCtrlTag = kTagLEDDrive;
  EnsureBufferFrames(static_cast<std::size_t>(StereoOverSampler::kDefaultBlockSize) + 1);
  mDriveOS = std::make_unique<StereoOverSampler>(0, true, 1, 1);
  mBlendOS = std::make_unique<StereoOverSampler>(0, true, 1, 1);
  mLimitOS = std::make_unique<StereoOverSampler>(0, true, 1, 1);
  mSmooth[0][kFade] = kResetFade;
  mUseFma = ProcessorHasFma();
}

VellicorEngine::~VellicorEngine() = default;

bool VellicorEngine::EnsureBufferFrames(std::size_t frames) noexcept
{
  const std::size_t n = std::max<std::size_t>(frames, 1);
  if (n <= mBufferFrames)
    return true;
  try
  {
    for (int ch = 0; ch < kNumChannels; ++ch)
    {
      mInputCopy[static_cast<std::size_t>(ch)].resize(n, 0.0);
      mWork[static_cast<std::size_t>(ch)].resize(n, 0.0);
    }
  }
  catch (...)
  {
    return false; // the buffers keep at least their old usable length
  }
  mBufferFrames = n;
  return true;
}

void VellicorEngine::DesignSection(int section, BiquadDesign::Type type, double fn, double q) noexcept
{
  // Above half the rate the bilinear design turns unstable; keep clear of it.
  if (fn > kMaxDesignFrequency)
    fn = kMaxDesignFrequency;
  mBank.Design(section, type, fn, q);
}

void VellicorEngine::DesignFixedSections() noexcept
{
  for (const FixedSection& s : FixedSections())
  {
    const double rate = s.airRate ? mSampleRate * mAirRepeats * 0.5 : mSampleRate;
    DesignSection(s.section, s.type, s.frequency / rate, s.q);
  }
}

bool VellicorEngine::Reset(double sampleRate, int blockSize, const EngineParams& params)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate))
    return false;
  // Reserve for the announced block size now, so the audio thread does not allocate. The
  // oversamplers size their buffers here too; the reset below then only clears them.
  // Counted in size_t, so that INT_MAX frames plus one does not overflow.
  if (!EnsureBufferFrames(static_cast<std::size_t>(std::max(blockSize, StereoOverSampler::kDefaultBlockSize)) + 1))
    return false;
  try
  {
    for (StereoOverSampler* os : {mDriveOS.get(), mBlendOS.get(), mLimitOS.get()})
      os->Reset(blockSize);
  }
  catch (...)
  {
    // Back to the sizes that fit (no allocation), and the old settings stay.
    for (StereoOverSampler* os : {mDriveOS.get(), mBlendOS.get(), mLimitOS.get()})
      os->Reset(mResetBlockSize);
    return false;
  }
  mSampleRate = sampleRate;
  mResetBlockSize = blockSize;
  ResetState(params);
  return true;
}

void VellicorEngine::ResetState(const EngineParams& params) noexcept
{
  const double sr = mSampleRate;
  mReconfigure.store(true, std::memory_order_release);
  mPresetCopy = params.presetIndex;

  // The oversamplers keep the buffer capacity of their largest reset, so this never
  // allocates once the engine has seen the block size.
  mDriveOS->Reset(mResetBlockSize);
  mBlendOS->Reset(mResetBlockSize);
  mLimitOS->Reset(mResetBlockSize);
  for (int ch = 0; ch < kNumChannels; ++ch)
  {
    std::fill(std::begin(mSmooth[ch]), std::end(mSmooth[ch]), 0.0);
    std::fill(std::begin(mMemory[ch]), std::end(mMemory[ch]), 0.0);
    std::fill(std::begin(mMemory2[ch]), std::end(mMemory2[ch]), 0.0);
    mClip.ClearRow(ch);
  }
  mBank.ClearAll();
  // The DC blocker runs for the plug-in's lifetime; only a broken state is cleared.
  if (!std::isfinite(mDcBlocker.dPrev) || !std::isfinite(mDcBlocker.yPrev))
    mDcBlocker = DcBlockerState{};

  double* b0 = mSmooth[0];
  double* b1 = mSmooth[1];
  b0[kFade] = kResetFade;

  DesignFixedSections();

  // Parameters, with anything non-finite taken as its default.
  const auto& defaults = DefaultParamValues();
  auto value = [&](int i) {
    const double v = params[i];
    return std::isfinite(v) ? v : defaults[static_cast<std::size_t>(i)];
  };

  // Tone sections.
  const double w = Clamp01(value(kDriveTone) / 100.0 + 1e-15);
  const double hW = H(w);
  const double aLo = Clamp01((value(kDriveAreaLow) - 50.0) / 5950.0);
  const double aHi = Clamp01((value(kDriveAreaHigh) - 50.0) / 5950.0);
  const double fLo =
    ((50.0 * (1.0 - aLo) + 250.0 * aLo) * (1.0 - hW) + (250.0 * (1.0 - aLo) + 2000.0 * aLo) * hW) / sr;
  const double fHi =
    ((150.0 * (1.0 - aHi) + 2000.0 * aHi) * (1.0 - hW) + (2000.0 * (1.0 - aHi) + 6000.0 * aHi) * hW) / sr;
  DesignSection(5, T::HighPass, fLo, 0.7071);
  DesignSection(7, T::BandPass, fLo, 0.7071);
  DesignSection(6, T::LowPass, fHi, 0.7071);
  DesignSection(8, T::BandPass, fHi, 0.7071);
  b1[kCutoffA] = fLo;
  b0[kCutoffB] = fHi;
  mDesignedCutoff[2] = fLo;
  mDesignedCutoff[3] = fHi;

  // Output band limits.
  b1[kDriveAmt] = value(kOutputBandlimitLow) / sr;
  DesignSection(10, T::HighPass, b1[kDriveAmt], 0.7);
  b0[kCutoffA] = value(kOutputBandlimitHigh) * 1000.0 / sr;
  DesignSection(11, T::LowPass, b0[kCutoffA], 0.7);
  mDesignedCutoff[0] = b1[kDriveAmt];
  mDesignedCutoff[1] = b0[kCutoffA];

  // Smoothers at their targets, so the first block starts without glides.
  const double cal = value(kLevelCalibration);
  const double tone = value(kDriveTone) / 100.0;
  const double drive = value(kDrive) / 100.0;
  b0[kBump] = value(kImpedanceBump) / 100.0;
  b0[kBumpSlow] = value(kImpedanceBump) / 100.0;
  b1[kBump] = value(kMidSidePusher) / 100.0;
  b0[kImp] = 1.0 - value(kImpedance) / 100.0;
  b1[kImp] = value(kImpedanceArea) / 100.0;
  b1[kBumpSlow] = cal;
  b0[kAir] = value(kVellAir) / 100.0;
  b1[kAir] = tone;
  b0[kDriveAmt] = drive;
  b0[kCalGain] = DbToGain(-cal) + 1e-15;
  b1[kCalGain] = DbToGain(cal) + 1e-15;
  b0[kCalShape] = (24.0 + cal) / 28.0 + 1e-15;
  b1[kCalShape] = 1.0 - (cal + 12.0) * 0.0625;
  b1[kInDrive] = (DbToGain(-cal) + 1e-15) * DbToGain(value(kInputGain));
  b0[kTone] = (tone - 0.5) * 2.0;
  b1[kTone] = H(Clamp01(2.0 * tone));
  b0[kCheb] = (1.0 - (tone - 0.5) * 2.0) * drive * 3.0;
  b1[kCheb] = H(std::min(1.0, std::fabs(b1[kCalShape] * 2.0 * tone * (drive * drive) * 2.0)));
  b0[kPush] = DbToGain(6.0 * std::fabs(value(kMidSidePusher) / 100.0));
}

void VellicorEngine::ClearChannelStates() noexcept
{
  for (int ch = 0; ch < kNumChannels; ++ch)
  {
    std::fill(std::begin(mSmooth[ch]), std::end(mSmooth[ch]), 0.0);
    std::fill(std::begin(mMemory[ch]), std::end(mMemory[ch]), 0.0);
    mBank.ClearChannel(ch);
  }
}

void VellicorEngine::ApplyRequests(const EngineParams& params) noexcept
{
  if (mRecoverPending)
  {
    mRecoverPending = false;
    ResetState(params);
  }
  if (mClearRequest.exchange(false, std::memory_order_acq_rel))
    ClearChannelStates();
  // The engine always runs its two channel slots, so a resize finds the sizes unchanged:
  // the request only has to be consumed.
  mResizeRequest.exchange(false, std::memory_order_acq_rel);
}

double VellicorEngine::GetImpedanceLevel(int channel) const noexcept
{
  return mImpedanceLevel[channel & 1].load(std::memory_order_relaxed);
}

double VellicorEngine::GetDriveLevel(int channel) const noexcept
{
  return mDriveLevel[channel & 1].load(std::memory_order_relaxed);
}

float VellicorEngine::GetImpedanceLevelSum() const noexcept
{
  return static_cast<float>(GetImpedanceLevel(0) + GetImpedanceLevel(1));
}

float VellicorEngine::GetDriveLevelSum() const noexcept
{
  return static_cast<float>(GetDriveLevel(0) + GetDriveLevel(1));
}

void VellicorEngine::PushLevels(Double2 impedance, Double2 drive) noexcept
{
  for (int ch = 0; ch < kNumChannels; ++ch)
  {
    mImpedanceRecord.mVals[ch] = static_cast<float>(impedance[ch]);
    mDriveRecord.mVals[ch] = static_cast<float>(drive[ch]);
  }
  mLevelSenders[1].PushData(mImpedanceRecord);
  mLevelSenders[3].PushData(mDriveRecord);
}

void VellicorEngine::Process(double** inputs, double** outputs, int nFrames,
                             const EngineParams& params) noexcept
{
  if (nFrames <= 0 || outputs == nullptr)
    return;
  ScopedFlushDenormals flushDenormals;
  ApplyRequests(params);

  // 1. Parameters of the block.
  const auto& defaults = DefaultParamValues();
  auto value = [&](int i) {
    const double v = params[i];
    return std::isfinite(v) ? v : defaults[static_cast<std::size_t>(i)];
  };
  BlockParams bp;
  bp.sr = (params.sampleRate > 0.0 && std::isfinite(params.sampleRate)) ? params.sampleRate : mSampleRate;
  bp.powerOn = ToInt(value(kPower)) == 1;
  bp.delta = ToInt(value(kDelta));
  bp.stereoMode = ToInt(value(kStereoMode));
  bp.limit = ToInt(value(kLimit));
  bp.limitType = ToInt(value(kLimitType));
  bp.gIn = DbToGain(value(kInputGain));
  bp.gOut = DbToGain(value(kOutputGain));
  bp.blend = value(kMasterDryBlend);
  bp.cal = value(kLevelCalibration);
  bp.drive = value(kDrive);
  bp.tone = value(kDriveTone);
  bp.air = value(kVellAir);
  bp.bump = value(kImpedanceBump);
  bp.balanceMode = ToInt(value(kBalanceMode));
  bp.balance = value(kBalance);

  // 2. A preset change restarts the moving parts (and dips the power target for a block).
  if (params.presetIndex != mPresetCopy)
  {
    mPowerTarget = 0.0f;
    for (int ch = 0; ch < kNumChannels; ++ch)
    {
      std::fill(mSmooth[ch] + 10, mSmooth[ch] + 27, 0.0);
      mBank.ClearStates(ch, 10, 26);
      std::fill(std::begin(mMemory[ch]), std::end(mMemory[ch]), 0.0);
    }
    mPresetCopy = params.presetIndex;
  }
  bp.impedanceArea = value(kImpedanceArea);
  bp.impedance = value(kImpedance);
  bp.pusher = value(kMidSidePusher);
  bp.driveAreaLow = value(kDriveAreaLow);
  bp.driveAreaHigh = value(kDriveAreaHigh);
  bp.bandLow = value(kOutputBandlimitLow);
  bp.bandHighKHz = value(kOutputBandlimitHigh);
  bp.overSampling = ToInt(value(kOverSampling));

  // 3. Block preparation.
  const double sr = bp.sr;
  mRateFactor = sr * 2.2675736961451248e-05;
  bp.k = mRateFactor;
  bp.c1 = 0.1 * bp.k;
  bp.c2 = 0.001 * bp.k;
  bp.c3 = 0.0001 * bp.k;
  bp.dt = 1.0 / sr;
  bp.dt2 = bp.dt * bp.dt;
  bp.hiRate = (sr - 22050.0) / 73950.0;
  bp.dcR = std::exp(-2.0 * kPi * mDcCorner / sr);
  mProcessingStarted.store(1, std::memory_order_release);
  if (nFrames != mLastBlockSize || kNumChannels != mLastChannelCount)
  {
    if (!EnsureBufferFrames(static_cast<std::size_t>(nFrames) + 1))
    {
      // No memory for a block this long: pass it through untouched rather than fail.
      for (int ch = 0; ch < kNumChannels; ++ch)
        if (outputs[ch])
          for (int j = 0; j < nFrames; ++j)
            outputs[ch][j] = (inputs && inputs[ch]) ? CleanSample(inputs[ch][j]) : 0.0;
      return;
    }
    mLastBlockSize = nFrames;
    mLastChannelCount = kNumChannels;
  }

  // 4. Input copy, cleaned.
  for (int ch = 0; ch < kNumChannels; ++ch)
  {
    double* in = mInputCopy[static_cast<std::size_t>(ch)].data();
    const double* src = inputs ? inputs[ch] : nullptr;
    if (src)
      for (int j = 0; j < nFrames; ++j)
        in[j] = CleanSample(src[j]);
    else
      std::fill(in, in + nFrames, 0.0);
  }

  // 5. Oversampler rates. The limit rate is also checked against the parameter, so a change
  // whose request raced with the snapshot is still picked up one block later.
  const bool reconfigure = mReconfigure.exchange(false, std::memory_order_acq_rel);
  if (reconfigure || bp.overSampling != mLimitOS->GetExponent())
  {
    for (StereoOverSampler* os : {mDriveOS.get(), mBlendOS.get()})
      if (os->GetExponent() != 1)
      {
        os->SetExponent(1);
        os->Reset(StereoOverSampler::kDefaultBlockSize);
      }
    if (mLimitOS->GetExponent() != bp.overSampling)
    {
      mLimitOS->SetExponent(bp.overSampling);
      mLimitOS->Reset(StereoOverSampler::kDefaultBlockSize);
    }
  }

  double* b0 = mSmooth[0];
  double* b1 = mSmooth[1];
  const bool wet = b0[kFade] > kWetThreshold;
  if (wet)
  {
    // 6. and 7.
    if (mUseFma)
      RunPassesFma(nFrames, bp);
    else
      RunPasses(nFrames, bp);
  }
  else
  {
    // Skipped pass: the work buffer holds what a pass-through would give (the input, or
    // nothing in delta mode), never an old block's audio.
    std::fill(b0, b0 + 10, 0.0);
    std::fill(b1, b1 + 10, 0.0);
    b1[kChebDrive] = 0.0;
    const bool deltaMode = bp.powerOn && bp.delta == 1;
    for (int ch = 0; ch < kNumChannels; ++ch)
    {
      const double* in = mInputCopy[static_cast<std::size_t>(ch)].data();
      double* work = mWork[static_cast<std::size_t>(ch)].data();
      if (deltaMode)
        std::fill(work, work + nFrames, 0.0);
      else
        std::copy(in, in + nFrames, work);
    }
    // 8. Power-off path: band-limit blends held at their targets, LEDs at rest.
    const double lowBlend = (bp.bandLow - 10.0) / 90.0;
    const double highBlend = (bp.bandHighKHz - 18.0) * (-0.5) + 1.0;
    const Double2 rest = static_cast<double>(1e-6f);
    for (int j = 0; j < nFrames; ++j)
    {
      for (int ch = 0; ch < kNumChannels; ++ch)
      {
        mSmooth[ch][kBandLowBlend] = lowBlend;
        mSmooth[ch][kBandHighBlend] = highBlend;
      }
      PushLevels(rest, rest);
    }
    for (int ch = 0; ch < kNumChannels; ++ch)
    {
      mImpedanceLevel[ch].store(rest[ch], std::memory_order_relaxed);
      mDriveLevel[ch].store(rest[ch], std::memory_order_relaxed);
    }
  }

  // 9. Power target for the final mix and the next block's drive path.
  mPowerTarget = bp.powerOn ? 1.0f : 0.0f;
  const double powerTarget = mPowerTarget;

  // 10. Final mix with the power fade.
  const bool deltaDry = bp.powerOn && bp.delta == 1;
  // The ceiling holds while the plug-in is on; Power off hands the input back untouched.
  const bool limitOn = bp.limit == 1 && bp.powerOn;
  bool nonFinite = false;
  for (int j = 0; j < nFrames; ++j)
  {
    for (int ch = 0; ch < kNumChannels; ++ch)
    {
      b0[kFade] = Smooth(b0[kFade], powerTarget, bp.c3);
      double& in = mInputCopy[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)];
      if (deltaDry)
        in = 0.0;
      const double dry = in;
      double& work = mWork[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)];
      const double f = Clamp01(b0[kFade] * bp.blend / 100.0);
      double out = f * work + (1.0 - f) * dry;
      if (!std::isfinite(out))
      {
        nonFinite = true;
        out = 0.0;
      }
      else if (std::fabs(out) > kOutputMute)
      {
        out = 0.0;
      }
      // With the limiter on nothing leaves above its ceiling, not even the dry share that
      // the blend and the power fade mix back in here (while Power is on).
      if (limitOn)
        out = std::clamp(out, -kLimitCeiling, kLimitCeiling);
      work = out;
      if (outputs[ch])
        outputs[ch][j] = out;
    }
  }
  if (nonFinite && wet)
    mRecoverPending = true;
}

void VellicorEngine::UseFusedMultiplyAdd(bool use) noexcept
{
  mUseFma = use && ProcessorHasFma();
}

void VellicorEngine::RunPasses(int nFrames, const BlockParams& bp) noexcept
{
  RunWetPass(nFrames, bp);
  RunOutputStage(nFrames, bp);
}

// `flatten` compiles everything the passes call from this file and the headers into this
// one function, so all of it is built for the fused multiply-add target (code in other
// files, such as the noise generator, stays the common build).
#if VELLICOR_FMA_BUILD
__attribute__((target("fma"), flatten))
#endif
void VellicorEngine::RunPassesFma(int nFrames, const BlockParams& bp) noexcept
{
  RunWetPass(nFrames, bp);
  RunOutputStage(nFrames, bp);
}

void VellicorEngine::RunWetPass(int nFrames, const BlockParams& bp) noexcept
{
  double* b0 = mSmooth[0];
  double* b1 = mSmooth[1];
  const double sr = bp.sr;
  const double srStored = mSampleRate;
  const double c1 = bp.c1, c2 = bp.c2, c3 = bp.c3;
  const double dt = bp.dt, dt2 = bp.dt2;

  const double aLo = Clamp01((bp.driveAreaLow - 50.0) / 5950.0);
  const double aHi = Clamp01((bp.driveAreaHigh - 50.0) / 5950.0);
  const double fLo0 = 50.0 * (1.0 - aLo) + 250.0 * aLo;
  const double fLo1 = 250.0 * (1.0 - aLo) + 2000.0 * aLo;
  const double fHi0 = 150.0 * (1.0 - aHi) + 2000.0 * aHi;
  const double fHi1 = 2000.0 * (1.0 - aHi) + 6000.0 * aHi;

  // Parameter targets of the smoothers.
  const double bumpTarget = bp.bump / 100.0;
  const double pusherTarget = bp.pusher / 100.0;
  const double impTarget = 1.0 - bp.impedance / 100.0;
  const double areaTarget = bp.impedanceArea / 100.0;
  const double airTarget = bp.air / 100.0;
  const double toneTarget = bp.tone / 100.0;
  const double driveTarget = bp.drive / 100.0;
  const double bandLowTarget = bp.bandLow / srStored;
  const double bandHighTarget = bp.bandHighKHz * 1000.0 / srStored;
  const double powerTarget = mPowerTarget;
  const bool midSide = bp.stereoMode == 1;

  // The two channels run in lock step (channel 0 in lane 0). The per-channel states that
  // only this pass touches stay in pairs for the block.
  Double2 impLevel(mImpedanceLevel[0].load(std::memory_order_relaxed),
                   mImpedanceLevel[1].load(std::memory_order_relaxed));
  Double2 driveLevel(mDriveLevel[0].load(std::memory_order_relaxed), mDriveLevel[1].load(std::memory_order_relaxed));
  Double2 res1Pos = LoadPair(mSmooth, 0), res1Prev = LoadPair(mSmooth, 1);
  Double2 res2Pos = LoadPair(mSmooth, 2), res2Prev = LoadPair(mSmooth, 3);
  Double2 res3Pos = LoadPair(mSmooth, 6), res3Prev = LoadPair(mSmooth, 7);
  Double2 res4Pos = LoadPair(mSmooth, 8), res4Prev = LoadPair(mSmooth, 9);
  Double2 m6 = LoadPair(mMemory, 6);

  // A cut-off is redesigned while it glides. A glide can stall one rounding step away from
  // its target; redesigning at the value already designed would give the same coefficients
  // again, so that is skipped (the result is the same, only cheaper).
  auto moved = [](double s, double target, double& designed) {
    if (!(s != target || std::isnan(s) || std::isnan(target)))
      return false;
    if (s == designed)
      return false;
    designed = s;
    return true;
  };

  RememberedDbToGain calInvGainOf, calGainOf, pushGainOf;
  for (int j = 0; j < nFrames; ++j)
  {
    const bool first = j == 0;

    // 6.1 Control smoothing. The seven held smoothers step toward their parameter on the
    // first sample only and then toward themselves, so they move once per block.
    b0[kBump] = 0.9 * b0[kBump] + 0.1 * (first ? bumpTarget : b0[kBumpSlow]);
    const double b = b0[kBump];
    b1[kBump] = Smooth(b1[kBump], first ? pusherTarget : b1[kBump], c1);
    const double pusher = b1[kBump];
    b0[kImp] = Smooth(b0[kImp], first ? impTarget : b0[kImp], c1);
    const double imp = b0[kImp];
    b1[kImp] = Smooth(b1[kImp], first ? areaTarget : b1[kImp], c1);
    const double area = b1[kImp];
    b0[kBumpSlow] = Smooth(b0[kBumpSlow], b, c1);
    b1[kBumpSlow] = Smooth(b1[kBumpSlow], first ? bp.cal : b1[kBumpSlow], c1);
    const double cal = b1[kBumpSlow];
    b0[kAir] = Smooth(b0[kAir], first ? airTarget : b0[kAir], c1);
    const double air = b0[kAir];
    b1[kAir] = Smooth(b1[kAir], first ? toneTarget : b1[kAir], c1);
    const double tone = b1[kAir];
    b0[kDriveAmt] = Smooth(b0[kDriveAmt], first ? driveTarget : b0[kDriveAmt], c1);
    const double drive = b0[kDriveAmt];

    b0[kCalGain] = Smooth(b0[kCalGain], calInvGainOf(-cal) + 1e-15, c1);
    const double calInv = b0[kCalGain];
    b1[kCalGain] = Smooth(b1[kCalGain], calGainOf(cal) + 1e-15, c1);
    const double calGain = b1[kCalGain];
    b0[kCalShape] = Smooth(b0[kCalShape], (cal + 24.0) / 28.0 + 1e-15, c1);
    b1[kCalShape] = Smooth(b1[kCalShape], 1.0 - (cal + 12.0) * 0.0625, c1);
    b1[kInDrive] = Smooth(b1[kInDrive], bp.gIn * calInv, c1);
    const double inDrive = b1[kInDrive];
    b0[kTone] = Smooth(b0[kTone], (tone - 0.5) * 2.0, c1);
    b1[kTone] = Smooth(b1[kTone], 2.0 * tone, c1);
    b0[kCheb] = Smooth(b0[kCheb], (1.0 - b0[kTone]) * drive * 3.0, c1);
    const double chebAmt = b0[kCheb];
    b1[kCheb] = Smooth(b1[kCheb], H(std::min(1.0, std::fabs((drive * drive) * H(b1[kTone]) * 2.0 * b1[kCalShape]))), c1);
    b0[kPush] = Smooth(b0[kPush], pushGainOf(6.0 * std::fabs(pusher)), c1);
    const double push = b0[kPush];

    // 6.2 Resonator constants of this sample.
    const double calPos = b0[kCalShape];
    const double stiff1 = 8000.0 * imp + 3000.0 * calPos + 30000.0;
    const double damp1 = (1.0 - b / 10.0) * 556.0 + 400.0 * imp * (1.0 - calPos);
    const double k2 = 130.0 * imp + 5302.0;
    const double resOut = imp * (1.0 - calPos) + 0.15;
    const double bumpGain = 1.0 + 0.5 * b;
    const double hiMix = Clamp01(bp.hiRate * imp);
    const double driveLevelGain = Clamp01(drive) * 0.85 + (1.0 - Clamp01(drive));
    const double chebDrive = b1[kCalShape] * drive;
    const double drv = 100.0 * drive + 100000.0;

    // 6.3 Moving filters, redesigned only while their cut-off glides.
    b1[kDriveAmt] = Smooth(b1[kDriveAmt], bandLowTarget, c2);
    if (moved(b1[kDriveAmt], bandLowTarget, mDesignedCutoff[0]))
      DesignSection(10, T::HighPass, b1[kDriveAmt], 0.7);
    b0[kCutoffA] = Smooth(b0[kCutoffA], bandHighTarget, c2);
    if (moved(b0[kCutoffA], bandHighTarget, mDesignedCutoff[1]))
      DesignSection(11, T::LowPass, b0[kCutoffA], 0.7);
    const double hTone = H(tone);
    const double loTarget = ((1.0 - hTone) * fLo0 + hTone * fLo1) / srStored;
    b1[kCutoffA] = Smooth(b1[kCutoffA], loTarget, c2);
    if (moved(b1[kCutoffA], loTarget, mDesignedCutoff[2]))
    {
      DesignSection(5, T::HighPass, b1[kCutoffA], 0.7071);
      DesignSection(7, T::BandPass, b1[kCutoffA], 0.7071);
    }
    const double hiTarget = ((1.0 - hTone) * fHi0 + hTone * fHi1) / srStored;
    b0[kCutoffB] = Smooth(b0[kCutoffB], hiTarget, c2);
    if (moved(b0[kCutoffB], hiTarget, mDesignedCutoff[3]))
    {
      DesignSection(6, T::LowPass, b0[kCutoffB], 0.7071);
      DesignSection(8, T::BandPass, b0[kCutoffB], 0.7071);
    }

    // 6.4 Channel values: left/right or mid/side.
    const double inL = mInputCopy[0][static_cast<std::size_t>(j)];
    const double inR = mInputCopy[1][static_cast<std::size_t>(j)];
    Double2 P = midSide ? Double2((inL + inR) * 0.5 + 1e-15, inL - inR + 1e-15) : Double2(inL, inR);

    // 6.5 The per-channel chain, both channels at once. Each channel draws its own noise,
    // channel 0 first.
    const double nu0 = mNoise.Next();
    const double nu1 = mNoise.Next();
    const Double2 nu(nu0, nu1);

    // Input drive and the resonators' excitation.
    Double2 x = P * inDrive + 1e-15;
    const Double2 xin = x;
    const Double2 lo = mBank.ProcessStereo(1, x);
    const Double2 bandPass = lo - mBank.ProcessStereo(3, lo);

    // Resonator 1: the low-end bump.
    const Double2 r1 = Resonate(res1Pos, res1Prev, damp1, stiff1, bandPass, sr, dt2);
    x = x - CubicSoftClip(r1 * resOut) * bumpGain;

    // Resonator 2, excited by the driven input.
    const Double2 r2pos = Resonate(res2Pos, res2Prev, 42.0 * nu + 86.14, 300.0 * nu + k2, 2.0 * xin, sr, dt2);
    const Double2 r2 = CubicSoftClip(r2pos);

    // Impedance colour.
    const Double2 a = mBank.ProcessStereo(26, x * r2);
    const Double2 r2sq = r2 * r2;
    const Double2 c = mBank.ProcessStereo(25, x * (r2sq - mBank.ProcessStereo(24, r2sq)));
    const double hArea = H(area);
    x = x - (0.369 * a * hArea + 2.0 * c * (1.0 - hArea));

    // Impedance level.
    const Double2 d = x - xin;
    Double2 q = mBank.ProcessStereo(28, d);
    q = d - 0.6393693963963964 * q;
    q = q - mBank.ProcessStereo(4, q);
    const Double2 r = q + mBank.ProcessStereo(23, q);
    const Double2 e = r - mBank.ProcessStereo(27, r);
    impLevel = 0.5 * e;
    x = xin + e;

    // High band: the air sections run once per repeat on the same input.
    Double2 h = 0.0;
    for (int rep = 0; rep < mAirRepeats; ++rep)
    {
      const Double2 s21 = mBank.ProcessStereo(21, x);
      const Double2 s20 = mBank.ProcessStereo(20, x);
      h = 0.7 * x + 0.3 * s21 + 0.5 * s20;
    }
    x = x * (1.0 - hiMix) + h * hiMix;
    P = x * driveLevelGain;

    // Drive split.
    const Double2 p7 = mBank.ProcessStereo(7, x);
    const Double2 p8 = mBank.ProcessStereo(8, p7);
    const Double2 lp = mBank.ProcessStereo(6, x);
    const Double2 hp = mBank.ProcessStereo(5, p8);

    // Drive path.
    if (drive > 1e-16)
    {
      // In mid/side the pusher boosts the mid's drive when negative, the side's when positive.
      const Mask2 pushed = LaneMask(midSide && pusher < 0.0, midSide && pusher > 0.0);
      Double2 D = mDriveOS->ProcessSample(ChebyshevKneeShaper(0.005 * nu, mHarmonics), 0, 0.05 * lp);
      D = Select(pushed, D * push, D);
      P -= D * chebAmt;

      // The power weight steps once per channel.
      const double weight0 = b0[kPowerWeight] = Clamp01(Smooth(b0[kPowerWeight], powerTarget, c3));
      const double weight1 = b0[kPowerWeight] = Clamp01(Smooth(b0[kPowerWeight], powerTarget, c3));
      const Double2 weight(H(weight0), H(weight1));
      D = mBlendOS->ProcessSample(ChebyshevBlendShaper(0.005 * nu, weight, bp.dcR, mHarmonics, mDcBlocker), 0,
                                  0.5 * hp);
      D = Select(pushed, D * push, D);
      D = D + 0.5 * dt * (D - m6);
      m6 = D;
      const Double2 sub = mBank.ProcessStereo(30, D);
      D = D - sub;
      P -= D * b1[kCheb];

      const Double2 e3 = p8 * 0.06 * calGain;
      const Double2 pos3 = Resonate(res3Pos, res3Prev, 0.005 * nu + 2370.0,
                                    Abs(e3) * 1000.0 + 3000000.0 + 0.005 * nu, e3, sr, dt2);
      const Double2 pos4 =
        Resonate(res4Pos, res4Prev, 0.005 * nu + 1370.0, 0.005 * nu + drv, P * calGain, sr, dt2);
      Double2 harmonic = 1.0;
      if (mHarmonics.chebOrder != 0)
        harmonic = ChebyshevT(mHarmonics.chebOrder, pos3 - pos4);
      const Double2 y = mBank.ProcessStereo(18, harmonic * mHarmonics.chebFactor);
      // The Chebyshev drive steps once per channel too.
      const double chebDrive0 = b1[kChebDrive] = Smooth(b1[kChebDrive], chebDrive, c1);
      const double chebDrive1 = b1[kChebDrive] = Smooth(b1[kChebDrive], chebDrive, c1);
      P += Double2(chebDrive0, chebDrive1) * y * calGain;
    }
    else
    {
      b1[kChebDrive] = 0.0;
    }

    // Sub removal; a negative bump lets part of the sub through.
    const double bumpSub = b > 0.0 ? 1.0 : b + 1.0;
    P = P - mBank.ProcessStereo(17, P) * bumpSub;

    // Air and calibration.
    const Double2 t = xin - P;
    const Double2 a2 = mBank.ProcessStereo(2, t);
    P = (P + 2.0 * a2 * air) * calGain;
    driveLevel = drive * 2.0 * a2;

    // 6.6 Level records, every sample.
    PushLevels(impLevel, driveLevel);

    // 6.7 Back to left/right.
    double outL = P.Lane0();
    double outR = P.Lane1();
    if (midSide)
    {
      const double m = outL;
      const double side = outR;
      outL = m + 0.5 * side;
      outR = m - 0.5 * side;
    }
    mWork[0][static_cast<std::size_t>(j)] = outL;
    mWork[1][static_cast<std::size_t>(j)] = outR;
  }

  StorePair(mSmooth, 0, res1Pos);
  StorePair(mSmooth, 1, res1Prev);
  StorePair(mSmooth, 2, res2Pos);
  StorePair(mSmooth, 3, res2Prev);
  StorePair(mSmooth, 6, res3Pos);
  StorePair(mSmooth, 7, res3Prev);
  StorePair(mSmooth, 8, res4Pos);
  StorePair(mSmooth, 9, res4Prev);
  StorePair(mMemory, 6, m6);
  for (int ch = 0; ch < kNumChannels; ++ch)
  {
    mImpedanceLevel[ch].store(impLevel[ch], std::memory_order_relaxed);
    mDriveLevel[ch].store(driveLevel[ch], std::memory_order_relaxed);
  }
}

void VellicorEngine::RunOutputStage(int nFrames, const BlockParams& bp) noexcept
{
  const double c1 = bp.c1;
  const double b = bp.balance / 100.0;
  const double gL = H(1.0 - b);
  const double gR = H(1.0 + b);
  const double wet = std::max(0.0, std::min(1.0, bp.blend / 100.0));
  const double lowBlendTarget = (bp.bandLow - 10.0) / 90.0;
  const double highBlendTarget = (bp.bandHighKHz - 18.0) * (-0.5) + 1.0;
  const int chebOrder = mHarmonics.chebOrder;
  const double chebFactor = mHarmonics.chebFactor;
  Double2 lastUnlimited = LoadPair(mMemory, 6);
  if (bp.limit != 1)
    for (int ch = 0; ch < kNumChannels; ++ch)
      mClip.ClearRow(ch);

  for (int j = 0; j < nFrames; ++j)
  {
    const std::size_t js = static_cast<std::size_t>(j);
    const double inL = mInputCopy[0][js];
    const double inR = mInputCopy[1][js];
    const Double2 in(inL, inR);
    // Both channels at once, channel 0 in lane 0.
    Double2 w(mWork[0][js], mWork[1][js]);

    // Reference pair of the balance stage.
    double ref0 = inL, ref1 = inR;
    if (bp.balanceMode == 0)
    {
      ref0 = inL + inR;
      ref1 = inL - inR;
    }

    if (bp.limitType == 1)
      w *= bp.gOut;

    if (bp.limit == 1)
    {
      // Each channel draws its own noise, channel 0 first.
      const double nu0 = 0.005 * mNoise.Next();
      const double nu1 = 0.005 * mNoise.Next();
      const Double2 nu(nu0, nu1);
      const Double2 x = w;
      const Double2 y = mLimitOS->ProcessSample(SoftLimitShaper(nu), 0, x);
      const Double2 l = mBank.ProcessStereo(22, y);
      const Double2 term = chebOrder == 0 ? Double2(1.0) : ChebyshevT(chebOrder, l * nu);
      const Double2 e = x - 0.045 * nu * chebFactor * term;
      const Double2 lo = mBank.ProcessStereo(29, e);
      const Double2 m = CubicSoftClip(lo) + (e - lo);
      const Double2 o = Clamp01(2.0 * (Abs(m) - 0.5) + nu);
      const Double2 z(mClip.Process(0, 0, m.Lane0()), mClip.Process(1, 0, m.Lane1()));
      const Double2 s = H(o);
      w = Clamp(((1.0 - s) * y + s * (nu + kLimitCeiling) * z) * kLimitCeiling, Double2(-kLimitCeiling),
                Double2(kLimitCeiling));
    }
    else
    {
      // The clipper stays cleared (done once below) and the drive path's memory follows the
      // work sample.
      lastUnlimited = w;
    }

    if (bp.limitType == 0)
      w *= bp.gOut;

    // Balance against the dry signal.
    double w0 = w.Lane0();
    double w1 = w.Lane1();
    if (bp.balanceMode != 0)
    {
      if (b > 0.0)
        w0 = w0 * gL + ref0 * (1.0 - gL);
      if (b < 0.0)
        w1 = w1 * gR + ref1 * (1.0 - gR);
    }
    else
    {
      double m = w0 + w1;
      double s = w0 - w1;
      if (b > 0.0)
        m = m * gL + ref0 * (1.0 - gL);
      if (b < 0.0)
        s = s * gR + ref1 * (1.0 - gR);
      w0 = (m + s) / 2.0;
      w1 = (m - s) / 2.0;
    }

    // Dry/wet (the final mix applies the blend a second time).
    Double2 work = in * (1.0 - wet) + Double2(w0, w1) * wet;

    // Band limits on the difference signal.
    for (int ch = 0; ch < kNumChannels; ++ch)
    {
      double* V = mSmooth[ch];
      V[kBandLowBlend] = Smooth(V[kBandLowBlend], lowBlendTarget, c1);
      V[kBandHighBlend] = Smooth(V[kBandHighBlend], highBlendTarget, c1);
    }
    const Double2 d = work - in;
    const Double2 g25 = Clamp01(LoadPair(mSmooth, kBandLowBlend));
    const Double2 m = (1.0 - g25) * d + g25 * mBank.ProcessStereo(10, d);
    const Double2 g26 = Clamp01(LoadPair(mSmooth, kBandHighBlend));
    const Double2 o = (1.0 - g26) * m + g26 * mBank.ProcessStereo(11, m);
    work = in + o;
    if (bp.delta == 1)
      work = o;
    if (bp.limit == 1)
      work = Clamp(work, Double2(-kLimitCeiling), Double2(kLimitCeiling));
    mWork[0][js] = work.Lane0();
    mWork[1][js] = work.Lane1();
  }
  StorePair(mMemory, 6, lastUnlimited);
}

} // namespace vellicor
