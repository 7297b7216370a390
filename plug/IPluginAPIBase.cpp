#include "plug/IPluginAPIBase.h"

#include "graphics/EditorEntry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plug {

IPluginAPIBase::IPluginAPIBase(IPluginConfig config, EPluginAPI plugAPI, ETickStart tickStart)
  : IPluginBase(config.paramCount, config.presetCount)
  , mConstructionPublished(tickStart == ETickStart::kAtOnce)
{
  mUniqueID = config.uniqueCode;
  mMakerID = config.makerCode;
  mVersion = config.pluginVersion;
  mPluginName.Set(config.pluginName);
  mProductName.Set(config.productName);
  mMakerName.Set(config.makerName);
  mHasUI = config.hasEditor;
  SetEditorSize(config.editorWidth, config.editorHeight);
  SetSizeConstraints(config.minWidth, config.maxWidth, config.minHeight, config.maxHeight);
  mStateChunks = config.stateChunks;
  mAPI = plugAPI;
  mBundleID.Set(config.bundleID ? config.bundleID : "");
  mAppGroupID.Set(config.appGroupID ? config.appGroupID : "");
}

IPluginAPIBase::~IPluginAPIBase()
{
  StopUITimer();
}

// ---- host-facing operations ----

bool IPluginAPIBase::CompareParamValues(const double* values, int start) const
{
  if (!values || start < 0)
    return false;
  for (int i = 0; i < NParams(); ++i)
  {
    const float current = static_cast<float>(GetParam(i)->Value());
    const float other = static_cast<float>(values[start + i]);
    if (!(std::fabs(current - other) < 1e-5f))
      return false;
  }
  return true;
}

void IPluginAPIBase::ListParamIndices(int count, TypedBuf<int>& list) const
{
  if (count <= 0 || count >= NParams())
    return;
  for (int i = 0; i < count; ++i)
    list.Add(i);
}

bool IPluginAPIBase::AreOppositeValues(int a, int b) const
{
  // In 64 bits, so that the most negative int has an opposite too.
  return static_cast<int64_t>(b) == -static_cast<int64_t>(a);
}

int IPluginAPIBase::GetHostDescription(CharBuf& out) const
{
  out.Set("");
  return 0;
}

void IPluginAPIBase::GetHostWindowInfo(int& x, int& y, int& flags) const
{
  x = 0;
  y = 0;
  flags = 0;
}

void IPluginAPIBase::SendParamValueFromProcessor(int paramIdx, bool isNormalized, double value)
{
  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  if (isNormalized)
    value = param->Constrain(param->FromNormalized(value));
  if (std::isnan(value))
    return;
  mParamChangeToUIQueue.Push(IParamChangeEntry(paramIdx, value));
}

// ---- editor-side operations ----

void IPluginAPIBase::SetParamAndTellHost(int paramIdx, double value)
{
  IParam* param = GetParam(paramIdx);
  if (param && param->Set(value))
    HostSetParamNormalized(paramIdx, param->GetNormalized());
}

void IPluginAPIBase::SetParamByPlugin(int paramIdx, double value)
{
  if (IParam* param = GetParam(paramIdx))
    param->Set(value);
}

void IPluginAPIBase::SetParamFromUIAndNotify(int paramIdx, double normalizedValue)
{
  const IParam* param = GetParam(paramIdx);
  if (!param || std::isnan(normalizedValue))
    return;
  SetParamAndTellHost(paramIdx, param->FromNormalized(normalizedValue));
  HandleParamChange(paramIdx, kUI, -1);
  TellHostWaitingValues();
}

void IPluginAPIBase::SetParamValueFromUI(int paramIdx, double normalizedValue)
{
  SetParamFromUIAndNotify(paramIdx, normalizedValue);
  // The value is stored (once: a second store could undo a host update that came in between);
  // the editor side is told.
  if (!std::isnan(normalizedValue) && GetParam(paramIdx))
    OnParamChangeUI(paramIdx, kUI);
}

