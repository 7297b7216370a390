// Event dispatch of the graphics context: hit testing with mouse capture per touch, pointer,
// wheel, key, drop and gesture events, prompts and menus, the computer-keyboard MIDI handler.

#include "graphics/IGraphics.h"

#include <cstdio>

#include "graphics/IControls.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "aax/interfaces/AAX_IViewContainer.h"
#include "plug/IGEditorDelegate.h"
#include "plug/IParam.h"

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
  if (mPopupControl && mPopupControl->GetExpanded())
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
  if (!mCapturedMap.empty())
  {
    std::vector<IControl*> released;
    for (const auto& entry : mCapturedMap)
      released.push_back(entry.second);
    mCapturedMap.clear();
    for (IControl* pControl : released)
      if (pControl != mInPopupMenu) // its menu's result ends its gestures
        EndGesturesFor(pControl);
  }
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
  return DispatchKey(x, y, key, false);
}

bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key)
{
  return DispatchKey(x, y, key, true);
}

bool IGraphics::DispatchKey(float x, float y, const IKeyPress& key, bool isUp)
{
  IControl* pControl = ControlAt(x, y);
  // Over the background the key handler decides.
  if (pControl && pControl != GetControl(0))
  {
    bool handled = false;
    // A control that goes inside its handler still answers for the key; a closed editor ends it.
    ControlAfter(pControl, [&](IControl& c) { handled = isUp ? c.OnKeyUp(x, y, key) : c.OnKeyDown(x, y, key); });
    if (handled || IsClosed())
      return true;
  }
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, isUp) : false;
}

namespace {
// The computer keyboard's state, shared by every editor of the process: the note of the 'A'
// key and which notes are held.
int sQwertyBaseNote = 48;
bool sQwertyNoteDown[128] = {};

// Semitones above the base note of the keys that play, -1 for the others.
int QwertySemitone(int vk)
{
  switch (vk)
  {
    case 'A': return 0;
    case 'W': return 1;
    case 'S': return 2;
    case 'E': return 3;
    case 'D': return 4;
    case 'F': return 5;
    case 'T': return 6;
    case 'G': return 7;
    case 'Y': return 8;
    case 'H': return 9;
    case 'U': return 10;
    case 'J': return 11;
    case 'K': return 12;
    case 'O': return 13;
    case 'L': return 14;
    default: return -1;
  }
}
} // namespace

void IGraphics::SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg&)> func)
{
  IGEditorDelegate* dlg = mDelegate;
  mKeyHandlerFunc = [dlg, func](const IKeyPress& key, bool isUp) {
    auto send = [dlg, &func](const IMidiMsg& msg) {
      dlg->PassMidiMsgFromUI(msg);
      if (func)
        func(msg);
    };

    if (key.VK == 'Z' || key.VK == 'X')
    {
      if (!isUp)
      {
        sQwertyBaseNote = std::clamp(sQwertyBaseNote + (key.VK == 'Z' ? -12 : 12), 24, 96);
        // Held notes stop; they are no longer held, so their key-up sends nothing more.
        for (int note = 0; note < 128; ++note)
        {
          if (sQwertyNoteDown[note])
          {
            sQwertyNoteDown[note] = false;
            send(IMidiMsg(0, 128, static_cast<uint8_t>(note), 0));
          }
        }
      }
      return true;
    }

    const int semitone = QwertySemitone(key.VK);
    if (semitone < 0)
      return true; // every key belongs to the keyboard while it plays
    const int note = sQwertyBaseNote + semitone;
    if (note < 0 || note > 127)
      return true;
    if (!isUp)
    {
      if (sQwertyNoteDown[note])
        return true;
      sQwertyNoteDown[note] = true;
      send(IMidiMsg(0, 144, static_cast<uint8_t>(note), 127));
    }
    else
    {
      if (!sQwertyNoteDown[note])
        return true;
      sQwertyNoteDown[note] = false;
      send(IMidiMsg(0, 128, static_cast<uint8_t>(note), 0));
    }
    return true;
  };
}

