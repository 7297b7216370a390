#include "product/Vellicor.h"

#include "graphics/IGraphics.h"
#include "product/VellicorFactories.h"
#include "product/VellicorParameters.h"
#include "product/VellicorPresets.h"

#include <algorithm>
#include <cmath>

namespace {

// Parameters an A/B switch leaves alone: the delta switch, the selector itself, the editor
// scale and the oversampling factor.
bool IsSnapshotParam(int paramIdx)
{
  return paramIdx != kDelta && paramIdx != kABSelect && paramIdx != kPluginScale && paramIdx != kOverSampling;
}

// (int) of a parameter value, without the undefined conversion of NaN or huge values.
int TruncatedIndex(double v)
{
  if (!(v > -1e9 && v < 1e9))
    return -1;
  return static_cast<int>(v);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction lock

VellicorConstructionLock::VellicorConstructionLock()
{
  VellicorInstanceMutex().lock();
  mHeld = true;
}

VellicorConstructionLock::~VellicorConstructionLock() { ReleaseConstructionLock(); }

void VellicorConstructionLock::ReleaseConstructionLock() noexcept
{
  if (mHeld)
  {
    mHeld = false;
    VellicorInstanceMutex().unlock();
  }
}

// ---------------------------------------------------------------------------------------------
// Construction

Vellicor::Vellicor(const plug::InstanceInfo& info)
  : VellicorConstructionLock()
  , plug::IPluginAAX(info, MakeVellicorConfig(), plug::ETickStart::kAfterConstruction)
{
  // The engine, its level records and every reaction memory start as their members say;
  // both snapshots start with every entry unset.
  for (Snapshot& snapshot : mSnapshots)
    snapshot.assign(kSnapshotSize, kUnsetSnapshotValue);

  FormatChannelLabel(plug::kInput, 0, "Main L", true);
  FormatChannelLabel(plug::kInput, 1, "Main R", true);

  DefineVellicorParameters(*this);
  // Presets read the parameters' current values, so they follow the definitions.
  MakeVellicorPresets(*this);

  // The engine sized itself for its two channel slots (a mono instance runs two as well)
  // at the frame's initial 48 kHz, with its three oversamplers at 1x and the power fade just
  // above the threshold, so the very first block already processes.

  LoadUserPresetSlot(0);

  SetMakeGraphicsFunc([this]() {
    return CreatePlugGraphics(*this, kEditorWidth, kEditorHeight, kEditorFPS,
                              static_cast<float>(ParamValue(kPluginScale)));
  });
  SetLayoutFunc([this](plug::igraphics::IGraphics* pGraphics) { LayoutEditor(pGraphics); });

  // The editor timer runs since the binding's construction; its ticks reach this object from
  // here on, whatever thread the host constructs it on.
  PublishConstruction();
  ReleaseConstructionLock();
}

Vellicor::~Vellicor()
{
  // No editor tick may reach this object while it goes.
  StopUITimer();
}

void Vellicor::LoadUserPresetSlot(int slot)
{
  LoadVellicorUserPresetSlot(*this, slot, mProcessingStarted);
  // The file may bring any pair of gains; the link continues from the pair as loaded.
  std::lock_guard<std::mutex> lock(mReactionMutex);
  SyncGainMemories();
}

// ---------------------------------------------------------------------------------------------
// Parameters

double Vellicor::ParamValue(int paramIdx) const
{
  const plug::IParam* param = GetParam(paramIdx);
  return param ? param->Value() : 0.0;
}

void Vellicor::SetOwnValue(int paramIdx, double value)
{
  if (!GetParam(paramIdx))
    return;
  SetParamByPlugin(paramIdx, value);
  CopyIntoActiveRow(paramIdx);
}

void Vellicor::CopyIntoActiveRow(int paramIdx)
{
  if (paramIdx <= kPluginScale)
    return;
  const int selected = TruncatedIndex(ParamValue(kABSelect));
  if (selected == 0 || selected == 1)
    mSnapshots[static_cast<std::size_t>(selected)][static_cast<std::size_t>(paramIdx)] = ParamValue(paramIdx);
}

void Vellicor::SetParamFromAction(int paramIdx, double value)
{
  {
    std::lock_guard<std::mutex> lock(mReactionMutex);
    SetOwnValue(paramIdx, value);
  }
  TellHostWaitingValues();
}

void Vellicor::FillEngineParams(vellicor::EngineParams& params) const noexcept
{
  const int n = std::min(NParams(), static_cast<int>(kNumParams));
  for (int i = 0; i < n; ++i)
    params[i] = GetParam(i)->Value();
  params.presetIndex = mPresetIndex.load(std::memory_order_acquire);
  params.connectedOutputChannels = CountConnectedChannels(plug::kOutput);
  params.sampleRate = GetSampleRate();
}

// ---------------------------------------------------------------------------------------------
// Audio side

void Vellicor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  mProcessingStarted.store(1, std::memory_order_release);
  if (nFrames <= 0 || !outputs)
    return;

  FillEngineParams(mBlockParams);

  // The engine always runs two channel slots; a missing one reads silence and is not
  // written.
  double* in[vellicor::VellicorEngine::kNumChannels] = {nullptr, nullptr};
  double* out[vellicor::VellicorEngine::kNumChannels] = {nullptr, nullptr};
  const int nIn = std::min(NChannels(plug::kInput), static_cast<int>(vellicor::VellicorEngine::kNumChannels));
  const int nOut = std::min(NChannels(plug::kOutput), static_cast<int>(vellicor::VellicorEngine::kNumChannels));
  for (int ch = 0; inputs && ch < nIn; ++ch)
    in[ch] = inputs[ch];
  for (int ch = 0; ch < nOut; ++ch)
    out[ch] = outputs[ch];

  mEngine.Process(in, out, nFrames, mBlockParams);
}

void Vellicor::OnResetProcessing()
{
  vellicor::EngineParams params;
  FillEngineParams(params);
  // A rate the engine refuses (not positive, not finite) leaves it as it was.
  mEngine.Reset(GetSampleRate(), GetBlockSize(), params);
}

// ---------------------------------------------------------------------------------------------
// Parameter-change reactions

void Vellicor::HandleParamChange(int paramIdx, plug::EParamChangeSource source, int /*sampleOffset*/)
{
  HandleChange(paramIdx, source, EChange::kChanged);
}

void Vellicor::HandleRefusedParamChange(int paramIdx) { HandleChange(paramIdx, plug::kHost, EChange::kRefused); }

void Vellicor::HandleChange(int paramIdx, plug::EParamChangeSource source, EChange kind)
{
  try
  {
    if (!GetParam(paramIdx) || paramIdx >= kNumParams)
      return;
    {
      std::lock_guard<std::mutex> lock(mReactionMutex);
      React(paramIdx, source, kind);
    }
    // What the reactions set goes to the host now, outside the lock (the host may answer
    // inside the request). A reaction to the host's own change is told with the binding's next
    // call from the host, when a second lane it plays may already have brought the value.
    if (source != plug::kHost)
      TellHostWaitingValues();
  }
  catch (...)
  {
    // A failing lock leaves the reaction out; the parameter value itself is stored.
  }
}

void Vellicor::React(int paramIdx, plug::EParamChangeSource source, EChange kind)
{
  // A restore or preset recall keeps the values it loads: the reactions only bring their
  // memories in line with them.
  const bool loading = source == plug::kPresetRecall;
  CopyIntoActiveRow(paramIdx);

  switch (paramIdx)
  {
    case kABSelect:
      SwitchSnapshot(loading);
      break;
    case kPluginScale:
      // The idle hook compares the editor's scale with the stored one; a value that comes
      // from outside makes it take the editor's current scale first, so the new value is
      // not overwritten by a stale editor scale.
      mScaleSyncRequest.store(true, std::memory_order_release);
      break;
    case kInputGain:
    case kOutputGain:
      if (kind == EChange::kRefused)
        SyncGainMemories();
      else if (paramIdx == kInputGain)
        ReactToGain(kInputGain, kOutputGain, loading);
      else
        ReactToGain(kOutputGain, kInputGain, loading);
      break;
    case kStereoMode:
      mEngine.RequestStateClear();
      break;
    case kPower:
      mEngine.RequestResize();
      break;
    case kOverSampling:
      mEngine.RequestOverSamplingChange();
      break;
    case kTiltSwitch:
      if (loading)
        RestartTiltRuns();
      else
        SelectTiltTab(source == plug::kUI);
      break;
    case kDriveAreaLow:
    case kDriveAreaHigh:
      if (!loading)
        StoreTiltArea(paramIdx);
      break;
    case kLinkGains:
      SyncGainMemories();
      break;
    default:
      break;
  }
}

void Vellicor::SwitchSnapshot(bool keepLoadedValues)
{
  const int next = TruncatedIndex(ParamValue(kABSelect));
  if (next != 0 && next != 1)
    return;
  if (keepLoadedValues)
  {
    // The loaded values are the selected snapshot's; nothing is swapped in.
    mActiveSnapshot = next;
    return;
  }

  Snapshot& previous = mSnapshots[static_cast<std::size_t>(mActiveSnapshot)];
  Snapshot& target = mSnapshots[static_cast<std::size_t>(next)];
  const int n = std::min(NParams(), static_cast<int>(kNumParams));
  for (int i = 0; i < n; ++i)
  {
    if (!IsSnapshotParam(i))
      continue;
    const std::size_t slot = static_cast<std::size_t>(i);
    const double current = ParamValue(i);
    previous[slot] = current;
    double v = target[slot];
    // A snapshot never written takes the current values.
    if (v == kUnsetSnapshotValue)
    {
      v = current;
      target[slot] = v;
    }
    SetOwnValue(i, v);
  }
  mActiveSnapshot = next;
  // The link continues from the pair the snapshot brought, not from the pair left behind.
  SyncGainMemories();
  mResendParamsRequest.store(true, std::memory_order_release);
}

void Vellicor::SyncGainMemories()
{
  mLastInputGain = ParamValue(kInputGain);
  mLastOutputGain = ParamValue(kOutputGain);
}

void Vellicor::ReactToGain(int changedIdx, int otherIdx, bool keepLoadedValues)
{
  // "Link Gains" at 0 links the gains.
  if (ParamValue(kLinkGains) != 0.0)
    return;
  const bool inputChanged = changedIdx == kInputGain;
  double& lastChanged = inputChanged ? mLastInputGain : mLastOutputGain;
  double& lastOther = inputChanged ? mLastOutputGain : mLastInputGain;
  const double value = ParamValue(changedIdx);

  if (keepLoadedValues)
  {
    lastChanged = value;
    lastOther = ParamValue(otherIdx);
    return;
  }

  // The other gain moves the opposite way; its memory keeps the unclamped result, so
  // reversing the move restores the earlier pair.
  const double other = lastOther - (value - lastChanged);
  SetOwnValue(otherIdx, other);
  lastOther = other;
  lastChanged = value;
  mResendParamsRequest.store(true, std::memory_order_release);
}

int Vellicor::TiltTab(double switchValue)
{
  const int t = TruncatedIndex(switchValue);
  return t == 0 ? 0 : (t == 1 ? 1 : 2);
}

void Vellicor::SelectTiltTab(bool countSelection)
{
  // A preset being recalled has not reached the idle hook yet: its drive area stays.
  if (mLastPresetSeen.load(std::memory_order_acquire) != mPresetIndex.load(std::memory_order_acquire))
    return;

  const int tab = TiltTab(ParamValue(kTiltSwitch));
  const int lowIdx = kLowDriveAreaLow + 2 * tab;
  const int highIdx = lowIdx + 1;

  // Four selections of the same tab in a row reset its area. Any selection of a tab breaks
  // the other tabs' runs, but only the user's clicks count: automation repeating a value
  // must not wipe the stored area.
  for (int t = 0; t < kNumTiltTabs; ++t)
    if (t != tab)
      mTiltCounters[static_cast<std::size_t>(t)] = 0;
  if (countSelection)
  {
    int& counter = mTiltCounters[static_cast<std::size_t>(tab)];
    if (counter++ == 3)
    {
      counter = 0;
      for (int idx : {lowIdx, highIdx})
        if (const plug::IParam* stored = GetParam(idx))
          SetOwnValue(idx, stored->defaultValue);
    }
  }

  SetOwnValue(kDriveAreaLow, ParamValue(lowIdx));
  SetOwnValue(kDriveAreaHigh, ParamValue(highIdx));
  mResendParamsRequest.store(true, std::memory_order_release);
}

void Vellicor::RestartTiltRuns()
{
  // A load brings its own tab and areas: no run of clicks before it goes on after it. The
  // loaded values stay as they are, so nothing else is written or re-sent.
  mTiltCounters.fill(0);
}

void Vellicor::StoreTiltArea(int areaIdx)
{
  const int tab = TiltTab(ParamValue(kTiltSwitch));
  const int storedIdx = kLowDriveAreaLow + 2 * tab + (areaIdx == kDriveAreaHigh ? 1 : 0);
  SetOwnValue(storedIdx, ParamValue(areaIdx));
  mResendParamsRequest.store(true, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------------
// Editor requests

void Vellicor::CopySnapshot(int from, int to)
{
  if (from < 0 || from >= kNumSnapshots || to < 0 || to >= kNumSnapshots || from == to)
    return;
  {
    std::lock_guard<std::mutex> lock(mReactionMutex);
    const Snapshot& source = mSnapshots[static_cast<std::size_t>(from)];
    Snapshot& target = mSnapshots[static_cast<std::size_t>(to)];
    const bool targetActive = ParamValue(kABSelect) == static_cast<double>(to);
    const int n = std::min(NParams(), static_cast<int>(kNumParams));
    for (int i = 0; i < n; ++i)
    {
      if (i == kDelta || i == kPluginScale)
        continue;
      const std::size_t slot = static_cast<std::size_t>(i);
      const double copied = source[slot];
      target[slot] = copied;
      if (targetActive && copied != kUnsetSnapshotValue)
        SetOwnValue(i, copied);
    }
    if (targetActive)
      SyncGainMemories();
  }
  TellHostWaitingValues();
}

void Vellicor::LoadFromEditor(const std::function<void()>& load)
{
  std::array<Snapshot, kNumSnapshots> before;
  {
    std::lock_guard<std::mutex> lock(mReactionMutex);
    before = mSnapshots;
  }
  // The load recalls a preset, whose change hooks take the lock themselves.
  load();

  {
    std::lock_guard<std::mutex> lock(mReactionMutex);
    mSnapshots = before;
    const int selected = TruncatedIndex(ParamValue(kABSelect));
    if (selected == 0 || selected == 1)
    {
      mActiveSnapshot = selected;
      Snapshot& active = mSnapshots[static_cast<std::size_t>(selected)];
      const int n = std::min(NParams(), static_cast<int>(kNumParams));
      for (int i = kPluginScale + 1; i < n; ++i)
        active[static_cast<std::size_t>(i)] = ParamValue(i);
    }
    SyncGainMemories();
  }
  // The host's parameters (its automation, its controls) take the loaded values too; the host
  // may answer inside the requests, so the lock is released first.
  PushAllParamValuesToHost();
}

// ---------------------------------------------------------------------------------------------
// Main thread

void Vellicor::TakeScaleFromEditor()
{
  const plug::igraphics::IGraphics* ui = GetUI();
  if (!ui)
    return;
  const float drawScale = ui->GetDrawScale();
  // "Plugin Scale" changed from outside since the last look: the editor's current scale
  // counts as seen, so it does not overwrite the new value.
  if (mScaleSyncRequest.exchange(false, std::memory_order_acq_rel))
    mStoredEditorScale = drawScale;
  if (mStoredEditorScale != drawScale)
  {
    mStoredEditorScale = drawScale;
    SetParamFromAction(kPluginScale, static_cast<double>(drawScale));
  }
}

void Vellicor::OnIdleTick()
{
  try
  {
    // The LEDs glow with the magnitude of the summed readings; a reading is signed.
    SendControlValueToUI(kTagLEDDrive, std::fabs(static_cast<double>(mEngine.GetDriveLevelSum())));
    SendControlValueToUI(kTagLEDImpedance, std::fabs(static_cast<double>(mEngine.GetImpedanceLevelSum())));

    TakeScaleFromEditor();

    if (mResendParamsRequest.exchange(false, std::memory_order_acq_rel))
      SendAllParamsToUI();

    // The main thread is where presets change; catch any change that bypassed the hook.
    const int current = GetCurrentPresetIdx();
    mPresetIndex.store(current, std::memory_order_release);
    if (current != mLastPresetSeen.load(std::memory_order_acquire))
    {
      mLastPresetSeen.store(current, std::memory_order_release);
      if (GetUI())
        SetPusherControlsEnabled(ParamValue(kStereoMode) != 0.0);
    }
  }
  catch (...)
  {
    // The tick runs from the run loop; nothing may escape into it.
  }
}

void Vellicor::OnPresetChanged() { mPresetIndex.store(GetCurrentPresetIdx(), std::memory_order_release); }

void Vellicor::OnEditorClosing()
{
  try
  {
    TakeScaleFromEditor();
  }
  catch (...)
  {
    // Closing goes on whatever the editor reports.
  }
}

// ---------------------------------------------------------------------------------------------
// Inspection

int Vellicor::GetActiveSnapshot() const
{
  std::lock_guard<std::mutex> lock(mReactionMutex);
  return mActiveSnapshot;
}

double Vellicor::GetSnapshotValue(int snapshot, int paramIdx) const
{
  std::lock_guard<std::mutex> lock(mReactionMutex);
  if (snapshot < 0 || snapshot >= kNumSnapshots || paramIdx < 0 || paramIdx >= kSnapshotSize)
    return kUnsetSnapshotValue;
  return mSnapshots[static_cast<std::size_t>(snapshot)][static_cast<std::size_t>(paramIdx)];
}

std::array<int, Vellicor::kNumTiltTabs> Vellicor::GetTiltCounters() const
{
  std::lock_guard<std::mutex> lock(mReactionMutex);
  return mTiltCounters;
}
