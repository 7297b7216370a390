// Resources, layers, clipping and shadows of the graphics context.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "graphics/IGraphics.h"
#include "graphics/SharedResourceCache.h"
#include "platform/mac/MacPaths.h"
#include "plug/Trace.h"
#include "standin/svg/SVG.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// The process-wide caches

SVGHolder::SVGHolder(std::unique_ptr<standin::svg::Image> image) : mImage(std::move(image)) {}
SVGHolder::~SVGHolder() = default;

SharedResourceCache<APIBitmap>& BitmapCache()
{
  static SharedResourceCache<APIBitmap> sCache;
  return sCache;
}

SharedResourceCache<SVGHolder>& SVGCache()
{
  static SharedResourceCache<SVGHolder> sCache;
  return sCache;
}

float ISVGImage::W() const
{
  return mImage ? mImage->width : 0.f;
}

float ISVGImage::H() const
{
  return mImage ? mImage->height : 0.f;
}

int IGraphics::ScaleRoundedUp(float scale)
{
  return std::max(1, static_cast<int>(std::ceil(scale)));
}

const char* IGraphics::BitmapExtension(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  return dot ? dot + 1 : name;
}

namespace {

// Resource and cache searches visit the target scale first, then 3, then the rest downwards.
int NextScale(int s, int target)
{
  if (s == target && target != 3)
    return 3;
  if (s == target + 1)
    return target - 1;
  return s - 1;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Finding resources

int IGraphics::LocateResourceFile(const char* name, const char* type, CharBuf& result)
{
  if (!name || !*name)
    return 0;
  return LocateResource(name, type, result, GetBundleID(), GetModuleHandle(), mSharedResourcesSubPath.Get()) ? 1 : 0;
}

int IGraphics::SearchImageResource(const char* name, const char* type, CharBuf& result, int targetScale,
                                   int& sourceScale)
{
  sourceScale = 0;
  if (!name || !*name)
    return 0;
  // The extension with its dot, unless a folder separator follows the last dot.
  const std::string plain(name);
  size_t dot = plain.rfind('.');
  if (dot != std::string::npos && plain.find_first_of("/\\", dot) != std::string::npos)
    dot = std::string::npos;
  const std::string stem = plain.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : plain.substr(dot);

  for (int s = targetScale; s > 0; s = NextScale(s, targetScale))
  {
    const std::string candidate = s == 1 ? plain : stem + "@" + std::to_string(s) + "x" + ext;
    const int location = LocateResourceFile(candidate.c_str(), type, result);
    if (location > 0)
    {
      sourceScale = s;
      return location;
    }
  }
  return 0;
}

APIBitmap* IGraphics::SearchBitmapInCache(const char* name, int targetScale, int& sourceScale)
{
  SharedResourceCache<APIBitmap>& cache = BitmapCache();
  std::lock_guard<std::recursive_mutex> lock(cache.Mutex());
  for (int s = targetScale; s > 0; s = NextScale(s, targetScale))
  {
    if (APIBitmap* bitmap = cache.Find(name, s))
    {
      sourceScale = s;
      return bitmap;
    }
  }
  sourceScale = 0;
  return nullptr;
}

std::vector<uint8_t> IGraphics::LoadResource(const char* fileNameOrResID, const char* fileType)
{
  std::vector<uint8_t> data;
  CharBuf path;
  if (LocateResourceFile(fileNameOrResID, fileType, path) != 1)
    return data;
  FILE* fp = std::fopen(path.Get(), "rb");
  if (!fp)
    return data;
  long size = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0)
    size = std::ftell(fp);
  if (size > 0 && std::fseek(fp, 0, SEEK_SET) == 0)
  {
    data.resize(static_cast<size_t>(size));
    if (std::fread(data.data(), 1, data.size(), fp) != data.size())
      data.clear();
  }
  std::fclose(fp);
  return data;
}

// ---------------------------------------------------------------------------------------
// Bitmaps

IBitmap IGraphics::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapFrom(name, false, nullptr, 0, nStates, framesAreHorizontal, targetScale);
}