bool IPluginAPIBase::RequestEditorResize(int w, int h, bool needsHostResize)
{
  return needsHostResize ? HostResizeEditor(w, h) : true;
}

void IPluginAPIBase::SendControlMsgFromUI(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  HandleMessage(msgTag, ctrlTag, dataSize, pData);
}

void IPluginAPIBase::PushAllParamValuesToHost()
{
  for (int i = 0; i < NParams(); ++i)
    SetParamAndTellHost(i, GetParam(i)->Value());
}

void IPluginAPIBase::QueueMidiMsgFromUI(const IMidiMsg& msg)
{
  mMidiMsgsFromUI.Push(msg);
}

void IPluginAPIBase::QueueSysExMsgFromUI(const ISysExMsg& msg)
{
  PushSysEx(mSysExMsgsFromUI, msg);
}

void IPluginAPIBase::SendSysExMsgFromProcessor(const ISysExMsg& msg)
{
  PushSysEx(mSysExMsgsToUI, msg);
}

bool IPluginAPIBase::PushSysEx(IRingQueue<ISysExQueueEntry>& queue, const ISysExMsg& msg)
{
  // The record has room for kMaxSysExSize bytes; anything else would overrun it.
  if (msg.mSize < 0 || msg.mSize > kMaxSysExSize)
    return false;
  ISysExQueueEntry entry; // zero-filled
  entry.mOffset = msg.mOffset;
  entry.mSize = msg.mSize;
  if (msg.mData && msg.mSize > 0)
    std::memcpy(entry.mData, msg.mData, static_cast<size_t>(msg.mSize));
  return queue.Push(entry);
}

// ---- editor timer and host ----

void IPluginAPIBase::StartUITimer()
{
  mTimer = Timer::Create(TimerBinding{this}, kUITimerIntervalMs);
}

void IPluginAPIBase::StopUITimer()
{
  mTimer.reset();
}

void IPluginAPIBase::OnUITimerTick(Timer& /*timer*/)
{
  // Before anything of the plug-in is read, its virtual table included: a host may still be
  // constructing it on another thread.
  if (!mConstructionPublished.load(std::memory_order_acquire))
    return;
  // The run loop is not ours to unwind: whatever an override throws ends here. A plug-in
  // configured with an editor has its queues emptied whether the editor is open or not (an
  // open one is entered for it); one configured without gets the idle hook alone.
  igraphics::EditorEntry::Run(GetUI(), [this] {
    if (mHasUI)
    {
      // Each queue until it is empty, so that what a producer pushes meanwhile goes in this
      // tick too; but no more records than the queue holds, so that a producer as fast as the
      // main thread cannot keep it in here: the rest goes with the next tick.
      int n = kParamChangeQueueSize;
      IParamChangeEntry change;
      while (n-- > 0 && mParamChangeToUIQueue.Pop(change))
        SendParamValueToUI(change.mIdx, change.mValue, false);

      n = kMidiQueueSize;
      IMidiMsg midi;
      while (n-- > 0 && mMidiMsgsToUI.Pop(midi))
        SendMidiMsgToUI(midi);

      n = kSysExQueueSize;
      while (n-- > 0 && mSysExMsgsToUI.Pop(mSysExScratch))
        SendSysExMsgToUI(ISysExMsg(mSysExScratch.mOffset, mSysExScratch.mData, mSysExScratch.mSize));

      // A refresh another thread asked for: every current value, after the changes queued
      // before it, so that the editor ends on the newest values.
      if (TakeUIRefreshRequest())
        RefreshAllParamsInUI();
    }
    OnIdleTick();
  });
}

void IPluginAPIBase::IdentifyHost(const char* hostName, int hostVersion)
{
  mHostName.Set(hostName ? hostName : "");
  mHost = LookUpHostId(hostName);
  mHostVersion = hostVersion;
  OnBeforeHostIdentified();
  OnHostIdentified();
}

} // namespace plug
