// IGraphicsVGR: bitmaps (images and offscreen framebuffers), loading them from resource files
// and memory, drawing them, the deferred deletion of framebuffers, reading a layer's pixels
// and composing a layer's drop shadow.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "graphics/renderer/IGraphicsVGR.h"
#include "graphics/renderer/VGRImageDecode.h"
#include "platform/mac/MVGR.h"
#include "plug/Trace.h"

#include <mutex>
#include <set>
#include <string>

namespace plug {
namespace igraphics {

namespace {

// A bitmap of an image just made, or null (the image deleted) when there is none or no memory.
APIBitmap* ImageBitmap(VGRdrawContext* ctx, int image, int scale)
{
  if (image <= 0)
    return nullptr;
  auto* bitmap = new (std::nothrow) IGraphicsVGR::Bitmap(ctx, image, static_cast<float>(scale));
  if (!bitmap)
    mvgrImageDelete(ctx, image);
  return bitmap;
}

// A resource that gives no image is traced with the reason, once per process: a file found
// only at another scale is loaded again on every request, and would be reported every time.
// A resource is known by its name (for a file, its path).
void TraceRefusedImage(const char* name, int image)
{
  if (image > 0)
    return;
  static std::mutex sMutex;
  static std::set<std::string> sTraced;
  const std::string reason = vgrImageFailure();
  try
  {
    std::lock_guard<std::mutex> lock(sMutex);
    if (!sTraced.insert(name ? name : "").second)
      return;
  }
  catch (...)
  {
    // Without memory to remember it, the trace may come twice.
  }
  plug::Trace("LoadBitmap: %s refused: %s", name ? name : "",
              reason.empty() ? "the file cannot be read as a regular file, or no texture was made" : reason.c_str());
}

// Bytes in memory given without a name are known by their size and a digest of them (64-bit
// FNV-1a), so that two different images are each traced and the same one again is not.
void TraceRefusedImage(const char* name, const unsigned char* data, int size, int image)
{
  if (image > 0 || (name && *name))
  {
    TraceRefusedImage(name, image);
    return;
  }
  uint64_t digest = 14695981039346656037ull;
  for (int i = 0; i < size; ++i)
    digest = (digest ^ data[i]) * 1099511628211ull;
  char unnamed[80];
  std::snprintf(unnamed, sizeof unnamed, "(unnamed image of %d bytes, %016llx)", size,
                static_cast<unsigned long long>(digest));
  TraceRefusedImage(unnamed, image);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The bitmap

IGraphicsVGR::Bitmap::Bitmap(VGRdrawContext* ctx, int image, float scale) : mContext(ctx), mImage(image)
{
  int w = 0, h = 0;
  if (ctx && image > 0)
    vgrImageSize(ctx, image, &w, &h);
  SetBitmap(w, h, scale, 1.f);
}

IGraphicsVGR::Bitmap::Bitmap(IGraphicsVGR* owner, VGRdrawContext* ctx, int width, int height, float scale,
                             float drawScale)
  : mOwner(owner), mContext(ctx)
{
  mFramebuffer = mvgrFramebufferCreate(ctx, width, height, 0);
  if (mFramebuffer && mFramebuffer->image > 0)
  {
    // One empty frame clears it.
    mImage = mFramebuffer->image;
    mvgrFramebufferBind(mFramebuffer);
    mvgrSetClearColor(ctx, VGRcolor{0.f, 0.f, 0.f, 0.f});
    vgrBeginFrame(ctx, static_cast<float>(width), static_cast<float>(height), 1.f);
    vgrEndFrame(ctx);
  }
  SetBitmap(width, height, scale, drawScale);
}

IGraphicsVGR::Bitmap::Bitmap(VGRdrawContext* ctx, int width, int height, const unsigned char* rgba, float scale,
                             float drawScale)
  : mContext(ctx)
{
  mImage = mvgrImageCreateRGBA(ctx, width, height, 0, rgba);
  SetBitmap(width, height, scale, drawScale);
}

IGraphicsVGR::Bitmap::~Bitmap()
{
  if (mFramebuffer)
  {
    if (mOwner)
      mOwner->DeleteFramebuffer(mFramebuffer);
    else
      mvgrFramebufferDelete(mFramebuffer);
  }
  else if (mImage > 0)
  {
    mvgrImageDelete(mContext, mImage);
  }
}

// ---------------------------------------------------------------------------------------
// Framebuffers

void IGraphicsVGR::DeleteFramebuffer(VGRMetalFramebuffer* fb)
{
  if (!fb)
    return;
  if (!mInFrame)
  {
    mvgrFramebufferDelete(fb);
    return;
  }
  std::lock_guard<std::mutex> lock(mFramebufferQueueMutex);
  mFramebufferQueue.push_back(fb);
}

void IGraphicsVGR::DeleteQueuedFramebuffers()
{
  std::lock_guard<std::mutex> lock(mFramebufferQueueMutex);
  while (!mFramebufferQueue.empty())
  {
    mvgrFramebufferDelete(mFramebufferQueue.back());
    mFramebufferQueue.pop_back();
  }
}

APIBitmap* IGraphicsVGR::CreateOffscreenBitmap(int width, int height, float scale, double drawScale, bool)
{
  if (!mDrawContext)
    return nullptr;
  // What is recorded so far goes to its own target before the new framebuffer is bound.
  vgrEndFrame(mDrawContext);
  APIBitmap* bitmap = new (std::nothrow) Bitmap(this, mDrawContext, width, height, scale, static_cast<float>(drawScale));
  // Inside a frame drawing goes on in the main frame; the toolkit moves it to the new layer.
  if (mInFrame)
    BeginMainFrame();
  return bitmap;
}

// ---------------------------------------------------------------------------------------
// Loading

bool IGraphicsVGR::IsBitmapTypeSupported(const char* ext)
{
  // Lower-cased into a buffer of 32; a longer extension is no image type of ours.
  char lower[32];
  if (!ext || std::strlen(ext) >= sizeof(lower))
    return false;
  size_t i = 0;
  for (; ext[i]; ++i)
    lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(ext[i])));
  lower[i] = '\0';
  return std::strstr(lower, "png") || std::strstr(lower, "jpg") || std::strstr(lower, "jpeg");
}

IBitmap IGraphicsVGR::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  if (!name || !*name)
    return IBitmap();
  if (targetScale == 0)
    targetScale = ScaleRoundedUp(mScreenScale);

