// IGraphicsVGR: the frame protocol, paints and blending, paths, shapes the back end draws
// itself, text and fonts. Bitmaps, offscreen framebuffers and layer shadows are in
// IGraphicsVGRBitmaps.cpp.

#include "graphics/renderer/IGraphicsVGR.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "graphics/PlatformFont.h"
#include "platform/mac/MVGR.h"

namespace plug {
namespace igraphics {

namespace {

// The process-wide font bytes, shared by every view and counted by the live views. Entries
// are kept at scale 1.
SharedResourceCache<PlatformFontData>& FontDataCache()
{
  static SharedResourceCache<PlatformFontData> sFontDataCache;
  return sFontDataCache;
}

// Strokes or fills the path with the pattern under the blend, then puts source-over back. A
// gradient without stops draws nothing; a solid pattern, a gradient of one stop and one whose
// transform cannot be inverted draw the first stop's colour.
void PaintPath(VGRdrawContext* ctx, const IPattern& pattern, const IBlend* pBlend, bool stroke)
{
  const bool solid = pattern.mType == EPatternType::Solid;
  if (!solid && pattern.mNStops <= 0)
    return;
  VGRpaint paint;
  if (!solid && pattern.mNStops > 1 && VGRPaint(ctx, pattern, pBlend, paint))
  {
    stroke ? vgrSetStrokePaint(ctx, paint) : vgrSetFillPaint(ctx, paint);
  }
  else
  {
    const VGRcolor color = VGRColor(pattern.mStops[0].mColor, pBlend);
    stroke ? vgrSetStrokeColor(ctx, color) : vgrSetFillColor(ctx, color);
  }
  if (stroke)
    vgrSetPathWinding(ctx, VGR_CCW);
  VGRSetBlendMode(ctx, pBlend);
  stroke ? vgrStroke(ctx) : vgrFill(ctx);
  vgrSetCompositeMode(ctx, VGR_SOURCE_OVER);
}

// The text's anchor in the rect (x, y), the share of a block of rows above it (0 top, 0.5
// middle, 1 bottom) and the renderer's alignment bits.
int TextAnchor(const IText& text, const IRECT& r, float& x, float& y, float& factor)
{
  int align = 0;
  switch (text.mAlign)
  {
    case EAlign::Near: x = r.L, align = VGR_ALIGN_LEFT; break;
    case EAlign::Center: x = r.MW(), align = VGR_ALIGN_CENTER; break;
    case EAlign::Far: x = r.R, align = VGR_ALIGN_RIGHT; break;
  }
  switch (text.mVAlign)
  {
    case EVAlign::Top: y = r.T, factor = 0.f, align |= VGR_ALIGN_TOP; break;
    case EVAlign::Middle: y = r.MH(), factor = 0.5f, align |= VGR_ALIGN_MIDDLE; break;
    case EVAlign::Bottom: y = r.B, factor = 1.f, align |= VGR_ALIGN_BOTTOM; break;
  }
  return align;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Colours, paints and blending

VGRcolor VGRColor(const IColor& color, const IBlend* pBlend)
{
  return VGRcolor{static_cast<float>(color.R) / 255.f, static_cast<float>(color.G) / 255.f,
                  static_cast<float>(color.B) / 255.f, static_cast<float>(color.A) * BlendWeight(pBlend) / 255.f};
}

void VGRRect(VGRdrawContext* ctx, const IRECT& r)
{
  vgrRect(ctx, r.L, r.T, r.W(), r.H());
}

void VGRSetBlendMode(VGRdrawContext* ctx, const IBlend* pBlend)
{
  const int method = pBlend ? static_cast<int>(pBlend->mMethod) : 0;
  if (method >= 0 && method <= 7)
    vgrSetCompositeMode(ctx, method);
  else if (method == static_cast<int>(EBlend::Add))
    vgrSetBlendFactors(ctx, VGR_SRC_ALPHA, VGR_DST_ALPHA);
  else if (method == static_cast<int>(EBlend::XOR))
    vgrSetCompositeMode(ctx, VGR_XOR);
}

bool VGRPaint(VGRdrawContext* ctx, const IPattern& pattern, const IBlend* pBlend, VGRpaint& paint)
{
  const IMatrix& m = pattern.mTransform;
  const double det = m.mXX * m.mYY - m.mXY * m.mYX;
  if (det == 0.0 || !std::isfinite(det))
    return false; // Inverted() would give the identity
  const IMatrix inv = m.Inverted();
  const double ixx = inv.mXX, ixy = inv.mXY, iyy = inv.mYY, itx = inv.mTX, ity = inv.mTY;
  if (!std::isfinite(ixx) || !std::isfinite(iyy) || !std::isfinite(ixy) || !std::isfinite(itx) ||
      !std::isfinite(ity))
    return false;

  const int last = std::min(pattern.mNStops, IPattern::kMaxStops) - 1;
  const VGRcolor inner = VGRColor(pattern.mStops[0].mColor, pBlend);
  const VGRcolor outer = VGRColor(pattern.mStops[std::max(last, 0)].mColor, pBlend);
  const float sx = static_cast<float>(itx), sy = static_cast<float>(ity);
  if (pattern.mType == EPatternType::Radial)
  {
    const float outerRadius = static_cast<float>(ixx);
    paint = vgrRadialGradient(ctx, sx, sy, pattern.mStops[0].mOffset * outerRadius, outerRadius, inner, outer);
  }
  else
  {
    // The pattern's (0, 1) in drawing space.
    const float ex = static_cast<float>(ixy + itx), ey = static_cast<float>(iyy + ity);
    paint = vgrLinearGradient(ctx, sx, sy, ex, ey, inner, outer);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Construction and the view

IGraphicsVGR::IGraphicsVGR(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : IGraphics(dlg, w, h, fps, scale)
{
  SharedResourceCache<PlatformFontData>& fonts = FontDataCache();
  std::lock_guard<std::recursive_mutex> lock(fonts.Mutex());
  fonts.Retain();
}

IGraphicsVGR::~IGraphicsVGR()
{
  // The platform class closes the view first; a view it left open is closed here, while this
  // object is whole (its controls' layers hand their framebuffers back to it). Nothing may call
  // the platform any more: a hidden cursor stays as it is.
  if (mDrawContext)
  {
    mCursorHidden = false;
    OnViewDestroyed();
  }

  SharedResourceCache<PlatformFontData>& fonts = FontDataCache();
  std::lock_guard<std::recursive_mutex> lock(fonts.Mutex());
  fonts.Release(); // the last view empties it
  DeleteQueuedFramebuffers();
}

int IGraphicsVGR::FontDataCacheUsers()
{
  SharedResourceCache<PlatformFontData>& fonts = FontDataCache();
  std::lock_guard<std::recursive_mutex> lock(fonts.Mutex());
  return fonts.Count();
}

int IGraphicsVGR::FontDataCacheSize()
{
  SharedResourceCache<PlatformFontData>& fonts = FontDataCache();
  std::lock_guard<std::recursive_mutex> lock(fonts.Mutex());
  return fonts.Size();
}

void IGraphicsVGR::OnViewInitialized(void* pContext)
{
  if (mDrawContext || !pContext)
    return;
  mDrawContext = mvgrContextCreate(static_cast<CAMetalLayer*>(pContext), kMVGRantialias | kMVGRtripleBuffer);
}

void IGraphicsVGR::OnViewDestroyed()
{
  // Inside an event the controls, and the drawing context their layers hold framebuffers of,
  // stay until the context goes (see graphics/EditorEntry.h); its destructor comes back here.
  if (InDispatch())
    return;
  RemoveAllControls();
  ReleaseDrawContext();
}

void IGraphicsVGR::ReleaseDrawContext()
{
  std::lock_guard<std::recursive_mutex> lock(mBitmapCache.Mutex());
  mBitmapCache.Empty();
  // A frame left open dies with the context: what waits for its end goes now.
  mInFrame = false;
  DeleteQueuedFramebuffers();
  mvgrFramebufferDelete(mMainFrameBuffer);
  mMainFrameBuffer = nullptr;
  mvgrContextDelete(mDrawContext);
  mDrawContext = nullptr;
}

const char* IGraphicsVGR::GetDrawingAPIName()
{
  return "VGR | Metal";
}

IColor IGraphicsVGR::ReadPixel(int, int)
{
  return IColor(255, 0, 0, 0);
}

// ---------------------------------------------------------------------------------------
// Frames

float IGraphicsVGR::FrameWidth() const
{
  return static_cast<float>(static_cast<int>(static_cast<float>(mWidth) * mDrawScale));
}

float IGraphicsVGR::FrameHeight() const
{
  return static_cast<float>(static_cast<int>(static_cast<float>(mHeight) * mDrawScale));
}

void IGraphicsVGR::BeginMainFrame()
{
  if (!mMainFrameBuffer)
  {
    vgrCancelFrame(mDrawContext); // nothing to draw into: what is recorded goes nowhere
    return;
  }
  mvgrFramebufferBind(mMainFrameBuffer);
  vgrBeginFrame(mDrawContext, FrameWidth(), FrameHeight(), mScreenScale);
}

void IGraphicsVGR::BeginFrame()
{
  mInFrame = true;
  IGraphics::BeginFrame();
  if (mDrawContext)
    BeginMainFrame();
}

void IGraphicsVGR::EndFrame()
{
  if (mDrawContext)
  {
    vgrEndFrame(mDrawContext);
    if (mMainFrameBuffer)
    {
      // The main framebuffer onto the view's next drawable, one textured rectangle.
      const float w = FrameWidth(), h = FrameHeight();
      mvgrFramebufferBind(nullptr);
      vgrBeginFrame(mDrawContext, w, h, mScreenScale);
      const VGRpaint image = vgrImagePaint(mDrawContext, 0.f, 0.f, w, h, 0.f, mMainFrameBuffer->image, 1.f);
      vgrPushState(mDrawContext);
      vgrResetTransform(mDrawContext);
      vgrTranslate(mDrawContext, mXTranslation, mYTranslation);
      vgrBeginPath(mDrawContext);
      vgrRect(mDrawContext, 0.f, 0.f, w, h);
      vgrSetFillPaint(mDrawContext, image);
      vgrFill(mDrawContext);
      vgrPopState(mDrawContext);
      vgrEndFrame(mDrawContext);
    }
  }
  mInFrame = false;
  DeleteQueuedFramebuffers();
}

void IGraphicsVGR::DrawResize()
{
  BeforeResourceWork();
  mvgrFramebufferDelete(mMainFrameBuffer);
  mMainFrameBuffer = nullptr;
  if (mDrawContext)
  {
    const int w = static_cast<int>(FrameWidth() * mScreenScale);
    const int h = static_cast<int>(FrameHeight() * mScreenScale);
    mMainFrameBuffer = mvgrFramebufferCreate(mDrawContext, w, h, 0);
  }
  AfterResourceWork();
}

void IGraphicsVGR::UpdateLayer()
{
  if (!mDrawContext)
    return;
  vgrEndFrame(mDrawContext);
  if (mLayers.empty())
  {
    // Outside a frame the main framebuffer is not drawn into.
    if (mInFrame)
      BeginMainFrame();
    return;
  }
  const ILayer* top = mLayers.top();
  const auto* bitmap = dynamic_cast<const Bitmap*>(top->GetAPIBitmap());
  if (!bitmap || !bitmap->GetFramebuffer())
    return; // a layer without a framebuffer: its drawing goes nowhere
  mvgrFramebufferBind(bitmap->GetFramebuffer());
  const IRECT& r = top->Bounds();
  vgrBeginFrame(mDrawContext, r.W() * mDrawScale, r.H() * mDrawScale, mScreenScale);
}

// ---------------------------------------------------------------------------------------
// Transform and clip

void IGraphicsVGR::PathTransformSetMatrix(const IMatrix& m)
{
  if (!mDrawContext)
    return;
  vgrResetTransform(mDrawContext);
  vgrScale(mDrawContext, mDrawScale, mDrawScale);
  const IRECT origin = mLayers.empty() ? IRECT() : mLayers.top()->Bounds();
  vgrTranslate(mDrawContext, -origin.L, -origin.T);
  vgrApplyTransform(mDrawContext, static_cast<float>(m.mXX), static_cast<float>(m.mYX), static_cast<float>(m.mXY),
                    static_cast<float>(m.mYY), static_cast<float>(m.mTX), static_cast<float>(m.mTY));
}

void IGraphicsVGR::SetClipRegion(const IRECT& r)
{
  if (mDrawContext)
    vgrSetScissor(mDrawContext, r.L, r.T, r.W(), r.H());
}

// ---------------------------------------------------------------------------------------
// Paths

void IGraphicsVGR::PathClear()
{
  if (mDrawContext)
    vgrBeginPath(mDrawContext);
}

void IGraphicsVGR::PathClose()
{
  if (mDrawContext)
    vgrClosePath(mDrawContext);
}

void IGraphicsVGR::PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding)
{
  if (!mDrawContext)
    return;
  // Toolkit angles are degrees clockwise from 12 o'clock; the renderer's are radians from 3.
  vgrArc(mDrawContext, cx, cy, r, vgrDegreesToRadians(a1 - 90.f), vgrDegreesToRadians(a2 - 90.f),
         winding == EWinding::CW ? VGR_CW : VGR_CCW);
}

void IGraphicsVGR::PathMoveTo(float x, float y)
{
  if (mDrawContext)
    vgrMoveTo(mDrawContext, x, y);
}

void IGraphicsVGR::PathLineTo(float x, float y)
{
  if (mDrawContext)
    vgrLineTo(mDrawContext, x, y);
}

void IGraphicsVGR::PathSetWinding(bool clockwise)
{
  if (mDrawContext)
    vgrSetPathWinding(mDrawContext, clockwise ? VGR_CW : VGR_CCW);
}

void IGraphicsVGR::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  if (mDrawContext)
    vgrBezierTo(mDrawContext, c1x, c1y, c2x, c2y, x2, y2);
}

void IGraphicsVGR::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  if (mDrawContext)
    vgrQuadTo(mDrawContext, cx, cy, x2, y2);
}

void IGraphicsVGR::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                              const IBlend* pBlend)
{
  if (!mDrawContext)
    return;
  static const int kJoins[3] = {VGR_MITER, VGR_ROUND, VGR_BEVEL};
  const int cap = static_cast<int>(options.mCapOption), join = static_cast<int>(options.mJoinOption);
  if (cap >= 0 && cap <= 2)
    vgrSetLineCap(mDrawContext, cap);
  if (join >= 0 && join <= 2)
    vgrSetLineJoin(mDrawContext, kJoins[join]);
  vgrSetMiterLimit(mDrawContext, options.mMiterLimit);
  vgrSetStrokeWidth(mDrawContext, thickness);
  PaintPath(mDrawContext, pattern, pBlend, true);
  if (!options.mPreserve)
    vgrBeginPath(mDrawContext);
}

void IGraphicsVGR::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend)
{
  if (!mDrawContext)
    return;
  // Any other rule keeps the windings set on the path's parts.
  if (options.mFillRule == EFillRule::Winding)
    vgrSetPathWinding(mDrawContext, VGR_CCW);
  else if (options.mFillRule == EFillRule::EvenOdd)
    vgrSetPathWinding(mDrawContext, VGR_CW);
  PaintPath(mDrawContext, pattern, pBlend, false);
  if (!options.mPreserve)
    vgrBeginPath(mDrawContext);
}

// ---------------------------------------------------------------------------------------
// Shapes drawn here

void IGraphicsVGR::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                                  float thickness, float dashLen)
{
  // Dashes cover [0, 1/n], [2/n, 3/n], ... of the segment; n of 0 or 1 draws nothing.
  const double count = std::round(std::hypot(double(x2) - x1, double(y2) - y1) / dashLen);
  if (!(dashLen > 0.f) || !(count >= 0.0) || count > INT_MAX)
    return;
  const int n = static_cast<int>(count);
  const float dx = x2 - x1, dy = y2 - y1;
  PathClear();
  PathMoveTo(x1, y1);
  for (int i = 1; i < n; i += 2)
  {
    const float f = static_cast<float>(i) / static_cast<float>(n);
    const float g = static_cast<float>(i + 1) / static_cast<float>(n);
    PathLineTo(x1 + f * dx, y1 + f * dy);
    PathMoveTo(x1 + g * dx, y1 + g * dy);
  }
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphicsVGR::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness,
                                  float dashLen)
{
  const double nxd = std::ceil(double(bounds.W()) / (2.0 * dashLen));
  const double nyd = std::ceil(double(bounds.H()) / (2.0 * dashLen));
  if (!(dashLen > 0.f) || !std::isfinite(nxd) || !std::isfinite(nyd) || nxd > INT_MAX || nyd > INT_MAX)
    return;
  const int nx = static_cast<int>(nxd), ny = static_cast<int>(nyd);
  float x = bounds.L, y = bounds.T;
  // One step: a dash of dashLen, then a gap of dashLen, both kept within the side.
  auto stepX = [&](float dir) {
    x = std::clamp(x + dir * dashLen, bounds.L, bounds.R);
    PathLineTo(x, y);
    x = std::clamp(x + dir * dashLen, bounds.L, bounds.R);
    PathMoveTo(x, y);
  };
  auto stepY = [&](float dir) {
    y = std::clamp(y + dir * dashLen, bounds.T, bounds.B);
    PathLineTo(x, y);
    y = std::clamp(y + dir * dashLen, bounds.T, bounds.B);
    PathMoveTo(x, y);
  };
  auto steps = [](int count, const auto& step, float dir) {
    for (int i = 0; i < count; ++i)
      step(dir);
  };

  PathClear();
  PathMoveTo(x, y);
  if (nx >= 1 && ny >= 1)
  {
    steps(nx, stepX, 1.f);
    steps(ny, stepY, 1.f);
    steps(nx, stepX, -1.f);
    steps(ny, stepY, -1.f);
  }
  else if (nx < 1)
  {
    steps(ny, stepY, 1.f);
    steps(ny, stepY, -1.f);
  }
  else
  {
    steps(nx, stepX, 1.f);
    steps(nx, stepX, -1.f);
  }
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphicsVGR::DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop,
                                      float roundness, float blur, const IBlend* pBlend)
{
  if (!mDrawContext)
    return;
  const VGRpaint shadow = vgrRoundedBoxGradient(
    mDrawContext, innerBounds.L + xyDrop, innerBounds.T + xyDrop, innerBounds.W(), innerBounds.H(), roundness, blur,
    vgrColorRGBAf(0.f, 0.f, 0.f, 128.f * BlendWeight(pBlend) / 255.f), vgrColorRGBAf(0.f, 0.f, 0.f, 0.f));
  vgrBeginPath(mDrawContext);
  VGRRect(mDrawContext, outerBounds);
  vgrSetFillPaint(mDrawContext, shadow);
  vgrSetCompositeMode(mDrawContext, VGR_SOURCE_OVER);
  vgrFill(mDrawContext);
  vgrBeginPath(mDrawContext);
}

// ---------------------------------------------------------------------------------------
// Text

bool IGraphicsVGR::PrepareText(const IText& text, const IRECT& bounds, float& x, float& y) const
{
  if (!mDrawContext)
    return false;
  vgrSetFontBlur(mDrawContext, 0.f);
  vgrSetFontSize(mDrawContext, text.mSize);
  vgrSetFontByName(mDrawContext, text.mFont);
  float factor = 0.f;
  vgrSetTextAlign(mDrawContext, TextAnchor(text, bounds, x, y, factor));
  return true;
}

IRECT IGraphicsVGR::PreparedTextBox(const char* str, float x, float y) const
{
  // An unknown font measures nothing: the box is the anchor point.
  float b[4] = {x, y, x, y};
  vgrMeasureText(mDrawContext, x, y, str, nullptr, b);
  return IRECT(b[0], b[1], b[2], b[3]);
}

float IGraphicsVGR::MeasureTextRect(const IText& text, const char* str, IRECT& rect) const
{
  const IRECT bounds = rect;
  float x = 0.f, y = 0.f;
  if (!PrepareText(text, bounds, x, y))
    return 0.f;
  rect = PreparedTextBox(str, x, y);
  CalculateTextRotation(text, bounds, rect);
  return rect.W();
}

void IGraphicsVGR::DrawTextInRect(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  float x = 0.f, y = 0.f;
  if (!PrepareText(text, bounds, x, y))
    return;
  PathTransformSave();
  if (text.mAngle != 0.f)
  {
    // Only a rotated text needs its box: it is turned about the box's placement in the bounds.
    IRECT rect = PreparedTextBox(str, x, y);
    double tx = 0.0, ty = 0.0;
    CalculateTextRotationBounds(text, bounds, rect, tx, ty);
    PathTransformTranslate(static_cast<float>(tx), static_cast<float>(ty));
    PathTransformRotate(text.mAngle);
  }
  vgrSetFillColor(mDrawContext, VGRColor(text.mFGColor, pBlend));
  VGRSetBlendMode(mDrawContext, pBlend);
  vgrDrawText(mDrawContext, x, y, str, nullptr);
  vgrSetCompositeMode(mDrawContext, VGR_SOURCE_OVER);
  PathTransformRestore();
}

void IGraphicsVGR::DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (!mDrawContext || !str)
    return;
  vgrPushState(mDrawContext);
  vgrSetFontSize(mDrawContext, text.mSize);
  vgrSetFontByName(mDrawContext, text.mFont);

