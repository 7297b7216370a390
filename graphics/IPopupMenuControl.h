#pragma once
// The in-editor pop-up menu: shows an IPopupMenu inside the editor instead of the platform's
// native menu. The graphics context creates at most one and routes every menu to it; the
// control reports the user's choice back through IGraphics::SetControlValueAfterPopupMenu
// (the context runs the menu's completion function there, so the control does not).

#include "graphics/IControl.h"

namespace plug {
namespace igraphics {

class IPopupMenuControl : public IControl
{
public:
  enum EPopupState : int32_t
  {
    kIdle = 0,
    kExpanding,
    kExpanded,
    kCollapsing,
    kFlickering,
    kSubmenuExpanding,
    kCollapsed
  };

  IPopupMenuControl(int paramIdx = -1, const IText& text = DEFAULT_TEXT, const IRECT& collapsedBounds = IRECT(),
                    const IRECT& expandedBounds = IRECT());

  void Draw(IGraphics& g) override;

  // Shows the menu for the anchor area. A request while the control is not idle is refused
  // (the context never makes one: it answers such requests itself).
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& anchorArea);

  EPopupState GetState() const { return mState; }
  // Visibly open: taking the pointer.
  bool GetExpanded() const { return mState == kExpanded; }

protected:
  EPopupState mState = kIdle;
  IPopupMenu* mMenu = nullptr;
  IRECT mCollapsedBounds;
  IRECT mExpandedBounds;
};

} // namespace igraphics
} // namespace plug