  std::lock_guard<std::recursive_mutex> lock(mBitmapCache.Mutex());
  if (APIBitmap* cached = mBitmapCache.Find(name, targetScale))
    return IBitmap(cached, nStates, framesAreHorizontal, name);
  const char* ext = BitmapExtension(name);
  if (!IsBitmapTypeSupported(ext))
    return IBitmap();
  CharBuf path;
  int sourceScale = 0;
  const int location = SearchImageResource(name, ext, path, targetScale, sourceScale);
  if (location == 0)
    return IBitmap();
  // Found at another scale: kept, and looked up, under the scale it was found at.
  if (sourceScale != targetScale)
    if (APIBitmap* cached = mBitmapCache.Find(name, sourceScale))
      return IBitmap(cached, nStates, framesAreHorizontal, name);
  APIBitmap* bitmap = LoadAPIBitmapFromLocation(path.Get(), sourceScale, location, ext);
  if (!bitmap)
    return IBitmap();
  mBitmapCache.Add(bitmap, name, sourceScale);
  return IBitmap(bitmap, nStates, framesAreHorizontal, name);
}

IBitmap IGraphicsVGR::LoadBitmap(const char* name, const void* pData, int dataSize, int nStates,
                                 bool framesAreHorizontal, int)
{
  if (!name)
    name = "";
  std::lock_guard<std::recursive_mutex> lock(mBitmapCache.Mutex());
  APIBitmap* bitmap = mBitmapCache.Find(name, 1.0);
  if (!bitmap)
  {
    bitmap = LoadAPIBitmapFromData(name, pData, dataSize, 1);
    if (!bitmap)
      return IBitmap();
    mBitmapCache.Add(bitmap, name, 1.0);
  }
  return IBitmap(bitmap, nStates, framesAreHorizontal, name);
}

APIBitmap* IGraphicsVGR::LoadAPIBitmapFromLocation(const char* path, int scale, int location, const char*)
{
  if (!mDrawContext || location != 1 || !path)
    return nullptr;
  BeforeResourceWork();
  vgrSetImageFailure("");
  const int image = vgrCreateImageFromFile(mDrawContext, path, 0);
  AfterResourceWork();
  TraceRefusedImage(path, image);
  return ImageBitmap(mDrawContext, image, scale);
}

APIBitmap* IGraphicsVGR::LoadAPIBitmapFromData(const char* name, const void* pData, int dataSize, int scale)
{
  if (!mDrawContext || !pData || dataSize <= 0)
    return nullptr;
  BeforeResourceWork();
  vgrSetImageFailure("");
  const auto* bytes = static_cast<const unsigned char*>(pData);
  const int image = vgrCreateImageFromMemory(mDrawContext, 0, bytes, dataSize);
  AfterResourceWork();
  TraceRefusedImage(name, bytes, dataSize, image);
  return ImageBitmap(mDrawContext, image, scale);
}

// ---------------------------------------------------------------------------------------
// Drawing

void IGraphicsVGR::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* pBlend)
{
  const auto* b = dynamic_cast<const Bitmap*>(bitmap.GetAPIBitmap());
  if (!mDrawContext || !b || b->GetImage() <= 0)
    return;
  // The image's pixels at 1 / (scale x draw scale) points each, from the source offset.
  const float k = 1.f / (b->GetScale() * b->GetDrawScale());
  VGRpaint paint;
  std::memset(&paint, 0, sizeof(paint));
  paint.xform[0] = k;
  paint.xform[3] = k;
  paint.xform[4] = dest.L - static_cast<float>(srcX);
  paint.xform[5] = dest.T - static_cast<float>(srcY);
  paint.extent[0] = static_cast<float>(b->GetWidth());
  paint.extent[1] = static_cast<float>(b->GetHeight());
  paint.innerColor = paint.outerColor = vgrColorRGBAf(1.f, 1.f, 1.f, BlendWeight(pBlend));
  paint.image = b->GetImage();

  vgrBeginPath(mDrawContext);
  VGRRect(mDrawContext, dest);
  vgrSetFillPaint(mDrawContext, paint);
  VGRSetBlendMode(mDrawContext, pBlend);
  vgrFill(mDrawContext);
  vgrSetCompositeMode(mDrawContext, VGR_SOURCE_OVER);
  vgrBeginPath(mDrawContext);
}

