#pragma once
// A control for tests: it draws its bounds as one fill of its colour and records, one text
// each, every event, value, message and MIDI message that reaches it.

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

namespace testgraphics {

using namespace plug::igraphics;

// The entries of a record that begin with prefix.
std::vector<std::string> StartingWith(const std::vector<std::string>& entries, const std::string& prefix);

class TestControl : public IControl
{
public:
  TestControl(const IRECT& bounds, int paramIdx = -1, IActionFunction action = nullptr)
    : IControl(bounds, paramIdx, std::move(action))
  {
  }
  TestControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction action = nullptr)
    : IControl(bounds, params, std::move(action))
  {
  }

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) override;
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  bool OnKeyUp(float x, float y, const IKeyPress& key) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnTouchCancelled(float x, float y, const IMouseMod& mod) override;
  void OnDrop(const char* path) override;
  // Noted as "drops" with every path, then the base (OnDrop with the first).
  void OnDropMultiple(const std::vector<const char*>& paths) override;
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override;
  void OnMidi(const plug::IMidiMsg& msg) override;
  void CreateContextMenu(IPopupMenu& menu) override;
  void OnPopupMenuSelection(IPopupMenu* pMenu, int valIdx) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;
  void OnContextSelection(int itemSelected) override;
  void SetValueFromDelegate(double value, int valIdx) override;
  void OnInit() override { mEvents.push_back("init"); }
  void OnResize() override { mEvents.push_back("resize"); }
  void OnRescale() override { mEvents.push_back("rescale"); }
  void OnAttached() override { mEvents.push_back("attached"); }

  // The events that begin with prefix.
  std::vector<std::string> EventsStartingWith(const std::string& prefix) const { return StartingWith(mEvents, prefix); }
  int CountEvents(const std::string& prefix) const { return static_cast<int>(EventsStartingWith(prefix).size()); }

  std::vector<std::string> mEvents;
  // Every value the delegate side offered, as given (before any clamping).
  std::vector<std::pair<int, double>> mDelegateValues;
  IColor mColor = COLOR_RED;
  int mDrawCount = 0;
  bool mTakesKeys = false;
  // When not 0, a drag moves value 0 by -dY times this and commits it.
  double mDragGain = 0.0;
  // Items the control puts into its right-click menu.
  std::vector<std::string> mContextItems;
  // Shared record of several controls, entries prefixed with mName.
  std::vector<std::string>* mJournal = nullptr;
  std::string mName;
  // Called with each entry once it is recorded (and with "draw" at each drawing).
  std::function<void(const std::string&)> mOnEvent;

private:
  void Note(const std::string& s);
};

} // namespace testgraphics
