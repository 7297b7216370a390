#pragma once
// The in-editor pop-up menu: shows an IPopupMenu inside the editor, drawn by the editor's own
// renderer, instead of the platform's native menu. The graphics context creates at most one
// and routes every menu to it.
//
// One panel is shown per open menu level (the root, then each submenu opened by hovering its
// item). Panels fade in over 100 ms, a submenu appears after 90 % of a 200 ms animation, a
// menu taller than the area scrolls one item per mouse-over of its first or last cell, and a
// click closes everything: the chosen cell blinks (100 ms), the panels fade out (100 ms) and
// are removed (100 ms later).
//
// The control reports the user's choice to the graphics context through
// IGraphics::SetControlValueAfterPopupMenu with the menu level where the click was (its chosen
// index set, -1 for nothing). The context runs the menu's completion function there, exactly
// once per showing, so the control never runs it itself.
//
// Everything runs on the editor's main thread.

#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "plug/HeapBuf.h"

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

  // Where the root panel lies relative to its anchor, as its placement sets it; the callout
  // arrow points from the panel back to the anchor.
  enum ECalloutDirection : int32_t
  {
    kCalloutAbove = 0, // panel above the anchor, arrow pointing down
    kCalloutRight = 1, // panel right of the anchor, arrow pointing left
    kCalloutBelow = 2, // panel below the anchor, arrow pointing up
    kCalloutLeft = 3   // panel left of the anchor, arrow pointing right
  };

  // One open menu level.
  class MenuPanel
  {
  public:
    MenuPanel(IPopupMenu& menu, int parentIdx) : mMenu(menu), mParentIdx(parentIdx) {}
    ~MenuPanel() { mCellBounds.Clear(true); }
    MenuPanel(const MenuPanel&) = delete;
    MenuPanel& operator=(const MenuPanel&) = delete;

    // The cell at a point (visible cells only), or null.
    IRECT* HitTestCells(float x, float y) const;
    int CellIndex(const IRECT* cell) const { return cell ? mCellBounds.Find(cell) : -1; }
    // The item a cell shows (cell index + scroll offset), null for none or an arrow cell.
    IPopupMenu::Item* ItemForCell(const IRECT* cell) const;
    // The cell shows the up or down arrow of a scrolling panel instead of an item.
    bool IsUpArrowCell(int cellIdx) const { return mScroller && cellIdx == 0 && mScrollItemOffset > 0; }
    bool IsDownArrowCell(int cellIdx) const
    {
      return mScroller && cellIdx == mCellBounds.GetSize() - 1 &&
             mScrollItemOffset + mCellBounds.GetSize() < mMenu.NItems();
    }

    IPopupMenu& mMenu;
    PtrArray<IRECT> mCellBounds;
    IRECT mTargetRECT;      // takes the pointer; the shadow lies between it and its inset
    IRECT mRECT;            // the panel's body, behind its cells
    bool mShouldDraw = true;
    IBlend mBlend{EBlend::SrcOver, 0.f};
    int mScrollMaxRows = 0; // visible cells of a scrolling panel
    IRECT* mHighlightedCell = nullptr; // its submenu is open
    IRECT* mClickedCell = nullptr;     // blinks while the menu closes
    int mParentIdx = -1;
    bool mScroller = false;
    int mScrollItemOffset = 0; // index of the first item shown
  };

  // collapsedBounds: where the control rests when closed. fixedPanelArea: when its width is
  // not 0, every panel is laid over this area instead of beside its anchor.
  IPopupMenuControl(int paramIdx = -1, const IText& text = DEFAULT_TEXT, const IRECT& collapsedBounds = IRECT(),
                    const IRECT& fixedPanelArea = IRECT());
  ~IPopupMenuControl() override;

  // Shows the menu for the anchor area (called by the graphics context). A request while the
  // control is not idle changes nothing (the context never makes one: it answers such
  // requests itself).
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& anchorArea);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& /*mod*/, float /*delta*/) override {}
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;

  // ---- drawing hooks (the default appearance) ----
  virtual void DrawCalloutArrow(IGraphics& g, const IRECT& bounds, IBlend* pBlend);
  virtual void DrawSubMenuCalloutArrow(IGraphics& g, const IRECT& bounds, IBlend* pBlend);
  virtual void DrawPanelBackground(IGraphics& g, MenuPanel& panel);
  virtual void DrawPanelShadow(IGraphics& g, MenuPanel& panel);
  // pItem is null for the cell of an up or down arrow.
  virtual void DrawCellBackground(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                                  IBlend* pBlend);
  virtual void DrawCellText(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                            IBlend* pBlend);
  virtual void DrawTick(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel, IBlend* pBlend);
  virtual void DrawSubMenuArrow(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                                IBlend* pBlend);
  virtual void DrawUpArrow(IGraphics& g, const IRECT& bounds, bool sel, IBlend* pBlend);
  virtual void DrawDownArrow(IGraphics& g, const IRECT& bounds, bool sel, IBlend* pBlend);
  virtual void DrawSeparator(IGraphics& g, const IRECT& bounds, IBlend* pBlend);
  // Closes the menu with the item under the pointer (or nothing) as the choice.
  virtual void CollapseEverything();

  // The action function: the 200 ms submenu animation in state kSubmenuExpanding, else 100 ms.
  static void StartMenuAnimation(IControl* caller);
  static void MenuAnimationFunc(IControl* caller);

  EPopupState GetState() const { return mState; }
  // Visibly open and taking the pointer: fading in, open, or opening a submenu.
  bool GetExpanded() const
  {
    return mState == kExpanding || mState == kExpanded || mState == kSubmenuExpanding;
  }

  // ---- settings ----
  void SetMaxRowsPerColumn(int rows) { mMaxColumnItems = rows; }
  void SetScrollingAllowed(bool allowed) { mScrollIfTooBig = allowed; }
  void SetCallout(bool callout) { mCallOut = callout; }
  void SetForceBelow(bool below) { mForcedBelow = below; }
  // The area panels may use; the all-zero area (the default) means the whole editor as it is
  // at each showing.
  void SetExpandedBounds(const IRECT& bounds) { mConfiguredExpandedBounds = bounds; }
  // The area of the menu showing (or last shown).
  const IRECT& GetExpandedBounds() const { return mExpandedBounds; }
  void SetPanelColor(const IColor& c) { mPanelBackgroundColor = c; }
  void SetCellHighlightColor(const IColor& c) { mCellBackGroundColor = c; }
  void SetItemColor(const IColor& c) { mItemColor = c; }
  void SetSelectedItemColor(const IColor& c) { mItemMouseoverColor = c; }
  void SetDisabledItemColor(const IColor& c) { mDisabledItemColor = c; }
  void SetSeparatorColor(const IColor& c) { mSeparatorColor = c; }

  // ---- the open menu, for its owner and tests ----
  int NPanels() const { return mMenuPanels.GetSize(); }
  MenuPanel* GetPanel(int idx) const { return mMenuPanels.Get(idx); }
  MenuPanel* GetActivePanel() const { return mActiveMenuPanel; }
  const IRECT* GetMouseOverCell() const { return mMouseCellBounds; }
  ECalloutDirection GetCalloutDirection() const { return mCalloutArrowDir; }

