// The in-editor pop-up menu: placement, panel layout, pointer handling, the state machine of
// its animations and the default drawing.

#include "graphics/IPopupMenuControl.h"

#include <algorithm>
#include <memory>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {
// x limited to lo..hi; lo wins when the range is empty (a menu larger than its area starts
// at the area's top-left rather than outside it).
float Limit(float x, float lo, float hi)
{
  return std::max(std::min(x, hi), lo);
}

// The triangle of a scrolling panel's arrow cell, pointing up or down.
void FillScrollArrow(IGraphics& g, const IRECT& bounds, const IColor& color, IBlend* pBlend, bool up)
{
  const float half = 0.6f * bounds.H() / 2.f;
  const float cx = bounds.MW(), cy = bounds.MH();
  const float base = up ? cy + half : cy - half, tip = up ? cy - half : cy + half;
  g.FillTriangle(color, cx - half, base, cx, tip, cx + half, base, pBlend);
}
} // namespace

// ---------------------------------------------------------------------------------------
// Panels

IRECT* IPopupMenuControl::MenuPanel::HitTestCells(float x, float y) const
{
  for (int i = 0; i < mCellBounds.GetSize(); ++i)
  {
    IRECT* cell = mCellBounds.Get(i);
    if (cell->Contains(x, y))
      return cell;
  }
  return nullptr;
}

IPopupMenu::Item* IPopupMenuControl::MenuPanel::ItemForCell(const IRECT* cell) const
{
  const int idx = CellIndex(cell);
  if (idx < 0 || IsUpArrowCell(idx) || IsDownArrowCell(idx))
    return nullptr;
  return mMenu.GetItem(idx + mScrollItemOffset);
}

// ---------------------------------------------------------------------------------------
// Construction and showing

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& fixedPanelArea)
  : IControl(collapsedBounds, paramIdx, StartMenuAnimation), mCollapsedBounds(collapsedBounds),
    mSpecifiedExpandedBounds(fixedPanelArea)
{
  mText = text;
  mHide = true;
}

IPopupMenuControl::~IPopupMenuControl()
{
  DeleteAllPanels();
}

void IPopupMenuControl::DeleteAllPanels()
{
  mActiveMenuPanel = nullptr;
  mAppearingMenuPanel = nullptr;
  mMouseCellBounds = nullptr;
  mMenuPanels.Clear(true);
}

void IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& anchorArea)
{
  IGraphics* g = GetUI();
  if (mState != kIdle || !g)
    return;

  mMenuHasSubmenu = false;
  for (int i = 0; i < menu.NItems(); ++i)
    if (menu.GetItem(i)->GetSubmenu())
      mMenuHasSubmenu = true;
  mExpandedBounds = mConfiguredExpandedBounds.W() != 0.f ? mConfiguredExpandedBounds : g->GetBounds();

  Hide(false);
  mState = kExpanding;
  g->UpdateTooltips(); // hidden while the menu shows
  DeleteAllPanels();
  mShowSubMenuArrow = false;
  mAnchorArea = anchorArea;

  float x = 0.f, y = 0.f;
  PlaceRootPanel(menu, x, y);
  MenuPanel* panel = AddPanel(menu, -1, x, y);
  mActiveMenuPanel = panel;
  mAppearingMenuPanel = panel;

  mTargetRECT = panel->mRECT;
  mRECT = panel->mTargetRECT; // the dirty area covers the shadow
  OnResize();
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
// Geometry

void IPopupMenuControl::MenuSize(IPopupMenu& menu, float& w, float& h, float& cellH) const
{
  float textW = 0.f, textH = 0.f;
  int separators = 0;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* item = menu.GetItem(i);
    if (item->GetIsSeparator())
    {
      ++separators;
      continue;
    }
    IRECT bounds;
    if (GetUI() && GetUI()->MeasureText(mText, item->GetText(), bounds) > 0.f)
    {
      textW = std::max(textW, bounds.W());
      textH = std::max(textH, bounds.H());
    }
  }
  if (textH <= 0.f)
    textH = mText.mSize; // only empty texts: cells as tall as the text would be
  const int n = menu.NItems();
  w = textW + 2.f * mTextOffset + mTickWidth + mArrowWidth;
  h = static_cast<float>(n - separators) * textH + static_cast<float>(separators) * mSeparatorSize +
      static_cast<float>(std::max(n - 1, 0)) * mCellGap;
  cellH = textH;
}

