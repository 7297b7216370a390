#pragma once
// The editor's graphics context on macOS: IGraphicsVGR with every platform operation of
// IGraphics carried out through AppKit. While the window is open the object owns the editor
// view (IGraphicsView, IGraphicsView.h), which draws through the view's Metal layer, drives
// the frame clock and turns AppKit events into IGraphics events.
//
// Coordinates: IGraphics points are view points divided by the draw scale (the view is
// flipped, origin top left); screen points are AppKit's (origin bottom left of the main
// screen); every rectangle handed to the view is pixel-aligned outwards (ToViewRect).
//
// Sources: IGraphicsMac.cpp (window, cursor, tooltips, resizing, fonts), IGraphicsMacMenus.cpp
// (the native prompts: pop-up menus, text entry, colour picker), IGraphicsMacDialogs.cpp (message box,
// file dialogs, clipboard, URLs, Finder, file drags out).
//
// Everything runs on the main thread. The count of live objects and the process-wide
// font-descriptor cache share the cache's mutex.
#include "graphics/renderer/IGraphicsVGR.h"
#include "standin/appkit/AppKit.h"

#include <cstdint>
#include <memory>

namespace plug {
namespace igraphics {

class IGraphicsMac;

} // namespace igraphics
} // namespace plug

class PLUG_OBJC_CLASS(IGraphicsView);
using IGraphicsView = PLUG_OBJC_CLASS(IGraphicsView);

namespace plug {
namespace igraphics {

// The view rectangle of an IRECT at the draw scale, pixel-aligned outwards, in single
// precision: x = floor(L·s), y = floor(T·s), width = ceil(R·s) − x, height = ceil(B·s) − y.
NSRect ToViewRect(const IRECT& r, float scale);

// Dark for a view whose effective appearance is dark aqua, light otherwise.
EUIAppearance ViewAppearance(NSView* view);

class IGraphicsMac : public IGraphicsVGR
{
public:
  IGraphicsMac(IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.f);
  // Closes an open window first (without asking the delegate: it is the one deleting us).
  ~IGraphicsMac() override;

  // The system's version as hexadecimal digits (0x10B0 for 10.11 and later, ...), worked out
  // once per process.
  static unsigned GetSystemVersion();
  // Live IGraphicsMac objects of the process.
  static int InstanceCount();

  void SetBundleID(const char* id) { mBundleID.Set(id ? id : ""); }
  void SetAppGroupID(const char* id) { mAppGroupID.Set(id ? id : ""); }
  // The open view, or null.
  IGraphicsView* GetView() const { return mView; }

  // ---- platform operations ----
  void AttachPlatformView(const IRECT& bounds, void* pView) override;
  void RemovePlatformView(void* pView) override;
  void HidePlatformView(void* pView, bool hide) override;
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide = true, bool lock = true) override;
  void MoveMouseCursor(float x, float y) override;
  ECursor SetMouseCursor(ECursor cursorType = ECursor::ARROW) override;
  void EndPlatformTextEntry() override;
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override;
  bool WindowIsOpen() override { return mView != nullptr; }
  // The platform's media clock, which the view's frame timer runs on too.
  double GetClockMs() const override;
  bool GetTextFromClipboard(CharBuf& str) override;
  bool SetTextInClipboard(const char* str) override;
  bool SetFilePathInClipboard(const char* path) override;
  bool InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds) override;
  void UpdateTooltips() override;
  int ShowMessageBox(const char* str, const char* caption, int type,
                     IMsgBoxCompletionHandlerFunc completionHandler = nullptr) override;
  void PromptForFile(CharBuf& fileName, CharBuf& path, int action = 0, const char* ext = "",
                     IFileDialogCompletionHandlerFunc completionHandler = nullptr) override;
  void PromptForDirectory(CharBuf& dir, IFileDialogCompletionHandlerFunc completionHandler = nullptr) override;
  bool PromptForColor(IColor& color, const char* str = "", IColorPickerHandlerFunc func = nullptr) override;
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  const char* GetPlatformAPIString() override { return "Cocoa"; }
  bool RevealPathInFinder(CharBuf& path, bool select = false) override;
  PlatformFontPtr LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, void* pData, int dataSize) override;
  PlatformFontPtr LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) override;
  const char* GetBundleID() override { return mBundleID.Get(); }
  const char* GetAppGroupID() override { return mAppGroupID.Get(); }
  void BeforeResourceWork() override {}
  void AfterResourceWork() override {}
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void PlatformResize(bool parentHasResized) override;
  EUIAppearance GetUIAppearance() const override;

  // ---- for the view ----
  // Screen points to IGraphics points and back (unchanged without a view).
  NSPoint ScreenToViewPoint(NSPoint screen) const;
  NSPoint ViewToScreenPoint(NSPoint point) const;
  // Every mouse event's position: while the cursor is hidden and locked (and the input is not
  // from a tablet) the cursor goes back to the lock position and the previous position is the
  // stored cursor position; otherwise both the cursor and the previous position become (x, y).
  void LockedCursorPosition(float x, float y, float& prevX, float& prevY);
  void SetTabletInput(bool tablet) { mTabletInput = tablet; }
  bool TabletInput() const { return mTabletInput; }
  bool CursorHidden() const { return mCursorHidden; }
  bool CursorLocked() const { return mCursorLock; }
  void GetCursorPosition(float& x, float& y) const
  {
    x = mCursorX;
    y = mCursorY;
  }
  NSPoint CursorLockPosition() const { return mCursorLockPosition; }
  // The index of the control under the mouse in the attached list, -1 for none.
  int MouseOverIdx() const { return mMouseOverIdx; }
  void SetPlatformContext(void* pContext) { mPlatformContext = pContext; }
  void* GetPlatformContext() const { return mPlatformContext; }

private:
  // The close sequence: tooltips, timer, removal from the parent, release, drawing context.
  void CloseView();
  void StoreCursorPosition();
  static void WarpCursorToScreenPoint(double x, double y);
  // The scheduled half of CreatePlatformPopupMenu: the native menu of the request still
  // waiting (nothing when it is gone or a later one took its place), then the result to
  // IGraphics.
  void ShowPopupMenu(uint64_t request, const IRECT& bounds);
  // The request is the latest one and the context still shows its menu (removing the control
  // that asked clears the menu shown).
  bool IsCurrentPopupMenu(uint64_t request, const IPopupMenu* menu) const;

  IGraphicsView* mView = nullptr; // one reference while open
  uint64_t mPopupRequest = 0;     // the latest platform menu asked for
  NSPoint mCursorLockPosition;
  CharBuf mBundleID{128};
  CharBuf mAppGroupID{128};
};

} // namespace igraphics
} // namespace plug