protected:
  // The menu's size without padding: text width plus the tick, offset and arrow columns, and
  // the height of every cell with the gaps between them.
  void MenuSize(IPopupMenu& menu, float& w, float& h, float& cellH) const;
  // Chooses the root panel's top-left beside, below or above the anchor; sets the callout.
  void PlaceRootPanel(IPopupMenu& menu, float& x, float& y);
  // Lays a panel's cells out from (x, y): one column (or several), or a scrolling list when
  // it does not fit and scrolling is allowed.
  void LayoutPanel(MenuPanel& panel, float x, float y);
  // A new panel for a submenu opened from a cell of the active panel.
  MenuPanel* OpenSubmenuPanel(IPopupMenu& submenu, const IRECT& cell);
  // A new panel of the menu laid out from (x, y), appended to the panels.
  MenuPanel* AddPanel(IPopupMenu& menu, int parentIdx, float x, float y);
  // Finds the active panel and the enabled cell under the point; null when there is none.
  void FindMouseOverCell(float x, float y);
  // Opens or hides submenus for the cell under the pointer.
  void UpdateSubmenus();
  // The panel that shows the menu, or null.
  MenuPanel* PanelShowing(const IPopupMenu* menu) const;
  // Bounds and target bounds around every shown panel.
  void FitBoundsToShownPanels();
  void SetAllPanelsAlpha(float alpha);
  void DeleteAllPanels();
  float ScreenPadding() const { return mDropShadowSize; }

  PtrArray<MenuPanel> mMenuPanels;
  MenuPanel* mActiveMenuPanel = nullptr;
  MenuPanel* mAppearingMenuPanel = nullptr; // the last opened panel: the animation's
  EPopupState mState = kIdle;
  IRECT* mMouseCellBounds = nullptr;
  int mMaxColumnItems = 0;
  bool mScrollIfTooBig = true;
  bool mCallOut = false;
  bool mMenuHasSubmenu = false;
  bool mForcedBelow = true;
  bool mSubMenuOpensOnRight = true;
  bool mShowSubMenuArrow = false;
  float mCellGap = 2.f;
  float mSeparatorSize = 2.f;
  float mRoundness = 5.f;
  float mDropShadowSize = 10.f;
  float mOpacity = 0.95f;
  float mSpacing = 0.f;
  float mTextOffset = 5.f;
  float mTickWidth = 10.f;
  float mArrowWidth = 8.f;
  float mPadding = 5.f;
  float mCalloutArrowSize = 8.f;
  IRECT mAnchorArea;
  ECalloutDirection mCalloutArrowDir = kCalloutRight;
  IRECT mCalloutArrowBounds;
  IRECT mSubMenuCalloutArrowBounds;
  IRECT mExpandedBounds;
  IRECT mConfiguredExpandedBounds;
  IColor mPanelBackgroundColor = COLOR_WHITE;
  IColor mCellBackGroundColor = COLOR_BLUE;
  IColor mItemMouseoverColor = COLOR_WHITE;
  IColor mItemColor = COLOR_BLACK;
  IColor mDisabledItemColor = COLOR_GRAY;
  IColor mSeparatorColor = COLOR_MID_GRAY;
  IRECT mCollapsedBounds;
  IRECT mSpecifiedExpandedBounds; // the fixed panel area
};

} // namespace igraphics
} // namespace plug