void IPopupMenuControl::PlaceRootPanel(IPopupMenu& menu, float& x, float& y)
{
  float w = 0.f, h = 0.f, cellH = 0.f;
  MenuSize(menu, w, h, cellH);
  const float a = mCallOut ? mCalloutArrowSize : 0.f;
  const float s = ScreenPadding();
  const float ts = mText.mSize;
  const IRECT& anchor = mAnchorArea;
  const IRECT& area = mExpandedBounds;
  const float ax = anchor.MW(), ay = anchor.MH();
  const float ex = area.MW(), ey = area.MH();
  const float left = area.L + s, top = area.T + s;
  const float right = area.R - w - 2.f * s, bottom = area.B - h - 2.f * s;

  auto beside = [&]() {
    if (ex >= ax)
    {
      x = anchor.R + a;
      mCalloutArrowBounds = IRECT(anchor.R, ay - a / 2.f, anchor.R + a, ay + a / 2.f);
      mCalloutArrowDir = kCalloutRight;
    }
    else
    {
      x = anchor.L - a - w - s;
      mCalloutArrowBounds = IRECT(anchor.L - a, ay - a / 2.f, anchor.L, ay + a / 2.f);
      mCalloutArrowDir = kCalloutLeft;
    }
  };
  auto below = [&]() {
    mCalloutArrowBounds = IRECT(ax - a / 2.f, anchor.B, ax + a / 2.f, anchor.B + a);
    mCalloutArrowDir = kCalloutBelow;
  };
  auto above = [&]() {
    mCalloutArrowBounds = IRECT(ax - a / 2.f, anchor.T - a, ax + a / 2.f, anchor.T);
    mCalloutArrowDir = kCalloutAbove;
  };
  auto xOut = [&]() { return x <= left || x > right; };

  // Beside the anchor, level with it.
  y = ey >= ay ? ay - (ts + a) : ay + ts + a - h;
  beside();

  if (y <= top || y > bottom || xOut())
  {
    if ((y <= top || xOut()) && ey >= ay)
    {
      below();
      y = anchor.B + a;
      x = ax - w / 2.f;
      if (y > bottom)
      {
        beside();
        y = bottom;
      }
    }
    if ((y > bottom || xOut()) && ey < ay)
    {
      above();
      y = anchor.T - a - h - s;
      x = ax - w / 2.f;
      if (y <= top)
      {
        beside();
        y = top;
      }
    }
    y = Limit(y, top, bottom);
    x = Limit(x, left, right);
  }

  if (mForcedBelow && anchor.B + a <= bottom)
  {
    below();
    y = anchor.B + a;
    x = Limit(ax - w / 2.f, left, right);
  }

  if (mMenuHasSubmenu)
  {
    mSubMenuOpensOnRight = ex >= ax;
    x = ax - w / 2.f + (mSubMenuOpensOnRight ? -mSpacing : mSpacing);
    x = std::max(x, left);
    if (area.B - anchor.B >= anchor.T - area.T)
    {
      y = std::max(std::min(anchor.B + a, bottom), top);
      below();
    }
    else
    {
      y = std::min(std::max(anchor.T - a - h - s, top), bottom);
      above();
    }
    x = std::min(x, right);
  }
}

