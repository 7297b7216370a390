#pragma once
// The graphics context's drawing back end on the vector renderer and its Metal back end: every
// path, paint, text, font, bitmap and layer operation of IGraphics carried out by a drawing
// context (VGRdrawContext) that draws through Metal.
//
// The whole view is drawn each frame into one offscreen framebuffer (the main framebuffer, of
// the view's backing-pixel size), which the end of the frame copies onto the view's drawable
// with one textured rectangle. Layers switch the drawing target to their own framebuffer in
// between. Framebuffers let go of during a frame are deleted after it.
//
// The class is abstract: the platform class derives from it, supplies the platform operations,
// hands the view's Metal layer to OnViewInitialized and calls OnViewDestroyed before it goes.
// Without a drawing context (or a main framebuffer) nothing is drawn.
//
// Fonts: the font bytes a platform font yields are read once per process and shared by every
// view (a process-wide cache, emptied when the last IGraphicsVGR goes); each view registers
// them with its own drawing context. Bitmaps: each view keeps its own cache of the bitmaps it
// loaded, by name and resource scale.
//
// Everything runs on the thread that renders the view (the main thread). The font-data cache's
// mutex is taken before the framebuffer queue's when both are held.

#include <deque>
#include <mutex>

#include "graphics/IGraphics.h"
#include "graphics/SharedResourceCache.h"
#include "graphics/renderer/VGR.h"

namespace plug {
namespace igraphics {

struct VGRMetalFramebuffer;

class IGraphicsVGR : public IGraphics
{
public:
  // The renderer's bitmap: an image of the drawing context, or an offscreen framebuffer whose
  // image it is. Deleting it deletes its image; a framebuffer goes through its owner, which
  // defers the deletion while a frame is open.
  class Bitmap : public APIBitmap
  {
  public:
    // An image made elsewhere (taken over); the pixel size is read back from the context.
    Bitmap(VGRdrawContext* ctx, int image, float scale);
    // A new offscreen framebuffer of width x height pixels, cleared to transparent; it stays
    // bound. Image 0 when the framebuffer's image could not be made.
    Bitmap(IGraphicsVGR* owner, VGRdrawContext* ctx, int width, int height, float scale, float drawScale);
    // A new image of the RGBA pixels (straight alpha, rows top to bottom).
    Bitmap(VGRdrawContext* ctx, int width, int height, const unsigned char* rgba, float scale, float drawScale);
    ~Bitmap() override;

    // The renderer's image id; 0 or less when there is none.
    int GetImage() const { return mImage; }
    VGRMetalFramebuffer* GetFramebuffer() const { return mFramebuffer; }

  private:
    IGraphicsVGR* mOwner = nullptr;
    VGRdrawContext* mContext = nullptr;
    VGRMetalFramebuffer* mFramebuffer = nullptr;
    int mImage = 0;
  };

  IGraphicsVGR(IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.f);
  ~IGraphicsVGR() override;

  // ---- frames and the view ----
  void BeginFrame() override;
  // pContext: the view's Metal layer (CAMetalLayer*). Creates the drawing context; nothing when
  // one exists already.
  void OnViewInitialized(void* pContext) override;
  // Removes every control, then deletes the bitmaps, the main framebuffer and the drawing
  // context (in that order).
  void OnViewDestroyed() override;
  void EndFrame() override;
  // Rebuilds the main framebuffer at the view's backing-pixel size.
  void DrawResize() override;
  void UpdateLayer() override;

