#include "plug/IEditorDelegate.h"

#include "plug/MainThread.h"

#include <algorithm>

namespace plug {

IEditorDelegate::IEditorDelegate(int nParams)
{
  for (int i = 0; i < nParams; ++i)
    if (!mParams.Add(std::make_unique<IParam>()))
      break; // the list could not grow: fewer parameters
}

IEditorDelegate::~IEditorDelegate() = default;

void IEditorDelegate::SetSizeConstraints(int widthA, int widthB, int heightA, int heightB)
{
  mMinWidth = std::min(widthA, widthB);
  mMaxWidth = std::max(widthA, widthB);
  mMinHeight = std::min(heightA, heightB);
  mMaxHeight = std::max(heightA, heightB);
}

void* IEditorDelegate::OpenEditorWindow(void* /*pParent*/)
{
  SendAllParamsToUI();
  return nullptr;
}

void IEditorDelegate::CloseEditorWindow()
{
  OnEditorClosing();
}

void IEditorDelegate::ResizeFromParent(int, int) {}

double IEditorDelegate::NormalizedForUI(const IParam& param, double v)
{
  return param.NormalizedClamped(param.Constrain(v));
}

void IEditorDelegate::SendAllParamsToUI()
{
  for (int i = 0; i < NParams(); ++i)
  {
    const IParam* param = GetParam(i);
    SendParamValueToUI(i, NormalizedForUI(*param, param->Value()), true);
  }
}

void IEditorDelegate::OnEditorClosing() {}

void IEditorDelegate::HandleParamChange(int paramIdx, EParamChangeSource, int)
{
  HandleParamChangeByIndex(paramIdx);
}

void IEditorDelegate::HandleParamChangeByIndex(int) {}

void IEditorDelegate::HandleRefusedParamChange(int paramIdx) { HandleParamChange(paramIdx, kHost, -1); }

void IEditorDelegate::OnParamChangeUI(int, EParamChangeSource) {}

void IEditorDelegate::NotifyAllParamsChanged(EParamChangeSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    HandleParamChange(i, source, -1);
    OnParamChangeUI(i, source);
  }
}

void IEditorDelegate::HandleMidiMsgInUI(const IMidiMsg&) {}
void IEditorDelegate::HandleSysExMsgInUI(const ISysExMsg&) {}
bool IEditorDelegate::HandleMessage(int, int, int, const void*) { return false; }

void IEditorDelegate::RefreshAllParamsInUI()
{
  SendAllParamsToUI();
}

void IEditorDelegate::RefreshAllParamsInUIFromAnyThread()
{
  if (IsMainThread())
    RefreshAllParamsInUI();
  else
    mUIRefreshRequested.store(true, std::memory_order_release);
}

bool IEditorDelegate::KeyDownAtMouse(const IKeyPress&) { return false; }
bool IEditorDelegate::KeyUpAtMouse(const IKeyPress&) { return false; }

void IEditorDelegate::SendControlValueToUI(int, double) {}

void IEditorDelegate::SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  HandleMessage(msgTag, ctrlTag, dataSize, pData);
}

void IEditorDelegate::SendMessageFromUI(int msgTag, int dataSize, const void* pData)
{
  HandleMessage(msgTag, -1, dataSize, pData);
}

void IEditorDelegate::SendMidiMsgToUI(const IMidiMsg& msg)
{
  HandleMidiMsgInUI(msg);
}

void IEditorDelegate::SendSysExMsgToUI(const ISysExMsg& msg)
{
  HandleSysExMsgInUI(msg);
}

void IEditorDelegate::SendParamValueToUI(int paramIdx, double, bool)
{
  OnParamChangeUI(paramIdx, kDelegate);
}

void IEditorDelegate::PushAllParamValuesToHost() {}

void IEditorDelegate::SetParamValueFromUI(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  param->SetNormalized(normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

bool IEditorDelegate::RequestEditorResize(int, int, bool) { return false; }
void IEditorDelegate::PassMidiMsgFromUI(const IMidiMsg&) {}
void IEditorDelegate::PassSysExMsgFromUI(const ISysExMsg&) {}
void IEditorDelegate::SendControlMsgFromUI(int, int, int, const void*) {}
void IEditorDelegate::QueueMidiMsgFromUI(const IMidiMsg&) {}
void IEditorDelegate::QueueSysExMsgFromUI(const ISysExMsg&) {}

bool IEditorDelegate::ConstrainEditorSize(int& w, int& h) const
{
  if (w >= mMinWidth && w <= mMaxWidth && h >= mMinHeight && h <= mMaxHeight)
    return true;
  w = std::clamp(w, mMinWidth, mMaxWidth);
  h = std::clamp(h, mMinHeight, mMaxHeight);
  return false;
}

bool IEditorDelegate::SaveEditorSize(IStateChunk&) const { return true; }
int IEditorDelegate::LoadEditorSize(const IStateChunk&, int startPos) { return startPos; }
void IEditorDelegate::SetEditorScreenScale(float) {}

} // namespace plug
