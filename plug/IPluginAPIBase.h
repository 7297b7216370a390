#pragma once
// The last framework layer under a host binding. It copies the construction record into the
// plug-in base, owns the lock-free queues that carry parameter changes, MIDI and SysEx between
// the audio side and the editor, runs the 20 ms editor timer that drains them on the main
// thread, turns editor gestures into host notifications and identifies the host by name.
// It also declares the host-facing operations that a binding overrides.

#include <atomic>
#include <cstdint>
#include <memory>

#include "plug/HeapBuf.h"
#include "plug/HostIdentification.h"
#include "plug/IMidiMsg.h"
#include "plug/IPluginBase.h"
#include "plug/IPluginConfig.h"
#include "plug/IRingQueue.h"
#include "plug/Timer.h"

namespace plug {

// When the editor timer's ticks begin to reach the plug-in. The binding starts the timer at the
// end of its own construction, before a product's constructor has run, and the main thread may
// tick while a host constructs the instance on another thread. A product that may be so
// constructed asks for kAfterConstruction and calls PublishConstruction last in its
// constructor; until then every tick does nothing.
enum class ETickStart
{
  kAtOnce,
  kAfterConstruction
};

class IPluginAPIBase : public IPluginBase
{
public:
  // Queue capacities, in records.
  static constexpr int kParamChangeQueueSize = 512;
  static constexpr int kMidiQueueSize = 32;
  static constexpr int kSysExQueueSize = 4;
  // Period of the editor timer.
  static constexpr uint32_t kUITimerIntervalMs = 20;

  IPluginAPIBase(IPluginConfig config, EPluginAPI plugAPI, ETickStart tickStart = ETickStart::kAtOnce);
  // Stops the editor timer first, so that no tick reaches a half-destroyed plug-in.
  ~IPluginAPIBase() override;

  // ---- host-facing operations and hooks ----

  // True when every parameter's current value and values[start + i], both as float, differ
  // by less than 1e-5. values must hold start + NParams() doubles.
  virtual bool CompareParamValues(const double* values, int start) const;
  // Extension points for bindings; the defaults report nothing.
  virtual int GetHostFeatureFlags() const { return 0; }
  virtual int GetHostLanguage() const { return 0; }
  virtual void OnHostIdentified() {}
  // When 0 < count < NParams(), appends 0..count-1 to list.
  virtual void ListParamIndices(int count, TypedBuf<int>& list) const;
  // True when b is minus a.
  virtual bool AreOppositeValues(int a, int b) const;
  virtual void OnHostSelectionChanged() {}
  // Writes a description of the host into out ("" here) and returns its kind (0 here).
  virtual int GetHostDescription(CharBuf& out) const;
  // The open editor's graphics context, or null.
  virtual igraphics::IGraphics* GetEditorGraphics() const { return GetUI(); }
  // Runs on the main thread after every editor-timer tick.
  virtual void OnIdleTick() {}
  virtual void GetHostWindowInfo(int& x, int& y, int& flags) const;
  // Copies the host's name for the plug-in's track into out (nothing here).
  virtual void CopyTrackName(CharBuf* /*out*/) const {}
  virtual int GetTrackColour() const { return 0; }
  virtual void OnHostTransportChanged() {}
  virtual int GetTrackIndex() const { return 0; }
  // A parameter value the host side set, on its way to the editor: converted from normalised
  // when isNormalized (shape, stepped rounding, clamp) and queued for the editor timer.
  // An index outside the parameter list is ignored. Any number of host threads (and the
  // audio thread) may call it at once; none of them takes a lock.
  virtual void SendParamValueFromProcessor(int paramIdx, bool isNormalized, double value);
  virtual void OnBeforeHostIdentified() {}
  // Asks the host to resize the editor's window; false when it cannot.
  virtual bool HostResizeEditor(int /*w*/, int /*h*/) { return false; }
  // Touch, set and release gestures towards the host's automation. A binding that keeps the
  // host's answers apart from its own changes sends its set requests only through
  // SetParamAndTellHost and SetParamByPlugin below.
  virtual void HostBeginParamEdit(int /*paramIdx*/) {}
  virtual void HostEndParamEdit(int /*paramIdx*/) {}
  virtual void HostSetParamNormalized(int /*paramIdx*/, double /*normalizedValue*/) {}

  // The two ways a value the plug-in side chooses is stored (stepped, clamped, atomic) and goes
  // to the host; a NaN value or an index outside the list changes nothing.
  // - SetParamAndTellHost: a value set for the host to take whatever it holds: an editor
  //   control's, a restore's, a preset recall's. The host is asked at once.
  // - SetParamByPlugin: a value the plug-in sets by itself (a reaction, an editor action, the
  //   editor scale). The host is asked only when it neither holds the value nor is being asked
  //   for it already, and only with the next TellHostWaitingValues: a reaction sets its values
  //   under its own lock and tells the host once it has let the lock go. A binding also tells
  //   the host what waits at its next call from the host.
  // Here, without a binding, the first tells the host's hook at once and the second only stores.
  virtual void SetParamAndTellHost(int paramIdx, double value);
  virtual void SetParamByPlugin(int paramIdx, double value);
  virtual void TellHostWaitingValues() {}
  virtual void OnHostStateDirty() {}
  virtual void OnHostRestartRequested() {}