  float x = 0.f, y = 0.f, factor = 0.f;
  vgrSetTextAlign(mDrawContext, TextAnchor(text, bounds, x, y, factor));
  const float width = bounds.W();
  float lineHeight = 0.f;
  vgrFontMetrics(mDrawContext, nullptr, nullptr, &lineHeight);
  vgrSetFillColor(mDrawContext, VGRColor(text.mFGColor, pBlend));

  // Rows are found three at a time; each pass goes on from the last row's successor.
  const char* end = str + std::strlen(str);
  auto forEachRow = [&](const auto& visit) {
    VGRtextLine rows[3];
    const char* start = str;
    int n = 0;
    while ((n = vgrSplitTextLines(mDrawContext, start, end, rows, 3, width)) > 0)
    {
      for (int i = 0; i < n; ++i)
        visit(rows[i]);
      if (rows[n - 1].next <= start)
        break; // no progress: nothing more to split
      start = rows[n - 1].next;
    }
  };
  // Each row is aligned on its own anchor, so the block's first anchor is (rows - 1) line
  // heights times the factor above y: the last row of bottom-aligned text ends on the bottom,
  // middle-aligned rows sit centred. Top-aligned rows need no count.
  int nRows = 0;
  if (factor != 0.f)
    forEachRow([&](const VGRtextLine&) { ++nRows; });
  int k = 0;
  forEachRow([&](const VGRtextLine& row) {
    vgrDrawText(mDrawContext, x, y + static_cast<float>(k) * lineHeight - lineHeight * static_cast<float>(nRows - 1) * factor,
                row.start, row.end);
    ++k;
  });
  vgrPopState(mDrawContext);
}

