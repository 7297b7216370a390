#pragma once
// The editor view: the NSView that hosts one IGraphicsMac in the host's window. It owns the
// Metal layer the renderer draws into, runs the frame timer (a tick draws only when IGraphics
// reports dirty areas), follows the window's backing scale and the view's size, and turns
// mouse, key, scroll and file-drop events into IGraphics events. It serves the cursors, the
// tooltip texts and, for IGraphicsMac, the native pop-up menus, the in-place text field and the
// colour panel.
//
// Sources: IGraphicsView.cpp (creation, frame clock, events, cursors, tooltips, drops, removal),
// IGraphicsViewText.cpp (menus, text field, colour panel). The AppKit-free mappings (mouse
// modifiers, key codes, cursor kinds) are in IGraphicsViewMapping.h.
//
// Every handler reaches the editor only through EditorEntry (graphics/EditorEntry.h), which
// states the rule: the host may close the editor or destroy the instance inside any call the
// editor makes, and nothing returns into freed memory. The part of a handler that needs no
// editor (a window's set-up, tracking areas, ending the text field) runs under GuardedCall.
//
// Everything runs on the main thread.
#include "platform/mac/IGraphicsMac.h"
#include "platform/mac/IGraphicsNativeControls.h"
#include "platform/mac/IGraphicsViewMapping.h"

#include <functional>

class CAMetalLayer;
class PLUG_OBJC_CLASS(IGraphicsTextField);
using IGraphicsTextField = PLUG_OBJC_CLASS(IGraphicsTextField);

class PLUG_OBJC_CLASS(IGraphicsView) : public NSView,
                                       public NSViewToolTipOwner,
                                       public NSTextFieldDelegate,
                                       public NSDraggingSource
{
  STANDIN_OBJECT_CLASS()

  using IGraphicsMac = plug::igraphics::IGraphicsMac;

  // initWithIGraphics: a view of the editor's size times its draw scale with a new Metal
  // layer; the frame timer runs from here on.
  explicit PLUG_OBJC_CLASS(IGraphicsView)(IGraphicsMac* pGraphics, standin::RuntimeClass& cls = Class());
  // dealloc: closes the shared colour panel, lets go of the cursor and the tracking area and
  // stops observing notifications.
  ~PLUG_OBJC_CLASS(IGraphicsView)() override;

  // ---- frame clock and drawing pass ----
  void setTimer();
  void killTimer();
  void onTimer(NSTimer* timer);
  // One tick: the dirty areas drawn, or nothing (nothing presented) when none.
  void render();
  NSTimer* Timer() const { return mTimer; }
  // The flipped graphics context of the current one; null when none is current.
  NSGraphicsContext* getCGContextRef();
  ::CAMetalLayer* MetalLayer() const;
  // The graphics object let go of the view (its close sequence): events do nothing from now on
  // and the colour panel no longer reaches the editor.
  void ForgetGraphics();

  // ---- NSView ----
  bool isOpaque() const override { return mGraphics != nullptr; }
  bool isFlipped() const override { return true; }
  bool acceptsFirstResponder() override { return true; }
  bool acceptsFirstMouse(NSEvent*) override { return true; }
  void drawRect(NSRect) override {}
  void viewDidMoveToWindow() override;
  void viewDidChangeBackingProperties() override;
  void viewDidChangeEffectiveAppearance() override;
  void frameDidChange(NSNotification* notification);
  void updateTrackingAreas() override;
  // Removal by the host (also the last step of the close sequence): ends a text entry and asks
  // the editor delegate to close the editor; the view stays alive until this returns.
  void removeFromSuperview() override;

  // ---- pointer ----
  void getMouseXY(NSEvent* event, float& x, float& y);
  plug::igraphics::IMouseInfo getMouseLeft(NSEvent* event);
  plug::igraphics::IMouseInfo getMouseRight(NSEvent* event);
  void mouseEntered(NSEvent* event) override;
  void mouseExited(NSEvent* event) override;
  void mouseDown(NSEvent* event) override;
  void mouseUp(NSEvent* event) override;
  void mouseDragged(NSEvent* event) override;
  void rightMouseDown(NSEvent* event) override;
  void rightMouseUp(NSEvent* event) override;
  void rightMouseDragged(NSEvent* event) override;
  void mouseMoved(NSEvent* event) override;
  void scrollWheel(NSEvent* event) override;

  // ---- keys ----
  void keyDown(NSEvent* event) override;
  void keyUp(NSEvent* event) override;

  // ---- cursors and tooltips ----
  void setMouseCursor(int kind);
  NSString* stringForToolTip(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) override;
  void registerToolTip(const plug::igraphics::IRECT& bounds);

  // ---- file drops in, drags out ----
  NSDragOperation draggingEntered(NSDraggingInfo* info) override;
  bool performDragOperation(NSDraggingInfo* info) override;
  NSDragOperation sourceOperationMaskForDraggingContext(NSDraggingSession* session, NSDraggingContext context) override;

  // ---- native menus, text field, colour panel (IGraphicsViewText.cpp) ----
  // Shows the native menu of the menu and hands back the level whose item was chosen and the
  // item's index (no level when dismissed). Nothing is written into the menu: its control may
  // have gone inside the menu's loop, and only the caller knows whether the menu is still
  // wanted.
  plug::igraphics::PopupMenuChoice createPopupMenu(plug::igraphics::IPopupMenu& menu, NSRect bounds);
  void createTextEntry(int paramIdx, const plug::igraphics::IText& text, const char* str, int length, NSRect areaRect);
  void endUserInput();
  void controlTextDidEndEditing(NSNotification* notification) override;
  bool promptForColor(const plug::igraphics::IColor& color, plug::igraphics::IColorPickerHandlerFunc func);
  void onColorPicked(NSColorPanel* panel);

  // ---- state, for IGraphicsMac and tests ----
  IGraphicsMac* Graphics() const { return mGraphics; }
  IGraphicsTextField* TextField() const { return mTextFieldView; }
  NSCursor* MoveCursor() const { return mMoveCursor; }
  bool MouseOutDuringDrag() const { return mMouseOutDuringDrag; }
  void GetPrevMouse(float& x, float& y) const
  {
    x = mPrevX;
    y = mPrevY;
  }

private:
  void keyEvent(NSEvent* event, bool down);
  // Forgets the colour callback and, when the shared colour panel serves this view, closes it
  // and takes its target.
  void detachColorPanel();
  // The "move" cursor from the system's cursor files (null when they are missing).
  NSCursor* buildMoveCursor() const;
  // The drawable size that follows the view's frame and the window's backing scale.
  void updateDrawableSize();

  NSTimer* mTimer = nullptr;                  // kept by the run loop, not retained here
  NSTrackingArea* mTrackingArea = nullptr;    // retained
  IGraphicsTextField* mTextFieldView = nullptr;
  NSCursor* mMoveCursor = nullptr;            // retained, built on first use
  float mPrevX = 0.f;
  float mPrevY = 0.f;
  bool mMouseOutDuringDrag = false;
  plug::igraphics::IRECTList mDirtyRects;
  plug::igraphics::IColorPickerHandlerFunc mColorPickerFunc;
  IGraphicsMac* mGraphics = nullptr;          // not owned
};
