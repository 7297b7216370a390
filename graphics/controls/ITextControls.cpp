#include "graphics/controls/ITextControls.h"

#include <cstdarg>
#include <cstring>

#include "graphics/IGraphics.h"
#include "plug/IParam.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// ITextControl

ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor,
                           bool fitBoundsToString)
  : IControl(bounds), mBGColor(bgColor), mFitBoundsToString(fitBoundsToString)
{
  mStr.Set(str);
  mText = text;
  mIgnoreMouse = true;
}

void ITextControl::OnInit()
{
  if (mFitBoundsToString)
    FitBoundsToString();
}

void ITextControl::FitBoundsToString()
{
  if (!mGraphics)
    return;
  IRECT measured;
  mGraphics->MeasureText(mText, mStr.Get(), measured);
  const float hw = 0.5f * measured.W(), hh = 0.5f * measured.H();
  const float cx = mRECT.MW(), cy = mRECT.MH();
  SetTargetAndDrawRECTs(IRECT(cx - hw, cy - hh, cx + hw, cy + hh));
}

void ITextControl::SetStr(const char* str)
{
  if (std::strcmp(str ? str : "", mStr.Get()) == 0)
    return;
  mStr.Set(str);
  if (mFitBoundsToString)
    FitBoundsToString();
  SetDirty(false);
}

void ITextControl::SetStrFmt(int maxLength, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  mStr.VPrintf(maxLength, format, args);
  va_end(args);
  SetDirty(false);
}

void ITextControl::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  // While its text is being edited the entry field shows it instead.
  if (mStr.GetLength() > 0 && g.GetControlInTextEntry() != this)
    g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

// ---------------------------------------------------------------------------------------
// ICaptionControl

ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text, const IColor& bgColor,
                                 bool showParamLabel)
  : ITextControl(bounds, "", text, bgColor), mShowParamLabel(showParamLabel)
{
  SetParamIdx(paramIdx); // clamps the value and marks the control dirty
  mDisablePrompt = false;
  mDblAsSingleClick = true;
  mIgnoreMouse = false;
  mDrawsParamText = true;
}

void ICaptionControl::OnResize()
{
  const IParam* param = GetParam();
  if (!param || param->Kind() != kKindEnum)
    return;
  // The triangle sits in a square strip at the end away from right-aligned text.
  const float s = mText.mSize;
  const IRECT strip = mText.mAlign == EAlign::Far ? IRECT(mRECT.L, mRECT.T, mRECT.L + s, mRECT.B)
                                                  : IRECT(mRECT.R - s, mRECT.T, mRECT.R, mRECT.B);
  mTri = strip.GetCentredInside(0.5f * s, 0.33f * s);
}

void ICaptionControl::Draw(IGraphics& g)
{
  if (const IParam* param = GetParam())
  {
    param->FormatValue(param->Value(), false, mStr, true);
    // A caption keeps the blank also before an empty label.
    if (mShowParamLabel)
    {
      mStr.Append(" ");
      mStr.Append(param->LabelText());
    }
  }
  ITextControl::Draw(g);

  if (mTri.L < mTri.R)
  {
    if (mMouseIsOver)
      g.FillTriangle(mTriangleMouseOverColor, mTri.L, mTri.T, mTri.R, mTri.T, mTri.MW(), mTri.B);
    else
      g.FillTriangle(mTriangleColor, mTri.L, mTri.T, mTri.R, mTri.T, mTri.MW(), mTri.B, &mTriangleBlend);
  }
}

void ICaptionControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& mod)
{
  if ((mod.L || mod.R) && mGraphics && GetParam() && !mDisablePrompt)
    mGraphics->PromptUserInput(*this, mRECT, 0);
}

// ---------------------------------------------------------------------------------------
// IURLControl

IURLControl::IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text,
                         const IColor& bgColor, const IColor& mouseOverColor, const IColor& clickedColor)
  : ITextControl(bounds, str, text, bgColor), mOriginalColor(text.mFGColor), mMouseOverColor(mouseOverColor),
    mClickedColor(clickedColor)
{
  mURL.Set(url);
  mIgnoreMouse = false;
}

void IURLControl::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mGraphics)
    mGraphics->SetMouseCursor(ECursor::HAND);
  if (!mMouseIsOver)
  {
    mMouseIsOver = true;
    SetDirty(false);
  }
}

void IURLControl::OnMouseOut()
{
  if (mGraphics)
    mGraphics->SetMouseCursor(ECursor::ARROW);
  if (mMouseIsOver)
  {
    mMouseIsOver = false;
    SetDirty(false);
  }
}

void IURLControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mGraphics)
  {
    mGraphics->OpenURL(mURL.Get());
    mGraphics->ReleaseMouseCapture();
  }
  mClicked = true; // whether or not the platform could open it
}

void IURLControl::SetText(const IText& text)
{
  mText = text;
  mOriginalColor = text.mFGColor;
}

