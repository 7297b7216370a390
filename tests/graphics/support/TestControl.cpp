#include "TestControl.h"

#include <cstdio>

namespace testgraphics {

namespace {
std::string Pos(float x, float y)
{
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%g %g", static_cast<double>(x), static_cast<double>(y));
  return buf;
}
} // namespace

void TestControl::Note(const std::string& s)
{
  mEvents.push_back(s);
  if (mJournal)
    mJournal->push_back(mName.empty() ? s : mName + " " + s);
  if (mOnEvent)
    mOnEvent(s);
}

void TestControl::Draw(IGraphics& g)
{
  ++mDrawCount;
  g.FillRect(mColor, mRECT, &mBlend);
  if (mOnEvent)
    mOnEvent("draw");
}

void TestControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  Note("down " + Pos(x, y) + (mod.R ? " right" : ""));
  IControl::OnMouseDown(x, y, mod);
}

void TestControl::OnMouseUp(float x, float y, const IMouseMod&)
{
  Note("up " + Pos(x, y));
}

void TestControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod&)
{
  Note("drag " + Pos(x, y) + " " + Pos(dX, dY));
  if (mDragGain != 0.0)
  {
    // Like a vertical slider: up raises the value.
    SetValue(GetValue() - dY * mDragGain);
    SetDirty(true);
  }
}

void TestControl::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  Note("dblclick " + Pos(x, y));
  IControl::OnMouseDblClick(x, y, mod);
}

void TestControl::OnMouseWheel(float x, float y, const IMouseMod&, float delta)
{
  Note("wheel " + Pos(x, y) + " " + Pos(delta, 0.f));
}

bool TestControl::OnKeyDown(float x, float y, const IKeyPress& key)
{
  Note("keydown " + Pos(x, y) + " " + std::to_string(key.VK));
  return mTakesKeys;
}

bool TestControl::OnKeyUp(float x, float y, const IKeyPress& key)
{
  Note("keyup " + Pos(x, y) + " " + std::to_string(key.VK));
  return mTakesKeys;
}

void TestControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  Note("over " + Pos(x, y));
  IControl::OnMouseOver(x, y, mod);
}

void TestControl::OnMouseOut()
{
  Note("out");
  IControl::OnMouseOut();
}

void TestControl::OnTouchCancelled(float x, float y, const IMouseMod&)
{
  Note("cancelled " + Pos(x, y));
}

void TestControl::OnDrop(const char* path)
{
  Note(std::string("drop ") + (path ? path : ""));
}

void TestControl::OnDropMultiple(const std::vector<const char*>& paths)
{
  std::string note = "drops";
  for (const char* path : paths)
    note += std::string(" ") + path;
  Note(note);
  IControl::OnDropMultiple(paths);
}

void TestControl::OnMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
  const std::string data = pData && dataSize > 0 ? std::string(static_cast<const char*>(pData), static_cast<size_t>(dataSize)) : "";
  Note("msg " + std::to_string(msgTag) + " " + data);
}

void TestControl::OnMidi(const plug::IMidiMsg& msg)
{
  Note("midi " + std::to_string(msg.mStatus) + " " + std::to_string(msg.mData1) + " " + std::to_string(msg.mData2));
}

void TestControl::CreateContextMenu(IPopupMenu& menu)
{
  Note("context menu");
  for (const std::string& item : mContextItems)
    menu.AddItem(item.c_str());
}

void TestControl::OnPopupMenuSelection(IPopupMenu* pMenu, int valIdx)
{
  Note("menu " + std::to_string(pMenu ? pMenu->GetChosenItemIdx() : -1) + " " + std::to_string(valIdx));
  IControl::OnPopupMenuSelection(pMenu, valIdx);
}

void TestControl::OnTextEntryCompletion(const char* str, int valIdx)
{
  Note(std::string("text ") + (str ? str : "") + " " + std::to_string(valIdx));
}

void TestControl::OnContextSelection(int itemSelected)
{
  Note("context " + std::to_string(itemSelected));
}

void TestControl::SetValueFromDelegate(double value, int valIdx)
{
  mDelegateValues.emplace_back(valIdx, value);
  IControl::SetValueFromDelegate(value, valIdx);
}

std::vector<std::string> StartingWith(const std::vector<std::string>& entries, const std::string& prefix)
{
  std::vector<std::string> out;
  for (const std::string& e : entries)
    if (e.compare(0, prefix.size(), prefix) == 0)
      out.push_back(e);
  return out;
}

} // namespace testgraphics
