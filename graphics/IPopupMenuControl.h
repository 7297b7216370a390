#pragma once
// The in-editor pop-up menu: shows an IPopupMenu inside the editor instead of the platform's
// native menu. The graphics context creates at most one and routes every menu to it.

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

  EPopupState GetState() const { return mState; }

protected:
  EPopupState mState = kIdle;
  IPopupMenu* mMenu = nullptr;
  IRECT mCollapsedBounds;
  IRECT mExpandedBounds;
};

} // namespace igraphics
} // namespace plug
