#pragma once
// The editor's graphics context: one per open editor, created by the editor delegate through
// its make-graphics function and deleted when the editor closes, or, closed from inside a call
// that entered it, when the outermost such call returns (see graphics/EditorEntry.h, the one way
// in, where the rule that keeps that safe is stated). It owns every control of the
// editor, keeps the tag map and the special controls (corner resizer, value bubbles, in-editor
// pop-up menu, frame-time display, in-editor text entry), dispatches events to controls,
// collects dirty areas and runs the drawing pass, and resizes and rescales the editor.
//
// The class is abstract. A renderer derives from it and supplies the path primitives and
// bitmap operations (everything below marked "renderer"); every shape operation is built
// here from those primitives, with a current 2-D transform and a stack of saved ones. A
// platform layer derives from the renderer and supplies the window, cursor, menu, text
// field, clipboard, dialog and font operations (marked "platform").
//
// Geometry is in editor points at scale 1; on screen it is multiplied by the draw scale
// (0.5 to 4) and, in the back buffer, by the screen's backing scale too. Angles are degrees,
// 0 pointing up and increasing clockwise.
//
// Everything runs on the editor's main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <stack>
#include <unordered_map>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/IPopupMenu.h"
#include "graphics/PlatformFont.h"
#include "plug/HeapBuf.h"
#include "plug/IMidiMsg.h"
#include "plug/aax/IPluginAAXView_Interface.h"

namespace plug {
class IEditorDelegate;

namespace igraphics {

class IGEditorDelegate;
class ICornerResizerControl;
class IBubbleControl;
class IPopupMenuControl;
class IFPSDisplayControl;
class ITextEntryControl;

enum class ETextStyle : int32_t
{
  Normal = 0,
  Bold = 1,
  Italic = 2
};

class IGraphics : public IPluginAAXView_Interface
{
public:
  static constexpr float kMinScale = 0.5f;
  static constexpr float kMaxScale = 4.f;

  IGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.f);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Highlights every control of the list bound to the parameter (the host binding's call).
  void SetHostHighlightForParam(int paramIdx, bool highlighted, int colourIndex) override;

  // ======================================================================================
  // Entered from outside (graphics/EditorEntry.h states the rule)

  // Held over every call into this context from outside; only EditorEntry makes one. A scope
  // of a null context does nothing.
  class DispatchScope
  {
  public:
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

  private:
    friend class EditorEntry;
    explicit DispatchScope(IGraphics* pGraphics);
    IGraphics* mGraphics;
  };
  bool InDispatch() const { return mDispatchDepth > 0; }
  // Closed by the delegate inside a dispatch scope: deletion pending.
  bool IsClosed() const { return mClosed; }
  // The delegate's close: the context is not entered again and its handles expire.
  void MarkClosed()
  {
    mClosed = true;
    mLiveCell.reset();
  }
  // What an EditorHandle watches: empty once the context closed.
  std::shared_ptr<IGraphics* const> LiveCell() const { return mLiveCell; }

  // Dispatch's one way to call out of the context: runs call (a control's handler, the host's
  // parameter click, a menu's completion), which may run a nested loop, remove controls or
  // close the editor, and hands back the control again, or null when it went or the editor
  // closed meanwhile. A control that went took its own captures, gestures and pointers with it:
  // dispatch touches it no more and goes on with the rest of the event. Only a closed editor
  // (IsClosed) ends the event; then dispatch touches nothing more.
  template <typename Call>
  IControl* ControlAfter(IControl* pControl, Call&& call)
  {
    const uint64_t token = pControl->GetToken();
    call(*pControl);
    return mClosed ? nullptr : ControlWithToken(token);
  }

  // Where every nested loop of the platform starts (alerts, modal panels, native menus): in
  // builds with assertions a loop started outside a dispatch scope goes to the handler set
  // here (by default: reported on the trace, then the process aborts), named by where.
  using NestedLoopCheckHandler = void (*)(const char* where);
  static void SetNestedLoopCheckHandler(NestedLoopCheckHandler handler);
  void CheckNestedLoopInDispatch(const char* where) const;

  // ======================================================================================
  // Frames and the view (renderer)

  // Frame-time measurement for the frame-time display; the renderer opens its frame after.
  virtual void BeginFrame();
  virtual void OnViewInitialized(void* /*pContext*/) {}
  virtual void OnViewDestroyed() {}
  virtual void EndFrame() {}

  // ======================================================================================
  // Drawing interface. Every shape clears the path, builds its own and strokes or fills it
  // with a solid pattern of the colour and the default options. Blends may be null.

  virtual void DrawSVG(const ISVGImage& svg, const IRECT& bounds, const IBlend* pBlend = nullptr,
                       const IColor* pStrokeColor = nullptr, const IColor* pFillColor = nullptr);
  virtual void DrawRotatedSVG(const ISVGImage& svg, float destCentreX, float destCentreY, float width,
                              float height, double angle, const IBlend* pBlend = nullptr);
  // Renderer: the bitmap's pixels from (srcX, srcY) into bounds.
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                          const IBlend* pBlend = nullptr) = 0;
  // Stretched to the bounds.
  virtual void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                 const IBlend* pBlend = nullptr);
  virtual void DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend = nullptr);
  virtual void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  virtual void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                              const IBlend* pBlend = nullptr, float thickness = 1.f, float dashLen = 2.f);
  virtual void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* pBlend = nullptr, float thickness = 1.f);
  // Radii in the order top-left, top-right, bottom-left, bottom-right.
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL,
                             float cRBR, const IBlend* pBlend = nullptr, float thickness = 1.f);
  // Only the arc from a1 to a2 (no move, no close).
  virtual void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr,
                          float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                           float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                 const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                              float thickness = 1.f, float dashLen = 2.f);
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* pBlend = nullptr);
  virtual void FillRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* pBlend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL,
                             float cRBR, const IBlend* pBlend = nullptr);
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr);
  virtual void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* pBlend = nullptr);
  // A pie slice: centre, arc, close.
  virtual void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* pBlend = nullptr);
  virtual void FillConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                 const IBlend* pBlend = nullptr);
  // The text's width; bounds receives its box. Nothing (0) for a null or empty text.
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;
  // Default: draws "Unsupported" in the bounds.
  virtual void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds,
                                 const IBlend* pBlend = nullptr);
  // Renderer.
  virtual IColor ReadPixel(int x, int y) = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIName() = 0;

  // ======================================================================================
  // Bitmaps (the defaults here, the back-end operations from the renderer)

  virtual IBitmap ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale);
  virtual void RetainBitmap(const IBitmap& bitmap, const char* cacheName);
  virtual void ReleaseBitmap(const IBitmap& bitmap);
  // Renderer: the extension is given without its dot.
  virtual bool IsBitmapTypeSupported(const char* ext) = 0;
  virtual void DrawFastDropShadow(const IRECT& /*innerBounds*/, const IRECT& /*outerBounds*/, float /*xyDrop*/ = 5.f,
                                  float /*roundness*/ = 0.f, float /*blur*/ = 10.f, const IBlend* /*pBlend*/ = nullptr)
  {
  }
  // Lines every gridSizeH along x and every gridSizeV along y, one stroke for all.
  virtual void DrawLineGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                            const IBlend* pBlend = nullptr, float thickness = 1.f);
  // A polyline of normalised values over the bounds, filled first with pFillColor when given.
  virtual void DrawData(const IColor& color, const IRECT& bounds, const float* normYPoints, int nPoints,
                        const float* normXPoints = nullptr, const IBlend* pBlend = nullptr, float thickness = 1.f,
                        const IColor* pFillColor = nullptr);
  virtual bool LoadFont(const char* fontID, const char* fileNameOrResID);
  virtual bool LoadFont(const char* fontID, void* pData, int dataSize);
  bool LoadFont(const char* fontID, const char* fontName, ETextStyle style);

  // ======================================================================================
  // Layers (renderer)

  virtual void ReadLayerPixels(ILayerPtr& layer, RawBitmapData& data) = 0;
  virtual void ApplyLayerDropShadow(ILayerPtr& layer, const RawBitmapData& mask, const IShadow& shadow) = 0;
  // Makes the top layer (or the main frame) the drawing target.
  virtual void UpdateLayer() {}

  // ======================================================================================
  // Path primitives (renderer). A path is built from moves, lines, arcs and curves and is
  // consumed by one stroke or fill.

  virtual void PathClear() = 0;
  virtual void PathClose() = 0;
  // Angles in degrees, 0 up, clockwise.
  virtual void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding = EWinding::CW) = 0;
  virtual void PathMoveTo(float x, float y) = 0;
  virtual void PathLineTo(float x, float y) = 0;
  // The winding of the last sub-path (clockwise: a hole).
  virtual void PathSetWinding(bool /*clockwise*/) {}
  virtual void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) = 0;
  virtual void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) = 0;
  virtual void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                          const IBlend* pBlend = nullptr) = 0;
  virtual void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                        const IBlend* pBlend = nullptr) = 0;
  // The renderer's copy of the current transform.
  virtual void PathTransformSetMatrix(const IMatrix& m) = 0;
  // Called after each control is drawn.
  virtual void EndControlRegion(const IRECT& /*clip*/) {}
  virtual void SetClipRegion(const IRECT& r) = 0;

  // ======================================================================================
  // Platform

  virtual void AttachPlatformView(const IRECT& /*bounds*/, void* /*pView*/) {}
  virtual void RemovePlatformView(void* /*pView*/) {}
  virtual void HidePlatformView(void* /*pView*/, bool /*hide*/) {}
  // The pointer position in editor points.
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual void HideMouseCursor(bool hide = true, bool lock = true) = 0;
  virtual void MoveMouseCursor(float x, float y) = 0;
  // Stores the new kind and returns the previous one.
  virtual ECursor SetMouseCursor(ECursor cursorType = ECursor::ARROW);
  virtual void EndPlatformTextEntry() = 0;
  // Opens the editor view inside the host's parent view (running the delegate's layout) and
  // returns the platform view; CloseWindow detaches and releases it.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual bool GetTextFromClipboard(CharBuf& str) = 0;
  virtual bool SetTextInClipboard(const char* str) = 0;
  virtual bool SetFilePathInClipboard(const char* /*path*/) { return false; }
  virtual bool InitiateExternalFileDragDrop(const char* /*path*/, const IRECT& /*iconBounds*/) { return false; }
  virtual void UpdateTooltips() = 0;
  virtual int ShowMessageBox(const char* str, const char* caption, int type,
                             IMsgBoxCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual void PromptForFile(CharBuf& fileName, CharBuf& path, int action = 0, const char* ext = "",
                             IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual void PromptForDirectory(CharBuf& dir, IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual bool PromptForColor(IColor& color, const char* str = "", IColorPickerHandlerFunc func = nullptr) = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
                       const char* errMsgOnFailure = nullptr) = 0;
  virtual const char* GetPlatformAPIString() { return ""; }
  virtual bool RevealPathInFinder(CharBuf& /*path*/, bool /*select*/ = false) { return false; }
  virtual void* GetModuleHandle() { return nullptr; }
  // A new platform font, owned by the caller; null when there is none.
  virtual PlatformFontPtr LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID) = 0;
  virtual PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, void* pData, int dataSize) = 0;
  virtual PlatformFontPtr LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle style) = 0;
  // Keeps what the platform needs of the font in its process-wide cache under the identifier.
  virtual void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual const char* GetBundleID() { return ""; }
  virtual const char* GetAppGroupID() { return ""; }
  // Around the renderer's work on GPU resources (images, frame buffers).
  virtual void BeforeResourceWork() {}
  virtual void AfterResourceWork() {}
  // Shows a native text field over the bounds; the platform calls SetControlValueAfterTextEdit
  // when editing ends.
  virtual void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                       const char* str) = 0;
  // Shows the native menu. The result is the menu level where an item was chosen (with its
  // chosen index set), or null; an asynchronous platform sets isAsync, returns null and later
  // calls SetControlValueAfterPopupMenu.
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) = 0;
  // Ratio between the host window's units and the editor's points.
  virtual float GetPlatformWindowScale() const { return 1.f; }
  // Sets the view's frame to the scaled size.
  virtual void PlatformResize(bool /*parentHasResized*/) {}
  // Renderer: rebuilds the back buffer for the new size and scales.
  virtual void DrawResize() {}
  virtual EUIAppearance GetUIAppearance() const { return EUIAppearance::Light; }

  // ======================================================================================
  // Resources

  // A bitmap resource; targetScale 0 means the screen scale rounded up. The empty bitmap
  // when nothing usable is found.
  virtual IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                             int targetScale = 0);
  virtual IBitmap LoadBitmap(const char* name, const void* pData, int dataSize, int nStates = 1,
                             bool framesAreHorizontal = false, int targetScale = 0);
  virtual ISVGImage LoadSVG(const char* fileNameOrResID, const char* units = "px", float dpi = 72.f);
  virtual ISVGImage LoadSVG(const char* name, const void* pData, int dataSize, const char* units = "px",
                            float dpi = 72.f);
  // The whole file of a resource; empty on any failure.
  virtual std::vector<uint8_t> LoadResource(const char* fileNameOrResID, const char* fileType);
  // Where a resource file is: 0 not found, else found with its full path in result. The one
  // seam of resource lookup; the platform's lookup by default.
  virtual int LocateResourceFile(const char* name, const char* type, CharBuf& result);

  // Adds the gesture kind to the registered kinds.
  virtual void AddGestureRecognizer(EGestureType type);

  // Renderer back end: decoding, offscreen bitmaps and fonts (owned by the caller).
  virtual APIBitmap* LoadAPIBitmapFromLocation(const char* path, int scale, int location, const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmapFromData(const char* name, const void* pData, int dataSize, int scale) = 0;
  virtual APIBitmap* CreateOffscreenBitmap(int width, int height, float scale, double drawScale,
                                           bool cacheable = false) = 0;
  virtual bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual int AlphaChannelIndex() const = 0;
  virtual bool IsBitmapFlipped() const = 0;
  // The text's box in rect (positioned in the given rect by the alignments), its width back.
  virtual float MeasureTextRect(const IText& text, const char* str, IRECT& rect) const = 0;
  virtual void DrawTextInRect(const IText& text, const char* str, const IRECT& bounds,
                              const IBlend* pBlend = nullptr) = 0;
  virtual float GetTotalScale() const { return mDrawScale * mScreenScale; }

  // ======================================================================================
  // Path building blocks and transforms

  void PathRect(const IRECT& bounds);
  void PathRoundRect(const IRECT& bounds, float cornerRadius);
  void PathRoundRect(const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR);
  void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3);
  void PathConvexPolygon(const float* x, const float* y, int nPoints);
  void PathCircle(float cx, float cy, float r);
  void PathEllipse(const IRECT& bounds);
  // Adds nothing when a radius is 0 or less.
  void PathEllipse(float x, float y, float r1, float r2, float angle = 0.f);
  // The inner and outer points of a radial line as a move and a line.
  void PathRadialLine(float cx, float cy, float angle, float rMin, float rMax);

  void PathTransformSave();
  // Nothing when no transform is saved.
  void PathTransformRestore();
  void PathTransformReset(bool clearStates = false);
  void PathTransformTranslate(float x, float y);
  void PathTransformScale(float x, float y);
  void PathTransformScale(float scale) { PathTransformScale(scale, scale); }
  void PathTransformRotate(float angle);
  void PathTransformSkew(float xAngle, float yAngle);
  void PathTransformMatrix(const IMatrix& matrix);
  const IMatrix& GetTransform() const { return mTransform; }
  int GetTransformStackDepth() const { return static_cast<int>(mTransformStates.size()); }

  // ======================================================================================
  // Text, bitmap-frame and line conveniences

  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend = nullptr);
  void DrawTextAt(const IText& text, const char* str, float x, float y, const IBlend* pBlend = nullptr);
  // Frame 1..frame count (clamped); frames side by side or stacked as the bitmap says.
  void DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame = 1, const IBlend* pBlend = nullptr);
  // One frame per printable character, frame 1 being the space.
  void DrawBitmapText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* pBlend,
                      const char* str, bool vCentre = true, bool multiline = false, int charWidth = 6,
                      int charHeight = 12, int charOffset = 0);
  // At a normalised position across the bounds: horizontal lines from the bottom (0) to the
  // top (1), vertical lines from the left (0) to the right (1), x truncated to whole points.
  void DrawLineAcross(const IColor& color, const IRECT& bounds, EDirection dir, float pos,
                      const IBlend* pBlend = nullptr, float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* pBlend = nullptr,
                          float thickness = 1.f);
  void DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  void DrawVerticalLine(const IColor& color, float x, float y1, float y2, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, float y, float x1, float x2, const IBlend* pBlend = nullptr,
                          float thickness = 1.f);
  void DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IBlend* pBlend = nullptr, float thickness = 1.f);

  // Geometry of rotated text for the renderer: the text rect turned by the style's angle and
  // the offset that aligns it in the bounds.
  void CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const;
  void CalculateTextRotationBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                   double& ty) const;

  // SVG shapes through the path primitives, under a transform that scales them by scale (a
  // shape that would reach past the range of float is left out).
  void RenderSVG(const ISVGImage& svg, const IBlend* pBlend = nullptr, const IColor* pStrokeColor = nullptr,
                 const IColor* pFillColor = nullptr, float scale = 1.f);

  // ======================================================================================
  // Layers, clipping and shadows

  void StartLayer(IControl* pOwner, const IRECT& r, bool cacheable = false);
  ILayerPtr EndLayer();
  // Draws into a new layer and hands it over. The layer leaves the stack also when drawing
  // throws, so later drawing goes where it should.
  template <class DrawFunc>
  ILayerPtr DrawInLayer(IControl* pOwner, const IRECT& r, bool cacheable, DrawFunc&& draw)
  {
    StartLayer(pOwner, r, cacheable);
    try
    {
      draw();
    }
    catch (...)
    {
      EndLayer();
      throw;
    }
    return EndLayer();
  }
  void ResumeLayer(ILayerPtr& layer);
  bool CheckLayer(const ILayerPtr& layer);
  void DrawLayer(const ILayerPtr& layer, const IBlend* pBlend = nullptr);
  void DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* pBlend = nullptr);
  void DrawRotatedLayer(const ILayerPtr& layer, double angle);
  void ApplyShadow(ILayerPtr& layer, const IShadow& shadow);
  // Clips to r within the current area; the all-zero rectangle clips to the whole area.
  void ClipToRegion(const IRECT& r);
  void PushLayer(ILayer* layer);
  ILayer* PopLayer();
  // Sets every vector control's style.
  void StyleVectorControls(const IVStyle& style);

  // ======================================================================================
  // Resources (not virtual)

  int SearchImageResource(const char* name, const char* type, CharBuf& result, int targetScale, int& sourceScale);
  APIBitmap* SearchBitmapInCache(const char* name, int targetScale, int& sourceScale);
  // The same resource reloaded for the current screen scale.
  IBitmap GetScaledBitmap(IBitmap& src);
  void SetSharedResourcesSubPath(const char* path) { mSharedResourcesSubPath.Set(path); }
  const char* GetSharedResourcesSubPath() const { return mSharedResourcesSubPath.Get(); }

  // ======================================================================================
  // Controls and tags

  // Attaches and takes over the control. A tag of 0 or more must be new: a tag already in
  // use returns null and leaves the control with the caller.
  IControl* AttachControl(IControl* pControl, int ctrlTag = -1, const char* group = "");
  IControl* GetControl(int idx) const { return mControls.Get(idx); }
  int NControls() const { return mControls.GetSize(); }
  int GetControlIdx(const IControl* pControl) const { return mControls.Find(pControl); }
  // Null for an absent tag.
  IControl* GetControlWithTag(int ctrlTag) const;
  // The attached control (in the list or special) with the token, or null once it has gone.
  IControl* ControlWithToken(uint64_t token);
  // The tag of an attached control, -1 without one.
  int GetControlTag(const IControl* pControl) const;
  // The first control of the list bound to the parameter.
  IControl* GetControlWithParamIdx(int paramIdx) const;
  IControl* GetBackgroundControl() const { return GetControl(0); }
  void RemoveControlWithTag(int ctrlTag);
  void RemoveControl(IControl* pControl);
  void RemoveControl(int idx);
  void RemoveControls(int fromIdx);
  void RemoveAllControls();

  void AttachBackground(const char* fileName);
  void AttachSVGBackground(const char* fileName);
  void AttachPanelBackground(const IPattern& color);
  void AttachCornerResizer(EResizeMode sizeMode = EResizeMode::Scale, bool layoutOnResize = false,
                           const IColor& color = COLOR_TRANSLUCENT, const IColor& mouseOverColor = COLOR_BLACK,
                           const IColor& dragColor = COLOR_BLACK, float size = 20.f);
  void AttachCornerResizer(ICornerResizerControl* pControl, EResizeMode sizeMode = EResizeMode::Scale,
                           bool layoutOnResize = false);
  void AttachBubbleControl(const IText& text = DEFAULT_TEXT);
  void AttachBubbleControl(IBubbleControl* pControl);
  // bounds: the area its panels may use; all zero, the whole editor.
  void AttachPopupMenuControl(const IText& text = DEFAULT_TEXT, const IRECT& bounds = IRECT());
  // A ready control; when one is attached already the given one is deleted.
  void AttachPopupMenuControl(IPopupMenuControl* pControl);
  void RemovePopupMenuControl();
  void AttachTextEntryControl();
  // A ready control; when one is attached already the given one is deleted.
  void AttachTextEntryControl(ITextEntryControl* pControl);
  void RemoveTextEntryControl();
  void ShowFPSDisplay(bool enable);
  bool ShowingFPSDisplay() const { return mPerfDisplay != nullptr; }
  // Shows the value bubble for the caller at (x, y).
  void ShowBubbleControl(IControl* pCaller, float x, float y, const char* str,
                         EDirection dir = EDirection::Horizontal, IRECT minimumContentBounds = IRECT(),
                         ITouchID touchID = 0);

  ICornerResizerControl* GetCornerResizer() const { return mCornerResizer; }
  IPopupMenuControl* GetPopupMenuControl() const { return mPopupControl; }
  ITextEntryControl* GetTextEntryControl() const { return mTextEntryControl; }
  IFPSDisplayControl* GetPerfDisplay() const { return mPerfDisplay; }
  int NBubbleControls() const { return mBubbleControls.GetSize(); }
  IBubbleControl* GetBubbleControl(int i = 0) const { return mBubbleControls.Get(i); }

  // ---- iteration ----

  // The list in order, then frame-time display, corner resizer, text entry, pop-up menu,
  // then the bubbles. The order of drawing.
  void ForAllControlsFunc(const IControlFunction& func);
  template <class T, class... Args>
  void ForAllControls(T method, Args... args)
  {
    ForAllControlsFunc([&](IControl* pControl) { (pControl->*method)(args...); });
  }
  // The list only.
  void ForStandardControlsFunc(const IControlFunction& func);
  void ForControlInGroup(const char* group, const IControlFunction& func);
  void ForControlWithParam(int paramIdx, const IControlFunction& func);
  // Once per (control, listed parameter) pair that is bound.
  void ForControlWithParam(const std::initializer_list<int>& params, const IControlFunction& func);
  template <class T, class... Args>
  void ForMatchingControls(T method, int paramIdx, Args... args)
  {
    ForControlWithParam(paramIdx, [&](IControl* pControl) { (pControl->*method)(args...); });
  }
  void HideControl(int paramIdx, bool hide);
  void DisableControl(int paramIdx, bool disable);
  void SetAllControlsDirty();
  void SetAllControlsClean();
  void SetControlPosition(IControl* pControl, float x, float y);
  void SetControlSize(IControl* pControl, float w, float h);
  void SetControlBounds(IControl* pControl, const IRECT& r);

  // Every other control of the list bound to the caller's parameter of valIdx takes its value.
  void UpdatePeers(IControl* pCaller, int valIdx);
  void AssignParamNameToolTips();
  // Enabling also turns mouse-over tracking on; disabling leaves it on.
  void EnableTooltips(bool enable);
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }
  bool TooltipsEnabled() const { return mEnableTooltips; }
  bool MouseOverEnabled() const { return mEnableMouseOver; }
  void EnableMultiTouch(bool enable) { mEnableMultiTouch = enable; }
  bool MultiTouchEnabled() const { return mEnableMultiTouch; }

  // ---- results of prompts ----

  // A committed text entry: to the control's text completion without a parameter, else as
  // the parameter's value.
  void SetControlValueAfterTextEdit(const char* str);
  // The menu level where an item was chosen, or null when nothing was.
  void SetControlValueAfterPopupMenu(IPopupMenu* pMenu);
  void NotifyPopupMenuItemDeleted(IPopupMenu* pMenu, int itemIdx);

  // ======================================================================================
  // Events

  // Hit testing: the captured control of the touch, else a special control that takes the
  // point, else the list from the last control back.
  IControl* GetMouseControl(float x, float y, bool capture, bool mouseOver = false, ITouchID touchID = 0);
  int GetMouseControlIdx(float x, float y, bool mouseOver = false);
  // Forgets every capture; the host gestures the captured controls began end with it (except
  // those of a control waiting for its menu, which end when the menu's result arrives).
  void ReleaseMouseCapture();
  bool IsControlCaptured(const IControl* pControl) const;
  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  IControl* GetCapturedControl(ITouchID touchID) const;

  void OnMouseDown(const std::vector<IMouseInfo>& points);
  void OnMouseUp(const std::vector<IMouseInfo>& points);
  void OnMouseDrag(const std::vector<IMouseInfo>& points);
  void OnTouchCancelled(const std::vector<IMouseInfo>& points);
  bool OnMouseDblClick(float x, float y, const IMouseMod& mod);
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  bool OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  void OnDrop(const char* str, float x, float y);
  void OnDropMultiple(const std::vector<const char*>& paths, float x, float y);
  void OnAppearanceChanged(EUIAppearance appearance);
  void SetAppearanceChangedFunc(IAppearanceChangedFunc func) { mAppearanceChangedFunc = std::move(func); }

  // Keys go to the control under the point (the background skipped), then the key handler.
  bool OnKeyDown(float x, float y, const IKeyPress& key);
  bool OnKeyUp(float x, float y, const IKeyPress& key);
  void SetKeyHandlerFunc(IKeyHandlerFunction func) { mKeyHandlerFunc = std::move(func); }
  // Plays notes from the computer keyboard through the delegate (and func when set).
  void SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg& msg)> func = nullptr);

  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0);
  void OpenPopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext);
  void CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str = "",
                       int valIdx = 0);
  // A menu of display texts for an enumeration (or a switch with texts), else a text entry.
  void PromptUserInput(IControl& control, const IRECT& bounds, int valIdx = 0);
  void ShowContextMenuForControl(IControl* pControl, float x, float y);
  void ShowContextMenuForControl(int controlIdx, float x, float y);
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  // A text entry ends without a result (the in-editor entry was dismissed).
  void ClearControlInTextEntry() { mInTextEntry = nullptr; }
  IControl* GetControlInPopupMenu() const { return mInPopupMenu; }
  // The menu of the request waiting for its result; null once the control that asked is gone.
  IPopupMenu* GetShownPopupMenu() const { return mShownMenu; }
  IPopupMenu& GetPromptMenu() { return mPromptPopupMenu; }

  void AttachGestureRecognizer(const IRECT& r, EGestureType type, IGestureFunction func);
  void ClearGestureRegions();
  bool RespondsToGesture(float x, float y);
  void OnGestureRecognized(const IGestureInfo& info);
  const std::vector<EGestureType>& GetRegisteredGestures() const { return mRegisteredGestures; }

  // The parameter of the control at the point, remembered for TakeLastClickedParam.
  int GetParamIdxForHostAutomation(float x, float y);
  int TakeLastClickedParam()
  {
    const int idx = mLastClickedParam;
    mLastClickedParam = -1;
    return idx;
  }

  void GetLastMouseDownPoint(float& x, float& y) const
  {
    x = mMouseDownX;
    y = mMouseDownY;
  }

  // ======================================================================================
  // Dirty tracking and drawing pass

  // Advances every control's animation and collects the areas of dirty controls.
  bool IsDirty(IRECTList& rects);
  // Draws the dirty areas between the renderer's begin-frame and end-frame.
  void Draw(IRECTList& rects);
  void Draw(const IRECT& area, float scale);
  void DrawControl(IControl* pControl, const IRECT& area, float scale);
  void PrepareControlRegion(const IRECT& clip);
  void SetStrictDrawing(bool strict);
  // Called at the start of every dirty test.
  void SetDisplayTickFunc(std::function<void()> func) { mDisplayTickFunc = std::move(func); }

  // ======================================================================================
  // Size and scale

  void Resize(int w, int h, float scale, bool needsPlatformResize = true);
  void SetScreenScale(float scale);
  void SetScaleConstraints(float lo, float hi);
  void SetLayoutOnResize(bool layoutOnResize) { mLayoutOnResize = layoutOnResize; }
  void OnDragResize(float x, float y);
  void EndDragResize();
  void StartDragResize() { mResizingInProcess = true; }
  bool GetResizingInProcess() const { return mResizingInProcess; }
  EResizeMode GetResizeMode() const { return mGUISizeMode; }

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int WindowWidth() const { return static_cast<int>(GetPlatformWindowScale() * static_cast<int>(mWidth * mDrawScale)); }
  int WindowHeight() const
  {
    return static_cast<int>(GetPlatformWindowScale() * static_cast<int>(mHeight * mDrawScale));
  }
  int FPS() const { return mFPS; }
  float GetDrawScale() const { return mDrawScale; }
  float GetScreenScale() const { return mScreenScale; }
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  IRECT GetBounds() const { return IRECT(0.f, 0.f, static_cast<float>(mWidth), static_cast<float>(mHeight)); }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  ECursor GetCursor() const { return mCursor; }
  float GetXTranslation() const { return mXTranslation; }
  float GetYTranslation() const { return mYTranslation; }
  void SetTranslation(float x, float y)
  {
    mXTranslation = x;
    mYTranslation = y;
  }

  // ======================================================================================
  // Clock

  // Milliseconds of the editor's steady clock. Control animations and the frame timing read
  // it, so one replacement moves both. The steady clock by default.
  virtual double GetClockMs() const { return SteadyClockMs(); }
  // Milliseconds of the steady clock since the process first asked (thread-safe).
  static double SteadyClockMs();

