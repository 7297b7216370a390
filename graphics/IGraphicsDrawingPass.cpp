// The drawing pass of the graphics context: dirty tracking, drawing the dirty controls with
// their containers' clipping and the frame timing, and the optimiser of the dirty rectangles.

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/IControls.h"
#include "graphics/controls/IContainerBase.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// Dirty tracking and drawing pass

namespace {
// Grown by 0.75 on every side: anti-aliased edges stay inside the redrawn area.
IRECT Padded(const IRECT& r)
{
  return r.GetPadded(0.75f);
}

// r moved (and, where it does not fit, shortened) into p.
IRECT Clank(IRECT r, const IRECT& p)
{
  if (r.L < p.L)
  {
    r.R = std::min(p.R - 1.f, r.R + p.L - r.L);
    r.L = p.L;
  }
  if (r.T < p.T)
  {
    r.B = std::min(p.B - 1.f, r.B + p.T - r.T);
    r.T = p.T;
  }
  if (r.R >= p.R)
  {
    r.L = std::max(p.L, r.L - (r.R - p.R + 1.f));
    r.R = p.R - 1.f;
  }
  if (r.B >= p.B)
  {
    r.T = std::max(p.T, r.T - (r.B - p.B + 1.f));
    r.B = p.B - 1.f;
  }
  return r;
}
} // namespace

void IGraphics::BeginFrame()
{
  if (!mPerfDisplay)
    return;
  const double now = GetClockMs() / 1000.0;
  mPerfDisplay->Update(static_cast<float>(now - mPrevTimestamp));
  mPrevTimestamp = now;
}

bool IGraphics::IsDirty(IRECTList& rects)
{
  if (mDisplayTickFunc)
    mDisplayTickFunc();

  ForAllControlsFunc([](IControl* pControl) { pControl->Animate(); });

  bool dirty = false;
  ForAllControlsFunc([&](IControl* pControl) {
    if (!pControl->IsDirty())
      return;
    IRECT r = Padded(pControl->GetRECT());
    if (const IContainerBase* parent = pControl->GetParent())
      r = Clank(r, Padded(parent->GetRECT()));
    rects.Add(r);
    dirty = true;
  });
  return dirty;
}

void IGraphics::Draw(IRECTList& rects)
{
  if (rects.Size() == 0)
    return;

  const float scale = GetTotalScale();
  BeginFrame();
  if (mStrict)
  {
    Draw(rects.Bounds().GetPixelAligned(scale), scale);
  }
  else
  {
    for (int i = 0; i < rects.Size(); ++i)
      rects.Set(i, rects.Get(i).GetPixelAligned(scale));
    rects.Optimize();
    for (int i = 0; i < rects.Size(); ++i)
      Draw(rects.Get(i), scale);
  }
  EndFrame();
}

void IGraphics::Draw(const IRECT& area, float scale)
{
  // Two words of capture keep the function object off the heap on every frame.
  const std::pair<const IRECT*, float> pass(&area, scale);
  ForAllControlsFunc([this, &pass](IControl* pControl) { DrawControl(pControl, *pass.first, pass.second); });
}

void IGraphics::DrawControl(IControl* pControl, const IRECT& area, float scale)
{
  // A hidden control is not drawn, unless it is the background.
  if (!pControl || (pControl->IsHidden() && pControl != GetControl(0)))
    return;

  const IRECT bounds = Padded(pControl->GetRECT()).GetPixelAligned(scale);
  IRECT clip(std::max(area.L, bounds.L), std::max(area.T, bounds.T), std::min(area.R, bounds.R),
             std::min(area.B, bounds.B));
  if (clip.W() <= 0.f || clip.H() <= 0.f)
    return;

  for (const IContainerBase* parent = pControl->GetParent(); parent; parent = parent->GetParent())
  {
    const IRECT parentBounds = Padded(parent->GetRECT()).GetPixelAligned(scale);
    if (!clip.Intersects(parentBounds))
      return;
    clip = Clank(clip, parentBounds);
  }

  PrepareControlRegion(clip);
  pControl->Draw(*this);
  pControl->DrawHostHighlight(*this);
  EndControlRegion(clip);
}

void IGraphics::PrepareControlRegion(const IRECT& clip)
{
  while (!mTransformStates.empty())
    mTransformStates.pop();
  mTransform = IMatrix();
  ApplyTransform();
  PathClear();
  SetClipRegion(clip);
  mClipRECT = clip;
}

void IGraphics::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}

// ---------------------------------------------------------------------------------------
// Dirty rectangles

namespace {
// Same left and right with touching vertical ranges, or the same the other way round; an
// empty rectangle goes with anything.
bool Mergeable(const IRECT& a, const IRECT& b)
{
  if (a.Empty() || b.Empty())
    return true;
  if (a.L == b.L && a.R == b.R && ((b.T <= a.T && a.T <= b.B) || (a.T <= b.T && b.T <= a.B)))
    return true;
  return a.T == b.T && a.B == b.B && ((b.L <= a.L && a.L <= b.R) || (a.L <= b.L && b.L <= a.R));
}

// r without x (x lies inside r), when what remains is one rectangle: x spans r across one
// axis and reaches one of its edges along the other. False when it would be two or more.
bool Remainder(const IRECT& r, const IRECT& x, IRECT& out)
{
  if (x.T <= r.T && x.B >= r.B) // spans the height
  {
    if (x.L <= r.L && x.R < r.R)
    {
      out = IRECT(x.R, r.T, r.R, r.B);
      return true;
    }
    if (x.R >= r.R && x.L > r.L)
    {
      out = IRECT(r.L, r.T, x.L, r.B);
      return true;
    }
  }
  if (x.L <= r.L && x.R >= r.R) // spans the width
  {
    if (x.T <= r.T && x.B < r.B)
    {
      out = IRECT(r.L, x.B, r.R, r.B);
      return true;
    }
    if (x.B >= r.B && x.T > r.T)
    {
      out = IRECT(r.L, r.T, r.R, x.T);
      return true;
    }
  }
  return false;
}
} // namespace

void IRECTList::Optimize()
{
  // Pass 1: drop rectangles held by others; where two overlap, shrink one of them when the
  // rest of it is still one rectangle, otherwise leave both (drawing twice loses nothing).
  for (int i = 0; i < Size(); ++i)
  {
    for (int j = i + 1; j < Size();)
    {
      const IRECT a = Get(i), b = Get(j);
      if (a.Contains(b))
      {
        Delete(j);
        continue;
      }
      if (b.Contains(a))
      {
        Delete(i);
        j = i + 1;
        if (i >= Size())
          break;
        continue;
      }
      if (a.Intersects(b))
      {
        const IRECT x(std::max(a.L, b.L), std::max(a.T, b.T), std::min(a.R, b.R), std::min(a.B, b.B));
        IRECT rest;
        if (Remainder(a, x, rest))
          Set(i, rest);
        else if (Remainder(b, x, rest))
          Set(j, rest);
      }
      ++j;
    }
  }

  // Pass 2: merge neighbours into their union until no pair is left to merge.
  for (int k = 0; k + 1 < Size();)
  {
    bool merged = false;
    for (int m = k + 1; m < Size(); ++m)
    {
      if (Mergeable(Get(k), Get(m)))
      {
        Set(m, Get(k).Union(Get(m)));
        Delete(k);
        merged = true;
        break;
      }
    }
    k = merged ? 0 : k + 1;
  }
}

IRECT IRECTList::Bounds() const
{
  IRECT u;
  for (const IRECT& r : mRects)
    u = u.Union(r);
  return u;
}

} // namespace igraphics
} // namespace plug
