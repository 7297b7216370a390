#pragma once
// Stand-in for AppKit's views: NSView with its frame, flipped coordinates and conversions,
// subviews, hit-testing, layers, tracking areas, tool tips, appearance and file drops; the
// layer a view may carry (CALayer, which QuartzCore's Metal layer extends); appearances and
// animation contexts.
#include "standin/appkit/Quartz.h"
#include "standin/appkit/Responder.h"
#include "standin/appkit/Timer.h"

#include <cstdint>
#include <vector>

class NSView;
class NSDraggingInfo;
class NSDraggingSession;
class NSDraggingSource;

// -- appearances --

extern NSString* const NSAppearanceNameAqua;
extern NSString* const NSAppearanceNameDarkAqua;

class NSAppearance : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // The appearance of that name (process-wide, never freed); null for a name the stand-in does
  // not know (it knows Aqua and DarkAqua).
  static NSAppearance* appearanceNamed(const NSString* name);
  const NSString* name() const { return mName; }

private:
  explicit NSAppearance(NSString* name);
  NSString* mName;
};

// -- layers --

// A layer of a layer-backed view. Subclasses (the Metal layer) add their own content; the
// view only sizes the layer with itself.
class CALayer : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit CALayer(standin::RuntimeClass& cls = Class());
  // Autoreleased.
  static CALayer* layer();

  bool isOpaque() const { return mOpaque; }
  void setOpaque(bool opaque) { mOpaque = opaque; }
  CGRect frame() const { return mFrame; }
  void setFrame(CGRect frame) { mFrame = frame; }
  CGRect bounds() const { return CGRectMake(0, 0, mFrame.size.width, mFrame.size.height); }

  // The picture the layer shows now, as a screenshot would give it: RGBA, rows from the top.
  // False when it shows nothing of its own (a plain layer); content layers override it.
  virtual bool CopyContentsRGBA(int& width, int& height, std::vector<uint8_t>& rgba) const;
  // How many pictures the layer has shown (frames presented); 0 for a plain layer.
  virtual uint64_t ShownFrameCount() const { return 0; }

private:
  bool mOpaque = false;
  CGRect mFrame;
};

// -- tracking areas --

typedef NSUInteger NSTrackingAreaOptions;
constexpr NSTrackingAreaOptions NSTrackingMouseEnteredAndExited = 0x01;
constexpr NSTrackingAreaOptions NSTrackingMouseMoved = 0x02;
constexpr NSTrackingAreaOptions NSTrackingCursorUpdate = 0x04;
constexpr NSTrackingAreaOptions NSTrackingActiveWhenFirstResponder = 0x10;
constexpr NSTrackingAreaOptions NSTrackingActiveInKeyWindow = 0x20;
constexpr NSTrackingAreaOptions NSTrackingActiveInActiveApp = 0x40;
constexpr NSTrackingAreaOptions NSTrackingActiveAlways = 0x80;
constexpr NSTrackingAreaOptions NSTrackingAssumeInside = 0x100;
constexpr NSTrackingAreaOptions NSTrackingInVisibleRect = 0x200;
constexpr NSTrackingAreaOptions NSTrackingEnabledDuringMouseDrag = 0x400;

// An area of a view whose owner hears the mouse enter and leave it (and move in it, with
// NSTrackingMouseMoved). The window checks the areas at every mouse event; while a mouse
// button is down only areas with NSTrackingEnabledDuringMouseDrag are checked, the others
// catch up at the next event after the release. Areas are active in every window (the
// stand-in's windows are all key and the application active), those with
// NSTrackingActiveWhenFirstResponder only while their view is the first responder.
class NSTrackingArea : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // The owner is not retained, the user information is.
  NSTrackingArea(NSRect rect, NSTrackingAreaOptions options, NSResponder* owner, NSDictionary* userInfo,
                 standin::RuntimeClass& cls = Class());
  ~NSTrackingArea() override;

  NSRect rect() const { return mRect; }
  NSTrackingAreaOptions options() const { return mOptions; }
  NSResponder* owner() const { return mOwner; }
  NSDictionary* userInfo() const { return mUserInfo; }
  // The view it is added to (null when none).
  NSView* View() const { return mView; }

private:
  friend class NSView;
  friend class NSWindow;
  NSRect mRect;
  NSTrackingAreaOptions mOptions;
  NSResponder* mOwner;
  NSDictionary* mUserInfo;
  NSView* mView = nullptr; // the view it was added to
  bool mInside = false;    // whether the mouse was inside at the last check
};