IBitmap IGraphics::LoadBitmap(const char* name, const void* pData, int dataSize, int nStates,
                              bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapFrom(name, true, pData, dataSize, nStates, framesAreHorizontal, targetScale);
}

IBitmap IGraphics::LoadBitmapFrom(const char* name, bool fromMemory, const void* pData, int dataSize, int nStates,
                                  bool framesAreHorizontal, int targetScale)
{
  SharedResourceCache<APIBitmap>& cache = BitmapCache();
  std::lock_guard<std::recursive_mutex> lock(cache.Mutex());
  if (!name)
    name = "";
  if (targetScale == 0)
    targetScale = ScaleRoundedUp(mScreenScale);
  if (APIBitmap* cached = cache.Find(name, targetScale))
    return IBitmap(cached, nStates, framesAreHorizontal, name);
  const char* ext = BitmapExtension(name);
  if (!IsBitmapTypeSupported(ext))
    return IBitmap();

  // Found in the cache at another scale, or decoded now (owned here until the cache takes it).
  int sourceScale = 0;
  APIBitmap* bitmap = nullptr;
  std::unique_ptr<APIBitmap> loaded;
  CharBuf path;
  const int location = fromMemory ? 0 : SearchImageResource(name, ext, path, targetScale, sourceScale);
  if (location > 0)
  {
    if (sourceScale != targetScale)
      bitmap = cache.Find(name, sourceScale);
    if (!bitmap)
    {
      loaded.reset(LoadAPIBitmapFromLocation(path.Get(), sourceScale, location, ext));
      bitmap = loaded.get();
    }
  }
  else
  {
    bitmap = SearchBitmapInCache(name, targetScale, sourceScale);
    if (!bitmap && fromMemory && pData && dataSize > 0)
    {
      // An image in memory always counts as made for scale 1.
      loaded.reset(LoadAPIBitmapFromData(name, pData, dataSize, 1));
      bitmap = loaded.get();
    }
  }
  if (!bitmap)
    return IBitmap(); // found nowhere: the empty bitmap, which draws nothing

  // At the target scale it is used as it is (a fresh one kept in the cache); any other is
  // scaled to it, and a fresh source is dropped afterwards.
  const IBitmap found(bitmap, nStates, framesAreHorizontal, name);
  if (bitmap->GetScale() != static_cast<float>(targetScale))
    return ScaleBitmap(found, name, targetScale);
  if (loaded)
  {
    // The cache owns it from here on, also when it cannot grow (it deletes it then).
    loaded.release();
    RetainBitmap(found, name);
  }
  return found;
}

IBitmap IGraphics::ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale)
{
  APIBitmap* source = inBitmap.GetAPIBitmap();
  if (!source)
    return IBitmap();

  // Drawn at the target scale into a layer; the screen and draw scales are back as they were
  // afterwards, also when drawing throws.
  struct Scales
  {
    IGraphics& g;
    float screen = g.mScreenScale;
    float draw = g.mDrawScale;
    ~Scales()
    {
      g.mScreenScale = screen;
      g.mDrawScale = draw;
    }
  } kept{*this};
  mScreenScale = static_cast<float>(targetScale);
  mDrawScale = source->GetDrawScale();

  const IRECT bounds(0.f, 0.f, static_cast<float>(inBitmap.W()) / mDrawScale,
                     static_cast<float>(inBitmap.H()) / mDrawScale);
  ILayerPtr layer = DrawInLayer(nullptr, bounds, true, [&] { DrawBitmap(inBitmap, bounds, 0, 0, nullptr); });

  const IBitmap scaled(layer->TakeAPIBitmap(), inBitmap.N(), inBitmap.GetFramesAreHorizontal(), cacheName);
  if (scaled.GetAPIBitmap())
    RetainBitmap(scaled, cacheName);
  return scaled;
}

