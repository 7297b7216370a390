#include "plug/IGEditorDelegate.h"

#include "graphics/EditorEntry.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "plug/MainThread.h"

#include <algorithm>
#include <cassert>

namespace plug {
namespace igraphics {

IGEditorDelegate::IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

IGEditorDelegate::~IGEditorDelegate()
{
  // Never under a handler of its own context: the binding defers the deletion of the plug-in
  // until the outermost handler returned (see HandlerEntered).
  assert(!mGraphics || !mGraphics->InDispatch());
  delete mGraphics;
  mGraphics = nullptr;
  for (IGraphics* closed : mClosedUIs)
  {
    assert(!closed->InDispatch());
    delete closed;
  }
  mClosedUIs.clear();
  mLayoutFunc = nullptr;
  mMakeGraphicsFunc = nullptr;
}

bool IGEditorDelegate::HandlerLeft()
{
  // Once the deletion runs the word is kDeleting plus what scopes its destructors open: never
  // a count of one.
  if (mHandlers.load(std::memory_order_acquire) >> 1 == 1)
    OnLastHandlerLeaving();
  return mHandlers.fetch_sub(2, std::memory_order_acq_rel) == 3 && Deleting();
}

void* IGEditorDelegate::OpenEditorWindow(void* pParent)
{
  // Called by the host binding: a failing editor must not take the host down with it.
  try
  {
    if (!mGraphics)
    {
      mGraphics = BuildGraphics();
      if (mGraphics && mKeptWidth != 0 && mKeptHeight != 0 && mKeptScale != 0.f)
        mGraphics->Resize(mKeptWidth, mKeptHeight, mKeptScale, true);
    }
  }
  catch (...)
  {
    delete mGraphics;
    mGraphics = nullptr;
  }

  if (!mGraphics)
    return nullptr;

  try
  {
    return mGraphics->OpenWindow(pParent);
  }
  catch (...)
  {
    IGraphics* graphics = mGraphics;
    mGraphics = nullptr;
    delete graphics;
    return nullptr;
  }
}

void IGEditorDelegate::CloseEditorWindow()
{
  if (mClosing)
    return;
  mClosing = true;

  // Called by the host binding: whatever the product's hook or the window throws, the
  // context still goes and the editor can open again.
  try
  {
    OnEditorClosing();
  }
  catch (...)
  {
  }

  if (mGraphics)
  {
    mKeptWidth = mGraphics->Width();
    mKeptHeight = mGraphics->Height();
    mKeptScale = mGraphics->GetDrawScale();
    IGraphics* graphics = mGraphics;
    graphics->MarkClosed();
    try
    {
      graphics->CloseWindow();
    }
    catch (...)
    {
    }
    mGraphics = nullptr;
    if (graphics->InDispatch())
      mClosedUIs.push_back(graphics);
    else
      delete graphics;
  }

  mClosing = false;
}

void IGEditorDelegate::DeleteClosedUI(IGraphics* pGraphics)
{
  auto it = std::find(mClosedUIs.begin(), mClosedUIs.end(), pGraphics);
  if (it == mClosedUIs.end())
    return;
  mClosedUIs.erase(it);
  pGraphics->RemoveAllControls();
  delete pGraphics;
}

void IGEditorDelegate::ResizeFromParent(int w, int h)
{
  if (!mGraphics)
    return;
  const float windowScale = mGraphics->GetPlatformWindowScale();
  if (!(windowScale > 0.f)) // a zero, negative or NaN scale would give nonsense sizes
    return;
  mGraphics->Resize(static_cast<int>(w / windowScale), static_cast<int>(h / windowScale), 1.f, false);
}

bool IGEditorDelegate::KeyDownAtMouse(const IKeyPress& key)
{
  return EditorEntry::Enter(false, mGraphics, [&](IGraphics& g) {
    float x = 0.f, y = 0.f;
    g.GetMouseLocation(x, y);
    return g.OnKeyDown(x, y, key);
  });
}

bool IGEditorDelegate::KeyUpAtMouse(const IKeyPress& key)
{
  return EditorEntry::Enter(false, mGraphics, [&](IGraphics& g) {
    float x = 0.f, y = 0.f;
    g.GetMouseLocation(x, y);
    return g.OnKeyUp(x, y, key);
  });
}

void IGEditorDelegate::SendControlValueToUI(int ctrlTag, double normalizedValue)
{
  if (!mGraphics)
    return;
  if (IControl* pControl = mGraphics->GetControlWithTag(ctrlTag))
    pControl->SetValueFromDelegate(normalizedValue, 0);
}

void IGEditorDelegate::SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  if (!mGraphics)
    return;
  if (IControl* pControl = mGraphics->GetControlWithTag(ctrlTag))
    pControl->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void IGEditorDelegate::SendMidiMsgToUI(const IMidiMsg& msg)
{
  if (mGraphics)
  {
    mGraphics->ForAllControlsFunc([&msg](IControl* pControl) {
      if (pControl->GetWantsMidi())
        pControl->OnMidi(msg);
    });
  }
  HandleMidiMsgInUI(msg);
}

void IGEditorDelegate::SendParamValueToUI(int paramIdx, double value, bool normalized)
{
  if (mGraphics)
  {
    // Only the main thread touches the editor (see RefreshAllParamsInUIFromAnyThread).
    assert(IsMainThread());
    const IParam* param = GetParam(paramIdx);
    if (!normalized && param)
      value = NormalizedForUI(*param, value);
    if (normalized || param)
    {
      // Every control in list order, and every value of it bound to the parameter.
      mGraphics->ForStandardControlsFunc([paramIdx, value](IControl* pControl) {
        for (int j = 0; j < pControl->NVals(); ++j)
          if (pControl->GetParamIdx(j) == paramIdx)
            pControl->SetValueFromDelegate(value, j);
      });
    }
  }
  OnParamChangeUI(paramIdx, kDelegate);
}

bool IGEditorDelegate::SaveEditorSize(IStateChunk& chunk) const
{
  int32_t w = mKeptWidth, h = mKeptHeight;
  float scale = mKeptScale;
  if (mGraphics)
  {
    w = mGraphics->Width();
    h = mGraphics->Height();
    scale = mGraphics->GetDrawScale();
  }
  const bool ok = chunk.Put(w) && chunk.Put(h) && chunk.Put(scale);
  return ok;
}

int IGEditorDelegate::LoadEditorSize(const IStateChunk& chunk, int startPos)
{
  if (startPos < 0)
    return startPos;

  int32_t w = 0, h = 0;
  float scale = 0.f;
  const bool whole = chunk.HasBytes(startPos, 12);
  if (startPos <= INT32_MAX - 12) // missing values read as 0
  {
    chunk.Get(&w, startPos);
    chunk.Get(&h, startPos + 4);
    chunk.Get(&scale, startPos + 8);
  }

  // The record comes from saved data: keep the size inside the editor's limits and
  // accept only a scale an editor can draw at (anything else counts as "no scale").
  if (w != 0 && h != 0)
    ConstrainEditorSize(w, h);
  if (!(scale >= kMinDrawScale && scale <= kMaxDrawScale))
    scale = 0.f;

  if (!mGraphics)
  {
    mKeptWidth = w;
    mKeptHeight = h;
    mKeptScale = scale;
  }
  else if (w != 0 && h != 0 && scale != 0.f)
  {
    mGraphics->Resize(w, h, scale, true);
  }

  return whole ? startPos + 12 : -1;
}

void IGEditorDelegate::SetEditorScreenScale(float scale)
{
  if (mGraphics)
    mGraphics->SetScreenScale(scale);
}

IGraphics* IGEditorDelegate::BuildGraphics()
{
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void IGEditorDelegate::ArrangeUI(IGraphics* pGraphics)
{
  if (mLayoutFunc)
    mLayoutFunc(pGraphics);
}

} // namespace igraphics
} // namespace plug
