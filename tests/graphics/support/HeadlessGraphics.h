#pragma once
// A graphics context without a screen, for tests. It implements the renderer's and the
// platform's operations by recording them:
//  - drawing: every fill and stroke with the path it consumed (points after the current
//    transform, arcs sampled along their length), pattern, options and blend; bitmaps, texts
//    and clips;
//  - text metrics: every character is half the text size wide and the size high;
//  - a settable clock that drives control animations and frame timing;
//  - native menus and text fields answered by scripted answers (synchronous or later);
//  - a clipboard, cursor and window calls, tooltips, dialogs;
//  - resource lookup in one folder (the context's resource seam), or the platform's lookup;
//  - bitmaps decoded to RGBA pixels; offscreen bitmaps of zeroed pixels; every drawing call
//    marked with the layer it went into.

#include <functional>
#include <deque>
#include <string>
#include <vector>

#include "graphics/IGraphics.h"

namespace testgraphics {

using namespace plug::igraphics;

struct PathPoint
{
  float x = 0.f;
  float y = 0.f;
  bool operator==(const PathPoint& o) const { return x == o.x && y == o.y; }
};

// One element of a recorded path.
struct PathOp
{
  enum class Kind
  {
    Move,
    Line,
    Arc,
    Cubic,
    Quad,
    Close,
    Winding
  };
  Kind kind = Kind::Move;
  // Editor points after the transform: Move and Line one, Quad two, Cubic three, Arc sampled
  // from its start angle to its end angle (every 5 degrees at most, both ends included).
  std::vector<PathPoint> points;
  // The arc as given, with the transform in force.
  float cx = 0.f, cy = 0.f, r = 0.f, a1 = 0.f, a2 = 0.f;
  EWinding winding = EWinding::CW;
  IMatrix transform;
  bool clockwise = false; // Winding
};

// One recorded renderer call.
struct DrawCall
{
  enum class Kind
  {
    Fill,
    Stroke,
    Bitmap,
    Text,
    Clip
  };
  Kind kind = Kind::Fill;
  std::vector<PathOp> path;
  IPattern pattern;
  bool hasBlend = false;
  IBlend blend;
  float thickness = 0.f;
  IStrokeOptions stroke;
  IFillOptions fill;
  // Clip: the region. Bitmap: the destination as given. Text: the bounds as given.
  IRECT rect;
  // Bitmap: the destination's bounding box after the transform. Text: the laid-out box.
  IRECT deviceRect;
  int srcX = 0, srcY = 0;
  const APIBitmap* bitmap = nullptr;
  // The bitmap of the layer drawn into; null for the main frame.
  const APIBitmap* target = nullptr;
  std::string text;
  IText style;
  IMatrix transform;

  // Every point of the path, in order (Close and Winding add none).
  std::vector<PathPoint> Points() const;
  // The bounding box of the path's points.
  IRECT PathBounds() const;
  int CountOps(PathOp::Kind kind) const;
  IColor Color() const { return pattern.mStops[0].mColor; }
};

// A bitmap of the headless back end: a size and, for offscreen bitmaps, zeroed RGBA pixels.
class TestBitmap : public APIBitmap
{
public:
  TestBitmap(int w, int h, float scale, float drawScale) : APIBitmap(w, h, scale, drawScale) {}
  std::vector<uint8_t> mPixels;
};

// Answers for the native menus, taken in order; with none queued a menu closes at once with
// nothing chosen.
struct MenuAnswer
{
  MenuAnswer(int chosenIdx = -1, bool later = false, std::vector<int> path = {})
    : chosen(chosenIdx), async(later), submenuPath(std::move(path))
  {
  }
  int chosen;                   // item index in the level reached, -1 for nothing
  bool async;                   // delivered later by ResolvePendingMenu
  std::vector<int> submenuPath; // item indices leading into submenus
};

// The texts of the calls, in order.
std::vector<std::string> TextsOf(const std::vector<DrawCall>& calls);

class HeadlessGraphics : public IGraphics
{
public:
  HeadlessGraphics(plug::igraphics::IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.f);
  ~HeadlessGraphics() override;