  // ---- editor-side operations ----

  void SetParamValueFromUI(int paramIdx, double normalizedValue) override;
  void BeginParamEditFromUI(int paramIdx) override { HostBeginParamEdit(paramIdx); }
  void EndParamEditFromUI(int paramIdx) override { HostEndParamEdit(paramIdx); }
  bool RequestEditorResize(int w, int h, bool needsHostResize) override;
  void PassMidiMsgFromUI(const IMidiMsg& msg) override { QueueMidiMsgFromUI(msg); }
  void PassSysExMsgFromUI(const ISysExMsg& msg) override { QueueSysExMsgFromUI(msg); }
  void SendControlMsgFromUI(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
  void PushAllParamValuesToHost() override;
  // Queue a message for the audio side.
  void QueueMidiMsgFromUI(const IMidiMsg& msg) override;
  // Refuses (drops) a message larger than kMaxSysExSize bytes or of negative size; a null
  // data pointer queues zero bytes.
  void QueueSysExMsgFromUI(const ISysExMsg& msg) override;

  // Stores the value an editor control set (shape, stepped rounding, clamp) and tells the host
  // (SetParamAndTellHost), then runs the change hook with the editor as source and tells the
  // host what the hook set by itself. A NaN value is ignored.
  void SetParamFromUIAndNotify(int paramIdx, double normalizedValue);

  // ---- audio side ----

  // Messages from the audio side to the editor (dropped when the queue is full).
  void SendMidiMsgFromProcessor(const IMidiMsg& msg) { mMidiMsgsToUI.Push(msg); }
  // Same size rules as QueueSysExMsgFromUI.
  void SendSysExMsgFromProcessor(const ISysExMsg& msg);
  // Messages the editor queued for the audio side; false when none is waiting.
  bool PopMidiMsgFromUI(IMidiMsg& msg) { return mMidiMsgsFromUI.Pop(msg); }
  bool PopSysExMsgFromUI(ISysExQueueEntry& entry) { return mSysExMsgsFromUI.Pop(entry); }

  // ---- editor timer and host ----

  // (Re)creates the 20 ms editor timer on the main run loop.
  void StartUITimer();
  // Stops and deletes the editor timer; nothing ticks afterwards. The destructor does it, but
  // by then the derived parts are gone: a class that overrides the tick's hooks
  // (OnIdleTick, SendParamValueToUI, ...) and may be destroyed off the main thread calls this
  // first thing in its own destructor.
  void StopUITimer();
  // One tick: nothing until the construction is published (see ETickStart). Then, when the
  // configuration has an editor, delivers the parameter changes, then the MIDI and then the
  // SysEx messages queued for it, each queue until it is empty (records pushed meanwhile
  // included) but at most as many records as it holds, and serves a refresh requested from
  // another thread (RefreshAllParamsInUIFromAnyThread); then, always, OnIdleTick.
  void OnUITimerTick(Timer& timer);
  // The plug-in is constructed: ticks reach it from now on. The constructor that asked for
  // ETickStart::kAfterConstruction calls it last; everything it wrote before is seen by the
  // ticks.
  void PublishConstruction() { mConstructionPublished.store(true, std::memory_order_release); }

  // Stores the host's name and packed version and identifies it (GetHost()); then
  // OnBeforeHostIdentified and OnHostIdentified run.
  void IdentifyHost(const char* hostName, int hostVersion);

protected:
  // Binds the timer callback to this object.
  struct TimerBinding
  {
    IPluginAPIBase* plugin;
    void operator()(Timer& t) const { plugin->OnUITimerTick(t); }
  };

  // Copies the message into a record and pushes it; false when refused or dropped.
  static bool PushSysEx(IRingQueue<ISysExQueueEntry>& queue, const ISysExMsg& msg);

  CharBuf mScratch{128};
  std::unique_ptr<Timer> mTimer;
  IRingQueue<IParamChangeEntry> mParamChangeToUIQueue{kParamChangeQueueSize};
  IRingQueue<IMidiMsg> mMidiMsgsFromUI{kMidiQueueSize};
  IRingQueue<IMidiMsg> mMidiMsgsToUI{kMidiQueueSize};
  IRingQueue<ISysExQueueEntry> mSysExMsgsFromUI{kSysExQueueSize};
  IRingQueue<ISysExQueueEntry> mSysExMsgsToUI{kSysExQueueSize};
  // The record the editor timer pops SysEx into (main thread only).
  ISysExQueueEntry mSysExScratch;
  // Set before the timer can start, so the timer's thread sees its first value.
  std::atomic<bool> mConstructionPublished;
};

} // namespace plug