protected:
  // The solid pattern a plain colour is drawn with.
  static IPattern SolidPattern(const IColor& color) { return IPattern(color); }
  // Hands the current transform to the renderer.
  void ApplyTransform() { PathTransformSetMatrix(mTransform); }
  // The whole number above a screen scale (1.5 -> 2), at least 1.
  static int ScaleRoundedUp(float scale);
  // The text after the last '.' of a name, or the whole name without one.
  static const char* BitmapExtension(const char* name);

  // ---- fields, in the order of the context's data ----
  PtrArray<IControl> mControls;
  std::unordered_map<int, IControl*> mCtrlTags;
  ICornerResizerControl* mCornerResizer = nullptr;
  PtrArray<IBubbleControl> mBubbleControls;
  IPopupMenuControl* mPopupControl = nullptr;
  IFPSDisplayControl* mPerfDisplay = nullptr;
  ITextEntryControl* mTextEntryControl = nullptr;
  IPopupMenu mPromptPopupMenu{"", 0, false};
  CharBuf mSharedResourcesSubPath{128};
  ECursor mCursor = ECursor::ARROW;
  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.f;
  float mDrawScale;
  std::vector<EGestureType> mRegisteredGestures;
  IRECTList mGestureRegions;
  std::unordered_map<int, IGestureFunction> mGestureRegionFuncs;
  std::unordered_map<ITouchID, IControl*> mCapturedMap;
  IControl* mMouseOver = nullptr;
  IControl* mInTextEntry = nullptr;
  IControl* mInPopupMenu = nullptr;
  bool mIsContextMenu = false;
  bool mMenuInEditor = false;
  int mTextEntryValIdx = -1;
  int mPopupMenuValIdx = -1;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.f;
  float mMouseDownY = -1.f;
  float mMinScale = kMinScale;
  float mMaxScale = kMaxScale;
  int mLastClickedParam = -1;
  bool mEnableMouseOver = false;
  bool mStrict = false;
  bool mEnableTooltips = false;
  bool mResizingInProcess = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  EResizeMode mGUISizeMode = EResizeMode::Scale;
  double mPrevTimestamp = 0.0;
  IKeyHandlerFunction mKeyHandlerFunc;
  std::function<void()> mDisplayTickFunc;
  IAppearanceChangedFunc mAppearanceChangedFunc;
  IGEditorDelegate* mDelegate;
  bool mCursorHidden = false;
  bool mCursorLock = false;
  bool mTabletInput = false;
  float mCursorX = -1.f;
  float mCursorY = -1.f;
  std::stack<ILayer*> mLayers;
  IRECT mClipRECT;
  IMatrix mTransform;
  std::stack<IMatrix> mTransformStates;
  float mXTranslation = 0.f;
  float mYTranslation = 0.f;
  void* mPlatformContext = nullptr;

