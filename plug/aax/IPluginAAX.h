#pragma once
// The AAX binding of one plug-in instance. The product class derives from it, so one object
// is the framework's plug-in (IPluginAPIBase), its audio frame (IPluginProcessor) and the
// host's effect-parameters object (AAX_CIPluginParameters).
//
// When the host initialises the instance, InitEffect publishes the master bypass
// ("MasterBypassID") and one host parameter per IParam under the decimal text of its index
// plus one ("1", "2", ...). Host automation arrives in UpdateParameterFromHost and is stored
// in the IParam. Every value the plug-in side sets goes to the host as a request (touch, set,
// release) through SetParamAndTellHost or SetParamByPlugin, and comes back as an update: the
// binding's ParamRequests tells those answers apart from the host's refusals and its own
// changes (see there). Whatever the host does with a request, its value wins.
//
// Each render call reaches ProcessAAXRender on the audio thread through the process
// procedure AAX_CIPluginParameters::StaticRenderCallback. The host saves and restores the
// plug-in's state as one chunk named by the unique code.

#include "aax/library/AAX_CParameter.h"
#include "plug/HeapBuf.h"
#include "plug/IMidiMsg.h"
#include "plug/IPluginAPIBase.h"
#include "plug/IPluginConfig.h"
#include "plug/InstanceInfo.h"
#include "plug/IPluginProcessor.h"
#include "plug/aax/AAX_CIPluginParameters.h"
#include "plug/aax/ParamRequests.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class AAX_ITransport;
class AAX_IMIDINode;

namespace plug {

// The sorted queue of MIDI messages the plug-in emits during a render call: messages between
// front and back, in ascending order of sample offset (equal offsets in emitted order).
struct IMidiOutQueue
{
  static constexpr int32_t kInitialCapacity = 512;
  static constexpr int32_t kGrowth = 512;

  std::unique_ptr<IMidiMsg[]> mMsgs;
  int32_t mCapacity = 0;
  int32_t mGrowth = kGrowth;
  int32_t mFront = 0;
  int32_t mBack = 0;

  IMidiOutQueue();
  // Inserts in offset order; false when there is no room and the queue cannot grow.
  bool Insert(const IMidiMsg& msg);
  int32_t Size() const { return mBack - mFront; }
  const IMidiMsg* At(int32_t i) const { return (i >= 0 && i < Size()) ? &mMsgs[mFront + i] : nullptr; }
  void Clear() { mFront = mBack = 0; }
};

class IPluginAAX : public IPluginAPIBase, public IPluginProcessor, public AAX_CIPluginParameters
{
public:
  // The instance information is not read: the host hands everything over after construction.
  // The editor timer starts last; tickStart says when its ticks begin to reach the plug-in.
  IPluginAAX(const InstanceInfo& info, const IPluginConfig& config, ETickStart tickStart = ETickStart::kAtOnce);
  ~IPluginAAX() override;
  IPluginAAX(const IPluginAAX&) = delete;
  IPluginAAX& operator=(const IPluginAAX&) = delete;

  // ---- host interface ----
  // Identifier -> host parameter -> IParam index -> ParamRequests: the host's answer to a
  // request of the plug-in changes nothing and runs no reaction; the host's own change, or its
  // refusal of a waiting request, is shaped, stepped, clamped and stored, and when it moved the
  // value it is queued for the editor and the change hook runs with the host as source
  // (HandleRefusedParamChange for a refusal). Unknown identifiers: -20001. A value that
  // is not finite changes nothing (-20043); values outside 0..1 are clamped. The bypass and
  // numbers outside 1..NParams() update only the host parameter. Every accepted update marks
  // the identifier's packet dirty and adds 1 to the change count, even when nothing moved.
  AAX_Result UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t source) override;
  // The packet pass first tells the host every value the plug-in set by itself and has not
  // told yet (TellHostWaitingValues), the host's idle hook those that waited through its
  // previous period: a reaction to the host's own change asks for what the host does not hold
  // by then, and nothing for a value the host delivered meanwhile (a second automation lane's).
  // Then the idle hook ends the round: a request the host has left unanswered through a whole
  // round is refused, and its parameter takes the host's value (ParamRequests).
  AAX_Result QueueParameterState() override;
  AAX_Result OnHostTimerTick() override;
  // Forgets the bypass parameter before the base takes every host parameter away, from the
  // instance and from the host at once. From here on the editor's requests to the host (touch,
  // set, release, resize) do nothing, until the next initialisation. Inside an editor handler
  // (the host uninitialising the instance inside a touch, set or release request, whose
  // parameter and automation delegate are still in their call below) the objects themselves
  // stay alive until the last handler leaves (OnLastHandlerLeaving), or with the instance;
  // what the parameter still sends on its way out reaches nothing.
  AAX_Result Uninit() override;
  void OnLastHandlerLeaving() noexcept override;
  // The release that brings the count to 0 while an editor handler is on the stack (the host
  // destroying the instance from inside a menu, an alert or its parameter-click callback)
  // leaves the object to the end of the outermost handler (IGEditorDelegate::MayDeleteNow).
  void DeleteThis() override;
  void RunDeferredDeletion() override;

