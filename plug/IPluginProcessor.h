#pragma once
// The audio-side base of a plug-in: channel-I/O configurations, channel records, binding of
// the host's float buffers to double scratch buffers, the processing and bypass paths with
// a latency delay line, and the transport record the host binding fills each render call.
//
// Everything runs on the host's audio thread except construction and the set-up calls
// (ChangeBlockSize, ChangeLatency, CreateLatencyDelay, labels). The per-block path
// (BindHostBuffers, RunProcessBlock, PassThroughBlock) neither allocates nor locks.

#include "plug/HeapBuf.h"
#include "plug/IMidiMsg.h"
#include "plug/IPluginConfig.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace plug {

// Direction of a bus or channel.
enum ERoute : int32_t
{
  kInput = 0,
  kOutput = 1
};

// Channel count of a wildcard bus ("*").
constexpr int kWildcardChannels = -64;

// Host transport state for the current block. Positions of -1 are unknown.
struct ITransportInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mQuarterNotePos = -1.0;
  double mLastBarPos = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int32_t mTimeSigNum = 4;
  int32_t mTimeSigDen = 4;
  bool mRunning = false;
  bool mLooping = false;
};

// One bus of a configuration.
struct IBusSpec
{
  ERoute mDirection = kInput;
  int32_t mNChans = 0; // kWildcardChannels for "*"
};

// One channel-I/O configuration: its input buses, then its output buses.
struct IChannelIOConfig
{
  OwnedPtrArray<IBusSpec> mInputBuses;
  OwnedPtrArray<IBusSpec> mOutputBuses;

  IChannelIOConfig() = default;
  IChannelIOConfig(const IChannelIOConfig&) = delete;
  IChannelIOConfig& operator=(const IChannelIOConfig&) = delete;

  const PtrArray<IBusSpec>& Buses(ERoute dir) const { return dir == kInput ? mInputBuses : mOutputBuses; }
  PtrArray<IBusSpec>& Buses(ERoute dir) { return dir == kInput ? mInputBuses : mOutputBuses; }
  int NBuses(ERoute dir) const { return Buses(dir).GetSize(); }
  // Channel count of bus busIdx, 0 when there is no such bus.
  int NChansOnBus(ERoute dir, int busIdx) const;
  // Sum of all bus counts of a direction (wildcards count -64).
  int TotalChannels(ERoute dir) const;
  bool ContainsWildcard(ERoute dir) const;
};

// One input or output channel.
struct IChannelState
{
  bool mConnected = false;
  // This channel's slot in the direction's pointer array (what ProcessBlock receives).
  double** mSlot = nullptr;
  // Output: where the result is written back. Input: the last bound host buffer.
  float* mHostBuffer = nullptr;
  TypedBuf<double> mScratch{4096};
  CharBuf mLabel{128};
};

// Latency delay of the bypass path: channels x latency doubles, channel after channel.
struct ILatencyDelay
{
  TypedBuf<double> mBuffer{4096};
  int32_t mNIn = 0;
  int32_t mNOut = 0;
  int32_t mWritePos = 0;
  int32_t mLatency = 0;
};

class IPluginProcessor
{
public:
  explicit IPluginProcessor(const IPluginConfig& config);
  virtual ~IPluginProcessor();
  IPluginProcessor(const IPluginProcessor&) = delete;
  IPluginProcessor& operator=(const IPluginProcessor&) = delete;

  // ---- virtual operations ----

  // Default: copies each input channel to the output of the same index for channels that
  // exist on both sides, zeroes every further output channel.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  // Default: passes the message on with EmitMidiMsg.
  virtual void HandleMidiMsg(const IMidiMsg& msg);
  // Empty hook.
  virtual void HandleSysExMsg(const ISysExMsg& msg) { (void) msg; }
  // Called by the host binding when the sample rate or block size changed.
  virtual void OnResetProcessing() {}
  // Empty hook.
  virtual void OnActivate(bool active) { (void) active; }
  // Sends a MIDI message to the host; the host binding implements it.
  virtual bool EmitMidiMsg(const IMidiMsg& msg) = 0;
  // EmitMidiMsg for every message in order; true only when all succeeded.
  virtual bool SendMidiMsgList(const IMidiMsg* msgs, int count);
  // Default: false.
  virtual bool EmitSysExMsg(const ISysExMsg& msg);
  // "Input"/"Main"/"Aux"/"Input %i", "Output"/"Output %i" (at most 32 characters).
  virtual void DefaultBusName(ERoute dir, int busIdx, int nBuses, CharBuf& out) const;
  // Stores the latency (never negative) and resizes and zeroes the delay line. When the
  // delay line cannot grow, the latency falls back to 0.
  virtual void ChangeLatency(int samples);
  virtual void ChangeTailLength(int samples) { mTailSize = samples; }

  // ---- channel-I/O configurations ----

  // Parses text (configurations separated by blanks, "in-out", buses separated by ".",
  // each a channel count or "*") appending to list. Counts above 1024 are read as 1024. The
  // maxima are over all configurations (starting at 0). Returns the number of
  // configurations in list.
  static int ParseIOSpec(const char* text, PtrArray<IChannelIOConfig>& list, int& maxNIn, int& maxNOut,
                         int& maxNInBuses, int& maxNOutBuses);

