#include "platform/mac/IGraphicsView.h"

#include "graphics/EditorEntry.h"
#include "platform/mac/MacStrings.h"
#include "platform/mac/ScopedRetain.h"

#include <cstdio>
#include <string>

#include "plug/IGEditorDelegate.h"
#include "standin/foundation/Unicode.h"
#include "standin/metal/CAMetalLayer.h"

using namespace plug::igraphics;
using plug::StringOrEmpty;
using plug::StringOrNil;

STANDIN_DEFINE_CLASS(IGraphicsView, NSView)

namespace {

NSRect ViewFrameOf(const IGraphicsMac& graphics)
{
  const float w = static_cast<float>(graphics.Width()) * graphics.GetDrawScale();
  const float h = static_cast<float>(graphics.Height()) * graphics.GetDrawScale();
  return NSMakeRect(0, 0, w, h);
}

bool HasFilenames(NSPasteboard* pasteboard)
{
  const NSArray* types = pasteboard ? pasteboard->types() : nullptr;
  if (!types)
    return false;
  for (size_t i = 0; i < types->count(); ++i)
    if (types->objectAtIndex(i)->isEqual(NSFilenamesPboardType))
      return true;
  return false;
}

} // namespace

// ---- creation and teardown ----

IGraphicsView::PLUG_OBJC_CLASS(IGraphicsView)(IGraphicsMac* pGraphics, standin::RuntimeClass& cls)
  : NSView(ViewFrameOf(*pGraphics), cls)
  , mGraphics(pGraphics)
{
  NSAutoreleasePool pool;
  setWantsLayer(true);
  if (CALayer* backing = layer())
    backing->setOpaque(true);
  setLayerContentsRedrawPolicy(NSViewLayerContentsRedrawDuringViewResize);
  registerForDraggedTypes(Autoreleased(new NSArray({NSFilenamesPboardType})));
  CAMetalLayer* metal = CAMetalLayer::layer();
  setLayer(metal);
  metal->setPixelFormat(standin::mtl::PixelFormat::BGRA8Unorm);
  metal->setDevice(MTLCreateSystemDefaultDevice());
  setTimer();
}

IGraphicsView::~PLUG_OBJC_CLASS(IGraphicsView)()
{
  if (NSColorPanel::sharedColorPanelExists())
    NSColorPanel::sharedColorPanel()->close();
  detachColorPanel();
  if (mMoveCursor)
    mMoveCursor->release();
  if (mTrackingArea)
    mTrackingArea->release();
  NSNotificationCenter::defaultCenter()->removeObserver(this);
}

::CAMetalLayer* IGraphicsView::MetalLayer() const { return static_cast<::CAMetalLayer*>(layer()); }

void IGraphicsView::ForgetGraphics()
{
  mGraphics = nullptr;
  // The view may outlive the editor (its window or a pool may hold it): a colour picked from
  // now on must not reach the editor's callback.
  detachColorPanel();
}

// ---- frame clock and drawing pass ----

void IGraphicsView::setTimer()
{
  const double interval = 1.0 / static_cast<double>(mGraphics->FPS());
  mTimer = NSTimer::timerWithTimeInterval(interval, this, STANDIN_SELECTOR(IGraphicsView, onTimer), nullptr, true);
  NSRunLoop::currentRunLoop()->addTimer(mTimer, kCFRunLoopCommonModes);
}

void IGraphicsView::killTimer()
{
  if (mTimer)
    mTimer->invalidate();
  mTimer = nullptr;
}

void IGraphicsView::onTimer(NSTimer*) { render(); }

void IGraphicsView::render()
{
  // A control's drawing may reach the host, which may close the editor: the close invalidates
  // this timer, which lets go of the view, and the view stays until the pass has returned.
  const ScopedRetain<IGraphicsView> hold(this);
  mDirtyRects.Clear();
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    if (!g.IsDirty(mDirtyRects))
      return;
    // IsDirty ends animations, whose actions may reach the host (a preset load tells it every
    // value), and the host may close the editor, destroy the instance or move the editor to
    // another view container in there. The pass goes on only for an open context that this
    // view still serves; otherwise the dirty flags stay for the view that serves it now.
    if (g.IsClosed() || g.GetView() != this)
      return;
    g.SetAllControlsClean();
    g.Draw(mDirtyRects);
  });
}