  // ---- drawing ----
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* pBlend = nullptr) override;
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds,
                         const IBlend* pBlend = nullptr) override;
  void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                          float roundness = 0.f, float blur = 10.f, const IBlend* pBlend = nullptr) override;
  // Never reads: opaque black.
  IColor ReadPixel(int x, int y) override;
  void* GetDrawContext() override { return mDrawContext; }
  // "VGR | Metal".
  const char* GetDrawingAPIName() override;

  // ---- path primitives ----
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding = EWinding::CW) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                  const IBlend* pBlend = nullptr) override;
  void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                const IBlend* pBlend = nullptr) override;
  // The draw scale, then the top layer's origin, then the matrix.
  void PathTransformSetMatrix(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override;

  // ---- bitmaps and layers ----
  // Renderer bitmaps do not go into the toolkit's shared cache.
  void RetainBitmap(const IBitmap&, const char*) override {}
  void ReleaseBitmap(const IBitmap&) override {}
  // True when the lower-cased extension (under 32 characters) contains png, jpg or jpeg.
  bool IsBitmapTypeSupported(const char* ext) override;
  // From this view's bitmap cache, else found by the resource search and decoded. A bitmap found
  // at another scale than asked for is kept (and looked up) under the scale it was found at.
  IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                     int targetScale = 0) override;
  // An image in memory, made for scale 1, kept in this view's bitmap cache under its name.
  IBitmap LoadBitmap(const char* name, const void* pData, int dataSize, int nStates = 1,
                     bool framesAreHorizontal = false, int targetScale = 0) override;
  // Both decoders give a new bitmap owned by the caller, or null when nothing could be decoded.
  APIBitmap* LoadAPIBitmapFromLocation(const char* path, int scale, int location, const char* ext) override;
  APIBitmap* LoadAPIBitmapFromData(const char* name, const void* pData, int dataSize, int scale) override;
  // A new offscreen bitmap owned by the caller; null without a drawing context.
  APIBitmap* CreateOffscreenBitmap(int width, int height, float scale, double drawScale,
                                   bool cacheable = false) override;
  void ReadLayerPixels(ILayerPtr& layer, RawBitmapData& data) override;
  void ApplyLayerDropShadow(ILayerPtr& layer, const RawBitmapData& mask, const IShadow& shadow) override;
  int AlphaChannelIndex() const override { return 3; }
  bool IsBitmapFlipped() const override { return false; }

  // ---- text and fonts ----
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  float MeasureTextRect(const IText& text, const char* str, IRECT& rect) const override;
  void DrawTextInRect(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend = nullptr) override;

  // ---- framebuffers ----
  // Deletes the framebuffer now, or after the frame when one is open.
  void DeleteFramebuffer(VGRMetalFramebuffer* fb);
  // Deletes the framebuffers waiting for the end of the frame, newest first.
  void DeleteQueuedFramebuffers();

  // For tests and tools: the main framebuffer (null before the first DrawResize with a drawing
  // context), whether a frame is open, and the live views sharing the font-data cache.
  VGRMetalFramebuffer* GetMainFramebuffer() const { return mMainFrameBuffer; }
  bool InFrame() const { return mInFrame; }
  static int FontDataCacheUsers();
  // The number of fonts whose bytes the process keeps.
  static int FontDataCacheSize();

protected:
  // Font, size and alignment of the text on the context; x and y its anchor in the bounds.
  // False without a drawing context.
  bool PrepareText(const IText& text, const IRECT& bounds, float& x, float& y) const;
  // The box of the text at the anchor under the style PrepareText set.
  IRECT PreparedTextBox(const char* str, float x, float y) const;

private:
  // The main framebuffer bound and its frame begun; without one, any frame being recorded is
  // dropped and none begun.
  void BeginMainFrame();
  // Frames begin in points times the draw scale, with the screen scale as the pixel ratio.
  float FrameWidth() const;
  float FrameHeight() const;
  // Deletes the bitmaps of this view, the queued and the main framebuffer and the context.
  void ReleaseDrawContext();

  bool mInFrame = false;
  std::mutex mFramebufferQueueMutex;
  std::deque<VGRMetalFramebuffer*> mFramebufferQueue;
  SharedResourceCache<APIBitmap> mBitmapCache;
  VGRdrawContext* mDrawContext = nullptr;
  VGRMetalFramebuffer* mMainFrameBuffer = nullptr;
};

// A renderer colour of a toolkit colour, its alpha multiplied by the blend's weight.
VGRcolor VGRColor(const IColor& color, const IBlend* pBlend = nullptr);
// Records a rectangle path of the IRECT.
void VGRRect(VGRdrawContext* ctx, const IRECT& r);
// Sets the blend of the next fill or stroke: method 0 (or none) source-over, 1 to 7 the
// composite operations of the same numbers, 8 additive, 9 xor; other methods leave it.
void VGRSetBlendMode(VGRdrawContext* ctx, const IBlend* pBlend);
// The gradient paint of a linear or radial pattern: the first stop's colour inside, the last
// one's outside, placed by the inverse of the pattern's transform. False (paint untouched) when
// the transform cannot be inverted.
bool VGRPaint(VGRdrawContext* ctx, const IPattern& pattern, const IBlend* pBlend, VGRpaint& paint);

} // namespace igraphics
} // namespace plug