// -- tool tips --

typedef NSInteger NSToolTipTag;

// The object that supplies a tool tip's text when the system shows it.
class NSViewToolTipOwner
{
public:
  // view:stringForToolTip:point:userData: (autoreleased or owned elsewhere; null for none).
  virtual NSString* stringForToolTip(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) = 0;

protected:
  ~NSViewToolTipOwner() = default;
};

// -- drag operations --

typedef NSUInteger NSDragOperation;
constexpr NSDragOperation NSDragOperationNone = 0;
constexpr NSDragOperation NSDragOperationCopy = 1;
constexpr NSDragOperation NSDragOperationLink = 2;
constexpr NSDragOperation NSDragOperationGeneric = 4;
constexpr NSDragOperation NSDragOperationMove = 16;
constexpr NSDragOperation NSDragOperationEvery = ~0ul;

// -- views --

typedef NSInteger NSViewLayerContentsRedrawPolicy;
constexpr NSViewLayerContentsRedrawPolicy NSViewLayerContentsRedrawNever = 0;
constexpr NSViewLayerContentsRedrawPolicy NSViewLayerContentsRedrawOnSetNeedsDisplay = 1;
constexpr NSViewLayerContentsRedrawPolicy NSViewLayerContentsRedrawDuringViewResize = 2;

extern NSString* const NSViewFrameDidChangeNotification;

// A view. Its frame is in its superview's coordinates, its bounds start at (0, 0) with the
// frame's size; flipped views count y downwards from their top edge. A superview retains its
// subviews and a window its content view; superview, window and the owners of tracking areas
// and tool tips are plain pointers, as on the platform. Subviews are not resized with their
// superview (no autoresizing).
class NSView : public NSResponder
{
  STANDIN_OBJECT_CLASS()

  // initWithFrame:
  explicit NSView(NSRect frame = NSZeroRect, standin::RuntimeClass& cls = Class());
  ~NSView() override;

  // The superview, or the window for a content view.
  NSResponder* nextResponder() const override;

  // -- geometry --
  NSRect frame() const { return mFrame; }
  NSRect bounds() const { return NSMakeRect(0, 0, mFrame.size.width, mFrame.size.height); }
  // A change posts NSViewFrameDidChangeNotification; a change of size in a window also calls
  // updateTrackingAreas.
  virtual void setFrame(NSRect frame);
  virtual void setFrameSize(NSSize size);
  void setFrameOrigin(NSPoint origin);
  virtual bool isFlipped() const { return false; }
  virtual bool isOpaque() const { return false; }
  bool isHidden() const { return mHidden; }
  virtual void setHidden(bool hidden) { mHidden = hidden; }

  // Points and rectangles between this view and another view of the same window (or of the
  // same tree of views outside a window); a null view means the window's coordinates (the
  // coordinates of the top of the tree outside a window).
  NSPoint convertPointFromView(NSPoint point, const NSView* view) const;
  NSPoint convertPointToView(NSPoint point, const NSView* view) const;
  NSRect convertRectFromView(NSRect rect, const NSView* view) const;
  NSRect convertRectToView(NSRect rect, const NSView* view) const;

  // -- the tree of views --
  NSView* superview() const { return mSuperview; }
  NSWindow* window() const { return mWindow; }
  // Autoreleased array.
  NSArray* subviews() const;
  const std::vector<NSView*>& Subviews() const { return mSubviews; }
  bool isDescendantOf(const NSView* view) const;
  // Retains the view and puts it on top; a view in another superview leaves that one first.
  void addSubview(NSView* view);
  // Leaves the superview, which releases the view. Leaving a window while this view (or one
  // inside it) is the window's first responder makes the window first responder, which ends
  // a text field's editing.
  virtual void removeFromSuperview();
  // The deepest visible view under a point given in the superview's coordinates, or null.
  virtual NSView* hitTest(NSPoint point);

  virtual void viewWillMoveToWindow(NSWindow*) {}
  virtual void viewDidMoveToWindow() {}
  virtual void viewWillMoveToSuperview(NSView*) {}
  virtual void viewDidMoveToSuperview() {}
  virtual void viewDidChangeBackingProperties() {}
  virtual void viewDidChangeEffectiveAppearance() {}

  // -- drawing --
  virtual void drawRect(NSRect) {}
  virtual bool acceptsFirstMouse(NSEvent*) { return false; }