void IPopupMenuControl::LayoutPanel(MenuPanel& panel, float x, float y)
{
  float w = 0.f, h = 0.f, cellH = 0.f;
  MenuSize(panel.mMenu, w, h, cellH);
  panel.mCellBounds.Clear(true);
  panel.mHighlightedCell = nullptr;
  panel.mClickedCell = nullptr;
  panel.mScroller = false;
  panel.mScrollMaxRows = 0;
  panel.mScrollItemOffset = 0;

  const IRECT& fixedArea = mSpecifiedExpandedBounds;
  const bool fixed = fixedArea.W() != 0.f;
  if (fixed)
  {
    x = fixedArea.L - mPadding;
    y = fixedArea.T - mPadding;
  }
  const float limit = mExpandedBounds.B - mPadding;
  const float x0 = x + mPadding;
  const float y0 = y + mPadding;
  auto addCell = [&panel](const IRECT& r) {
    auto* cell = new IRECT(r);
    if (!panel.mCellBounds.Add(cell))
    {
      delete cell;
      throw std::bad_alloc();
    }
  };

  const int n = panel.mMenu.NItems();
  float cx = x0, cy = y0;
  bool tooTall = false;
  for (int i = 0; i < n; ++i)
  {
    const float ch = panel.mMenu.GetItem(i)->GetIsSeparator() ? mSeparatorSize : cellH;
    const bool columnFull = mMaxColumnItems > 0 && i % mMaxColumnItems == 0;
    if (i > 0 && (columnFull || (!mScrollIfTooBig && cy + ch > limit)))
    {
      cx += w + mCellGap;
      cy = y0;
    }
    if (mScrollIfTooBig && cy + ch > limit)
    {
      tooTall = true;
      break;
    }
    addCell(IRECT(cx, cy, cx + w, cy + ch));
    cy += ch + mCellGap;
  }

  if (tooTall)
  {
    // A list of the cells that fit, from the top of the area, scrolled through by hovering
    // its ends.
    panel.mCellBounds.Clear(true);
    const float top = fixed ? y0 : mExpandedBounds.T + ScreenPadding() + mPadding;
    const float room = mExpandedBounds.B - mPadding - (mPadding + mExpandedBounds.T + ScreenPadding());
    int visible = static_cast<int>(room / (cellH + mCellGap));
    // At least one item between the arrow cells, so every item can be reached.
    visible = std::min(std::max(visible, 3), n);
    for (int j = 0; j < visible; ++j)
    {
      const float t = top + static_cast<float>(j) * (cellH + mCellGap);
      addCell(IRECT(x0, t, x0 + w, t + cellH));
    }
    panel.mScroller = true;
    panel.mScrollMaxRows = visible;
  }

  if (fixed)
  {
    panel.mRECT = fixedArea.GetPadded(mPadding);
    panel.mTargetRECT = fixedArea.GetPadded(mPadding + ScreenPadding());
    return;
  }
  IRECT cells(x0, y0, x0 + w, y0);
  if (panel.mCellBounds.GetSize() > 0)
  {
    cells = *panel.mCellBounds.Get(0);
    for (int i = 1; i < panel.mCellBounds.GetSize(); ++i)
      cells = cells.Union(*panel.mCellBounds.Get(i));
  }
  panel.mRECT = cells.GetPadded(mPadding);
  panel.mTargetRECT = panel.mRECT.GetPadded(ScreenPadding());
}

IPopupMenuControl::MenuPanel* IPopupMenuControl::OpenSubmenuPanel(IPopupMenu& submenu, const IRECT& cell)
{
  float w = 0.f, h = 0.f, cellH = 0.f;
  MenuSize(submenu, w, h, cellH);
  const float a = mCalloutArrowSize;
  const float s = ScreenPadding();
  const IRECT& area = mExpandedBounds;
  float x = mSubMenuOpensOnRight ? cell.R + mPadding + a : cell.L - mPadding - a - w - 2.f * mPadding;
  float y = cell.T - mPadding;
  x = Limit(x, area.L + s, area.R - w - 2.f * mPadding - s);
  y = Limit(y, area.T + s, area.B - h - 2.f * mPadding - s);

  return AddPanel(submenu, mMenuPanels.Find(mActiveMenuPanel), x, y);
}

IPopupMenuControl::MenuPanel* IPopupMenuControl::AddPanel(IPopupMenu& menu, int parentIdx, float x, float y)
{
  auto panel = std::make_unique<MenuPanel>(menu, parentIdx);
  LayoutPanel(*panel, x, y);
  if (!mMenuPanels.Add(panel.get()))
    throw std::bad_alloc();
  return panel.release();
}

