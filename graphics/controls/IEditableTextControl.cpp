#include "graphics/controls/IEditableTextControl.h"

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

IEditableTextControl::IEditableTextControl(const IRECT& bounds, const char* str, const IText& text,
                                           const IColor& bgColor)
  : ITextControl(bounds, str, text, bgColor)
{
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

void IEditableTextControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mGraphics)
    mGraphics->CreateTextEntry(*this, mText, mRECT, GetStr(), 0);
}

void IEditableTextControl::OnTextEntryCompletion(const char* str, int /*valIdx*/)
{
  SetStr(str);
  SetDirty(true);
}

} // namespace igraphics
} // namespace plug