void IGraphics::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  APIBitmap* apiBitmap = bitmap.GetAPIBitmap();
  if (!apiBitmap)
    return;
  SharedResourceCache<APIBitmap>& cache = BitmapCache();
  std::lock_guard<std::recursive_mutex> lock(cache.Mutex());
  cache.Add(apiBitmap, cacheName, apiBitmap->GetScale());
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap)
{
  SharedResourceCache<APIBitmap>& cache = BitmapCache();
  std::lock_guard<std::recursive_mutex> lock(cache.Mutex());
  cache.Remove(bitmap.GetAPIBitmap());
}

IBitmap IGraphics::GetScaledBitmap(IBitmap& src)
{
  return LoadBitmap(src.GetResourceName(), src.N(), src.GetFramesAreHorizontal(), ScaleRoundedUp(mScreenScale));
}

// ---------------------------------------------------------------------------------------
// SVG documents

ISVGImage IGraphics::LoadSVG(const char* fileName, const char* units, float dpi)
{
  SharedResourceCache<SVGHolder>& cache = SVGCache();
  std::lock_guard<std::recursive_mutex> lock(cache.Mutex());
  if (SVGHolder* holder = cache.Find(fileName, 1.0)) // SVG images are cached at scale 1 only
    return ISVGImage(holder->mImage.get());
  const std::vector<uint8_t> data = LoadResource(fileName, "svg");
  if (data.empty() || data.size() > static_cast<size_t>(INT32_MAX))
    return ISVGImage();
  return LoadSVG(fileName, data.data(), static_cast<int>(data.size()), units, dpi);
}

ISVGImage IGraphics::LoadSVG(const char* name, const void* pData, int dataSize, const char* units, float dpi)
{
  SharedResourceCache<SVGHolder>& cache = SVGCache();
  std::lock_guard<std::recursive_mutex> lock(cache.Mutex());
  if (SVGHolder* holder = cache.Find(name, 1.0))
    return ISVGImage(holder->mImage.get());
  if (!pData)
    return ISVGImage();

  // The text ends at the first NUL byte; without a size it is a NUL-terminated text.
  const char* text = static_cast<const char*>(pData);
  size_t length = 0;
  if (dataSize > 0)
  {
    const void* nul = std::memchr(text, 0, static_cast<size_t>(dataSize));
    length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : static_cast<size_t>(dataSize);
  }
  else
  {
    length = std::strlen(text);
  }
  // A document the parser refuses (malformed, beyond its limits, too large for memory) is
  // not cached; the reason goes to the trace.
  std::string whyRefused = "out of memory";
  try
  {
    std::unique_ptr<standin::svg::Image> image = standin::svg::Parse(text, length, units, dpi, &whyRefused);
    if (image)
    {
      auto holder = std::make_unique<SVGHolder>(std::move(image));
      standin::svg::Image* parsed = holder->mImage.get();
      cache.Add(holder.release(), name, 1.0); // takes the holder over, even when it throws
      return ISVGImage(parsed);
    }
  }
  catch (const std::bad_alloc&)
  {
  }
  plug::Trace("LoadSVG: %s refused: %s", name ? name : "", whyRefused.c_str());
  return ISVGImage();
}

// ---------------------------------------------------------------------------------------
// Fonts

bool IGraphics::LoadFont(const char* fontID, const char* fileNameOrResID)
{
  return RegisterPlatformFont(fontID, LoadPlatformFontFromFile(fontID, fileNameOrResID));
}

bool IGraphics::LoadFont(const char* fontID, void* pData, int dataSize)
{
  return RegisterPlatformFont(fontID, LoadPlatformFontFromMemory(fontID, pData, dataSize));
}

bool IGraphics::LoadFont(const char* fontID, const char* fontName, ETextStyle style)
{
  return RegisterPlatformFont(fontID, LoadPlatformFontByName(fontID, fontName, style));
}

bool IGraphics::RegisterPlatformFont(const char* fontID, PlatformFontPtr font)
{
  if (!font)
    return false;
  const bool loaded = LoadAPIFont(fontID, font);
  if (loaded)
    CachePlatformFont(fontID, font);
  return loaded; // the platform font goes here, whoever kept what they needed of it
}

