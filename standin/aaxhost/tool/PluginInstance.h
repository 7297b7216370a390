// One plug-in instance as the aaxhost tool drives it, on threads the way a host runs it:
//
// - The thread that creates the instance is the host's main thread: initialisation, state
//   chunks, notifications and queries run there, and while it waits for the other threads it
//   serves the run loop (the plug-in's editor timer and idle hook) and, on a schedule of its
//   own, the host timer hook (OnHostTimerTick).
// - A parameter thread delivers host parameter updates and the echoes of the values the
//   plug-in posts to the host, asynchronously and in order, and runs the packet pass.
// - An audio thread runs the component's process procedure on a render context built from
//   the component's declared fields. The state number it delivers is the one the packet pass
//   last posted.
//
// Offline (the default) the updates and echoes queued so far are delivered before each block,
// so that the same calls render the same samples. Live, they arrive while blocks render.
// Before each render call every host output buffer is filled with a poison value; a channel
// that still holds it afterwards was not written by the plug-in, and the render fails.
#pragma once

#include "aax/interfaces/AAX_IEffectParameters.h"
#include "aax/library/AAX_VTransport.h"
#include "standin/aaxhost/Host.h"
#include "standin/aaxhost/InstanceHost.h"
#include "standin/aaxhost/tool/HostThread.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace aaxhost
{
struct ParameterInfo
{
  std::string id;
  std::string name;
  int32_t steps = 0;
  bool discrete = false;
  bool automatable = false;
  double defaultNormalized = 0.0;
  double normalized = 0.0;
  std::string text; // display text of the current value
};

// The buffers a component's render calls take.
struct ComponentLayout
{
  int inputs = 0;    // main input stem
  int sideChain = 0; // 1 when the component takes a side-chain input
  int outputs = 0;   // main output stem
  int aux = 0;       // channels of its auxiliary output stems
  int HostInputs() const { return inputs + sideChain; }
  int HostOutputs() const { return outputs + aux; }
};

// Makes an object with the effect's factory of procID (AAX_eProcPtrID_*) and asks it for the
// interface iid: the interface with one reference, or null with error saying why. kind names
// the object in the error ("instance", "editor"), interfaceName its interface.
void* MakeEffectObject(const EffectDescriptor& effect, int32_t procID, const acfIID& iid, const std::string& kind,
                       const std::string& interfaceName, std::string& error);

// The poison the host fills output buffers with: a quiet NaN with a payload of its own.
constexpr uint32_t kPoisonBits = 0x7fc0dead;
float PoisonSample();
bool IsPoison(float sample);

class PluginInstance
{
public:
  PluginInstance(Host& host, const EffectDescriptor& effect);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  int ComponentCount() const;
  ComponentLayout Layout(int componentIndex) const;
  // The first component whose render calls take this many input buffers, or -1.
  int FindComponentForChannels(int hostInputs) const;
  // Gives the instance its own host objects with the component's stem formats and the sample
  // rate, makes the instance, asks it for its effect-parameters interface, initialises it
  // and its private data, and starts the parameter and audio threads.
  bool Create(int componentIndex, float sampleRate);
  // Joins the audio and parameter threads, then uninitialises and releases the instance (also
  // done by the destructor).
  void Destroy();
  // The host's Uninit and Init of the instance it keeps, callable inside the plug-in's own
  // requests. Like Destroy, Uninit first lets the parameter thread deliver every queued update
  // and echo, so that the instance is never uninitialised while that thread is inside it; it
  // serves nothing of the main thread meanwhile. Init gives the instance its host object again.
  AAX_Result Uninit();
  AAX_Result Init();

  bool IsCreated() const { return mEffect != nullptr; }
  AAX_IACFEffectParameters* Effect() const { return mEffect; }
  // The host object the instance was initialised with (null before Create).
  InstanceHost* GetInstanceHost() const { return mInstanceHost; }
  const EffectDescriptor& Descriptor() const { return mEffectDescriptor; }
  const std::string& Error() const { return mError; }
  int InputChannels() const { return mLayout.inputs; }
  int OutputChannels() const { return mLayout.outputs; }
  const ComponentLayout& GetLayout() const { return mLayout; }

  // ---- parameters ----
  std::vector<ParameterInfo> Parameters() const;
  // The identifier of the parameter with this identifier, else the first whose name matches
  // (ignoring case); "" when none.
  std::string FindParameter(const std::string& idOrName) const;
  // Display text converted by the plug-in's own parsing, then applied as a host update.
  AAX_Result SetFromText(const std::string& id, const std::string& text);
  // A host update, delivered on the parameter thread and followed there by the host's packet
  // pass (as a host posts the packets of what it changed); returns its result once it and the
  // echoes it caused are delivered.
  AAX_Result SetNormalized(const std::string& id, double normalized);
  // A host update queued from any thread (an automation thread), delivered in order.
  void PostNormalized(const std::string& id, double normalized);
  // An automation lane of the host's, in Read mode, plays a value: it is posted as above, and
  // from then on the host answers the plug-in's set request of that parameter with the lane's
  // value, as a host does that lets no plug-in override a lane it plays (the control snaps
  // back). Any thread.
  void PlayLane(const std::string& id, double normalized);
  // Waits until every queued update and echo is delivered, serving the main thread meanwhile.
  void Settle();
  // Display text -> normalised value, without applying it.
  AAX_Result ParseText(const std::string& id, const std::string& text, double* normalized) const;
  // The display text of the host's copy of the value, or of a given normalised value.
  std::string ParameterText(const std::string& id) const;
  std::string FormatText(const std::string& id, double normalized) const;
  // Every parameter with the values the plug-in holds itself, after whatever its reactions
  // changed without telling the host: its state is saved and restored, so that it reports
  // every value to the host. False (the host's copies listed) when the state does not load.
  bool PluginParameters(std::vector<ParameterInfo>& out);

  // ---- threads ----
  // Live: updates and echoes are not delivered before each block but whenever the parameter
  // thread comes to them.
  void SetLive(bool live) { mLive = live; }
  // Whether the main thread serves its run loop while it waits for the other threads (the
  // default, as a host's does). A run whose main-thread work must fall between blocks, at
  // points of its own choosing, turns it off.
  void SetServesMainThreadWhileWaiting(bool serves) { mServesWhileWaiting = serves; }
  // The main thread's share of the host's work: due run-loop timers, and the host timer hook
  // when its time has come.
  void ServeMainThread();
  // How often each has run so far.
  uint64_t RunLoopCallbacks() const { return mRunLoopCallbacks; }
  uint64_t HostTimerTicks() const { return mHostTimerTicks; }

  // ---- rendering ----
  bool CanRender() const { return mProcessProc != nullptr; }
  // Fills every output buffer with poison, runs the packet pass and one call of the process
  // procedure on the audio thread (Layout().HostInputs() inputs, HostOutputs() outputs, each
  // `frames` long, the side-chain and auxiliary channels after the main ones), and checks
  // that every output channel was written. False when one was not: UnwrittenChannels() names
  // them.
  bool Render(float* const* inputs, float* const* outputs, int32_t frames);
  const std::vector<int>& UnwrittenChannels() const { return mUnwritten; }
  // The state number delivered with the last render call.
  int64_t DeliveredStateNumber() const { return mDeliveredState; }

  // ---- notifications ----
  AAX_Result Notify(AAX_CTypeID type, const void* data, uint32_t size);

  // ---- state ----
  // The first chunk's identifier (GetChunkIDAtIndex 0).
  AAX_Result ChunkID(AAX_CTypeID* id) const;
  AAX_Result GetChunk(AAX_CTypeID id, std::vector<uint8_t>& data) const;
  // Loads the chunk; returns once the values it made the plug-in post are delivered.
  AAX_Result SetChunk(AAX_CTypeID id, const std::vector<uint8_t>& data);
  AAX_Result CompareChunk(AAX_CTypeID id, const std::vector<uint8_t>& data, bool* equal) const;

private:
  void BuildContext(const ComponentDescriptor& component);
  void Deliver(const std::string& id, double normalized, AAX_Result* result);
  // Runs the packet pass on the parameter thread; offline it waits for it.
  void QueuePacketPass();
  int64_t LastPostedStateNumber() const;

  Host& mHost;
  const EffectDescriptor& mEffectDescriptor;
  InstanceHost* mInstanceHost = nullptr; // one reference while the instance exists
  AAX_IACFEffectParameters* mEffect = nullptr;
  std::string mError;
  ComponentLayout mLayout;
  AAX_CProcessProc mProcessProc = nullptr;
  bool mLive = false;
  bool mServesWhileWaiting = true;

  // What the host answers a set request with: the value of the parameter's lane while one
  // plays it, else the value asked for.
  double AnswerFor(const std::string& id, double requested) const;
  mutable std::mutex mLanesLock;
  std::map<std::string, double> mLanes; // the value each lane played last

  std::unique_ptr<HostThread> mParameterThread;
  std::unique_ptr<HostThread> mAudioThread;
  std::chrono::nanoseconds mNextHostTimerTick{0}; // on the main run loop's clock
  uint64_t mRunLoopCallbacks = 0;
  uint64_t mHostTimerTicks = 0;

  // Render context and the host-owned blocks its fields point to (written on the main thread
  // before each call is handed to the audio thread).
  void* mContext[AAX_kRenderFieldCount] = {};
  std::vector<std::vector<uint64_t>> mBlocks;
  int32_t mFrames = 0;
  float mSampleRate = 48000.0f;
  int64_t mDeliveredState = 0;
  int32_t mSideChainChannel = 0;
  std::unique_ptr<AAX_VTransport> mTransport;
  std::vector<int> mUnwritten;
};
} // namespace aaxhost
