#include "standin/appkit/Internal.h"

#include <algorithm>
#include <functional>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSAppearance, NSObject)
STANDIN_DEFINE_CLASS(CALayer, NSObject)
STANDIN_DEFINE_CLASS(NSTrackingArea, NSObject)
STANDIN_DEFINE_CLASS(NSView, NSResponder)
STANDIN_DEFINE_CLASS(NSAnimationContext, NSObject)
STANDIN_DEFINE_CLASS(NSGraphicsContext, NSObject)

NSString* const NSAppearanceNameAqua = standin::ConstantString("NSAppearanceNameAqua");
NSString* const NSAppearanceNameDarkAqua = standin::ConstantString("NSAppearanceNameDarkAqua");
NSString* const NSViewFrameDidChangeNotification = standin::ConstantString("NSViewFrameDidChangeNotification");

// -- NSAppearance --

NSAppearance::NSAppearance(NSString* name) : NSObject(Class()), mName(name) { MakeImmortal(); }

NSAppearance* NSAppearance::appearanceNamed(const NSString* name)
{
  static NSAppearance* sAqua = new NSAppearance(NSAppearanceNameAqua);
  static NSAppearance* sDark = new NSAppearance(NSAppearanceNameDarkAqua);
  if (!name)
    return nullptr;
  if (name->isEqual(NSAppearanceNameAqua))
    return sAqua;
  if (name->isEqual(NSAppearanceNameDarkAqua))
    return sDark;
  return nullptr;
}

// -- CALayer, NSTrackingArea --

CALayer::CALayer(RuntimeClass& cls) : NSObject(cls) {}

CALayer* CALayer::layer() { return Autoreleased(new CALayer()); }

bool CALayer::CopyContentsRGBA(int& width, int& height, std::vector<uint8_t>& rgba) const
{
  width = height = 0;
  rgba.clear();
  return false;
}

NSTrackingArea::NSTrackingArea(NSRect rect, NSTrackingAreaOptions options, NSResponder* owner, NSDictionary* userInfo,
                               RuntimeClass& cls)
  : NSObject(cls), mRect(rect), mOptions(options), mOwner(owner), mUserInfo(Retained(userInfo))
{
}

NSTrackingArea::~NSTrackingArea()
{
  if (mUserInfo)
    mUserInfo->release();
}

// -- NSView: life and geometry --

NSView::NSView(NSRect frame, RuntimeClass& cls) : NSResponder(cls), mFrame(frame) {}

NSView::~NSView()
{
  for (NSView* view : mSubviews)
  {
    view->mSuperview = nullptr;
    view->release();
  }
  for (NSTrackingArea* area : mTrackingAreas)
  {
    area->mView = nullptr;
    area->release();
  }
  if (mLayer)
    mLayer->release();
  // The platform forgets the observations of an object that goes.
  NSNotificationCenter::defaultCenter()->removeObserver(this);
}

NSResponder* NSView::nextResponder() const
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mSuperview)
    return mSuperview;
  if (mWindow && mWindow->contentView() == this)
    return mWindow;
  return nullptr;
}

void NSView::setFrame(NSRect frame) { STANDIN_MAIN_THREAD_ONLY(); SetFrameAndNotify(frame); }

void NSView::setFrameSize(NSSize size) { STANDIN_MAIN_THREAD_ONLY(); SetFrameAndNotify(NSRect{mFrame.origin, size}); }

void NSView::setFrameOrigin(NSPoint origin) { STANDIN_MAIN_THREAD_ONLY(); SetFrameAndNotify(NSRect{origin, mFrame.size}); }

void NSView::SetFrameAndNotify(NSRect frame)
{
  const bool sized = !NSEqualSizes(frame.size, mFrame.size);
  const bool changed = sized || !NSEqualPoints(frame.origin, mFrame.origin);
  mFrame = frame;
  if (mLayer)
    mLayer->setFrame(bounds());
  if (changed)
    NSNotificationCenter::defaultCenter()->postNotificationName(NSViewFrameDidChangeNotification, this);
  if (sized && mWindow)
    updateTrackingAreas();
}