// ---------------------------------------------------------------------------------------
// Layers, clipping and shadows

void IGraphics::ClipToRegion(const IRECT& r)
{
  const IRECT area = mLayers.empty() ? mClipRECT : mLayers.top()->Bounds();
  PathTransformSetMatrix(IMatrix());
  SetClipRegion(r.Intersect(area));
  ApplyTransform();
}

void IGraphics::StartLayer(IControl* pOwner, const IRECT& r, bool cacheable)
{
  const float s = GetTotalScale();
  const IRECT aligned = r.GetPixelAligned(s);
  const int w = static_cast<int>(std::ceil(std::ceil(aligned.W()) * s));
  const int h = static_cast<int>(std::ceil(std::ceil(aligned.H()) * s));
  auto layer = std::make_unique<ILayer>(CreateOffscreenBitmap(w, h, mScreenScale, mDrawScale, cacheable), aligned,
                                        pOwner, pOwner ? pOwner->GetRECT() : IRECT());
  PushLayer(layer.get());
  layer.release(); // the stack holds it until EndLayer hands it over
}

ILayerPtr IGraphics::EndLayer()
{
  return ILayerPtr(PopLayer());
}

void IGraphics::PushLayer(ILayer* layer)
{
  mLayers.push(layer);
  UpdateLayer();
  mTransform = IMatrix();
  ClipToRegion(layer->Bounds());
  PathClear();
}

ILayer* IGraphics::PopLayer()
{
  ILayer* layer = nullptr;
  if (!mLayers.empty())
  {
    layer = mLayers.top();
    mLayers.pop();
  }
  UpdateLayer();
  mTransform = IMatrix();
  ClipToRegion(IRECT());
  PathClear();
  return layer;
}

void IGraphics::ResumeLayer(ILayerPtr& layer)
{
  if (layer)
    PushLayer(layer.release());
}

bool IGraphics::CheckLayer(const ILayerPtr& layer)
{
  if (!layer || !layer->GetAPIBitmap())
    return false;
  const IControl* owner = layer->GetControl();
  if (owner && owner->GetRECT() != layer->GetControlBounds())
  {
    layer->SetControlBounds(owner->GetRECT());
    layer->Invalidate();
  }
  if (layer->IsInvalid())
    return false;
  const APIBitmap* bitmap = layer->GetAPIBitmap();
  return bitmap->GetDrawScale() == mDrawScale && bitmap->GetScale() == mScreenScale;
}