  // -- layers --
  // Turning it on gives the view a layer from makeBackingLayer when it has none.
  void setWantsLayer(bool wants);
  CALayer* layer() const { return mLayer; }
  // Retains the layer (the previous one is released) and sizes it with the view.
  void setLayer(CALayer* layer);
  virtual CALayer* makeBackingLayer();
  NSViewLayerContentsRedrawPolicy layerContentsRedrawPolicy() const { return mRedrawPolicy; }
  void setLayerContentsRedrawPolicy(NSViewLayerContentsRedrawPolicy policy) { mRedrawPolicy = policy; }

  // -- tracking areas (retained while added) --
  void addTrackingArea(NSTrackingArea* area);
  void removeTrackingArea(NSTrackingArea* area);
  const std::vector<NSTrackingArea*>& TrackingAreaList() const { return mTrackingAreas; }
  // Called when the view enters a window and when its size changes there.
  virtual void updateTrackingAreas() {}

  // -- tool tips --
  struct ToolTip
  {
    NSToolTipTag tag;
    NSRect rect; // in the view's coordinates
    NSViewToolTipOwner* owner;
    void* userData;
  };
  NSToolTipTag addToolTipRect(NSRect rect, NSViewToolTipOwner* owner, void* userData);
  void removeAllToolTips();
  const std::vector<ToolTip>& ToolTips() const { return mToolTips; }

  // -- appearance: the view's own, else its superview's, else its window's, else the
  // application's --
  NSAppearance* appearance() const { return mAppearance; }
  void setAppearance(NSAppearance* appearance) { mAppearance = appearance; }
  NSAppearance* effectiveAppearance() const;

  // -- files dragged in --
  void registerForDraggedTypes(const NSArray* types);
  bool IsRegisteredForDraggedType(const std::string& type) const;
  virtual NSDragOperation draggingEntered(NSDraggingInfo*) { return NSDragOperationNone; }
  virtual void draggingExited(NSDraggingInfo*) {}
  virtual bool performDragOperation(NSDraggingInfo*) { return false; }

  // -- drags out --
  // Starts dragging the items (NSDraggingItem objects) from this view; the event is the
  // mouse event that starts it. A null event is a platform fault (the platform raises), as
  // is a view outside a window; both give null. The session is owned by the system.
  NSDraggingSession* beginDraggingSessionWithItems(const NSArray* items, NSEvent* event, NSDraggingSource* source);

private:
  friend class NSWindow;
  // Leaves the superview (which releases the view), with the notifications.
  void Detach();
  // Sets the window of this view and of the views inside it, with the notifications.
  void MoveToWindow(NSWindow* window);
  void SetFrameAndNotify(NSRect frame);
  // From this view's coordinates to those of the top of its tree and back.
  NSPoint ToBase(NSPoint point) const;
  NSPoint FromBase(NSPoint point) const;

  NSRect mFrame;
  NSView* mSuperview = nullptr;
  NSWindow* mWindow = nullptr;
  std::vector<NSView*> mSubviews;
  bool mHidden = false;
  CALayer* mLayer = nullptr;
  NSViewLayerContentsRedrawPolicy mRedrawPolicy = NSViewLayerContentsRedrawOnSetNeedsDisplay;
  std::vector<NSTrackingArea*> mTrackingAreas;
  std::vector<ToolTip> mToolTips;
  NSToolTipTag mNextToolTipTag = 1;
  NSAppearance* mAppearance = nullptr;
  std::vector<std::string> mDraggedTypes;
};

// -- animation contexts: the stand-in does not animate; groups only keep their duration --

class NSAnimationContext : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static void beginGrouping();
  static void endGrouping();
  // The context of the innermost group (or of no group).
  static NSAnimationContext* currentContext();
  double duration() const { return mDuration; }
  void setDuration(double duration) { mDuration = duration; }

private:
  NSAnimationContext();
  double mDuration = 0.25;
};

// -- graphics contexts: only what a view can ask for; the stand-in draws no views --

class NSGraphicsContext : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // The context being drawn into: always null here, since views are never drawn.
  static NSGraphicsContext* currentContext();
  // Autoreleased; the CoreGraphics context is not retained.
  static NSGraphicsContext* graphicsContextWithCGContext(CGContextRef context, bool flipped);
  CGContextRef CGContext() const { return mContext; }
  bool isFlipped() const { return mFlipped; }

private:
  NSGraphicsContext(CGContextRef context, bool flipped);
  CGContextRef mContext;
  bool mFlipped;
};
