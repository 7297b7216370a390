#include "platform/mac/IGraphicsMac.h"

#include <cmath>

#include "graphics/IControl.h"
#include "graphics/IPopupMenuControl.h"
#include "platform/mac/CoreTextFont.h"
#include "platform/mac/FontDescriptorCache.h"
#include "platform/mac/IGraphicsView.h"
#include "plug/IGEditorDelegate.h"
#include "standin/foundation/RunLoop.h"
#include "standin/metal/CAMetalLayer.h"

namespace plug {
namespace igraphics {

NSRect ToViewRect(const IRECT& r, float scale)
{
  const float x = std::floor(r.L * scale);
  const float y = std::floor(r.T * scale);
  const float w = std::ceil(r.R * scale) - x;
  const float h = std::ceil(r.B * scale) - y;
  return NSMakeRect(x, y, w, h);
}

EUIAppearance ViewAppearance(NSView* view)
{
  const NSAppearance* appearance = view->effectiveAppearance();
  const bool dark = appearance && appearance->name() && appearance->name()->isEqual(NSAppearanceNameDarkAqua);
  return dark ? EUIAppearance::Dark : EUIAppearance::Light;
}

// ---- construction ----

IGraphicsMac::IGraphicsMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : IGraphicsVGR(dlg, w, h, fps, scale)
{
  NSApplicationLoad();
  FontDescriptorCache::Shared().AddInstance();
}

IGraphicsMac::~IGraphicsMac()
{
  // The count and the cache clearing hold the cache's mutex; the close sequence does not, since
  // it runs the editor's own code (text entry, delegate), which may load fonts.
  FontDescriptorCache::Shared().RemoveInstance();
  if (mView)
    CloseView();
}

unsigned IGraphicsMac::GetSystemVersion()
{
  static const unsigned sVersion = []() -> unsigned {
    if (NSAppKitVersionNumber >= 1404)
      return 0x10B0;
    if (NSAppKitVersionNumber >= 1266)
      return 0x10A0;
    SInt32 version = 0;
    if (Gestalt(0x73797376 /* 'sysv' */, &version) != 0 || version == 0)
      return 0x1040;
    return static_cast<unsigned>(version);
  }();
  return sVersion;
}

int IGraphicsMac::InstanceCount() { return FontDescriptorCache::Shared().InstanceCount(); }

// ---- coordinates and the cursor ----

NSPoint IGraphicsMac::ScreenToViewPoint(NSPoint screen) const
{
  if (!mView)
    return screen;
  NSPoint inWindow = NSMakePoint(0, 0);
  if (NSWindow* window = mView->window())
    inWindow = window->convertRectFromScreen(NSMakeRect(screen.x, screen.y, 0, 0)).origin;
  const NSPoint p = mView->convertPointFromView(inWindow, nullptr);
  const float scale = GetDrawScale();
  return NSMakePoint(p.x / scale, p.y / scale);
}

NSPoint IGraphicsMac::ViewToScreenPoint(NSPoint point) const
{
  const float scale = GetDrawScale();
  const NSPoint inWindow = mView->convertPointToView(NSMakePoint(point.x * scale, point.y * scale), nullptr);
  if (NSWindow* window = mView->window())
    return window->convertRectToScreen(NSMakeRect(inWindow.x, inWindow.y, 0, 0)).origin;
  return NSMakePoint(0, 0);
}

void IGraphicsMac::StoreCursorPosition()
{
  const NSPoint mouse = NSEvent::mouseLocation();
  mCursorLockPosition = NSMakePoint(std::round(mouse.x), std::round(mouse.y));
  const NSPoint p = ScreenToViewPoint(mCursorLockPosition);
  mCursorX = static_cast<float>(p.x);
  mCursorY = static_cast<float>(p.y);
}

void IGraphicsMac::WarpCursorToScreenPoint(double x, double y)
{
  const double displayHeight = static_cast<double>(CGDisplayPixelsHigh(CGMainDisplayID()));
  CGAssociateMouseAndMouseCursorPosition(false);
  CGDisplayMoveCursorToPoint(CGMainDisplayID(), CGPointMake(x, displayHeight - y));
  CGAssociateMouseAndMouseCursorPosition(true);
}

void IGraphicsMac::LockedCursorPosition(float x, float y, float& prevX, float& prevY)
{
  if (mCursorHidden && mCursorLock && !mTabletInput)
  {
    WarpCursorToScreenPoint(mCursorLockPosition.x, mCursorLockPosition.y);
    prevX = mCursorX;
    prevY = mCursorY;
  }
  else
  {
    mCursorX = prevX = x;
    mCursorY = prevY = y;
  }
}

void IGraphicsMac::GetMouseLocation(float& x, float& y) const
{
  const NSPoint p = ScreenToViewPoint(NSEvent::mouseLocation());
  x = static_cast<float>(p.x);
  y = static_cast<float>(p.y);
}

void IGraphicsMac::HideMouseCursor(bool hide, bool lock)
{
  if (hide == mCursorHidden)
    return;
  mCursorHidden = hide;
  if (hide)
  {
    StoreCursorPosition();
    CGDisplayHideCursor(CGMainDisplayID());
    mCursorLock = lock;
  }
  else
  {
    CGDisplayShowCursor(CGMainDisplayID());
    mCursorLock = false;
  }
}

void IGraphicsMac::MoveMouseCursor(float x, float y)
{
  if (mTabletInput)
    return;
  const NSPoint screen = mView ? ViewToScreenPoint(NSMakePoint(x, y)) : NSMakePoint(x, y);
  WarpCursorToScreenPoint(screen.x, screen.y);
  StoreCursorPosition();
}

ECursor IGraphicsMac::SetMouseCursor(ECursor cursorType)
{
  if (mView)
    mView->setMouseCursor(static_cast<int>(cursorType));
  return IGraphics::SetMouseCursor(cursorType);
}

// ---- child views, text ----

void IGraphicsMac::AttachPlatformView(const IRECT& bounds, void* pView)
{
  NSView* child = static_cast<NSView*>(pView);
  if (!mView || !child)
    return;
  child->setFrame(ToViewRect(bounds, GetDrawScale()));
  mView->addSubview(child);
}

void IGraphicsMac::RemovePlatformView(void* pView)
{
  if (NSView* child = static_cast<NSView*>(pView))
    child->removeFromSuperview();
}

void IGraphicsMac::HidePlatformView(void* pView, bool hide)
{
  if (NSView* child = static_cast<NSView*>(pView))
    child->setHidden(hide);
}

void IGraphicsMac::EndPlatformTextEntry()
{
  if (mView)
    mView->endUserInput();
}

// ---- the window ----

void* IGraphicsMac::OpenWindow(void* pParent)
{
  NSAutoreleasePool pool;
  if (mView)
    CloseView();

  mView = new IGraphicsView(this);
  OnViewInitialized(mView->MetalLayer()->MetalLayer());
  SetScreenScale(static_cast<float>(NSScreen::mainScreen()->backingScaleFactor()));
  GetDelegate()->ArrangeUI(this);
  UpdateTooltips();
  GetDelegate()->SendAllParamsToUI();
  if (NSView* parent = static_cast<NSView*>(pParent))
    parent->addSubview(mView);
  return mView;
}

void IGraphicsMac::CloseWindow()
{
  if (mView)
    CloseView();
}

void IGraphicsMac::CloseView()
{
  // The view leaves this object before it is removed: its removal then does not ask the
  // delegate to close the editor again (which would delete this object mid-way).
  NSAutoreleasePool pool;
  IGraphicsView* view = mView;
  mView = nullptr;
  view->removeAllToolTips();
  view->killTimer();
  view->removeFromSuperview();
  view->ForgetGraphics();
  view->release();
  OnViewDestroyed();
}

double IGraphicsMac::GetClockMs() const { return CACurrentMediaTime() * 1000.0; }

void* IGraphicsMac::GetWindow() { return mView; }

void IGraphicsMac::PlatformResize(bool /*parentHasResized*/)
{
  if (mView)
  {
    NSAnimationContext::beginGrouping();
    NSAnimationContext::currentContext()->setDuration(0);
    const float w = static_cast<float>(Width()) * GetDrawScale();
    const float h = static_cast<float>(Height()) * GetDrawScale();
    mView->setFrameSize(NSMakeSize(w, h));
    NSAnimationContext::endGrouping();
  }
  UpdateTooltips();
}

void IGraphicsMac::UpdateTooltips()
{
  if (!mView || !TooltipsEnabled())
    return;
  NSAutoreleasePool pool;
  mView->removeAllToolTips();
  IPopupMenuControl* menu = GetPopupMenuControl();
  if (menu && menu->GetState() > IPopupMenuControl::kIdle)
    return;
  ForStandardControlsFunc([this](IControl* pControl) {
    if (!pControl->IsHidden() && !pControl->GetTargetRECT().Empty())
      mView->registerToolTip(pControl->GetTargetRECT());
  });
}

EUIAppearance IGraphicsMac::GetUIAppearance() const
{
  if (mView && standin::appkit::IsSystemVersionAtLeast(10, 14))
    return ViewAppearance(mView);
  return EUIAppearance::Light;
}

// ---- fonts ----

PlatformFontPtr IGraphicsMac::LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID)
{
  return LoadCoreTextFontFromFile(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr IGraphicsMac::LoadPlatformFontFromMemory(const char* fontID, void* pData, int dataSize)
{
  return LoadCoreTextFontFromMemory(fontID, pData, dataSize);
}

PlatformFontPtr IGraphicsMac::LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle style)
{
  return LoadCoreTextFontByName(fontID, fontName, static_cast<int>(style));
}

void IGraphicsMac::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  CacheCoreTextFontDescriptor(fontID, font);
}

} // namespace igraphics
} // namespace plug
