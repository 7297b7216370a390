#include "plug/IGraphicsHeadless.h"

#include <algorithm>

#include "plug/IGEditorDelegate.h"

namespace plug {
namespace igraphics {

IGraphicsHeadless::IGraphicsHeadless(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : mDelegate(dlg), mWidth(w), mHeight(h), mFPS(fps), mDrawScale(scale)
{
}

void IGraphicsHeadless::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  mDelegate.ConstrainEditorSize(w, h);
  if (!(scale >= kMinScale)) // NaN lands on the minimum too
    scale = kMinScale;
  scale = std::min(kMaxScale, scale);
  if (w == mWidth && h == mHeight && scale == mDrawScale)
    return;
  mDrawScale = scale;
  mWidth = w;
  mHeight = h;
  mDelegate.RequestEditorResize(static_cast<int>(w * scale), static_cast<int>(h * scale), needsPlatformResize);
}

void IGraphicsHeadless::SetScreenScale(float scale)
{
  mScreenScale = scale;
  mDelegate.RequestEditorResize(static_cast<int>(mWidth * mDrawScale), static_cast<int>(mHeight * mDrawScale), true);
}

void* IGraphicsHeadless::OpenWindow(void* /*pParent*/)
{
  mWindowOpen = true;
  mDelegate.ArrangeUI(this);
  mDelegate.SendAllParamsToUI();
  return &mView;
}

void IGraphicsHeadless::CloseWindow()
{
  mWindowOpen = false;
}

void IGraphicsHeadless::GetMouseLocation(float& x, float& y) const
{
  x = 0.f;
  y = 0.f;
}

bool IGraphicsHeadless::OnKeyDown(float, float, const IKeyPress&) { return false; }
bool IGraphicsHeadless::OnKeyUp(float, float, const IKeyPress&) { return false; }

// No controls live here, so values and messages for them have nowhere to go.
void IGraphicsHeadless::SetParamValueFromDelegate(int, double) {}
void IGraphicsHeadless::SetControlValueFromDelegate(int, double) {}
void IGraphicsHeadless::SendControlMsgFromDelegate(int, int, int, const void*) {}
void IGraphicsHeadless::SendMidiMsgFromDelegate(const IMidiMsg&) {}

} // namespace igraphics
} // namespace plug