// ---------------------------------------------------------------------------------------
// Layer pixels and shadows

void IGraphicsVGR::ReadLayerPixels(ILayerPtr& layer, RawBitmapData& data)
{
  const auto* b = layer ? dynamic_cast<const Bitmap*>(layer->GetAPIBitmap()) : nullptr;
  if (!mDrawContext || !b)
    return;
  const int w = b->GetWidth(), h = b->GetHeight();
  const size_t n = static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)) * 4u;
  try
  {
    data.resize(n);
  }
  catch (const std::bad_alloc&)
  {
    return;
  }
  // Pushing the layer sends what was drawn before to its target; the read waits for the
  // layer's drawing to be done.
  PushLayer(layer.get());
  mvgrImageReadPixels(mDrawContext, b->GetImage(), 0, 0, w, h, data.data());
  PopLayer();
}

void IGraphicsVGR::ApplyLayerDropShadow(ILayerPtr& layer, const RawBitmapData& mask, const IShadow& shadow)
{
  const auto* b = layer ? dynamic_cast<const Bitmap*>(layer->GetAPIBitmap()) : nullptr;
  if (!mDrawContext || !b)
    return;
  const int w = b->GetWidth(), h = b->GetHeight();
  if (w <= 0 || h <= 0 || mask.size() < static_cast<size_t>(w) * static_cast<size_t>(h) * 4u)
    return;
  const IRECT bounds = layer->Bounds();

  if (!shadow.mDrawForeground)
  {
    // The layer emptied: the shadow alone stays.
    PushLayer(layer.get());
    vgrSetBlendFactors(mDrawContext, VGR_ZERO, VGR_ZERO);
    PathRect(bounds);
    vgrSetFillColor(mDrawContext, VGRcolor{0.f, 0.f, 0.f, 0.f});
    vgrFill(mDrawContext);
    PopLayer();
  }

  // The blurred mask, coloured by the shadow's pattern in a layer of its own, then drawn behind
  // the layer's content at the offset.
  const Bitmap maskBitmap(mDrawContext, w, h, mask.data(), b->GetScale(), b->GetDrawScale());
  ILayer shape(CreateOffscreenBitmap(w, h, b->GetScale(), b->GetDrawScale()), bounds, nullptr, IRECT());
  if (!shape.GetAPIBitmap())
    return;

  PathTransformSave();
  PushLayer(layer.get());
  PushLayer(&shape);
  DrawBitmap(IBitmap(const_cast<Bitmap*>(&maskBitmap), 1, false), bounds, 0, 0, nullptr);
  PathRect(bounds);
  // The pattern, recorded after the translation, moves by minus the offset; the rect does not.
  PathTransformTranslate(-shadow.mXOffset, -shadow.mYOffset);
  const IBlend sourceIn(EBlend::SrcIn, 1.f);
  PathFill(shadow.mPattern, IFillOptions(false, EFillRule::Winding), &sourceIn);
  PopLayer();
  const IBlend behind(EBlend::DstOver, std::clamp(shadow.mOpacity, 0.f, 1.f));
  DrawBitmap(shape.GetBitmap(), bounds.GetTranslated(shadow.mXOffset, shadow.mYOffset), 0, 0, &behind);
  PopLayer();
  PathTransformRestore();
}

} // namespace igraphics
} // namespace plug
