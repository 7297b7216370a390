#include "plug/aax/IPluginAAX.h"

#include "aax/interfaces/AAX_IController.h"
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CBinaryDisplayDelegate.h"
#include "aax/library/AAX_CBinaryTaperDelegate.h"
#include "aax/library/AAX_CLinearTaperDelegate.h"
#include "aax/library/AAX_CNumberDisplayDelegate.h"
#include "aax/library/AAX_CStringDisplayDelegate.h"
#include "aax/library/AAX_CUnitDisplayDelegateDecorator.h"
#include "plug/aax/AAX_CIPluginTaperDelegate.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <map>
#include <new>

namespace plug {

namespace {

constexpr const char* kBypassName = "Master Bypass";
constexpr const char* kBypassOffText = "bypass";
constexpr const char* kBypassOnText = "on";
constexpr uint32_t kContinuousSteps = 128;
// Longest identifier text ("%i" of the index plus one).
constexpr int kMaxIDLength = 32;

// C-style truncation towards zero, saturated to the int range (NaN gives 0) so that odd
// ranges cannot reach an undefined conversion.
int TruncToInt(double v)
{
  if (!(v == v))
    return 0;
  if (v >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (v <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(v);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MIDI-out queue

IMidiOutQueue::IMidiOutQueue()
{
  mMsgs.reset(new (std::nothrow) IMidiMsg[kInitialCapacity]);
  mCapacity = mMsgs ? kInitialCapacity : 0;
}

bool IMidiOutQueue::Insert(const IMidiMsg& msg)
{
  if (mBack >= mCapacity)
  {
    if (mFront > 0)
    {
      std::copy(mMsgs.get() + mFront, mMsgs.get() + mBack, mMsgs.get());
      mBack -= mFront;
      mFront = 0;
    }
    else
    {
      if (mGrowth <= 0)
        return false;
      const int64_t newCapacity = static_cast<int64_t>(mGrowth) * (mCapacity / mGrowth + 1);
      if (newCapacity > INT_MAX)
        return false;
      std::unique_ptr<IMidiMsg[]> grown(new (std::nothrow) IMidiMsg[static_cast<size_t>(newCapacity)]);
      if (!grown)
        return false;
      if (mMsgs)
        std::copy(mMsgs.get(), mMsgs.get() + mBack, grown.get());
      mMsgs = std::move(grown);
      mCapacity = static_cast<int32_t>(newCapacity);
    }
  }

  int32_t pos = mBack;
  // Walk back past every later message; equal offsets keep their emitted order.
  while (pos > mFront && msg.mOffset < mMsgs[pos - 1].mOffset)
    --pos;
  std::copy_backward(mMsgs.get() + pos, mMsgs.get() + mBack, mMsgs.get() + mBack + 1);
  mMsgs[pos] = msg;
  ++mBack;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Construction

IPluginAAX::IPluginAAX(const InstanceInfo&, const IPluginConfig& config, ETickStart tickStart)
  : IPluginAPIBase(config, kAPIAAX, tickStart)
  , IPluginProcessor(config)
  , AAX_CIPluginParameters()
{
  MarkChannelsConnected(kInput, 0, NChannels(kInput), true);
  MarkChannelsConnected(kOutput, 0, NChannels(kOutput), true);
  ChangeBlockSize(512);
  CreateLatencyDelay();
  mSideChainChannel = MaxChannelsOnBus(kInput, 0);
  // A parameter or host wrapper that Uninit takes away inside an editor handler may still be
  // in a call below it (the host uninitialising the instance inside a touch, set or release
  // request): it stays until the last handler leaves (OnLastHandlerLeaving).
  KeepUninitRemainsWhile([this] { return InHandler(); });
  mRequests.Reset(NParams());
  StartUITimer();
}

IPluginAAX::~IPluginAAX()
{
  // No timer tick may reach the derived parts while they go.
  StopUITimer();
  mBypassParameter.store(nullptr, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------------
// Identifiers

long IPluginAAX::ParseIDNumber(const char* id)
{
  if (!id)
    return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(id);
  while (std::isspace(*p))
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-')
    negative = (*p++ == '-');
  long value = 0;
  for (; std::isdigit(*p); ++p)
  {
    if (value > (LONG_MAX - 9) / 10)
    {
      value = LONG_MAX; // far outside any parameter list; stop before overflowing
      break;
    }
    value = value * 10 + (*p - '0');
  }
  return negative ? -value : value;
}

int IPluginAAX::ParamIndexForID(const char* id) const
{
  const long number = ParseIDNumber(id);
  if (number < 1 || number > NParams())
    return -1;
  return static_cast<int>(number - 1);
}

const char* IPluginAAX::ParamIDForIndex(int paramIdx) const
{
  const CharBuf* id = mParamIDs.Get(paramIdx);
  return id ? id->Get() : "";
}

// ---------------------------------------------------------------------------------------------
// Host initialisation

AAX_IParameter* IPluginAAX::MakeHostParameter(const IParam& param, const char* id) const
{
  const AAX_CString name(param.NameText());
  const bool automatable = param.CanAutomate();
  double lo = 0.0;
  double hi = 0.0;
  param.Bounds(lo, hi);

  switch (param.Kind())
  {
    case kKindInt:
    {
      auto* parameter = new AAX_CParameter<int>(
        id, name, TruncToInt(param.defaultValue), AAX_CLinearTaperDelegate<int, 1>(TruncToInt(lo), TruncToInt(hi)),
        AAX_CUnitDisplayDelegateDecorator<int>(AAX_CNumberDisplayDelegate<int, 0, 0>(), AAX_CString(param.LabelText())),
        automatable);
      parameter->SetNumberOfSteps(kContinuousSteps);
      parameter->SetType(AAX_eParameterType_Continuous);
      return parameter;
    }
    case kKindDouble:
    {
      auto* parameter = new AAX_CParameter<double>(
        id, name, param.defaultValue, AAX_CIPluginTaperDelegate<double>(&param),
        AAX_CUnitDisplayDelegateDecorator<double>(AAX_CNumberDisplayDelegate<double, 2, 0>(),
                                                  AAX_CString(param.LabelText())),
        automatable);
      parameter->SetNumberOfSteps(kContinuousSteps);
      parameter->SetType(AAX_eParameterType_Continuous);
      return parameter;
    }
    case kKindBool:
    case kKindEnum:
    {
      // The first text of a value wins.
      std::map<int, AAX_CString> texts;
      for (int i = 0; i < param.DisplayTextCount(); ++i)
      {
        double value = 0.0;
        const char* text = param.DisplayTextAt(i, &value);
        texts.emplace(TruncToInt(value), AAX_CString(text));
      }
      auto* parameter = new AAX_CParameter<int>(id, name, TruncToInt(param.defaultValue),
                                                AAX_CLinearTaperDelegate<int, 1>(TruncToInt(lo), TruncToInt(hi)),
                                                AAX_CStringDisplayDelegate<int>(texts), automatable);
      // A list without texts keeps the construction's step count instead of asserting on 0.
      if (param.DisplayTextCount() > 0)
        parameter->SetNumberOfSteps(static_cast<uint32_t>(param.DisplayTextCount()));
      parameter->SetType(AAX_eParameterType_Discrete);
      return parameter;
    }
    case kKindNone:
    default:
      return nullptr;
  }
}

AAX_Result IPluginAAX::InitEffect()
{
  try
  {
    mHostGone.store(false, std::memory_order_release);
    // What was never sent to the last host needs no request: this one is given every value.
    mRequests.DropUnsent();
    if (GetHost() == kHostUninit)
      IdentifyHost("ProTools", 0);

    // A second initialisation starts from an empty list, as the registry does. The list has
    // one entry per IParam before any identifier is made, so that each keeps its index
    // whatever fails later; an entry stays empty for a parameter whose identifier cannot be
    // made. A list that cannot be sized fails Init, as any other allocation failing here.
    mParamIDs.Clear(true);
    for (int i = 0; i < NParams(); ++i)
    {
      mParamIDs.Add(nullptr);
      if (mParamIDs.GetSize() != i + 1)
        throw std::bad_alloc();
    }

    auto bypass = std::make_unique<AAX_CParameter<bool>>(
      AAX_kMasterBypassID, AAX_CString(kBypassName), false, AAX_CBinaryTaperDelegate<bool>(),
      AAX_CBinaryDisplayDelegate<bool>(kBypassOffText, kBypassOnText), true);
    bypass->SetNumberOfSteps(2);
    bypass->SetType(AAX_eParameterType_Discrete);
    AAX_CParameter<bool>* bypassPtr = bypass.get();
    if (mParameterManager.AddParameter(bypassPtr))
    {
      bypass.release(); // the registry owns it now
      mBypassParameter.store(bypassPtr, std::memory_order_release);
      mBypassed.store(bypassPtr->GetValue(), std::memory_order_release);
    }

    for (int i = 0; i < NParams(); ++i)
    {
      // A parameter whose identifier cannot be made stays unpublished, as one the registry
      // refuses does: it never goes out under another identifier, nor under an empty one.
      std::unique_ptr<CharBuf> id(new (std::nothrow) CharBuf(kMaxIDLength + 1));
      if (!id)
        continue;
      id->Printf(kMaxIDLength, "%i", i + 1);
      if (id->GetLength() == 0)
        continue;
      const CharBuf* published = mParamIDs.Set(i, std::move(id));

      const IParam& param = *GetParam(i);
      std::unique_ptr<AAX_IParameter> parameter(MakeHostParameter(param, published->Get()));
      if (!parameter)
        continue;
      // The host starts from the value the instance holds, which need not be the default.
      parameter->UpdateNormalizedValue(param.GetNormalized());
      const double hostValue = parameter->GetNormalizedValue();
      if (mParameterManager.AddParameter(parameter.get()))
      {
        parameter.release();
        mRequests.Publish(i, hostValue);
      }
    }

    // A failed query leaves the sample rate the instance already had.
    if (AAX_IController* controller = GetController())
    {
      float sampleRate = 0.0f;
      if (controller->GetSampleRate(&sampleRate) == AAX_SUCCESS && std::isfinite(sampleRate) && sampleRate > 0.0f)
        SetSampleRate(static_cast<double>(sampleRate));
      // A latency set before the host was there (in the constructor) reaches it now.
      if (GetLatency() > 0)
        controller->SetSignalLatency(GetLatency());
    }
    OnResetProcessing();
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return AAX_SUCCESS;
}

void IPluginAAX::DeleteThis()
{
  if (MayDeleteNow())
    AAX_CIPluginParameters::DeleteThis();
}

void IPluginAAX::RunDeferredDeletion() { AAX_CIPluginParameters::DeleteThis(); }

AAX_Result IPluginAAX::Uninit()
{
  mHostGone.store(true, std::memory_order_release);
  // The host parameters go; the render path must not find the bypass after that.
  mBypassParameter.store(nullptr, std::memory_order_release);
  try
  {
    mRequests.DropUnsent();
  }
  catch (...)
  {
    // Unsent requests are dropped again at the next initialisation.
  }
  return AAX_CIPluginParameters::Uninit();
}

void IPluginAAX::OnLastHandlerLeaving() noexcept { FreeKeptUninitRemains(); }

// ---------------------------------------------------------------------------------------------
// Host automation

AAX_Result IPluginAAX::UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t)
{
  try
  {
    AAX_IParameter* parameter = id ? mParameterManager.FindParameter(id) : nullptr;
    if (!parameter)
      return AAX_ERROR_INVALID_PARAMETER_ID;
    if (!std::isfinite(normalized))
      return AAX_ERROR_INVALID_ARGUMENT;
    normalized = std::clamp(normalized, 0.0, 1.0);

    // The host parameter first (not the synchronised set: host updates of this binding reach
    // the IParam values directly).
    parameter->UpdateNormalizedValue(normalized);
    // The render path reads the bypass from here, never through the host parameter.
    if (const AAX_CParameter<bool>* bypass = GetBypassParameter(); bypass == parameter)
      mBypassed.store(bypass->GetValue(), std::memory_order_release);

    // An answer to the plug-in's own request, or an update of the value the parameter holds,
    // is no change: the plug-in has reacted to that value already, or chosen not to.
    const int paramIdx = ParamIndexForID(id);
    if (paramIdx >= 0)
      ApplyHostValue(paramIdx, mRequests.FromHost(paramIdx, *GetParam(paramIdx), normalized));

    // Every host update counts as a change, the bypass and repeated values included.
    const AAX_Result result = mPacketDispatcher.MarkDirty(id);
    BumpChangeCount();
    return result;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result IPluginAAX::QueueParameterState()
{
  TellHostWaitingValues();
  return AAX_CIPluginParameters::QueueParameterState();
}

AAX_Result IPluginAAX::OnHostTimerTick()
{
  SendWaitingRequests(true);
  try
  {
    mRequests.EndRound();
    // What the host left unanswered through a whole round it has refused.
    for (int paramIdx = 0; paramIdx < NParams(); ++paramIdx)
      if (IParam* param = GetParam(paramIdx))
        ApplyHostValue(paramIdx, mRequests.RefuseOverdue(paramIdx, *param));
  }
  catch (...)
  {
    // The round ends with the next tick, and what is overdue is refused then.
  }
  return AAX_CIPluginParameters::OnHostTimerTick();
}

void IPluginAAX::ApplyHostValue(int paramIdx, ParamRequests::EUpdate update)
{
  if (update != ParamRequests::EUpdate::kNewValue && update != ParamRequests::EUpdate::kRefused)
    return;
  // The editor shows the value the parameter took, read once here.
  const IParam* param = GetParam(paramIdx);
  SendParamValueFromProcessor(paramIdx, false, param->Value());
  if (update == ParamRequests::EUpdate::kRefused)
    HandleRefusedParamChange(paramIdx);
  else
    HandleParamChange(paramIdx, kHost, -1);
}

// ---------------------------------------------------------------------------------------------
// Values and gestures towards the host

void IPluginAAX::SetParamAndTellHost(int paramIdx, double value)
{
  IParam* param = GetParam(paramIdx);
  if (param && mRequests.Set(paramIdx, *param, value, true))
    TellHostWaitingValues();
}

void IPluginAAX::SetParamByPlugin(int paramIdx, double value)
{
  if (IParam* param = GetParam(paramIdx))
    mRequests.Set(paramIdx, *param, value, false);
}

void IPluginAAX::TellHostWaitingValues() { SendWaitingRequests(false); }

void IPluginAAX::SendWaitingRequests(bool settledOnly)
{
  try
  {
    // In index order, each parameter once: a host that answers with changes of its own (whose
    // reactions set more) cannot keep this going.
    int paramIdx = 0;
    double normalized = 0.0;
    while (!mHostGone.load(std::memory_order_acquire) && mRequests.TakeUnsent(paramIdx, normalized, settledOnly))
      HostSetParamNormalized(paramIdx++, normalized);
  }
  catch (...)
  {
    // What was not sent goes with the next pass.
  }
}

void IPluginAAX::HostBeginParamEdit(int paramIdx)
{
  if (!mHostGone.load(std::memory_order_acquire) && mParamIDs.Get(paramIdx))
    BeginParameterTouch(ParamIDForIndex(paramIdx));
}

void IPluginAAX::HostSetParamNormalized(int paramIdx, double normalizedValue)
{
  if (!mHostGone.load(std::memory_order_acquire) && mParamIDs.Get(paramIdx))
    SetParameterNormalized(ParamIDForIndex(paramIdx), normalizedValue);
}

void IPluginAAX::HostEndParamEdit(int paramIdx)
{
  if (!mHostGone.load(std::memory_order_acquire) && mParamIDs.Get(paramIdx))
    EndParameterTouch(ParamIDForIndex(paramIdx));
}

// ---------------------------------------------------------------------------------------------
// Processing frame

bool IPluginAAX::EmitMidiMsg(const IMidiMsg& msg)
{
  return mMidiOut.Insert(msg);
}

} // namespace plug
