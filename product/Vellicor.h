#pragma once
// The product's plug-in class: the AAX binding of the framework, the 33 parameters, the
// preset list, the A/B comparison snapshots, the reactions to parameter changes and the
// audio engine.
//
// Threads:
//   - ProcessBlock and OnResetProcessing run on the audio side. They read parameters with
//     atomic loads and hand them to the engine; they never take a lock.
//   - HandleParamChange runs on whichever thread delivers a change (the host's parameter
//     thread, the main thread for editor changes and state recall). It keeps the reaction
//     state (snapshots, gain-link memories, tilt counters) under a small mutex that the audio
//     thread never takes, and reaches the engine and the editor only through flags: the
//     engine applies its requests at the start of its next block, and OnIdleTick (main
//     thread) serves the editor requests.
//   - Every value the plug-in sets by itself (a reaction, an editor action, the editor scale)
//     goes through SetOwnValue: it reaches the host (SetParamByPlugin) and the active A/B row.
//     The host is told once the reaction lock is let go: at once for a change of the editor's
//     or of the plug-in's own, with the binding's next call from the host for a reaction to
//     the host's own change (so that a value the host delivers meanwhile, a second automation
//     lane's, needs no request). When the host refuses a request, the parameter takes the
//     host's value and reacts to it (HandleRefusedParamChange), without asking the host again
//     for the other gain.
//   - OnIdleTick and OnEditorClosing run on the main thread.
#include "plug/aax/IPluginAAX.h"
#include "product/VellicorConstants.h"
#include "product/engine/EngineParams.h"
#include "product/engine/VellicorEngine.h"

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace plug {
namespace igraphics {
class IGraphics;
} // namespace igraphics
} // namespace plug

// Holds the process-wide instance lock from before the first framework base is built until
// the end of the plug-in's constructor, so that the whole construction (user preset file
// included) is serialised however the instance is created. The editor timer, which the binding
// starts before the plug-in's constructor runs, does not take the lock: its ticks do nothing
// until the constructor publishes the construction, just before it lets the lock go.
class VellicorConstructionLock
{
protected:
  VellicorConstructionLock();
  ~VellicorConstructionLock();
  VellicorConstructionLock(const VellicorConstructionLock&) = delete;
  VellicorConstructionLock& operator=(const VellicorConstructionLock&) = delete;
  // Lets the lock go (once); the constructor calls it last.
  void ReleaseConstructionLock() noexcept;

private:
  bool mHeld = false;
};

class Vellicor : private VellicorConstructionLock, public plug::IPluginAAX
{
public:
  // An unset snapshot entry.
  static constexpr double kUnsetSnapshotValue = -200.0;
  // Entries per snapshot; only the first kNumParams are used.
  static constexpr int kSnapshotSize = 64;
  static constexpr int kNumSnapshots = 2;
  static constexpr int kNumTiltTabs = 3;

  explicit Vellicor(const plug::InstanceInfo& info);
  ~Vellicor() override;

  // ---- audio side ----
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  void OnResetProcessing() override;

  // ---- reactions ----
  void HandleParamChange(int paramIdx, plug::EParamChangeSource source, int sampleOffset) override;
  // The host refused a request of the plug-in's and the parameter holds the host's value: it
  // reacts as to the host's own change, except that a refused gain never moves the other one:
  // the link starts from the pair the instance then holds, as when the link is switched on.
  // Asking the host to move the other gain again would meet the same refusal, at every round.
  void HandleRefusedParamChange(int paramIdx) override;
  void OnIdleTick() override;
  void OnEditorClosing() override;
  // Publishes the new current preset index to the audio side and the reactions.
  void OnPresetChanged() override;

  // Applies a slot's user preset file to a pristine instance (see LoadVellicorUserPresetSlot);
  // linked gains then continue from the pair the file brought.
  void LoadUserPresetSlot(int slot);

  // The layout function the editor delegate runs on a new graphics context (product/editor):
  // the fonts, the bitmaps and every control of the 900 x 500 editor, then the editor scale
  // from user preset slot 2's file and the final resize. A context that already holds a
  // control is left as it is.
  void LayoutEditor(plug::igraphics::IGraphics* pGraphics);
  // "Plugin Scale" from "Params"."2" of a slot's user preset file (step-rounded, clamped, told
  // to the host when it changed), then every parameter's value to the controls. Without a file
  // nothing happens; a broken file or entry leaves the scale as it was and still refreshes the
  // controls.
  void LoadScaleFromUserPreset(int slot);

  // ---- editor (product/editor) ----
  // The product's own controls.
  class ILEDControlOBK;
  class IBSwitchHighlightOverlay;
  class IVButtonControlHighlight;
  class ICaptionControlHighlight;
  class PresetControllerMenu;
  class savePresetField;

  // A value an editor action sets (the stereo-mode button, the size reset): stored, told to the
  // host and copied into the active A/B row as any value the plug-in sets by itself; no change
  // reaction runs, and none runs for the host's answer. Main thread.
  void SetParamFromAction(int paramIdx, double value);