IPopupMenuControl::MenuPanel* IPopupMenuControl::PanelShowing(const IPopupMenu* menu) const
{
  for (int i = 0; i < NPanels(); ++i)
    if (&GetPanel(i)->mMenu == menu)
      return GetPanel(i);
  return nullptr;
}

void IPopupMenuControl::FitBoundsToShownPanels()
{
  bool any = false;
  IRECT outer, inner;
  for (int i = 0; i < NPanels(); ++i)
  {
    const MenuPanel* panel = GetPanel(i);
    if (!panel->mShouldDraw)
      continue;
    outer = any ? outer.Union(panel->mTargetRECT) : panel->mTargetRECT;
    inner = any ? inner.Union(panel->mRECT) : panel->mRECT;
    any = true;
  }
  if (any)
  {
    mRECT = outer;
    mTargetRECT = inner;
  }
}

void IPopupMenuControl::SetAllPanelsAlpha(float alpha)
{
  for (int i = 0; i < NPanels(); ++i)
    GetPanel(i)->mBlend.mWeight = alpha;
}

// ---------------------------------------------------------------------------------------
// Pointer

void IPopupMenuControl::FindMouseOverCell(float x, float y)
{
  auto enabledCell = [x, y](const MenuPanel& panel) -> IRECT* {
    IRECT* cell = panel.HitTestCells(x, y);
    if (!cell)
      return nullptr;
    const IPopupMenu::Item* item = panel.ItemForCell(cell);
    // Arrow cells of a scrolling panel count as enabled: they scroll.
    return (!item || item->GetEnabled()) ? cell : nullptr;
  };

  mMouseCellBounds = mActiveMenuPanel ? enabledCell(*mActiveMenuPanel) : nullptr;
  if (mMouseCellBounds)
    return;
  for (int i = NPanels() - 1; i >= 0; --i)
  {
    MenuPanel* panel = GetPanel(i);
    if (panel->mShouldDraw && panel->mTargetRECT.Contains(x, y))
    {
      mActiveMenuPanel = panel;
      mMouseCellBounds = enabledCell(*panel);
      return;
    }
  }
}

void IPopupMenuControl::UpdateSubmenus()
{
  MenuPanel* active = mActiveMenuPanel;
  if (!active || !mMouseCellBounds)
    return;
  const IPopupMenu::Item* item = active->ItemForCell(mMouseCellBounds);
  if (!item)
    return;
  const IRECT& cell = *mMouseCellBounds;

  if (IPopupMenu* submenu = item->GetSubmenu())
  {
    for (int i = 0; i < NPanels(); ++i)
      GetPanel(i)->mShouldDraw = &GetPanel(i)->mMenu == submenu;
    if (item->GetEnabled())
      active->mHighlightedCell = mMouseCellBounds;
    MenuPanel* subPanel = PanelShowing(submenu);
    if (!subPanel)
      subPanel = OpenSubmenuPanel(*submenu, cell);
    subPanel->mShouldDraw = true;
    // Everything on the way back to the root shows again.
    for (int i = 0; i < NPanels(); ++i)
    {
      if (!GetPanel(i)->mShouldDraw)
        continue;
      for (MenuPanel* p = GetPanel(i); p && p->mParentIdx >= 0;)
      {
        p = GetPanel(p->mParentIdx);
        if (p)
          p->mShouldDraw = true;
      }
    }
    FitBoundsToShownPanels();
    const float a = mCalloutArrowSize;
    mSubMenuCalloutArrowBounds = mSubMenuOpensOnRight
                                   ? IRECT(cell.R + mPadding, cell.MH() - a / 2.f, cell.R + mPadding + a,
                                           cell.MH() + a / 2.f)
                                   : IRECT(cell.L - mPadding - a, cell.MH() - a / 2.f, cell.L - mPadding,
                                           cell.MH() + a / 2.f);
    mShowSubMenuArrow = true;
    OnResize();
    if (subPanel != mAppearingMenuPanel)
    {
      mState = kSubmenuExpanding;
      mAppearingMenuPanel = subPanel;
    }
    SetDirty(true);
    return;
  }

  // An item without submenu closes the submenus opened from this panel, and theirs.
  const int activeIdx = mMenuPanels.Find(active);
  for (int i = 0; i < NPanels(); ++i)
  {
    for (const MenuPanel* p = GetPanel(i); p && p->mParentIdx >= 0; p = GetPanel(p->mParentIdx))
    {
      if (p->mParentIdx == activeIdx)
      {
        GetPanel(i)->mShouldDraw = false;
        break;
      }
    }
  }
  active->mHighlightedCell = nullptr;
  mShowSubMenuArrow = false;
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  if (NPanels() == 0)
    return;
  FindMouseOverCell(x, y);
  UpdateSubmenus();

  if (MenuPanel* active = mActiveMenuPanel; active && active->mScroller)
  {
    const int cellIdx = active->CellIndex(active->HitTestCells(x, y));
    const int last = active->mCellBounds.GetSize() - 1;
    if (cellIdx == 0)
      active->mScrollItemOffset = std::max(active->mScrollItemOffset - 1, 0);
    else if (cellIdx == last && last > 0)
      active->mScrollItemOffset =
        std::min(active->mScrollItemOffset + 1, std::max(active->mMenu.NItems() - active->mScrollMaxRows, 0));
  }
  SetDirty(false);
}