  // ---- towards the host ----
  void HostBeginParamEdit(int paramIdx) override;
  void HostEndParamEdit(int paramIdx) override;
  // Recorded as requests (ParamRequests) as they are stored; sent from no lock of the binding's,
  // so a host may answer inside the request, on the same thread. Nothing is sent after Uninit
  // (the next InitEffect publishes the values instead), nor for a parameter left unpublished.
  void SetParamAndTellHost(int paramIdx, double value) override;
  void SetParamByPlugin(int paramIdx, double value) override;
  // Sends every request still waiting to go, one set (with its touch and release) each.
  void TellHostWaitingValues() override;

  // ---- state chunk (IPluginAAX_State.cpp) ----
  // One chunk whose identifier is the unique code; its data are what SaveState writes (one
  // little-endian double per parameter), framed in the host's record at byte 56.
  AAX_Result GetChunkIDAtIndex(int32_t index, AAX_CTypeID* chunkID) const override;
  // The size of the serialised state; an error (size untouched) when it cannot be serialised.
  AAX_Result GetStateChunkSize(AAX_CTypeID chunkID, uint32_t* size) override;
  // Writes size and data. Refused (-20008) when the state is larger than any size reported so far,
  // which is all the room the host's record has.
  AAX_Result GetStateChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) override;
  // Loads the values, tells the host every parameter's value as the load set it, through
  // SetParamAndTellHost (read back from the parameters only when the product's own load does
  // not report it, see IPluginBase::LoadedParamValues), refreshes the editor (at once on the
  // main thread; from any other, at the editor timer's next tick) and counts a change. A record whose size is
  // negative or too short for one double per parameter is refused with -20008, one holding a
  // value that is not finite with -20026; either way nothing changes. Of a record claiming
  // more, only as many bytes as the plug-in's state reader takes (StateReadSize) are read.
  AAX_Result SetStateChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) override;
  // Another plug-in's chunk compares as equal; ours compares every value within 1e-5 (as
  // float). A record too short to hold every value is not equal and is not read past.
  AAX_Result CompareStateChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) override;

  // ---- host notifications ----
  // Offline rendering on ('AXof') and off ('AXox'), the track name ('AXtn', data: the host's
  // AAX_IString); every notification then goes to the base.
  AAX_Result OnNotification(AAX_CTypeID type, const void* data, uint32_t size) override;
  // The stored track name, terminating NUL included.
  void CopyTrackName(CharBuf* out) const override;

  // ---- editor size and latency towards the host ----
  // Stores the new editor size; while the editor is open in a host view container (which
  // the editor binding keeps in the graphics context's view interface) and the size changed,
  // asks the container for it (not after Uninit). Always true.
  bool HostResizeEditor(int w, int h) override;
  // Tells the host the new latency, then resizes the bypass delay line.
  void ChangeLatency(int samples) override;

  // ---- processing frame ----
  // Queues the message in offset order for the end of this render call (audio thread only).
  // False when the queue has no room and cannot grow: the message is dropped, and the caller
  // is told rather than led to believe it went out.
  bool EmitMidiMsg(const IMidiMsg& msg) override;

  // ---- render path (IPluginAAX_Render.cpp; audio thread) ----
  // The render step of one call: bypass, stem formats, MIDI in, transport, block size,
  // buffer binding, processing or the bypass path, MIDI and SysEx out. A frame count of 0 or
  // less renders nothing; no more host buffers are read than the host's stem formats give.
  void ProcessAAXRender(AAX_RenderContext context);
  void RenderAudio(AAX_RenderContext context, TParamValPair* const* pairs, int32_t count) override;

  // ---- for the render path and the product ----
  // The master bypass state as the last host update left it (false before InitEffect). Kept
  // in the plug-in, so it is safe on any thread and never reaches the host parameter, which
  // Uninit deletes.
  bool IsBypassed() const { return mBypassed.load(std::memory_order_acquire); }
  // The channels of the auxiliary output stems (the output buses after the first) of the
  // configuration whose first buses have these channel counts; 0 when none has them.
  int AuxOutputChannels(int nIn, int nOut) const;
  // The host identifier of parameter paramIdx ("" outside the list or before InitEffect).
  const char* ParamIDForIndex(int paramIdx) const;
  // The IParam index an identifier names ("5" -> 4), or -1 (bypass, unknown, out of range).
  int ParamIndexForID(const char* id) const;
  AAX_CParameter<bool>* GetBypassParameter() const { return mBypassParameter.load(std::memory_order_acquire); }
  int GetSideChainChannel() const { return mSideChainChannel; }
  const IMidiOutQueue& GetMidiOutQueue() const { return mMidiOut; }

  // The number of an identifier by the C library's atoi rule (leading blanks, a sign, digits
  // up to the first other character; 0 when there are none), saturated instead of
  // overflowing.
  static long ParseIDNumber(const char* id);