NSGraphicsContext* IGraphicsView::getCGContextRef()
{
  NSGraphicsContext* current = NSGraphicsContext::currentContext();
  if (!current)
    return nullptr;
  return NSGraphicsContext::graphicsContextWithCGContext(current->CGContext(), true);
}

// ---- window, scale, size, appearance ----

void IGraphicsView::updateDrawableSize()
{
  NSWindow* w = window();
  const CGFloat scale = w ? w->backingScaleFactor() : NSScreen::mainScreen()->backingScaleFactor();
  const NSRect f = frame();
  MetalLayer()->setDrawableSize(CGSizeMake(f.size.width * scale, f.size.height * scale));
}

void IGraphicsView::viewDidMoveToWindow()
{
  // The editor may close inside (its view then goes with the host's window): the view stays
  // until this returns.
  const ScopedRetain<IGraphicsView> hold(this);
  GuardedCall([&] {
    NSWindow* w = window();
    if (!w)
      return;
    w->makeFirstResponder(this);
    w->setAcceptsMouseMovedEvents(true);
    // The new scale reaches every control and may reach the host, which may close the editor.
    EditorEntry::Enter(mGraphics,
                       [&](IGraphicsMac& g) { g.SetScreenScale(static_cast<float>(w->backingScaleFactor())); });
    NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
    center->removeObserver(this, NSViewFrameDidChangeNotification, this);
    center->addObserver(this, STANDIN_SELECTOR(IGraphicsView, frameDidChange), NSViewFrameDidChangeNotification, this);
    // A Metal layer in a window follows its view's size in pixels.
    updateDrawableSize();
  });
}

void IGraphicsView::viewDidChangeBackingProperties()
{
  // The editor may close inside (its view then goes with the host's window): the view stays
  // until this returns.
  const ScopedRetain<IGraphicsView> hold(this);
  GuardedCall([&] {
    NSWindow* w = window();
    if (!w)
      return;
    const float scale = static_cast<float>(w->backingScaleFactor());
    EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
      g.SetPlatformContext(nullptr);
      if (scale != g.GetScreenScale())
        g.SetScreenScale(scale);
    });
    updateDrawableSize();
  });
}

void IGraphicsView::frameDidChange(NSNotification*)
{
  GuardedCall([&] {
    if (window())
      updateDrawableSize();
  });
}

void IGraphicsView::viewDidChangeEffectiveAppearance()
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    if (standin::appkit::IsSystemVersionAtLeast(10, 14))
      g.OnAppearanceChanged(ViewAppearance(this));
  });
}

void IGraphicsView::updateTrackingAreas()
{
  GuardedCall([&] {
    NSView::updateTrackingAreas();
    if (mTrackingArea)
    {
      removeTrackingArea(mTrackingArea);
      mTrackingArea->release();
    }
    const NSTrackingAreaOptions options =
      NSTrackingMouseEnteredAndExited | NSTrackingActiveAlways | NSTrackingEnabledDuringMouseDrag;
    mTrackingArea = new NSTrackingArea(bounds(), options, this, nullptr);
    addTrackingArea(mTrackingArea);
  });
}

void IGraphicsView::removeFromSuperview()
{
  // The view outlives this method even when the editor closes inside it or a step throws; the
  // view leaves its superview in any case.
  const ScopedRetain<IGraphicsView> hold(this);
  GuardedCall([&] {
    if (mTextFieldView)
      endUserInput();
  });
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    g.SetPlatformContext(nullptr);
    // Removal by the host: the editor closes through its delegate. The close sequence itself
    // detaches the view from its graphics object first, so it never gets here.
    if (g.GetView() == this)
      g.GetDelegate()->CloseEditorWindow();
  });
  NSView::removeFromSuperview();
}

