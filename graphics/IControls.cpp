#include "graphics/IControls.h"

#include <cstdio>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IBitmapControl

namespace {
// One frame at (x, y), its size in whole pixels: the bitmap's size divided by the frame count
// in whole numbers along the frames' direction.
IRECT WholeFrameBoundsAt(float x, float y, const IBitmap& bitmap)
{
  const int n = bitmap.FrameCount();
  const bool across = bitmap.GetFramesAreHorizontal();
  const int w = across ? bitmap.W() / n : bitmap.W();
  const int h = across ? bitmap.H() : bitmap.H() / n;
  return IRECT(x, y, x + static_cast<float>(w), y + static_cast<float>(h));
}
} // namespace

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, EBlend blend)
  : IBitmapControl(WholeFrameBoundsAt(x, y, bitmap), bitmap, paramIdx, blend)
{
}

IBitmapControl::IBitmapControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EBlend blend)
  : IControl(bounds, paramIdx), IBitmapBase(bitmap)
{
  AttachIControl(this);
  mBlend = IBlend(blend, 1.f);
}

// ---------------------------------------------------------------------------------------
// ISVGControl

ISVGControl::ISVGControl(const IRECT& bounds, const ISVGImage& svg, bool useLayer)
  : IControl(bounds), mSVG(svg), mUseLayer(useLayer)
{
}

void ISVGControl::SetSVG(const ISVGImage& svg)
{
  mSVG = svg;
  mLayer.reset();
  SetDirty(false);
}

void ISVGControl::Draw(IGraphics& g)
{
  if (!mUseLayer)
  {
    g.DrawSVG(mSVG, mRECT, &mBlend);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    mLayer = g.DrawInLayer(this, mRECT, false, [&] { g.DrawSVG(mSVG, mRECT); });
  }
  g.DrawLayer(mLayer, &mBlend);
}

// ---------------------------------------------------------------------------------------
// IPanelControl

IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame)
  : IContainerBase(bounds), mPattern(pattern), mDrawFrame(drawFrame)
{
  mIgnoreMouse = true;
}

void IPanelControl::Draw(IGraphics& g)
{
  g.PathClear();
  g.PathRect(mRECT);
  g.PathFill(mPattern, IFillOptions(), &mBlend);
  if (mDrawFrame)
    g.DrawRect(COLOR_LIGHT_GRAY, mRECT, &mBlend, 1.f);
}

// ---------------------------------------------------------------------------------------
// ICornerResizerControl

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
  : IControl(IRECT(graphicsBounds.R - size, graphicsBounds.B - size, graphicsBounds.R, graphicsBounds.B)),
    mSize(size), mInitialGraphicsBounds(graphicsBounds), mColor(color), mMouseOverColor(mouseOverColor),
    mDragColor(dragColor)
{
}

void ICornerResizerControl::OnRescale()
{
  if (!mGraphics)
    return;
  const float c = mSize / mGraphics->GetDrawScale();
  const float w = static_cast<float>(mGraphics->Width()), h = static_cast<float>(mGraphics->Height());
  SetTargetAndDrawRECTs(IRECT(w - c, h - c, w, h));
}

void ICornerResizerControl::OnMouseDown(float, float, const IMouseMod&)
{
  if (mGraphics)
    mGraphics->StartDragResize();
}

void ICornerResizerControl::OnMouseDblClick(float, float, const IMouseMod&)
{
  if (mGraphics)
    mGraphics->Resize(static_cast<int>(mInitialGraphicsBounds.W()), static_cast<int>(mInitialGraphicsBounds.H()),
                      1.f, true);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mMouseIsOver && mGraphics)
    mPrevCursorType = mGraphics->SetMouseCursor(ECursor::SIZENWSE);
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mMouseIsOver && mGraphics)
    mGraphics->SetMouseCursor(mPrevCursorType);
  IControl::OnMouseOut();
}

void ICornerResizerControl::Draw(IGraphics& g)
{
  const IColor& color = g.GetResizingInProcess() ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B);
}

// ---------------------------------------------------------------------------------------
// IBubbleControl

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& frameColor, float roundness)
  : IControl(IRECT(), -1, FadeStartFunc), mRoundness(roundness), mFillColor(fillColor), mFrameColor(frameColor)
{
  mText = text;
  mBlend = IBlend(EBlend::SrcOver, 0.f); // invisible until it fades in
  mHide = true;
  mIgnoreMouse = true;
  mAnimationEndActionFunc = HoldFunc;
}

IRECT IBubbleControl::MeasureContent(IGraphics& g, const char* str)
{
  IRECT r;
  g.MeasureText(mText, str, r);
  return IRECT(0.f, 0.f, r.W(), r.H());
}