// -- conversions --

namespace {

// Whether a view and its superview count y the same way (the top of a tree sits in unflipped
// window coordinates).
bool SameDirection(const NSView* view)
{
  const bool superFlipped = view->superview() ? view->superview()->isFlipped() : false;
  return view->isFlipped() == superFlipped;
}

// A point of the view in its superview's coordinates, and back.
NSPoint ToSuperview(const NSView* view, NSPoint p)
{
  const NSRect f = view->frame();
  return NSMakePoint(f.origin.x + p.x, SameDirection(view) ? f.origin.y + p.y : f.origin.y + f.size.height - p.y);
}

NSPoint FromSuperview(const NSView* view, NSPoint p)
{
  const NSRect f = view->frame();
  return NSMakePoint(p.x - f.origin.x, SameDirection(view) ? p.y - f.origin.y : f.origin.y + f.size.height - p.y);
}

NSRect RectOfCorners(NSPoint a, NSPoint b)
{
  return NSMakeRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
}

} // namespace

NSPoint NSView::ToBase(NSPoint point) const
{
  for (const NSView* view = this; view; view = view->mSuperview)
    point = ToSuperview(view, point);
  return point;
}

NSPoint NSView::FromBase(NSPoint point) const
{
  std::vector<const NSView*> chain;
  for (const NSView* view = this; view; view = view->mSuperview)
    chain.push_back(view);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    point = FromSuperview(*it, point);
  return point;
}

NSPoint NSView::convertPointFromView(NSPoint point, const NSView* view) const
{
  STANDIN_MAIN_THREAD_ONLY();
  return FromBase(view ? view->ToBase(point) : point);
}

NSPoint NSView::convertPointToView(NSPoint point, const NSView* view) const
{
  STANDIN_MAIN_THREAD_ONLY();
  const NSPoint base = ToBase(point);
  return view ? view->FromBase(base) : base;
}

NSRect NSView::convertRectFromView(NSRect rect, const NSView* view) const
{
  STANDIN_MAIN_THREAD_ONLY();
  const NSPoint far = NSMakePoint(NSMaxX(rect), NSMaxY(rect));
  return RectOfCorners(convertPointFromView(rect.origin, view), convertPointFromView(far, view));
}

NSRect NSView::convertRectToView(NSRect rect, const NSView* view) const
{
  STANDIN_MAIN_THREAD_ONLY();
  const NSPoint far = NSMakePoint(NSMaxX(rect), NSMaxY(rect));
  return RectOfCorners(convertPointToView(rect.origin, view), convertPointToView(far, view));
}

// -- the tree of views --

namespace {

// The views told, and the subviews still to be told, are retained while the walk goes on, as
// AppKit does: a view's handler may remove and release itself or its siblings (an editor
// closed from inside), and the walk then goes on with views that are still there.
void NotifyWillMove(NSView* view, NSWindow* window)
{
  view->retain();
  view->viewWillMoveToWindow(window);
  std::vector<NSView*> subviews = view->Subviews();
  for (NSView* subview : subviews)
    subview->retain();
  for (NSView* subview : subviews)
    NotifyWillMove(subview, window);
  for (NSView* subview : subviews)
    subview->release();
  view->release();
}

void NotifyDidMove(NSView* view)
{
  view->retain();
  view->viewDidMoveToWindow();
  if (view->window())
    view->updateTrackingAreas();
  std::vector<NSView*> subviews = view->Subviews();
  for (NSView* subview : subviews)
    subview->retain();
  for (NSView* subview : subviews)
    NotifyDidMove(subview);
  for (NSView* subview : subviews)
    subview->release();
  view->release();
}

} // namespace

