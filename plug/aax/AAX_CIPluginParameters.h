#pragma once
// The binding's effect-parameters class. On top of the library base it lets chosen
// ("synchronised") parameters change at the exact render call the host assigns: their host
// updates are collected, stamped with a state number at each packet pass, handed to the
// audio thread through a lock-free queue and handed back to the main thread for deletion.
// It also writes the private-data block the render callback finds the instance through, and
// frees handed-back items in the host's idle hook.
//
// Threads: the packet pass (QueueParameterState) and host updates run on host threads, the
// render path (RenderAudioInstance, HandBackPair) on the audio thread, OnHostTimerTick on
// the main thread. The audio thread neither allocates nor frees.

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_CAtomicQueue.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_IParameter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace plug {

class AAX_CIPluginParameters;

// What the render context's private-data field (23) holds: the instance.
struct AAX_SIPluginPrivateData
{
  AAX_CIPluginParameters* mInstance;
};
static_assert(sizeof(AAX_SIPluginPrivateData) == 8, "the private-data block is 8 bytes");

// Render-context fields this class serves.
constexpr int32_t kPrivateDataFieldIndex = 23;
constexpr int32_t kStateNumberFieldIndex = 25;

// One synchronised parameter's value at a packet pass.
struct TParamValPair
{
  TParamValPair(const char* id, std::unique_ptr<AAX_IParameterValue> value)
    : mID(id ? id : ""), mValue(std::move(value))
  {
  }
  std::string mID;
  std::unique_ptr<AAX_IParameterValue> mValue;
};

// The pairs queued at one packet pass, with that pass's state number. The pair vector is
// emptied (never shrunk) on the audio thread; the list itself is deleted on the main thread.
struct SNumberedStateList
{
  int64_t mStateNumber = 0;
  std::vector<TParamValPair*> mPairs;
  ~SNumberedStateList();
};

// The fixed-size list of pairs one render call collects (no allocation).
struct SParamValList
{
  static constexpr int32_t sCap = 128;
  TParamValPair* mElem[sCap] = {};
  int32_t mSize = 0;

  void Clear() { mSize = 0; }
  // False (and an assertion) when the list is full.
  bool Append(TParamValPair* pair);
  // Appends the pairs in order as far as there is room (an assertion when not all fit);
  // returns how many were appended, the first ones of inOther.
  size_t Append(const std::vector<TParamValPair*>& inOther);
};

class AAX_CIPluginParameters : public AAX_CEffectParameters
{
public:
  static constexpr size_t kSynchronizedParameterQueueSize = 32;
  static constexpr int32_t kStateQueueSize = 256;
  static constexpr int32_t kPairQueueSize = 512;

  using StateQueue = AAX_CAtomicQueue<SNumberedStateList, kStateQueueSize>;
  using PairQueue = AAX_CAtomicQueue<TParamValPair, kPairQueueSize>;

  AAX_CIPluginParameters();
  ~AAX_CIPluginParameters() override;

  // Makes the parameter synchronised: its host updates reach the audio thread stamped with
  // the state number of the next packet pass.
  void RegisterSynchronizedParameter(const AAX_IParameter& inParameter);

  // ---- host interface ----
  // Forgets the dirty parameters before the base takes every host parameter away.
  AAX_Result Uninit() override;
  // The base update; on success a synchronised parameter joins the dirty set.
  AAX_Result UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t source) override;
  // The packet pass: base pass, state number n = counter++, dirty synchronised values queued
  // as list n for the audio thread, n posted as the 8-byte packet of field 25.
  AAX_Result QueueParameterState() override;
  // Field 23: the instance pointer into a zeroed block of at least 8 bytes (a smaller or
  // missing block is refused with -20046 / -20044); any size but 8 is reported to the host.
  // Other fields: zero-filled.
  AAX_Result InitPrivateData(int32_t fieldIndex, void* data, uint32_t iDataSize) override;
  // Frees what the audio thread handed back, then the base idle hook.
  AAX_Result OnHostTimerTick() override;

  // ---- render path (audio thread) ----
  // The process procedure every component registers. For each instance context from begin
  // up to end: skipped when its private data names no instance; otherwise the queued states
  // due at the state number of field 25 (all of them when the field is missing), the
  // instance's render step, and every collected pair handed back. Never throws.
  static void StaticRenderCallback(AAX_RenderContext const* begin, const void* end);
  // Collects into out every queued list whose state number is not after `delivered` (the
  // number the host delivered on field 25 for this call), in order, and hands the emptied
  // lists back for deletion.
  static void RenderAudioInstance(SParamValList& out, AAX_CIPluginParameters& instance, int64_t delivered);
  // The per-instance render step after the queued states were collected; empty here.
  virtual void RenderAudio(AAX_RenderContext context, TParamValPair* const* pairs, int32_t count);
  // Returns a collected pair to the main thread for deletion; false (with an assertion) when
  // the pair is null or the queue is full.
  bool HandBackPair(TParamValPair* pair);

  // The state number the next packet pass posts.
  int64_t NextStateNumber() const { return mStateCounter.load(std::memory_order_acquire); }
  // The instance a private-data block names, or null.
  static AAX_CIPluginParameters* FromPrivateData(const void* data);

protected:
  // Deletes every handed-back list and pair (main thread, destructor).
  void FreeHandedBackItems();

  std::set<std::string> mSynchronizedParameters;
  std::atomic<int64_t> mStateCounter{0};
  // Written by host updates and drained by the packet pass, possibly on different threads.
  std::set<AAX_IParameter*> mDirtySynchronizedParameters;
  std::mutex mDirtyLock;
  StateQueue mQueuedParameterStates; // packet pass -> audio thread
  StateQueue mRecycledStates;        // audio thread -> main thread
  PairQueue mPairsToDelete;          // audio thread -> main thread
};

} // namespace plug