void IBubbleControl::ShowBubble(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                                const IRECT& minimumContentBounds, ITouchID touchID)
{
  if (!mGraphics || !pCaller)
    return;
  if (mMovementBounds.W() == 0.f)
    mMovementBounds = mGraphics->GetBounds();
  mDirection = dir;
  mTouchId = touchID;
  mStr.Set(str);

  IRECT content = MeasureContent(*mGraphics, mStr.Get());
  if (!minimumContentBounds.Empty())
    content = IRECT(0.f, 0.f, std::max(content.W(), minimumContentBounds.W()),
                    std::max(content.H(), minimumContentBounds.H()));
  const float w = content.W() + 2.f * mCalloutSize + 2.f * mFrameThickness;
  const float h = content.H() + 2.f * mFrameThickness;
  const IRECT& caller = pCaller->GetRECT();

  IRECT box;
  if (dir == EDirection::Horizontal)
  {
    box = IRECT(x, y - 0.5f * h, x + w, y + 0.5f * h);
    if (box.R > mMovementBounds.R - mCalloutSize - mFrameThickness)
    {
      box = IRECT(caller.L - w, box.T, caller.L, box.B);
      mArrowSide = 1;
    }
    else
    {
      mArrowSide = 3;
    }
  }
  else
  {
    box = IRECT(x - 0.5f * w, y - h, x + 0.5f * w, y);
    if (box.T < mMovementBounds.T)
    {
      box = box.GetTranslated(0.f, caller.H() + h);
      mArrowSide = 0;
    }
    else
    {
      mArrowSide = 2;
    }
  }

  // The bounds hold the shadow and the arrow around the box as well.
  mBubbleBounds = box;
  const IRECT area = box.GetPadded(mDropShadowSize);
  SetTargetAndDrawRECTs(mRECT.Empty() ? area : mRECT.Union(area));

  if (mState == kHidden)
  {
    mHide = false;
    mState = kFadingIn;
    SetDirty(true);
  }

  if (pCaller != mCaller)
  {
    mRECT = mTargetRECT = area;
    mGraphics->SetAllControlsDirty();
    mCaller = pCaller;
  }
}

void IBubbleControl::FadeStartFunc(IControl* pCaller)
{
  pCaller->SetAnimation(FadeFunc, kFadeMs);
}

void IBubbleControl::HoldFunc(IControl* pCaller)
{
  auto* bubble = static_cast<IBubbleControl*>(pCaller);
  if (bubble->mState == kShown)
    bubble->SetAnimation(FadeFunc, kHoldMs);
}

void IBubbleControl::FadeFunc(IControl* pCaller)
{
  auto* bubble = static_cast<IBubbleControl*>(pCaller);
  const double progress = bubble->GetAnimationProgress();
  const float maxOpacity = bubble->mMaxOpacity;
  if (progress <= 1.0)
  {
    switch (bubble->mState)
    {
      case kFadingIn: bubble->mBlend.mWeight = static_cast<float>(progress) * maxOpacity; break;
      case kShown: bubble->mBlend.mWeight = maxOpacity; break;
      case kFadingOut: bubble->mBlend.mWeight = static_cast<float>(1.0 - progress) * maxOpacity; break;
      default: break;
    }
    return;
  }

  switch (bubble->mState)
  {
    case kFadingIn:
      bubble->mBlend.mWeight = maxOpacity;
      bubble->mState = kShown;
      bubble->OnEndAnimation(); // the hold follows
      break;
    case kShown:
    {
      IGraphics* g = bubble->GetUI();
      if (g && bubble->mCaller && g->IsControlCaptured(bubble->mCaller))
      {
        bubble->SetDirty(true); // held: look again after another fade period
      }
      else
      {
        bubble->mBlend.mWeight = maxOpacity;
        bubble->mState = kFadingOut;
        bubble->SetDirty(true);
      }
      break;
    }
    case kFadingOut:
      bubble->mBlend.mWeight = 0.f;
      bubble->mHide = true;
      bubble->mState = kHidden;
      bubble->mTouchId = 0;
      bubble->SetDirty(false);
      bubble->OnEndAnimation();
      break;
    default: bubble->OnEndAnimation(); break;
  }
}

void IBubbleControl::Draw(IGraphics& g)
{
  // The body leaves the arrow its room on either side.
  const IRECT body = mBubbleBounds.GetPadded(mCalloutSize, 0.f, -mCalloutSize, 0.f);
  g.DrawFastDropShadow(body, mBubbleBounds, 2.f, mRoundness, 10.f, &mBlend);
  DrawBubble(g, body, &mBlend);
  DrawContent(g, body, &mBlend);
}