void IPopupMenuControl::OnMouseOut()
{
  mMouseCellBounds = nullptr;
  SetDirty(false);
}

void IPopupMenuControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/)
{
  if (mActiveMenuPanel)
    FindMouseOverCell(x, y);
  SetDirty(false);
}

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  // Every state in which the menu can be seen takes the click: fading in, open, and while a
  // submenu appears.
  if (!GetExpanded())
  {
    IControl::OnMouseDown(x, y, mod);
    return;
  }
  FindMouseOverCell(x, y);
  CollapseEverything();
}

void IPopupMenuControl::CollapseEverything()
{
  IPopupMenu* result = nullptr;
  if (MenuPanel* active = mActiveMenuPanel)
  {
    IPopupMenu& menu = active->mMenu;
    menu.SetChosenItemIdx(-1);
    // An arrow cell of a scrolling panel chooses nothing: the item behind it is not shown.
    const IPopupMenu::Item* item = mMouseCellBounds ? active->ItemForCell(mMouseCellBounds) : nullptr;
    if (item && item->GetIsChoosable())
    {
      menu.SetChosenItemIdx(active->CellIndex(mMouseCellBounds) + active->mScrollItemOffset);
      active->mClickedCell = mMouseCellBounds;
    }
    result = &menu;
  }

  mShowSubMenuArrow = false;
  mActiveMenuPanel = nullptr;
  mState = kFlickering;
  Hide(true);
  SetDirty(true); // the flicker, then the fade-out

  // The context runs the completion function and informs the control that asked; the state
  // above is final first, so a menu requested from there is answered cleanly.
  if (IGraphics* g = GetUI())
    g->SetControlValueAfterPopupMenu(result);
}

// ---------------------------------------------------------------------------------------
// Animation

void IPopupMenuControl::StartMenuAnimation(IControl* caller)
{
  auto* control = dynamic_cast<IPopupMenuControl*>(caller);
  if (!control)
    return;
  control->SetAnimation(MenuAnimationFunc, control->mState == kSubmenuExpanding ? 200 : kDefaultAnimationDurationMs);
}

void IPopupMenuControl::MenuAnimationFunc(IControl* caller)
{
  auto* control = dynamic_cast<IPopupMenuControl*>(caller);
  if (!control)
    return;
  const double progress = control->GetAnimationProgress();
  if (progress > 1.0)
  {
    control->OnEndAnimation();
    return;
  }
  const float p = static_cast<float>(progress);
  switch (control->mState)
  {
    case kExpanding:
      if (control->mAppearingMenuPanel)
        control->mAppearingMenuPanel->mBlend.mWeight = p * control->mOpacity;
      break;
    case kCollapsing:
      control->SetAllPanelsAlpha((1.f - p) * control->mOpacity);
      break;
    case kSubmenuExpanding:
      if (control->mAppearingMenuPanel)
        control->mAppearingMenuPanel->mBlend.mWeight = p > 0.9f ? control->mOpacity : 0.f;
      break;
    case kCollapsed:
      control->SetAllPanelsAlpha(0.f);
      break;
    default:
      break;
  }
}