void IURLControl::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  mText.mFGColor = mMouseIsOver ? mMouseOverColor : (mClicked ? mClickedColor : mOriginalColor);
  if (mStr.GetLength() == 0)
    return;

  // The underline runs under the text as alignment places it: measured in an empty
  // rectangle, the box is relative to the alignment point.
  IRECT m;
  g.MeasureText(mText, mStr.Get(), m);
  float y = mRECT.B;
  switch (mText.mVAlign)
  {
    case EVAlign::Top: y = mRECT.T + m.H(); break;
    case EVAlign::Middle: y = mRECT.MH() + m.B; break;
    case EVAlign::Bottom: y = mRECT.B; break;
  }
  float x1 = mRECT.L, x2 = mRECT.L + m.W();
  switch (mText.mAlign)
  {
    case EAlign::Near: break;
    case EAlign::Center:
      x1 = mRECT.MW() + m.L;
      x2 = mRECT.MW() + m.R;
      break;
    case EAlign::Far:
      x1 = mRECT.R - m.W();
      x2 = mRECT.R;
      break;
  }
  g.DrawLine(mText.mFGColor, x1, y, x2, y, &mBlend, 1.f);
  g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

// ---------------------------------------------------------------------------------------
// ITextToggleControl

ITextToggleControl::ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText, const char* onText,
                                       const IText& text, const IColor& bgColor)
  : ITextControl(bounds, offText, text, bgColor)
{
  SetUp(offText, onText);
  SetParamIdx(paramIdx);
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
  : ITextControl(bounds, offText, text, bgColor)
{
  SetUp(offText, onText);
  SetActionFunction(std::move(actionFunc));
}

void ITextToggleControl::SetUp(const char* offText, const char* onText)
{
  mOffText.Set(offText);
  mOnText.Set(onText);
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

void ITextToggleControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  SetValue(GetValue() < 0.5 ? 1.0 : 0.0);
  SetDirty(true, 0);
}

void ITextToggleControl::SetDirty(bool triggerAction, int /*valIdx*/)
{
  SetStr(GetValue() > 0.5 ? mOnText.Get() : mOffText.Get());
  IControl::SetDirty(triggerAction, -1);
}

// ---------------------------------------------------------------------------------------
// PlaceHolder

PlaceHolder::PlaceHolder(const IRECT& bounds, const char* str)
  : ITextControl(bounds, str, IText(20.f), COLOR_WHITE), mTLHCText(IText().WithAlign(EAlign::Near)),
    mHeightText(IText().WithAngle(270.f))
{
  mDisablePrompt = false;
  mIgnoreMouse = false;
}

void PlaceHolder::OnResize()
{
  // "%0.1f" of each figure, independent of the locale.
  char l[64], t[64], w[64], h[64];
  FormatDouble(l, sizeof(l), mRECT.L, 1);
  FormatDouble(t, sizeof(t), mRECT.T, 1);
  FormatDouble(w, sizeof(w), mRECT.W(), 1);
  FormatDouble(h, sizeof(h), mRECT.H(), 1);
  mTLHCStr.Printf(kMaxReadoutLength, "%s, %s", l, t);
  mWidthStr.Printf(kMaxReadoutLength, "%s", w);
  mHeightStr.Printf(kMaxReadoutLength, "%s", h);
}

void PlaceHolder::DrawReadout(IGraphics& g, const IText& text, const char* str, float x, float y, float weight)
{
  IRECT box;
  g.MeasureText(text, str, box);
  const IBlend patch(EBlend::SrcOver, weight);
  g.FillRect(mBGColor, box.GetTranslated(x, y), &patch);
  g.DrawTextAt(text, str, x, y, &mBlend);
}

void PlaceHolder::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  g.DrawLine(COLOR_RED, mRECT.L, mRECT.T, mRECT.R, mRECT.B, &BLEND_50, 2.f);
  g.DrawLine(COLOR_RED, mRECT.L, mRECT.B, mRECT.R, mRECT.T, &BLEND_50, 2.f);

  DrawReadout(g, mHeightText, mHeightStr.Get(), mRECT.L + 10.f, mRECT.MH(), 0.5f);
  DrawReadout(g, mWidthText, mWidthStr.Get(), mRECT.MW(), mRECT.T + 10.f, 0.75f);
  DrawReadout(g, mTLHCText, mTLHCStr.Get(), mRECT.L + 10.f, mRECT.T + 10.f, 0.5f);

  if (mStr.GetLength() > 0)
  {
    IRECT r = mRECT;
    g.MeasureText(mText, mStr.Get(), r);
    g.FillRect(mBGColor, r, &BLEND_75);
    g.DrawText(mText, mStr.Get(), r, &mBlend);
    mCentreLabelBounds = r;
  }
}

void PlaceHolder::OnMouseDblClick(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mGraphics)
    mGraphics->CreateTextEntry(*this, mText, mRECT, mStr.Get(), 0);
}

void PlaceHolder::OnTextEntryCompletion(const char* str, int /*valIdx*/)
{
  SetStr(str);
}

} // namespace igraphics
} // namespace plug