// ---------------------------------------------------------------------------------------
// Pointer events

void IGraphics::OnMouseDown(const std::vector<IMouseInfo>& points)
{
  if (points.size() == 1)
  {
    mMouseDownX = points[0].x;
    mMouseDownY = points[0].y;
  }

  for (const IMouseInfo& point : points)
  {
    IControl* pControl = GetMouseControl(point.x, point.y, true, false, point.ms.touchID);
    if (!pControl)
      continue;

    const int valIdx = pControl->GetValIdxForPos(point.x, point.y);
    const int paramIdx = pControl->GetParamIdx(std::max(valIdx, 0));

    // A parameter click goes to the host first; 0 means the host took it.
    if (mViewContainer && paramIdx >= 0)
    {
      char id[32];
      std::snprintf(id, sizeof(id), "%i", paramIdx + 1);
      uint32_t mask = 0;
      if (point.ms.A)
        mask |= 4;
      if (point.ms.C)
        mask |= 2;
      if (point.ms.S)
        mask |= 1;
      if (point.ms.R)
        mask |= 8 | 16;
      bool hostTookIt = false;
      IControl* pOffered =
        ControlAfter(pControl, [&](IControl&) { hostTookIt = mViewContainer->HandleParameterMouseDown(id, mask) == 0; });
      if (IsClosed())
        return;
      if (hostTookIt)
      {
        ReleaseMouseCapture();
        return;
      }
      // The host's handler removed the control: this point is done.
      if (!pOffered)
        continue;
      pControl = pOffered;
    }

    // A right click on a parameter control offers its context menu, and nothing else.
    if (point.ms.R && paramIdx >= 0)
    {
      ReleaseMouseCapture();
      ShowContextMenuForControl(pControl, point.x, point.y);
      return;
    }

    BeginGesturesFor(pControl);
    // A control that goes inside its handler takes its capture and gestures with it; the next
    // point goes on.
    ControlAfter(pControl, [&](IControl& c) { c.OnMouseDown(point.x, point.y, point.ms); });
    if (IsClosed())
      return;
  }
}

void IGraphics::OnMouseUp(const std::vector<IMouseInfo>& points)
{
  for (const IMouseInfo& point : points)
    if (!EndTouch(point, false) && IsClosed())
      return;

  if (mResizingInProcess)
    EndDragResize();

  if (points.size() == 1 && points[0].ms.touchID == 0)
    OnMouseOver(points[0].x, points[0].y, points[0].ms);
}

void IGraphics::OnMouseDrag(const std::vector<IMouseInfo>& points)
{
  if (mResizingInProcess && points.size() == 1)
  {
    OnDragResize(points[0].x, points[0].y);
    return;
  }
  if (mCapturedMap.empty())
    return;

  for (const IMouseInfo& point : points)
  {
    IControl* pControl = GetCapturedControl(point.ms.touchID);
    if (!pControl)
      continue;
    // While a text is edited only the in-editor entry takes drags.
    if (mInTextEntry && pControl != mTextEntryControl)
      continue;
    if (point.dX == 0.f && point.dY == 0.f)
      continue;
    ControlAfter(pControl, [&](IControl& c) { c.OnMouseDrag(point.x, point.y, point.dX, point.dY, point.ms); });
    if (IsClosed())
      return;
  }
}

void IGraphics::OnTouchCancelled(const std::vector<IMouseInfo>& points)
{
  for (const IMouseInfo& point : points)
    if (!EndTouch(point, true) && IsClosed())
      return;
}