  int NIOConfigs() const { return mIOConfigs.GetSize(); }
  const IChannelIOConfig* GetIOConfig(int idx) const { return mIOConfigs.Get(idx); }
  // Largest bus count of the direction; *pConfigIdx gets the last configuration having it
  // (-1 when there are no configurations).
  int MaxBusCount(ERoute dir, int* pConfigIdx = nullptr) const;
  // Largest channel count of bus busIdx over all configurations; -1 when the first
  // configuration has a wildcard bus in that direction; 0 when there are no configurations
  // or busIdx is not below MaxBusCount(dir).
  int MaxChannelsOnBus(ERoute dir, int busIdx) const;
  // True when some configuration has these channel totals (negative matches any).
  bool IsLegalIO(int nIn, int nOut) const;
  // Index of the first configuration with exactly these buses and counts, else -1.
  int FindIOConfig(const int* inChansPerBus, int nInBuses, const int* outChansPerBus, int nOutBuses) const;

  // ---- channels ----

  int NChannels(ERoute dir) const { return Channels(dir).GetSize(); }
  IChannelState* GetChannel(ERoute dir, int idx) const { return Channels(dir).Get(idx); }
  bool IsChannelConnected(ERoute dir, int idx) const;
  const char* GetChannelLabel(ERoute dir, int idx) const;
  int CountConnectedChannels(ERoute dir) const;
  // Sets the connected flag of channels first..min(first+count, channels)-1; an unconnected
  // channel's slot points at its own scratch buffer (null when that is empty).
  void MarkChannelsConnected(ERoute dir, int first, int count, bool connected);
  // Sets channel idx's label from format (at most 32 characters) with idx, plus one unless
  // zeroBased.
  void FormatChannelLabel(ERoute dir, int idx, const char* format, bool zeroBased);
  // Input channels from the third on become unconnected, output channels from the third on
  // connected.
  void MarkExtraChannels();

  // ---- block size and latency ----

  // Resizes every channel's scratch buffer to n samples (zeroed) when n differs from the
  // block size. When any buffer cannot grow, every buffer keeps the old size and so does
  // the block size (returns false).
  bool ChangeBlockSize(int n);
  int GetBlockSize() const { return mBlockSize; }
  // Replaces the delay line with a zeroed one for the current channel counts and latency
  // (only when there is at least one input channel).
  void CreateLatencyDelay();
  const ILatencyDelay* GetLatencyDelay() const { return mLatencyDelay.get(); }
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }
  void ZeroScratchBuffers();

  // ---- per-block path ----

  // Binds channels first..min(first+count, channels)-1, consuming one host buffer per
  // connected channel. Inputs are converted to doubles into the scratch buffers; outputs
  // remember their host buffer for the write-back. At most the block size is converted.
  void BindHostBuffers(ERoute dir, int first, int count, float** hostBuffers, int nFrames);
  // ProcessBlock on the pointer arrays, then write-back to the connected outputs.
  void RunProcessBlock(int nFrames);
  // Bypass: inputs reach the outputs through the latency delay, then write-back.
  void PassThroughBlock(int nFrames);
  // ProcessBlock on the pointer arrays without any conversion.
  void RunProcessBlockRaw(int nFrames);
  // Like RunProcessBlock, but adds the result to the host's output buffers.
  void RunProcessBlockAccumulate(int nFrames);

  double** GetInputPointers() const { return mInputPtrs.Get(); }
  double** GetOutputPointers() const { return mOutputPtrs.Get(); }

  // ---- host and plug-in facts ----

  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  EPluginKind GetPluginKind() const { return mPluginKind; }
  bool IsInstrument() const { return mPluginKind == kPluginInstrument; }
  bool DoesMidiIn() const { return mMidiIn; }
  bool DoesMidiOut() const { return mMidiOut; }
  bool DoesMPE() const { return mMPE; }
  bool IsRenderingOffline() const { return mRenderingOffline.load(std::memory_order_relaxed); }
  void SetRenderingOffline(bool offline) { mRenderingOffline.store(offline, std::memory_order_relaxed); }
  const ITransportInfo& GetTransportInfo() const { return mTransportInfo; }
  void SetTransportInfo(const ITransportInfo& info) { mTransportInfo = info; }
  // Sample rate x 60 / tempo; 0 when the tempo is not above 0.
  double BeatLengthInSamples() const;
  // Four-character Audio Unit type of the plug-in kind ('aufx', 'aumf', 'aumu', 'aumi',
  // 'augn').
  int32_t PluginKindCode() const;

protected:
  const PtrArray<IChannelState>& Channels(ERoute dir) const { return dir == kInput ? mInputChannels : mOutputChannels; }
  PtrArray<IChannelState>& Channels(ERoute dir) { return dir == kInput ? mInputChannels : mOutputChannels; }
  // Frames that fit the scratch buffers.
  int FramesInBlock(int nFrames) const;
  // Copies nFrames doubles of every connected output slot to its host buffer as floats
  // (added when accumulate); host frames beyond the block size are zeroed (not added).
  void WriteBackOutputs(int nFrames, bool accumulate);
  void CopyInputsToOutputs(double** inputs, double** outputs, int nFrames);

  EPluginKind mPluginKind = kPluginEffect;
  bool mMidiIn = false;
  bool mMidiOut = false;
  bool mMPE = false;
  int32_t mLatency = 0;
  double mSampleRate = 48000.0;
  int32_t mBlockSize = 0;
  int32_t mTailSize = 0;
  std::atomic<bool> mRenderingOffline{false}; // set by a host thread, read on the audio thread
  OwnedPtrArray<IChannelIOConfig> mIOConfigs;
  TypedBuf<double*> mInputPtrs{4096};
  TypedBuf<double*> mOutputPtrs{4096};
  OwnedPtrArray<IChannelState> mInputChannels;
  OwnedPtrArray<IChannelState> mOutputChannels;
  std::unique_ptr<ILatencyDelay> mLatencyDelay;
  ITransportInfo mTransportInfo;
};

} // namespace plug