// ---------------------------------------------------------------------------------------
// Fonts

bool IGraphicsVGR::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  if (!mDrawContext || !fontID)
    return false;
  SharedResourceCache<PlatformFontData>& fonts = FontDataCache();
  std::lock_guard<std::recursive_mutex> lock(fonts.Mutex());
  if (const PlatformFontData* cached = fonts.Find(fontID, 1.0))
  {
    vgrAddFontDataAtIndex(mDrawContext, fontID, static_cast<unsigned char*>(cached->mBytes.Get()),
                          cached->mBytes.GetLength(), cached->mFaceIndex, 0);
    return true;
  }
  if (!font)
    return false;

  PlatformFontData* data = font->GetFontData();
  if (!data || data->mBytes.GetLength() < 1 || data->mFaceIndex < 0 || !data->mFaceInfo.IsValid())
  {
    DeletePlatformFontData(data);
    return false;
  }
  // Kept first (the cache owns the bytes whatever happens), then registered; the context
  // never frees them.
  fonts.Add(data, fontID, 1.0);
  const int id = vgrAddFontDataAtIndex(mDrawContext, fontID, static_cast<unsigned char*>(data->mBytes.Get()),
                                       data->mBytes.GetLength(), data->mFaceIndex, 0);
  if (id == -1)
  {
    fonts.Remove(data);
    return false;
  }
  return true;
}

} // namespace igraphics
} // namespace plug