  // ---- what was recorded ----
  const std::vector<DrawCall>& Calls() const { return mCalls; }
  // Gives back the calls' memory too, so that a run that records and clears holds none of it.
  void ClearCalls() { std::vector<DrawCall>().swap(mCalls); }
  std::vector<DrawCall> CallsOf(DrawCall::Kind kind) const;
  // The clip regions and the texts drawn, in order.
  std::vector<IRECT> Clips() const;
  std::vector<std::string> Texts() const { return TextsOf(mCalls); }
  // Window, cursor, clipboard, menu, text-entry, dialog and resize calls, one text each.
  std::vector<std::string> mPlatformLog;
  int mBeginFrames = 0;
  int mEndFrames = 0;
  int mTooltipUpdates = 0;
  int mDrawResizes = 0;

  // One tick of the platform's frame timer: the dirty areas found (and drawn).
  IRECTList Frame();
  // One frame's animation step, as the platform's timer runs it: the clock advances by ms and
  // the controls animate; nothing is drawn.
  void Tick(double ms);

  // ---- settings ----
  void SetClockMs(double ms) { mClockMs = ms; }
  void AdvanceClockMs(double ms) { mClockMs += ms; }
  void SetMouseLocation(float x, float y)
  {
    mMouseX = x;
    mMouseY = y;
  }
  void SetBackingScale(float scale) { mBackingScale = scale; }
  void SetPlatformWindowScale(float scale) { mWindowScale = scale; }
  // Where resources are found: the folder, then the name as a plain path; or, with
  // usePlatform, the platform's own lookup.
  void SetResourceFolder(const std::string& folder) { mResourceFolder = folder; }
  void UsePlatformResourceLookup(bool usePlatform) { mPlatformLookup = usePlatform; }
  // Every name looked for, in order.
  std::vector<std::string> mLookups;
  // Images decoded and offscreen bitmaps made.
  int mDecodes = 0;
  int mOffscreens = 0;
  // The mask of the last drop shadow applied.
  RawBitmapData mLastShadowMask;
  void QueueMenuAnswer(const MenuAnswer& answer) { mMenuAnswers.push_back(answer); }
  // Delivers the answer of a menu shown asynchronously, as the platform would on a later
  // turn of its run loop. False when no menu waits.
  bool ResolvePendingMenu();
  // The last native text field opened, while it is open.
  struct TextEntryRequest
  {
    int paramIdx = -1;
    IText text;
    IRECT bounds;
    int length = 0;
    std::string str;
  };
  bool TextEntryOpen() const { return mTextEntryOpen; }
  const TextEntryRequest& LastTextEntry() const { return mTextEntry; }
  // Ends the open native text field with the text, as the platform does.
  void CommitTextEntry(const char* str);
  // The last menu shown natively and where.
  const IPopupMenu* LastMenu() const { return mLastMenu; }
  const IRECT& LastMenuBounds() const { return mLastMenuBounds; }
  int mMessageBoxAnswer = 1;
  // Runs while a message box is up, as the host's code would inside the alert's loop.
  std::function<void()> mInsideMessageBox;
  // The colour every colour prompt chooses from now on; without one a prompt is cancelled.
  void SetColorAnswer(const IColor& color)
  {
    mColorAnswer = color;
    mHasColorAnswer = true;
  }
  // With this set, a colour prompt stays open (as the panel does) instead: its handler is kept
  // here for the test to call.
  bool mKeepColorPrompts = false;
  // The next fill throws instead of being recorded, as a renderer out of memory would.
  bool mFailNextFill = false;
  IColorPickerHandlerFunc mOpenColorPrompt;
  std::string mClipboard;
  bool mClipboardHasText = false;
  bool IsCursorHidden() const { return mCursorHidden; }

  // The context's state, for assertions.
  using IGraphics::GetTransform;