NSArray* NSView::subviews() const
{
  STANDIN_MAIN_THREAD_ONLY();
  return Autoreleased(new NSArray(std::vector<const NSObject*>(mSubviews.begin(), mSubviews.end())));
}

bool NSView::isDescendantOf(const NSView* view) const
{
  STANDIN_MAIN_THREAD_ONLY();
  for (const NSView* v = this; v; v = v->mSuperview)
    if (v == view)
      return true;
  return false;
}

void NSView::MoveToWindow(NSWindow* window)
{
  if (mWindow == window)
    return;
  NotifyWillMove(this, window);
  const NSPoint mouse = window ? window->MouseInWindow() : NSZeroPoint;
  std::function<void(NSView*)> set = [&](NSView* view) {
    view->mWindow = window;
    for (NSTrackingArea* area : view->mTrackingAreas)
      area->mInside = window && ((area->mOptions & NSTrackingAssumeInside) || NSWindow::AreaContains(*area, mouse));
    for (NSView* subview : view->mSubviews)
      set(subview);
  };
  set(this);
  NotifyDidMove(this);
}

void NSView::addSubview(NSView* view)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!view || isDescendantOf(view))
  {
    standin::PlatformFault("-[NSView addSubview:] with a null view, the view itself or one of its ancestors");
    return;
  }
  view->retain(); // becomes this view's reference
  view->Detach();
  view->viewWillMoveToSuperview(this);
  mSubviews.push_back(view);
  view->mSuperview = this;
  view->MoveToWindow(mWindow);
  view->viewDidMoveToSuperview();
}

void NSView::removeFromSuperview() { STANDIN_MAIN_THREAD_ONLY(); Detach(); }

void NSView::Detach()
{
  NSView* superview = mSuperview;
  if (!superview)
    return;
  retain(); // alive through the notifications
  if (mWindow)
    mWindow->ViewWillLeave(this);
  if (mSuperview != superview)
  {
    release(); // removed meanwhile
    return;
  }
  viewWillMoveToSuperview(nullptr);
  superview->mSubviews.erase(std::find(superview->mSubviews.begin(), superview->mSubviews.end(), this));
  mSuperview = nullptr;
  MoveToWindow(nullptr);
  viewDidMoveToSuperview();
  release(); // the superview's reference
  release();
}

NSView* NSView::hitTest(NSPoint point)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mHidden)
    return nullptr;
  const bool superFlipped = mSuperview ? mSuperview->isFlipped() : false;
  if (!NSMouseInRect(point, mFrame, superFlipped))
    return nullptr;
  const NSPoint local = FromSuperview(this, point);
  for (auto it = mSubviews.rbegin(); it != mSubviews.rend(); ++it)
    if (NSView* hit = (*it)->hitTest(local))
      return hit;
  return this;
}

// -- layers --

void NSView::setWantsLayer(bool wants)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (wants && !mLayer)
    setLayer(makeBackingLayer());
}

void NSView::setLayer(CALayer* layer)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (layer == mLayer)
    return;
  if (layer)
    layer->setFrame(bounds());
  Assign(mLayer, layer);
}

CALayer* NSView::makeBackingLayer() { STANDIN_MAIN_THREAD_ONLY(); return CALayer::layer(); }

// -- tracking areas --

void NSView::addTrackingArea(NSTrackingArea* area)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!area || area->mView)
  {
    standin::PlatformFault("-[NSView addTrackingArea:] with a null area or one of another view");
    return;
  }
  mTrackingAreas.push_back(Retained(area));
  area->mView = this;
  area->mInside = (area->options() & NSTrackingAssumeInside) ||
                  (mWindow && NSWindow::AreaContains(*area, mWindow->MouseInWindow()));
}

void NSView::removeTrackingArea(NSTrackingArea* area)
{
  STANDIN_MAIN_THREAD_ONLY();
  auto it = std::find(mTrackingAreas.begin(), mTrackingAreas.end(), area);
  if (it == mTrackingAreas.end())
    return;
  mTrackingAreas.erase(it);
  area->mView = nullptr;
  area->release();
}