  // The A/B transfer buttons: row `to` takes row `from` for every parameter but "Delta" and
  // "Plugin Scale". When `to` is the active row (the selector holds exactly its index), the
  // parameters take the copied values too, and the host is told those that changed; an unset
  // entry leaves its parameter alone. Rows other than 0 and 1 do nothing. Main thread.
  void CopySnapshot(int from, int to);

  // A preset load made by the editor: runs load (recall, user preset file, kept values put
  // back) and then settles the reactions on the values it left: the active A/B row is the
  // one the selector names and holds the loaded values, the other row is as it was before the
  // load, and the gain link and the tilt memories continue from the loaded values; then the
  // host is told every value. Main thread.
  void LoadFromEditor(const std::function<void()>& load);

  // ---- inspection ----
  // 0 until the first audio block, then 1; 666 when the start-up user preset load found
  // the instance already changed.
  int GetProcessingStarted() const { return mProcessingStarted.load(std::memory_order_acquire); }
  const vellicor::VellicorEngine& GetEngine() const { return mEngine; }
  int GetActiveSnapshot() const;
  // Entry paramIdx of snapshot 0 (A) or 1 (B); kUnsetSnapshotValue outside the tables.
  double GetSnapshotValue(int snapshot, int paramIdx) const;
  std::array<int, kNumTiltTabs> GetTiltCounters() const;
  // The editor scale the idle hook last saw (main thread).
  float GetStoredEditorScale() const { return mStoredEditorScale; }

protected:
  // Enables or disables the mid/side pusher knob and its caption (tags kTagMSDrivePush and
  // kTagMSDrivePushLabel) in the open editor and marks both dirty with their actions
  // triggered. False when the editor lacks either control; the editor layout provides them,
  // so without it there is nothing to change.
  virtual bool SetPusherControlsEnabled(bool enabled);

private:
  using Snapshot = std::vector<double>;

  // The parameters' current values, the preset index, the channel count and the sample rate
  // for the engine (atomic loads only).
  void FillEngineParams(vellicor::EngineParams& params) const noexcept;
  double ParamValue(int paramIdx) const;

  // A value the plug-in sets by itself, with mReactionMutex held: stored, copied into the
  // active A/B row (as a change through the hook is, for every parameter after "Plugin Scale")
  // and handed to the host, which is told once the lock is let go (TellHostWaitingValues).
  void SetOwnValue(int paramIdx, double value);
  // A parameter after "Plugin Scale" into the A/B row the selector names (mReactionMutex held).
  void CopyIntoActiveRow(int paramIdx);

  // The reactions, called with mReactionMutex held: to one change, then its parts.
  // What a change does: kind says whether the host refused the plug-in's request (the value is
  // then the host's, as for source kHost).
  enum class EChange
  {
    kChanged,
    kRefused
  };
  void HandleChange(int paramIdx, plug::EParamChangeSource source, EChange kind);
  void React(int paramIdx, plug::EParamChangeSource source, EChange kind);
  void SwitchSnapshot(bool keepLoadedValues);
  void ReactToGain(int changedIdx, int otherIdx, bool keepLoadedValues);
  void SelectTiltTab(bool countSelection);
  // A restore or a preset recall: every tab's run of clicks starts afresh.
  void RestartTiltRuns();
  void StoreTiltArea(int areaIdx);
  // The gain-link memories take the current pair of gains.
  void SyncGainMemories();
  // The tab index 0..2 of a "Tilt Switch" value (anything above 1 is the HI tab).
  static int TiltTab(double switchValue);

  // The editor's scale into "Plugin Scale" when it changed, told to the host (main thread). A
  // pending change of "Plugin Scale" from outside is served first.
  void TakeScaleFromEditor();

  vellicor::VellicorEngine mEngine;
  // The audio thread's parameter snapshot (audio side only).
  vellicor::EngineParams mBlockParams;
  // The processing-started marker the start-up user preset load reads.
  std::atomic<int> mProcessingStarted{0};

  // Reaction state, guarded by mReactionMutex.
  mutable std::mutex mReactionMutex;
  std::array<Snapshot, kNumSnapshots> mSnapshots;
  int mActiveSnapshot = 0;
  double mLastInputGain = 0.0;
  double mLastOutputGain = 0.0;
  std::array<int, kNumTiltTabs> mTiltCounters{};

  // Requests for the main thread, served by OnIdleTick.
  std::atomic<bool> mResendParamsRequest{false};
  std::atomic<bool> mScaleSyncRequest{false};
  // Main thread; read by HandleParamChange to tell a preset recall in progress.
  std::atomic<int> mLastPresetSeen{0};
  // The current preset index as the audio side and the reactions read it. The base's index
  // is a plain integer written by a recall; this copy follows it through OnPresetChanged.
  std::atomic<int> mPresetIndex{0};
  float mStoredEditorScale = 1.0f;
};