  // ---- renderer ----
  void BeginFrame() override;
  void EndFrame() override { ++mEndFrames; }
  void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY, const IBlend* pBlend) override;
  IColor ReadPixel(int, int) override { return IColor(); }
  void* GetDrawContext() override { return this; }
  const char* GetDrawingAPIName() override { return "Headless"; }
  bool IsBitmapTypeSupported(const char* ext) override;
  void ReadLayerPixels(ILayerPtr& layer, RawBitmapData& data) override;
  void ApplyLayerDropShadow(ILayerPtr& layer, const RawBitmapData& mask, const IShadow& shadow) override;
  void PathClear() override { mPath.clear(); }
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                  const IBlend* pBlend = nullptr) override;
  void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                const IBlend* pBlend = nullptr) override;
  void PathTransformSetMatrix(const IMatrix& m) override { mMatrix = m; }
  void SetClipRegion(const IRECT& r) override;
  APIBitmap* LoadAPIBitmapFromLocation(const char* path, int scale, int location, const char* ext) override;
  APIBitmap* LoadAPIBitmapFromData(const char* name, const void* pData, int dataSize, int scale) override;
  APIBitmap* CreateOffscreenBitmap(int width, int height, float scale, double drawScale, bool cacheable) override;
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  int AlphaChannelIndex() const override { return 3; }
  bool IsBitmapFlipped() const override { return false; }
  float MeasureTextRect(const IText& text, const char* str, IRECT& rect) const override;
  void DrawTextInRect(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend) override;
  void DrawResize() override { ++mDrawResizes; }

  // ---- platform ----
  void GetMouseLocation(float& x, float& y) const override
  {
    x = mMouseX;
    y = mMouseY;
  }
  void HideMouseCursor(bool hide, bool lock) override;
  void MoveMouseCursor(float x, float y) override;
  ECursor SetMouseCursor(ECursor cursorType) override;
  void EndPlatformTextEntry() override;
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mWindowOpen ? &mView : nullptr; }
  bool GetTextFromClipboard(plug::CharBuf& str) override;
  bool SetTextInClipboard(const char* str) override;
  void UpdateTooltips() override { ++mTooltipUpdates; }
  int ShowMessageBox(const char* str, const char* caption, int type,
                     IMsgBoxCompletionHandlerFunc completionHandler) override;
  void PromptForFile(plug::CharBuf& fileName, plug::CharBuf& path, int action, const char* ext,
                     IFileDialogCompletionHandlerFunc completionHandler) override;
  void PromptForDirectory(plug::CharBuf& dir, IFileDialogCompletionHandlerFunc completionHandler) override;
  bool PromptForColor(IColor& color, const char* str, IColorPickerHandlerFunc func) override;
  bool OpenURL(const char* url, const char*, const char*, const char*) override;
  PlatformFontPtr LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, void* pData, int dataSize) override;
  PlatformFontPtr LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  float GetPlatformWindowScale() const override { return mWindowScale; }
  void PlatformResize(bool parentHasResized) override;
  int LocateResourceFile(const char* name, const char* type, plug::CharBuf& result) override;
  double GetClockMs() const override { return mClockMs; }

private:
  void Log(const std::string& s) { mPlatformLog.push_back(s); }
  PathPoint Transformed(float x, float y) const;
  DrawCall NewCall(DrawCall::Kind kind, const IBlend* pBlend) const;
  // The path for a fill or stroke call: a copy when it is preserved, else the path itself.
  std::vector<PathOp> TakePath(bool preserve);
  // The menu level an answer reaches, with its chosen index set; null for nothing chosen.
  static IPopupMenu* ApplyMenuAnswer(IPopupMenu& menu, const MenuAnswer& answer);

  std::vector<DrawCall> mCalls;
  std::vector<PathOp> mPath;
  IMatrix mMatrix;
  double mClockMs = 0.0;
  float mMouseX = 0.f;
  float mMouseY = 0.f;
  float mBackingScale = 1.f;
  float mWindowScale = 1.f;
  bool mWindowOpen = false;
  char mView = 0; // stands for the platform view
  std::string mResourceFolder;
  bool mPlatformLookup = false;
  std::deque<MenuAnswer> mMenuAnswers;
  IPopupMenu* mPendingMenu = nullptr;
  MenuAnswer mPendingAnswer;
  const IPopupMenu* mLastMenu = nullptr;
  IRECT mLastMenuBounds;
  bool mTextEntryOpen = false;
  TextEntryRequest mTextEntry;
  IColor mColorAnswer;
  bool mHasColorAnswer = false;
};

} // namespace testgraphics
