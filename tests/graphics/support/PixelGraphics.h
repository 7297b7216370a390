#pragma once
// A graphics context that draws real pixels, for tests of anything the editor draws: the
// toolkit's drawing goes through IGraphicsVGR and the vector renderer to the Metal back end,
// whose CPU stand-in rasterises it into a stand-in Metal layer that this class makes (the
// view's layer, on a synchronous device, so a picture is done when a frame returns).
//
// The platform side is what a test needs and no more: opening the window makes the drawing
// context on the layer, sets the screen scale, lays the editor out and sends every value, as
// the platform does; the layer's drawable follows the view's backing-pixel size. Resources and
// fonts are found by the platform's lookup in the bundle of SetBundleID (see
// tests/platform/PlatformTestFolders.h for a bundle of one's own), fonts made by the platform
// font loaders. Menus, text fields, dialogs and the clipboard do nothing.
//
// A picture is the image the layer last presented: RGBA, rows top to bottom. Setting the
// environment variable VELLICOR_TEST_PNG_DIR makes SavePicture write it there as PNG.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "TestDelegate.h"
#include "graphics/renderer/IGraphicsVGR.h"
#include "standin/metal/QuartzCore.h"

namespace testgraphics {

using namespace plug::igraphics;

using Picture = standin::ca::MetalLayer::Image;

class PixelGraphics : public IGraphicsVGR
{
public:
  PixelGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.f);
  // Closes the window when it is open, as the platform class does.
  ~PixelGraphics() override;

  // ---- the test's side ----
  standin::ca::MetalLayer& Layer() const { return *mLayer; }
  standin::mtl::Device& Device() const { return *mDevice; }
  // The backing scale of the screen: applied when the window opens, and at once when it is open.
  void SetBackingScale(float scale);
  void SetBundleID(const std::string& bundleID) { mBundleID = bundleID; }
  // One tick of the frame timer: draws the dirty areas; false when nothing was dirty.
  bool Frame();
  // Everything marked dirty and drawn.
  void Redraw();
  // The last picture presented (empty before the first).
  const Picture& GetPicture() const;
  // The picture as PNG under VELLICOR_TEST_PNG_DIR, named name.png; nothing without the variable.
  void SavePicture(const std::string& name) const;

  // ---- platform ----
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mOpen ? mLayer.Get() : nullptr; }
  void PlatformResize(bool parentHasResized) override;
  const char* GetBundleID() override { return mBundleID.c_str(); }
  PlatformFontPtr LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, void* pData, int dataSize) override;
  PlatformFontPtr LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
  void GetMouseLocation(float& x, float& y) const override { x = y = 0.f; }
  void HideMouseCursor(bool hide, bool) override { mCursorHidden = hide; }
  void MoveMouseCursor(float, float) override {}
  void EndPlatformTextEntry() override {}
  bool GetTextFromClipboard(plug::CharBuf& str) override;
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override {}
  int ShowMessageBox(const char*, const char*, int, IMsgBoxCompletionHandlerFunc) override { return 0; }
  void PromptForFile(plug::CharBuf&, plug::CharBuf&, int, const char*, IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(plug::CharBuf&, IFileDialogCompletionHandlerFunc) override {}
  bool PromptForColor(IColor&, const char*, IColorPickerHandlerFunc) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  void CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool& isAsync) override;

private:
  standin::mtl::Ref<standin::ca::MetalLayer> mLayer;
  standin::mtl::Ref<standin::mtl::Device> mDevice;
  mutable Picture mPicture; // the presented image, read again when a new one was presented
  mutable uint64_t mPictureCount = 0;
  IRECTList mDirtyRects;
  std::string mBundleID;
  float mBackingScale = 1.f;
  bool mOpen = false;
};

// Every channel of actual within the tolerance of expected's (both shown when not).
::testing::AssertionResult ColorNear(const IColor& actual, const IColor& expected, int tolerance = 4);

// A point of the picture (editor points), the colour expected there and how far off it may be.
struct PixelSample
{
  float x, y;
  IColor color;
  int tolerance = 4;
  const char* what = "";
};
class PixelEditor;
// Every sample's pixel within its tolerance of its colour; a failure names the point.
void ExpectPixels(const PixelEditor& editor, std::initializer_list<PixelSample> samples);

// A control that draws with a function of the graphics context and its bounds.
class DrawingControl : public IControl
{
public:
  using DrawFunc = std::function<void(IGraphics& g, const IRECT& bounds)>;
  DrawingControl(const IRECT& bounds, DrawFunc draw) : IControl(bounds), mDraw(std::move(draw)) {}
  void Draw(IGraphics& g) override { mDraw(g, mRECT); }

private:
  DrawFunc mDraw;
};

// An editor of w x h points drawn by a PixelGraphics, on a TestDelegate: opened with a layout
// function at the draw scale and the screen's backing scale given, its first frame drawn.
class PixelEditor
{
public:
  PixelEditor(int w, int h, float drawScale = 1.f, float screenScale = 1.f, const std::string& bundleID = "",
              int nParams = 0);
  // The editor of a delegate of the caller's (a plug-in with its own layout function), which
  // must outlive this object.
  PixelEditor(IGEditorDelegate& delegate, int w, int h, float drawScale = 1.f, float screenScale = 1.f,
              const std::string& bundleID = "");
  ~PixelEditor();

  // Opens the editor (the layout runs inside) and draws the first frame. Without a layout
  // function the delegate's own runs.
  PixelGraphics& Open(plug::igraphics::IGEditorDelegate::LayoutFunc layout = nullptr);
  // Closes the editor window (the graphics context goes, the delegate stays).
  void Close();
  TestDelegate& Delegate() { return *mDelegate; }
  // The open editor's graphics context (null when closed).
  PixelGraphics* Graphics() const;
  // The colour of the last picture's pixel under the point (editor points); transparent black
  // outside the picture.
  IColor At(float x, float y) const;
  // The box (editor points) of the pixels in the area whose colour is not near the background's;
  // all zero when there are none.
  IRECT InkBox(const IRECT& area, const IColor& background, int tolerance = 24) const;

private:
  void SetMakeGraphics(int w, int h, float drawScale, const std::string& bundleID);

  std::unique_ptr<TestDelegate> mDelegate; // the test's own delegate, when it has one
  IGEditorDelegate* mEditorDelegate;
  float mScreenScale;
};

} // namespace testgraphics