void IGraphics::DrawLayer(const ILayerPtr& layer, const IBlend* pBlend)
{
  if (!layer || !layer->GetAPIBitmap())
    return;
  PathTransformSave();
  PathTransformReset();
  DrawBitmap(layer->GetBitmap(), layer->Bounds(), 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* pBlend)
{
  if (!layer || !layer->GetAPIBitmap() || layer->Bounds().W() <= 0.f || layer->Bounds().H() <= 0.f)
    return;
  const IRECT& r = layer->Bounds();
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / r.W(), bounds.H() / r.H());
  DrawBitmap(layer->GetBitmap(), IRECT(0.f, 0.f, r.W(), r.H()), 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedLayer(const ILayerPtr& layer, double angle)
{
  if (!layer || !layer->GetAPIBitmap())
    return;
  PathTransformSave();
  PathTransformReset();
  DrawRotatedBitmap(layer->GetBitmap(), layer->Bounds().MW(), layer->Bounds().MH(), angle);
  PathTransformRestore();
}

namespace {

// One pass of the blur along a row of n alpha values: each output is the kernel's weighted
// sum over the samples inside the row divided by the whole kernel's weight, so the edges
// fade. A run of equal samples that covers the whole window gives its value unsummed.
void BlurRow(const uint8_t* in, uint8_t* out, int n, const std::vector<uint8_t>& kernel, uint64_t divisor,
             std::vector<int>& runEnd)
{
  // The window reaches reach - 1 samples each way; entries beyond the row reach no sample
  // (they still weigh in the divisor).
  const size_t reach = kernel.size();
  const int k = static_cast<int>(std::min(reach, static_cast<size_t>(n)));
  runEnd.resize(static_cast<size_t>(n));
  for (int i = n - 1; i >= 0; --i)
    runEnd[static_cast<size_t>(i)] = (i + 1 < n && in[i + 1] == in[i]) ? runEnd[static_cast<size_t>(i) + 1] : i;
  int runStart = 0;
  for (int c = 0; c < n; ++c)
  {
    if (c > 0 && in[c] != in[c - 1])
      runStart = c;
    if (reach <= static_cast<size_t>(n) && runStart <= c - (k - 1) && runEnd[static_cast<size_t>(c)] >= c + (k - 1))
    {
      out[c] = in[c];
      continue;
    }
    uint64_t sum = kernel[0] * static_cast<uint64_t>(in[c]);
    for (int i = 1; i < k; ++i)
    {
      if (c - i >= 0)
        sum += kernel[static_cast<size_t>(i)] * static_cast<uint64_t>(in[c - i]);
      if (c + i < n)
        sum += kernel[static_cast<size_t>(i)] * static_cast<uint64_t>(in[c + i]);
    }
    out[c] = static_cast<uint8_t>(std::min<uint64_t>(255u, sum / divisor));
  }
}

} // namespace

void IGraphics::ApplyShadow(ILayerPtr& layer, const IShadow& shadow)
{
  if (!layer || !layer->GetAPIBitmap())
    return;
  RawBitmapData pixels;
  ReadLayerPixels(layer, pixels);
  const APIBitmap* bitmap = layer->GetAPIBitmap();
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  // Only pixels the layer really has are read.
  if (pixels.empty() || w <= 0 || h <= 0 || pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h) * 4u)
    return;
  RawBitmapData transposed(pixels.size(), 0);

  // A blur wider than this has faded every shadow to nothing long before.
  constexpr float kMaxKernel = 65536.f;
  const float s = std::min(kMaxKernel, std::max(1.f, bitmap->GetScale() * bitmap->GetDrawScale() * shadow.mBlurSize + 1.f));
  const int n = static_cast<int>(std::ceil(s));
  std::vector<uint8_t> kernel(static_cast<size_t>(n));
  uint64_t divisor = 0;
  for (int i = 0; i < n; ++i)
  {
    const double weight = std::exp(-static_cast<double>(i) * i * 4.5 / (static_cast<double>(s) * s));
    kernel[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(weight * 255.0));
    divisor += (i == 0 ? 1u : 2u) * kernel[static_cast<size_t>(i)];
  }

  const int alpha = AlphaChannelIndex();
  const bool flipped = IsBitmapFlipped();
  std::vector<uint8_t> in(static_cast<size_t>(std::max(w, h))), out(in.size());
  std::vector<int> runs;
  // Rows of the layer into columns of the intermediate...
  for (int r = 0; r < h; ++r)
  {
    const int row = flipped ? h - 1 - r : r;
    for (int c = 0; c < w; ++c)
      in[static_cast<size_t>(c)] = pixels[(static_cast<size_t>(row) * w + c) * 4 + alpha];
    BlurRow(in.data(), out.data(), w, kernel, divisor, runs);
    for (int c = 0; c < w; ++c)
      transposed[(static_cast<size_t>(c) * h + r) * 4 + alpha] = out[static_cast<size_t>(c)];
  }
  // ...and its rows back into the layer's own orientation; only alpha bytes change.
  for (int r = 0; r < w; ++r)
  {
    for (int c = 0; c < h; ++c)
      in[static_cast<size_t>(c)] = transposed[(static_cast<size_t>(r) * h + c) * 4 + alpha];
    BlurRow(in.data(), out.data(), h, kernel, divisor, runs);
    for (int c = 0; c < h; ++c)
      pixels[(static_cast<size_t>(c) * w + r) * 4 + alpha] = out[static_cast<size_t>(c)];
  }
  ApplyLayerDropShadow(layer, pixels, shadow);
}

} // namespace igraphics
} // namespace plug