void IBubbleControl::DrawBubble(IGraphics& g, const IRECT& r, const IBlend* pBlend)
{
  const float rr = mRoundness, a = mCalloutSize;
  const float cx = r.MW(), cy = r.MH();
  g.PathClear();
  g.PathMoveTo(r.L, r.T + rr);
  g.PathArc(r.L + rr, r.T + rr, rr, 270.f, 360.f);
  if (mArrowSide == 0)
  {
    g.PathLineTo(cx - 0.5f * a, r.T);
    g.PathLineTo(cx, r.T - a);
    g.PathLineTo(cx + 0.5f * a, r.T);
  }
  g.PathArc(r.R - rr, r.T + rr, rr, 0.f, 90.f);
  if (mArrowSide == 1)
  {
    g.PathLineTo(r.R, cy - 0.5f * a);
    g.PathLineTo(r.R + a, cy);
    g.PathLineTo(r.R, cy + 0.5f * a);
  }
  g.PathArc(r.R - rr, r.B - rr, rr, 90.f, 180.f);
  if (mArrowSide == 2)
  {
    g.PathLineTo(cx + 0.5f * a, r.B);
    g.PathLineTo(cx, r.B + a);
    g.PathLineTo(cx - 0.5f * a, r.B);
  }
  g.PathArc(r.L + rr, r.B - rr, rr, 180.f, 270.f);
  if (mArrowSide == 3)
  {
    g.PathLineTo(r.L, cy + 0.5f * a);
    g.PathLineTo(r.L - a, cy);
    g.PathLineTo(r.L, cy - 0.5f * a);
  }
  g.PathClose();
  g.PathFill(mFillColor, IFillOptions(true), pBlend);
  g.PathStroke(mFrameColor, mFrameThickness, IStrokeOptions(), pBlend);
}

void IBubbleControl::DrawContent(IGraphics& g, const IRECT& r, const IBlend* pBlend)
{
  if (mStr.GetLength() > 0)
    g.DrawText(mText, mStr.Get(), r, pBlend);
}

// ---------------------------------------------------------------------------------------
// IFPSDisplayControl

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, int mode, const char* label)
  : IControl(bounds), IVectorBase(DEFAULT_STYLE), mMode(mode)
{
  AttachIControl(this, "");
  mStyle.colorSpec.mColors[kBG] = COLOR_WHITE;
  mLabel.Set(label);
  const IColor& fg = GetColor(kFR);
  mAPIText = IText(14.f, fg, "Roboto-Regular", EAlign::Near, EVAlign::Top);
  mMainText = IText(18.f, fg, "Roboto-Regular", EAlign::Far, EVAlign::Top);
  mSecondText = IText(15.f, fg, "Roboto-Regular", EAlign::Far, EVAlign::Bottom);
  mText = IText(14.f, fg, "Roboto-Regular", EAlign::Near, EVAlign::Bottom);
}

void IFPSDisplayControl::Update(float frameSeconds)
{
  mReadPos = (mReadPos + 1) % kNumFrames;
  mFrameTimes[mReadPos] = frameSeconds;
}

void IFPSDisplayControl::OnMouseDown(float, float, const IMouseMod&)
{
  mMode = mMode >= 2 ? 0 : mMode + 1;
}

void IFPSDisplayControl::Draw(IGraphics& g)
{
  g.FillRect(GetColor(kBG), mRECT);
  g.DrawRect(COLOR_BLACK, mRECT, nullptr, 1.f);

  const IRECT plot = mRECT.GetPadded(-2.f);
  float top = 80.f;
  if (mMode == 1)
    top = 20.f;
  else if (mMode == 2)
    top = 100.f;

  double sum = 0.0;
  g.PathClear();
  g.PathMoveTo(plot.L, plot.B);
  for (int i = 0; i < kNumFrames; ++i)
  {
    const float e = mFrameTimes[(i + mReadPos) % kNumFrames];
    sum += e;
    float v = e;
    if (mMode == 0)
      v = 1.f / (e + 0.00001f);
    else if (mMode == 1)
      v = e * 1000.f;
    const float x = plot.L + static_cast<float>(i) / (kNumFrames - 1) * plot.W();
    const float y = plot.B - std::min(v, top) / top * plot.H();
    g.PathLineTo(x, y);
  }
  g.PathLineTo(mRECT.R, mRECT.B);
  g.PathFill(GetColor(kFG));

  const char* api = g.GetDrawingAPIName();
  if (api && *api)
    g.DrawText(mAPIText, api, plot);
  if (mLabel.GetLength() > 0)
    g.DrawText(mText, mLabel.Get(), plot);

  const double average = sum / kNumFrames;
  char buf[64];
  if (mMode == 2)
  {
    std::snprintf(buf, sizeof(buf), "%.1f %%", average);
    g.DrawText(mMainText, buf, plot);
  }
  else if (mMode == 1)
  {
    std::snprintf(buf, sizeof(buf), "%.2f ms", average * 1000.0);
    g.DrawText(mMainText, buf, plot);
  }
  else
  {
    std::snprintf(buf, sizeof(buf), "%.2f FPS", 1.0 / average);
    g.DrawText(mMainText, buf, plot);
    std::snprintf(buf, sizeof(buf), "%.2f ms", average * 1000.0);
    g.DrawText(mSecondText, buf, plot);
  }
}

} // namespace igraphics
} // namespace plug