// -- tool tips --

NSToolTipTag NSView::addToolTipRect(NSRect rect, NSViewToolTipOwner* owner, void* userData)
{
  STANDIN_MAIN_THREAD_ONLY();
  mToolTips.push_back(ToolTip{mNextToolTipTag, rect, owner, userData});
  return mNextToolTipTag++;
}

void NSView::removeAllToolTips() { STANDIN_MAIN_THREAD_ONLY(); mToolTips.clear(); }

// -- appearance --

NSAppearance* NSView::effectiveAppearance() const
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mAppearance)
    return mAppearance;
  if (mSuperview)
    return mSuperview->effectiveAppearance();
  if (mWindow)
    return mWindow->effectiveAppearance();
  return NSApplication::sharedApplication()->effectiveAppearance();
}

// -- drags --

void NSView::registerForDraggedTypes(const NSArray* types)
{
  STANDIN_MAIN_THREAD_ONLY();
  for (size_t i = 0; types && i < types->count(); ++i)
  {
    const std::string type = standin::TextOf(types->objectAtIndex(i));
    if (!type.empty() && !IsRegisteredForDraggedType(type))
      mDraggedTypes.push_back(type);
  }
}

bool NSView::IsRegisteredForDraggedType(const std::string& type) const
{
  return std::find(mDraggedTypes.begin(), mDraggedTypes.end(), type) != mDraggedTypes.end();
}

NSDraggingSession* NSView::beginDraggingSessionWithItems(const NSArray* items, NSEvent* event, NSDraggingSource* source)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!event || !mWindow || !items || items->count() == 0)
  {
    standin::PlatformFault("-[NSView beginDraggingSessionWithItems:event:source:] without items, an event or a window");
    return nullptr;
  }
  standin::appkit::EndDraggingSession();
  auto* session = new NSDraggingSession(items);
  std::vector<const NSObject*> writers;
  for (NSDraggingItem* item : session->Items())
    writers.push_back(item->item());
  NSPasteboard* pasteboard = session->draggingPasteboard();
  pasteboard->clearContents();
  NSArray* list = new NSArray(writers);
  pasteboard->writeObjects(list);
  list->release();
  TheState().dragSession = session;
  if (source)
    session->mMask = source->sourceOperationMaskForDraggingContext(session, NSDraggingContextOutsideApplication);
  return session;
}

// -- animation and graphics contexts --

namespace {

std::vector<double>& AnimationGroups()
{
  static std::vector<double>* sGroups = new std::vector<double>;
  return *sGroups;
}

} // namespace

NSAnimationContext::NSAnimationContext() : NSObject(Class()) { MakeImmortal(); }

NSAnimationContext* NSAnimationContext::currentContext()
{
  STANDIN_MAIN_THREAD_ONLY();
  static NSAnimationContext* sContext = new NSAnimationContext();
  return sContext;
}

void NSAnimationContext::beginGrouping() { STANDIN_MAIN_THREAD_ONLY(); AnimationGroups().push_back(currentContext()->duration()); }

void NSAnimationContext::endGrouping()
{
  STANDIN_MAIN_THREAD_ONLY();
  if (AnimationGroups().empty())
    return;
  currentContext()->setDuration(AnimationGroups().back());
  AnimationGroups().pop_back();
}

NSGraphicsContext::NSGraphicsContext(CGContextRef context, bool flipped) : NSObject(Class()), mContext(context), mFlipped(flipped) {}

NSGraphicsContext* NSGraphicsContext::currentContext() { return nullptr; }

NSGraphicsContext* NSGraphicsContext::graphicsContextWithCGContext(CGContextRef context, bool flipped)
{
  return Autoreleased(new NSGraphicsContext(context, flipped));
}