bool IGraphics::EndTouch(const IMouseInfo& point, bool cancelled)
{
  IControl* pControl = GetCapturedControl(point.ms.touchID);
  if (!pControl)
    return true;
  pControl = ControlAfter(pControl, [&](IControl& c) {
    if (cancelled)
      c.OnTouchCancelled(point.x, point.y, point.ms);
    else
      c.OnMouseUp(point.x, point.y, point.ms);
  });
  // The touch ends whatever became of its control (a control that went took its gestures with
  // it); the context itself stays until the outermost call into it has returned.
  mCapturedMap.erase(point.ms.touchID);
  if (pControl && !IsControlCaptured(pControl))
    EndGesturesFor(pControl);
  return pControl != nullptr;
}

bool IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  IControl* pControl = GetMouseControl(x, y, true, false, 0);
  if (!pControl)
    return false;
  if (pControl->GetDblAsSingleClick())
  {
    OnMouseDown({IMouseInfo(x, y, mod)});
    return true;
  }
  ControlAfter(pControl, [&](IControl& c) { c.OnMouseDblClick(x, y, mod); });
  if (IsClosed())
    return true;
  ReleaseMouseCapture();
  return true;
}

bool IGraphics::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  IControl* pControl = GetMouseControl(x, y, false, true);
  if (pControl != mMouseOver)
  {
    // The control left may remove the one entered, or close the editor.
    IControl* pLeft = mMouseOver;
    if (pLeft && pControl)
      pControl = ControlAfter(pControl, [pLeft](IControl&) { pLeft->OnMouseOut(); });
    else if (pLeft)
      pLeft->OnMouseOut();
    mMouseOver = pControl;
  }
  if (pControl)
    pControl->OnMouseOver(x, y, mod);
  return pControl != nullptr;
}

void IGraphics::OnMouseOut()
{
  // Keep the cursor that was showing, for the platform to restore when the pointer returns.
  mCursor = SetMouseCursor(ECursor::ARROW);
  ForAllControls(&IControl::OnMouseOut);
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
}

bool IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  IControl* pControl = ControlAt(x, y);
  if (pControl)
    pControl->OnMouseWheel(x, y, mod, delta);
  return pControl != nullptr;
}

void IGraphics::OnDrop(const char* str, float x, float y)
{
  if (IControl* pControl = ControlAt(x, y))
    pControl->OnDrop(str);
}

void IGraphics::OnDropMultiple(const std::vector<const char*>& paths, float x, float y)
{
  if (IControl* pControl = ControlAt(x, y))
    pControl->OnDropMultiple(paths);
}

void IGraphics::OnAppearanceChanged(EUIAppearance appearance)
{
  if (mAppearanceChangedFunc)
    mAppearanceChangedFunc(appearance);
}

// ---------------------------------------------------------------------------------------
// Prompts and menus

void IGraphics::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx)
{
  OpenPopupMenu(control, menu, bounds, valIdx, false);
}

void IGraphics::OpenPopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext)
{
  // The in-editor menu shows one menu at a time: a request while it is busy is answered at
  // once with nothing chosen, and the menu showing keeps its control.
  if (mPopupControl && mPopupControl->GetState() != IPopupMenuControl::kIdle)
  {
    ReleaseMouseCapture();
    HandOverPopupResult(&control, nullptr, &menu, valIdx, isContext, true);
    return;
  }

  mInPopupMenu = &control;
  mShownMenu = &menu;
  mPopupMenuValIdx = valIdx;
  mIsContextMenu = isContext;
  mMenuInEditor = mPopupControl != nullptr;
  ReleaseMouseCapture();

  if (mPopupControl)
  {
    mPopupControl->CreatePopupMenu(menu, bounds);
    return;
  }
  bool isAsync = false;
  IPopupMenu* pResult = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (!isAsync)
    SetControlValueAfterPopupMenu(pResult);
}

void IGraphics::CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str,
                                int valIdx)
{
  // The platform's field takes one entry at a time and ignores another while it is open;
  // taking the new control here would send the open field's text to it.
  if (!mTextEntryControl && mInTextEntry && mInTextEntry != &control)
    return;
  mInTextEntry = &control;
  mTextEntryValIdx = valIdx;
  const int paramIdx = valIdx >= 0 ? control.GetParamIdx(valIdx) : -1;
  if (mTextEntryControl)
    mTextEntryControl->CreateTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  else
    CreatePlatformTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  control.SetDirty(false);
}