// ---- pointer ----

void IGraphicsView::getMouseXY(NSEvent* event, float& x, float& y)
{
  if (!mGraphics)
    return;
  const NSPoint p = convertPointFromView(event->locationInWindow(), nullptr);
  const float scale = mGraphics->GetDrawScale();
  x = static_cast<float>(p.x) / scale;
  y = static_cast<float>(p.y) / scale;
  mGraphics->LockedCursorPosition(x, y, mPrevX, mPrevY);
  mGraphics->SetTabletInput(event->subtype() == NSEventSubtypeTabletPoint);
}

IMouseInfo IGraphicsView::getMouseLeft(NSEvent* event)
{
  IMouseInfo info;
  getMouseXY(event, info.x, info.y);
  info.ms = MacMouseMod(event->modifierFlags(), false);
  return info;
}

IMouseInfo IGraphicsView::getMouseRight(NSEvent* event)
{
  IMouseInfo info;
  getMouseXY(event, info.x, info.y);
  info.ms = MacMouseMod(event->modifierFlags(), true);
  return info;
}

void IGraphicsView::mouseEntered(NSEvent*)
{
  mMouseOutDuringDrag = false;
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) { g.SetMouseCursor(g.GetCursor()); });
}

void IGraphicsView::mouseExited(NSEvent*)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    if (g.ControlIsCaptured())
      mMouseOutDuringDrag = true;
    else
      g.OnMouseOut();
  });
}

namespace {

void ButtonDown(IGraphicsMac& graphics, const IMouseInfo& info, NSInteger clickCount)
{
  if (clickCount % 2 == 1)
    graphics.OnMouseDown({info});
  else
    graphics.OnMouseDblClick(info.x, info.y, info.ms);
}

} // namespace

void IGraphicsView::mouseDown(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) { ButtonDown(g, getMouseLeft(event), event->clickCount()); });
}

void IGraphicsView::rightMouseDown(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) { ButtonDown(g, getMouseRight(event), event->clickCount()); });
}

void IGraphicsView::mouseUp(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) { g.OnMouseUp({getMouseLeft(event)}); });
  // The pointer left during the drag: the editor hears it now, unless the mouse-up closed it.
  if (mMouseOutDuringDrag)
  {
    mMouseOutDuringDrag = false;
    EditorEntry::Enter(mGraphics, [](IGraphicsMac& g) { g.OnMouseOut(); });
  }
}

void IGraphicsView::rightMouseUp(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) { g.OnMouseUp({getMouseRight(event)}); });
}

void IGraphicsView::mouseDragged(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    const float prevX = mPrevX, prevY = mPrevY;
    IMouseInfo info = getMouseLeft(event);
    // A platform text field open (not the in-editor one): no drags.
    if (g.GetControlInTextEntry() && !g.GetTextEntryControl())
      return;
    info.dX = info.x - prevX;
    info.dY = info.y - prevY;
    g.OnMouseDrag({info});
  });
}

void IGraphicsView::rightMouseDragged(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    const float prevX = mPrevX, prevY = mPrevY;
    IMouseInfo info = getMouseRight(event);
    if (mTextFieldView)
      return;
    info.dX = info.x - prevX;
    info.dY = info.y - prevY;
    g.OnMouseDrag({info});
  });
}

void IGraphicsView::mouseMoved(NSEvent* event)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    const IMouseInfo info = getMouseLeft(event);
    g.OnMouseOver(info.x, info.y, info.ms);
  });
}

void IGraphicsView::scrollWheel(NSEvent* event)
{
  // Scrolling ends a platform text field first; its commit may close the editor.
  if (mTextFieldView)
    GuardedCall([&] { endUserInput(); });
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    const IMouseInfo info = getMouseLeft(event);
    g.OnMouseWheel(info.x, info.y, info.ms, static_cast<float>(event->deltaY()));
  });
}

// ---- keys ----