protected:
  // Publishes the bypass and one host parameter per IParam, holding the IParam's value (a value
  // the plug-in holds before the host is there, a user preset's, is the host's from the start),
  // reads the sample rate (keeping the previous one when the host cannot say), tells the host
  // a latency set before it was there, and resets processing. Returns 0.
  AAX_Result InitEffect() override;

  std::atomic<AAX_CParameter<bool>*> mBypassParameter{nullptr};
  std::atomic<bool> mBypassed{false};
  std::atomic<bool> mHostGone{false}; // uninitialised: the editor's requests go nowhere
  AAX_ITransport* mTransport = nullptr;
  OwnedPtrArray<CharBuf> mParamIDs;
  IMidiOutQueue mMidiOut;
  int32_t mSideChainChannel = 0;
  CharBuf mTrackName{128};
  mutable std::mutex mTrackNameLock;
  // The stem formats of the last successful host query (audio thread only).
  int32_t mInputStemFormat = AAX_eStemFormat_Mono;
  int32_t mOutputStemFormat = AAX_eStemFormat_Mono;
  // The largest chunk size reported to the host: the room its records have.
  std::atomic<uint32_t> mReportedChunkSize{0};
  // What SysEx from the editor is copied into before it goes out (audio thread only).
  ISysExQueueEntry mSysExOutScratch;

private:
  // The one way a set request reaches the host: only ParamRequests' requests come here, through
  // TellHostWaitingValues.
  void HostSetParamNormalized(int paramIdx, double normalizedValue) override;
  // Sends the waiting requests (settledOnly: those made before the last idle round ended).
  void SendWaitingRequests(bool settledOnly);
  // What a host update, or a request refused by the host's silence, did to a parameter: a value
  // the parameter took (the host's own change, or a refusal) goes to the editor and runs the
  // change hook with the host as source (HandleRefusedParamChange for a refusal); anything
  // else changed nothing.
  void ApplyHostValue(int paramIdx, ParamRequests::EUpdate update);

  // Every request of the plug-in side, and the host's last value of each parameter.
  ParamRequests mRequests;

  // The transport record of this call from the host's transport (defaults where it cannot say).
  void ReadTransport(ITransportInfo& info) const;
  // Posts the queued MIDI and the editor's SysEx to the host's output node.
  void SendMidiOut(AAX_IMIDINode& node);

  // Makes the host parameter of one IParam; null for kind none.
  AAX_IParameter* MakeHostParameter(const IParam& param, const char* id) const;
};

} // namespace plug