void IGraphics::PromptUserInput(IControl& control, const IRECT& bounds, int valIdx)
{
  const IParam* param = control.GetParam(valIdx);
  if (!param)
    return;

  CharBuf current(128);
  if (param->Kind() == kKindEnum || (param->Kind() == kKindBool && param->DisplayTextCount() > 0))
  {
    param->FormatValue(param->Value(), false, current, true);
    ClearPromptMenu();
    for (int i = 0; i < param->DisplayTextCount(); ++i)
    {
      const char* text = param->DisplayTextAt(i);
      IPopupMenu::Item* item = mPromptPopupMenu.AddItem(text);
      if (item && std::strcmp(text, current.Get()) == 0)
        item->SetChecked(true);
    }
    mPromptPopupMenu.SetRootTitle(param->NameText());
    OpenPopupMenu(control, mPromptPopupMenu, bounds, valIdx, false);
    return;
  }

  param->FormatValue(param->Value(), false, current, false);
  if (control.GetPromptShowsParamLabel() && param->unitLabel[0])
  {
    current.Append(" ");
    current.Append(param->unitLabel);
  }
  CreateTextEntry(control, control.GetText(), bounds, current.Get(), valIdx);
}

void IGraphics::ShowContextMenuForControl(IControl* pControl, float x, float y)
{
  ClearPromptMenu();
  if (!pControl)
    return;
  pControl->CreateContextMenu(mPromptPopupMenu);
  if (mPromptPopupMenu.NItems() > 0)
    OpenPopupMenu(*pControl, mPromptPopupMenu, IRECT(x, y, x, y), -1, true);
}

void IGraphics::ShowContextMenuForControl(int controlIdx, float x, float y)
{
  ShowContextMenuForControl(GetControl(controlIdx), x, y);
}

// ---------------------------------------------------------------------------------------
// Gestures and host automation

void IGraphics::AddGestureRecognizer(EGestureType type)
{
  if (std::find(mRegisteredGestures.begin(), mRegisteredGestures.end(), type) == mRegisteredGestures.end())
    mRegisteredGestures.push_back(type);
}

void IGraphics::AttachGestureRecognizer(const IRECT& r, EGestureType type, IGestureFunction func)
{
  mGestureRegions.Add(r);
  AddGestureRecognizer(type);
  mGestureRegionFuncs[mGestureRegions.Size() - 1] = std::move(func);
}

void IGraphics::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

bool IGraphics::RespondsToGesture(float x, float y)
{
  IControl* pControl = ControlAt(x, y);
  if (pControl && pControl->GetWantsGestures())
    return true;
  for (int i = 0; i < mGestureRegions.Size(); ++i)
    if (mGestureRegions.Get(i).Contains(x, y))
      return true;
  return false;
}

void IGraphics::OnGestureRecognized(const IGestureInfo& info)
{
  IControl* pControl = ControlAt(info.x, info.y);
  if (pControl && pControl->GetWantsGestures())
  {
    pControl->OnGesture(info);
    return;
  }
  for (int i = 0; i < mGestureRegions.Size(); ++i)
  {
    if (mGestureRegions.Get(i).Contains(info.x, info.y))
    {
      // A region without a function is the caller's error: std::bad_function_call.
      IGestureFunction func = mGestureRegionFuncs[i];
      func(nullptr, info);
      return;
    }
  }
}

int IGraphics::GetParamIdxForHostAutomation(float x, float y)
{
  IControl* pControl = ControlAt(x, y);
  mLastClickedParam = pControl ? pControl->GetParamIdx(0) : -1;
  return mLastClickedParam;
}

} // namespace igraphics
} // namespace plug