void IGraphicsView::keyEvent(NSEvent* event, bool down)
{
  // Taken by the editor, or (when it is not there, or it did not take it) passed on to the host.
  const bool handled = EditorEntry::Enter(false, mGraphics, [&](IGraphicsMac& g) {
    const NSString* characters = event->charactersIgnoringModifiers();
    const std::u16string units = standin::Utf8ToUtf16(characters ? characters->UTF8String() : "");
    const IKeyPress key = MacKeyPress(event->keyCode(), units, event->modifierFlags());
    return down ? g.OnKeyDown(mPrevX, mPrevY, key) : g.OnKeyUp(mPrevX, mPrevY, key);
  });
  if (handled)
    return;
  GuardedCall([&] {
    if (down)
      NSView::keyDown(event);
    else
      NSView::keyUp(event);
  });
}

void IGraphicsView::keyDown(NSEvent* event) { keyEvent(event, true); }

void IGraphicsView::keyUp(NSEvent* event) { keyEvent(event, false); }

// ---- cursors and tooltips ----

NSCursor* IGraphicsView::buildMoveCursor() const
{
  // The system's cursor files; the stand-in's machine says where they are.
  const std::string folder = standin::appkit::SystemCursorFolder();
  const char* name = "move";
  char path[1024];
  char info[1100];
  std::snprintf(path, sizeof(path), "%s%s/cursor.pdf", folder.c_str(), name);
  std::snprintf(info, sizeof(info), "file:%s%s/info.plist", folder.c_str(), name);

  NSAutoreleasePool pool;
  NSImage* vector = new NSImage(StringOrNil(path));
  if (!vector->isValid())
  {
    vector->release();
    return nullptr;
  }
  NSImage* image = new NSImage(vector->size());

  const NSDictionary* dict = NSDictionary::dictionaryWithContentsOfURL(NSURL::URLWithString(StringOrNil(info)));
  auto number = [dict](const char* key) -> double {
    const NSObject* value = dict ? dict->objectForKey(key) : nullptr;
    if (const auto* n = dynamic_cast<const NSNumber*>(value))
      return n->doubleValue();
    if (const auto* s = dynamic_cast<const NSString*>(value))
      return s->doubleValue();
    return 0.0;
  };
  const NSPoint hotSpot = NSMakePoint(number("hotx-scaled"), number("hoty-scaled"));
  const double blur = number("blur");
  const double offsetX = number("shadowoffsetx");
  const double offsetY = number("shadowoffsety");
  double rgba[4] = {0, 0, 0, 0};
  if (const auto* colour = dynamic_cast<const NSArray*>(dict ? dict->objectForKey("shadowcolor") : nullptr))
  {
    for (size_t i = 0; i < 4 && i < colour->count(); ++i)
      if (const auto* n = dynamic_cast<const NSNumber*>(colour->objectAtIndex(i)))
        rgba[i] = n->doubleValue();
  }
  CGColorRef shadowColor = CGColorCreateGenericRGB(rgba[0], rgba[1], rgba[2], rgba[3]);

  for (int scale = 1; scale <= 4; ++scale)
  {
    NSAffineTransform* transform = NSAffineTransform::transform();
    transform->scaleBy(scale);
    NSDictionary* hints = Autoreleased(new NSDictionary({NSImageHintCTM}, {transform}));
    CGImageRef cgImage = vector->CGImageForProposedRect(nullptr, nullptr, hints);
    if (!cgImage)
      continue;
    const size_t width = CGImageGetWidth(cgImage), height = CGImageGetHeight(cgImage);
    CGContextRef context = CGBitmapContextCreate(nullptr, width, height, CGImageGetBitsPerComponent(cgImage), 0,
                                                 CGImageGetColorSpace(cgImage), CGImageGetBitmapInfo(cgImage));
    if (!context)
      continue;
    CGContextSetShadowWithColor(context, CGSizeMake(offsetX * scale, offsetY * scale), blur * scale, shadowColor);
    CGContextDrawImage(context, CGRectMake(0, 0, static_cast<CGFloat>(width), static_cast<CGFloat>(height)), cgImage);
    CGImageRef shadowed = CGBitmapContextCreateImage(context);
    NSBitmapImageRep* rep = new NSBitmapImageRep(shadowed);
    rep->setSize(vector->size());
    image->addRepresentation(rep);
    rep->release();
    CGImageRelease(shadowed);
    CGContextRelease(context);
  }

  NSCursor* cursor = new NSCursor(image, hotSpot);
  image->release();
  vector->release();
  CGColorRelease(shadowColor);
  return cursor;
}

