// Resources of the graphics context: the process-wide caches, finding resources, bitmaps, SVG
// documents and fonts.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "graphics/IGraphics.h"
#include "graphics/SharedResourceCache.h"
#include "platform/mac/MacPaths.h"
#include "plug/RegularFileReader.h"
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

// Longer resource files are refused unread: an editor's resources are far smaller.
constexpr size_t kMaxResourceFileBytes = size_t{256} << 20;

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
  // Regular files only, opened without blocking: a FIFO under a resource's name returns at once.
  if (!ReadRegularFile(path.Get(), kMaxResourceFileBytes, data))
    data.clear();
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

} // namespace igraphics
} // namespace plug