private:
  // Both bitmap loaders: from the resource files, or from the data (decoded as scale 1).
  IBitmap LoadBitmapFrom(const char* name, bool fromMemory, const void* pData, int dataSize, int nStates,
                         bool framesAreHorizontal, int targetScale);
  // Hands a platform font to the renderer and, when it takes it, to the platform's cache.
  bool RegisterPlatformFont(const char* fontID, PlatformFontPtr font);
  // Takes the control over as the new background: first in the list, drawn before the rest.
  void InsertBackground(IControl* pControl, bool attachCalls);
  // Removes one list control (references first), without marking dirty.
  void DetachAndDeleteControl(int idx);
  // Clears every reference the context keeps to a control about to go.
  void ForgetControl(const IControl* pControl);
  // The prompt menu emptied for a new showing (its title stays).
  void ClearPromptMenu() { mPromptPopupMenu.Clear(true); }
  // Puts a special control in its slot (with its context and attach-time calls); when the slot
  // is taken the control is deleted and the result is false.
  template <class T>
  bool AttachSpecial(T*& slot, T* pControl);
  // Deletes the special control in the slot, forgetting every reference to it.
  template <class T>
  void RemoveSpecial(T*& slot);
  // The end of one touch: its control hears it, its capture and (when it was the control's
  // last touch) its gestures end. False when the control went or the editor closed (see
  // ControlAfter); the caller tells which by IsClosed.
  bool EndTouch(const IMouseInfo& point, bool cancelled);

  // ---- host gestures ----
  // Every gesture the context begins is ended exactly once, and only those: a begin goes to
  // the delegate for the first opener of a parameter, the end when its last opener ends it.
  // Opens a gesture on the parameter for the control; false when the control holds one already.
  bool BeginParamGesture(IControl* pControl, int paramIdx);
  void EndParamGesture(IControl* pControl, int paramIdx);
  // Every bound parameter of the control.
  void BeginGesturesFor(IControl* pControl);
  void EndGesturesFor(const IControl* pControl);
  bool HoldsGestures(const IControl* pControl) const;
  // Hands a menu result to the control that asked: completion function (once), selection,
  // gestures. inEditor: the menu was the in-editor one (else the platform's).
  void HandOverPopupResult(IControl* pControl, IPopupMenu* pResult, IPopupMenu* pShown, int valIdx, bool isContext,
                           bool inEditor);
  // Hit test for drops, wheel and keys: no capture, no mouse-over.
  IControl* ControlAt(float x, float y) { return GetMouseControl(x, y, false); }
  // A key to the control under the point (the background skipped), then the key handler.
  bool DispatchKey(float x, float y, const IKeyPress& key, bool isUp);

  std::vector<std::pair<IControl*, int>> mOpenGestures;
  int mDispatchDepth = 0; // dispatch scopes in progress
  bool mClosed = false;
  std::shared_ptr<IGraphics* const> mLiveCell = std::make_shared<IGraphics* const>(this);
  IPopupMenu* mShownMenu = nullptr;
};

} // namespace igraphics
} // namespace plug