void IGraphicsView::setMouseCursor(int kind)
{
  NSCursor* cursor = nullptr;
  if (kind == kMacMoveCursorKind)
  {
    if (!mMoveCursor)
      mMoveCursor = buildMoveCursor();
    cursor = mMoveCursor;
  }
  else
  {
    const MacCursorChoice choice = MacCursorForKind(kind);
    if (!choice.isPrivate || NSCursor::respondsToSelector(choice.method))
      cursor = NSCursor::performSelector(choice.method);
    else if (choice.fallback)
      cursor = NSCursor::performSelector(choice.fallback);
  }
  if (NSCursor::respondsToSelector("helpCursorShown") && NSCursor::helpCursorShown() && kind != kMacHelpCursorKind)
    NSCursor::_setHelpCursor(false);
  if (!cursor)
    cursor = NSCursor::arrowCursor();
  cursor->set();
}

NSString* IGraphicsView::stringForToolTip(NSView*, NSToolTipTag, NSPoint, void*)
{
  const char* text = EditorEntry::Enter<const char*>("", mGraphics, [&](IGraphicsMac& g) -> const char* {
    if (g.MouseOverIdx() >= 0)
      if (IControl* control = g.GetControl(g.MouseOverIdx()))
        if (const char* tooltip = control->GetTooltip())
          return tooltip;
    return "";
  });
  return GuardedCall<NSString*>(nullptr, [&] { return StringOrEmpty(text); });
}

void IGraphicsView::registerToolTip(const IRECT& bounds)
{
  addToolTipRect(ToViewRect(bounds, mGraphics ? mGraphics->GetDrawScale() : 1.f), this, nullptr);
}

// ---- file drops ----

NSDragOperation IGraphicsView::draggingEntered(NSDraggingInfo* info)
{
  return GuardedCall<NSDragOperation>(NSDragOperationNone, [&]() -> NSDragOperation {
    return HasFilenames(info->draggingPasteboard()) ? NSDragOperationGeneric : NSDragOperationNone;
  });
}

bool IGraphicsView::performDragOperation(NSDraggingInfo* info)
{
  // Every drop counts as performed, whether or not an editor is there to take it.
  return EditorEntry::Enter(true, mGraphics, [&](IGraphicsMac& g) -> bool {
    NSPasteboard* pasteboard = info->draggingPasteboard();
    if (!HasFilenames(pasteboard))
      return true;
    const auto* files = dynamic_cast<const NSArray*>(pasteboard->propertyListForType(NSFilenamesPboardType));
    // The drop point in editor coordinates, like every other pointer event.
    const NSPoint p = convertPointFromView(info->draggingLocation(), nullptr);
    const float scale = g.GetDrawScale();
    const float x = static_cast<float>(p.x) / scale, y = static_cast<float>(p.y) / scale;
    if (!files || files->count() == 0)
      return true;
    std::vector<const char*> paths;
    for (size_t i = 0; i < files->count(); ++i)
      if (const auto* path = dynamic_cast<const NSString*>(files->objectAtIndex(i)))
        paths.push_back(path->UTF8String());
    if (paths.size() == 1)
      g.OnDrop(paths[0], x, y);
    else if (!paths.empty())
      g.OnDropMultiple(paths, x, y);
    return true;
  });
}

NSDragOperation IGraphicsView::sourceOperationMaskForDraggingContext(NSDraggingSession*, NSDraggingContext)
{
  return NSDragOperationCopy;
}
