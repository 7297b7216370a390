// Event dispatch of the graphics context: hit testing with mouse capture per touch, pointer,
// wheel, key, drop and gesture events, prompts and menus, the computer-keyboard MIDI handler.

#include "graphics/IGraphics.h"

#include "graphics/IControls.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "plug/IGEditorDelegate.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// Hit testing and capture

IControl* IGraphics::GetMouseControl(float x, float y, bool capture, bool mouseOver, ITouchID touchID)
{
  auto captured = mCapturedMap.find(touchID);
  if (captured != mCapturedMap.end())
    return captured->second;

  IControl* pControl = nullptr;
  int idx = -1;
  if (mPopupControl && mPopupControl->GetState() == IPopupMenuControl::kExpanded)
    pControl = mPopupControl;
  else if (mTextEntryControl && mTextEntryControl->EditInProgress())
    pControl = mTextEntryControl;
  else if (mCornerResizer && mCornerResizer->GetRECT().Contains(x, y))
    pControl = mCornerResizer;
  else if (mPerfDisplay && mPerfDisplay->GetRECT().Contains(x, y))
    pControl = mPerfDisplay;
  else
  {
    idx = GetMouseControlIdx(x, y, mouseOver);
    pControl = idx >= 0 ? GetControl(idx) : nullptr;
  }

  if (capture && pControl)
  {
    if (mEnableMultiTouch && !pControl->GetWantsMultiTouch())
    {
      for (const auto& entry : mCapturedMap)
        if (entry.second == pControl)
          return nullptr; // already held by another touch
    }
    mCapturedMap.emplace(touchID, pControl);
  }

  if (mouseOver)
    mMouseOverIdx = idx;

  return pControl;
}

int IGraphics::GetMouseControlIdx(float x, float y, bool mouseOver)
{
  if (mouseOver && !mEnableMouseOver)
    return -1;
  // The background (index 0) never becomes the mouse-over control.
  const int lowest = mouseOver ? 1 : 0;
  for (int i = NControls() - 1; i >= lowest; --i)
  {
    const IControl* pControl = GetControl(i);
    if (pControl->IsHidden() || pControl->GetIgnoreMouse())
      continue;
    if (pControl->IsDisabled() &&
        !(mouseOver ? pControl->GetMouseOverWhenDisabled() : pControl->GetMouseEventsWhenDisabled()))
      continue;
    if (pControl->IsHit(x, y))
      return i;
  }
  return -1;
}

void IGraphics::ReleaseMouseCapture()
{
  mCapturedMap.clear();
  if (mCursorHidden)
    HideMouseCursor(false, true);
}

bool IGraphics::IsControlCaptured(const IControl* pControl) const
{
  for (const auto& entry : mCapturedMap)
    if (entry.second == pControl)
      return true;
  return false;
}

IControl* IGraphics::GetCapturedControl(ITouchID touchID) const
{
  auto it = mCapturedMap.find(touchID);
  return it != mCapturedMap.end() ? it->second : nullptr;
}

// ---------------------------------------------------------------------------------------
// Keys

bool IGraphics::OnKeyDown(float x, float y, const IKeyPress& key)
{
  IControl* pControl = GetMouseControl(x, y, false);
  // Over the background the key handler decides.
  if (pControl && pControl != GetControl(0) && pControl->OnKeyDown(x, y, key))
    return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, false) : false;
}

bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key)
{
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl && pControl != GetControl(0) && pControl->OnKeyUp(x, y, key))
    return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, true) : false;
}

void IGraphics::SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg&)>)
{
  ThrowUnavailable("IGraphics::SetQwertyMidiKeyHandlerFunc");
}

// ---------------------------------------------------------------------------------------
// Pointer events

void IGraphics::OnMouseDown(const std::vector<IMouseInfo>&)
{
  ThrowUnavailable("IGraphics::OnMouseDown");
}

void IGraphics::OnMouseUp(const std::vector<IMouseInfo>&)
{
  ThrowUnavailable("IGraphics::OnMouseUp");
}

void IGraphics::OnMouseDrag(const std::vector<IMouseInfo>&)
{
  ThrowUnavailable("IGraphics::OnMouseDrag");
}

void IGraphics::OnTouchCancelled(const std::vector<IMouseInfo>&)
{
  ThrowUnavailable("IGraphics::OnTouchCancelled");
}

bool IGraphics::OnMouseDblClick(float, float, const IMouseMod&)
{
  ThrowUnavailable("IGraphics::OnMouseDblClick");
}

bool IGraphics::OnMouseOver(float, float, const IMouseMod&)
{
  ThrowUnavailable("IGraphics::OnMouseOver");
}

void IGraphics::OnMouseOut()
{
  ThrowUnavailable("IGraphics::OnMouseOut");
}

bool IGraphics::OnMouseWheel(float, float, const IMouseMod&, float)
{
  ThrowUnavailable("IGraphics::OnMouseWheel");
}

void IGraphics::OnDrop(const char*, float, float)
{
  ThrowUnavailable("IGraphics::OnDrop");
}

void IGraphics::OnDropMultiple(const std::vector<const char*>&, float, float)
{
  ThrowUnavailable("IGraphics::OnDropMultiple");
}

void IGraphics::OnAppearanceChanged(EUIAppearance appearance)
{
  if (mAppearanceChangedFunc)
    mAppearanceChangedFunc(appearance);
}

// ---------------------------------------------------------------------------------------
// Prompts and menus

void IGraphics::CreatePopupMenu(IControl&, IPopupMenu&, const IRECT&, int)
{
  ThrowUnavailable("IGraphics::CreatePopupMenu");
}

void IGraphics::OpenPopupMenu(IControl&, IPopupMenu&, const IRECT&, int, bool)
{
  ThrowUnavailable("IGraphics::OpenPopupMenu");
}

void IGraphics::CreateTextEntry(IControl&, const IText&, const IRECT&, const char*, int)
{
  ThrowUnavailable("IGraphics::CreateTextEntry");
}

void IGraphics::PromptUserInput(IControl&, const IRECT&, int)
{
  ThrowUnavailable("IGraphics::PromptUserInput");
}

void IGraphics::ShowContextMenuForControl(IControl*, float, float)
{
  ThrowUnavailable("IGraphics::ShowContextMenuForControl");
}

void IGraphics::ShowContextMenuForControl(int, float, float)
{
  ThrowUnavailable("IGraphics::ShowContextMenuForControl");
}

// ---------------------------------------------------------------------------------------
// Gestures and host automation

void IGraphics::AddGestureRecognizer(EGestureType type)
{
  if (std::find(mRegisteredGestures.begin(), mRegisteredGestures.end(), type) == mRegisteredGestures.end())
    mRegisteredGestures.push_back(type);
}

void IGraphics::AttachGestureRecognizer(const IRECT&, EGestureType, IGestureFunction)
{
  ThrowUnavailable("IGraphics::AttachGestureRecognizer");
}

void IGraphics::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

bool IGraphics::RespondsToGesture(float, float)
{
  ThrowUnavailable("IGraphics::RespondsToGesture");
}

void IGraphics::OnGestureRecognized(const IGestureInfo&)
{
  ThrowUnavailable("IGraphics::OnGestureRecognized");
}

int IGraphics::GetParamIdxForHostAutomation(float, float)
{
  ThrowUnavailable("IGraphics::GetParamIdxForHostAutomation");
}

} // namespace igraphics
} // namespace plug