void IPopupMenuControl::OnEndAnimation()
{
  switch (mState)
  {
    case kExpanding:
    case kSubmenuExpanding:
      SetAllPanelsAlpha(mOpacity);
      mState = kExpanded;
      IControl::OnEndAnimation();
      break;
    case kFlickering:
      mState = kCollapsing;
      SetDirty(true); // the fade-out
      break;
    case kCollapsing:
      mTargetRECT = mCollapsedBounds;
      SetAllPanelsAlpha(0.f);
      mState = kCollapsed;
      mMouseCellBounds = nullptr;
      mAnchorArea = IRECT();
      SetDirty(true);
      break;
    case kCollapsed:
      if (IGraphics* g = GetUI())
        g->UpdateTooltips(); // shown again
      DeleteAllPanels();
      mRECT = mCollapsedBounds;
      mState = kIdle;
      IControl::OnEndAnimation();
      break;
    default:
      IControl::OnEndAnimation();
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Drawing

void IPopupMenuControl::Draw(IGraphics& g)
{
  for (int p = 0; p < NPanels(); ++p)
  {
    MenuPanel& panel = *GetPanel(p);
    if (!panel.mShouldDraw)
      continue;
    IBlend* blend = &panel.mBlend;
    DrawPanelShadow(g, panel);
    DrawPanelBackground(g, panel);

    for (int j = 0; j < panel.mCellBounds.GetSize(); ++j)
    {
      const IRECT& cell = *panel.mCellBounds.Get(j);
      const bool over = &cell == mMouseCellBounds;
      if (panel.IsUpArrowCell(j) || panel.IsDownArrowCell(j))
      {
        DrawCellBackground(g, cell, nullptr, over, blend);
        if (panel.IsUpArrowCell(j))
          DrawUpArrow(g, cell, over, blend);
        else
          DrawDownArrow(g, cell, over, blend);
        continue;
      }
      const IPopupMenu::Item* item = panel.mMenu.GetItem(j + panel.mScrollItemOffset);
      if (!item)
        continue;
      if (item->GetIsSeparator())
      {
        DrawSeparator(g, cell, blend);
        continue;
      }
      const bool sel = over || &cell == panel.mHighlightedCell;
      // The chosen cell blinks: its background is left out while the menu flickers.
      if (!(&cell == panel.mClickedCell && mState == kFlickering))
        DrawCellBackground(g, cell, item, sel, blend);
      DrawCellText(g, cell, item, sel, blend);
      if (item->GetChecked())
        DrawTick(g, cell, item, sel, blend);
      if (item->GetSubmenu())
        DrawSubMenuArrow(g, cell, item, sel, blend);
    }
  }

  if (NPanels() > 0 && mCallOut)
    DrawCalloutArrow(g, mCalloutArrowBounds, &GetPanel(0)->mBlend);
  if (mMenuHasSubmenu && mShowSubMenuArrow)
    DrawSubMenuCalloutArrow(g, mSubMenuCalloutArrowBounds,
                            mAppearingMenuPanel ? &mAppearingMenuPanel->mBlend : nullptr);
}

void IPopupMenuControl::DrawPanelShadow(IGraphics& g, MenuPanel& panel)
{
  g.DrawFastDropShadow(panel.mTargetRECT.GetPadded(-mDropShadowSize), panel.mTargetRECT, 2.f, mRoundness, 10.f,
                       &panel.mBlend);
}

void IPopupMenuControl::DrawPanelBackground(IGraphics& g, MenuPanel& panel)
{
  g.FillRoundRect(mPanelBackgroundColor, panel.mRECT, mRoundness, &panel.mBlend);
}

void IPopupMenuControl::DrawCellBackground(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* /*pItem*/,
                                           bool sel, IBlend* pBlend)
{
  if (sel)
    g.FillRect(mCellBackGroundColor, bounds.GetPadded(-mPadding, 0.f, mPadding, 0.f), pBlend);
}

void IPopupMenuControl::DrawCellText(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                                     IBlend* pBlend)
{
  if (!pItem)
    return;
  IText text = mText.WithAlign(EAlign::Near);
  text.mFGColor = sel ? mItemMouseoverColor : (pItem->GetEnabled() ? mItemColor : mDisabledItemColor);
  const IRECT area(bounds.L + mTickWidth + mTextOffset, bounds.T, bounds.R - mTextOffset, bounds.B);
  g.DrawText(text, pItem->GetText(), area, pBlend);
}

void IPopupMenuControl::DrawTick(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* /*pItem*/, bool sel,
                                 IBlend* pBlend)
{
  const IRECT column(bounds.L, bounds.T, bounds.L + mTickWidth, bounds.B);
  const float size = std::max(mTickWidth / 2.f, 1.f);
  g.FillRoundRect(sel ? mItemMouseoverColor : mItemColor, column.GetCentredInside(size, size), 2.f, pBlend);
}

void IPopupMenuControl::DrawSubMenuArrow(IGraphics& g, const IRECT& bounds, const IPopupMenu::Item* /*pItem*/,
                                         bool sel, IBlend* pBlend)
{
  const float half = mArrowWidth / 2.f;
  const float my = bounds.MH();
  const IColor& c = sel ? mItemMouseoverColor : mItemColor;
  if (mSubMenuOpensOnRight)
    g.FillTriangle(c, bounds.R - mArrowWidth, my - half, bounds.R, my, bounds.R - mArrowWidth, my + half, pBlend);
  else
    g.FillTriangle(c, bounds.R, my - half, bounds.R - mArrowWidth, my, bounds.R, my + half, pBlend);
}

void IPopupMenuControl::DrawUpArrow(IGraphics& g, const IRECT& bounds, bool sel, IBlend* pBlend)
{
  FillScrollArrow(g, bounds, sel ? mItemMouseoverColor : mItemColor, pBlend, true);
}

void IPopupMenuControl::DrawDownArrow(IGraphics& g, const IRECT& bounds, bool sel, IBlend* pBlend)
{
  FillScrollArrow(g, bounds, sel ? mItemMouseoverColor : mItemColor, pBlend, false);
}

void IPopupMenuControl::DrawSeparator(IGraphics& g, const IRECT& bounds, IBlend* pBlend)
{
  // Separators show once their panel has almost finished fading in.
  if (pBlend && pBlend->mWeight > 0.9f)
  {
    const IBlend faint(EBlend::SrcOver, 0.25f);
    g.FillRect(mSeparatorColor, bounds, &faint);
  }
}

void IPopupMenuControl::DrawCalloutArrow(IGraphics& g, const IRECT& r, IBlend* pBlend)
{
  switch (mCalloutArrowDir)
  {
    case kCalloutAbove:
      g.FillTriangle(mPanelBackgroundColor, r.L, r.T, r.R, r.T, r.MW(), r.B, pBlend);
      break;
    case kCalloutRight:
      g.FillTriangle(mPanelBackgroundColor, r.R, r.T, r.R, r.B, r.L, r.MH(), pBlend);
      break;
    case kCalloutBelow:
      g.FillTriangle(mPanelBackgroundColor, r.L, r.B, r.R, r.B, r.MW(), r.T, pBlend);
      break;
    case kCalloutLeft:
      g.FillTriangle(mPanelBackgroundColor, r.L, r.T, r.L, r.B, r.R, r.MH(), pBlend);
      break;
  }
}

void IPopupMenuControl::DrawSubMenuCalloutArrow(IGraphics& g, const IRECT& r, IBlend* pBlend)
{
  if (mSubMenuOpensOnRight)
    g.FillTriangle(mPanelBackgroundColor, r.L, r.T, r.L, r.B, r.R, r.MH(), pBlend);
  else
    g.FillTriangle(mPanelBackgroundColor, r.R, r.T, r.R, r.B, r.L, r.MH(), pBlend);
}

} // namespace igraphics
} // namespace plug
