// Resources, layers, clipping and shadows of the graphics context.

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// Resources

IBitmap IGraphics::LoadBitmap(const char*, int, bool, int)
{
  ThrowUnavailable("IGraphics::LoadBitmap");
}

IBitmap IGraphics::LoadBitmap(const char*, const void*, int, int, bool, int)
{
  ThrowUnavailable("IGraphics::LoadBitmap");
}

ISVGImage IGraphics::LoadSVG(const char*, const char*, float)
{
  ThrowUnavailable("IGraphics::LoadSVG");
}

ISVGImage IGraphics::LoadSVG(const char*, const void*, int, const char*, float)
{
  ThrowUnavailable("IGraphics::LoadSVG");
}

std::vector<uint8_t> IGraphics::LoadResource(const char*, const char*)
{
  ThrowUnavailable("IGraphics::LoadResource");
}

int IGraphics::LocateResourceFile(const char*, const char*, CharBuf&)
{
  ThrowUnavailable("IGraphics::LocateResourceFile");
}

IBitmap IGraphics::ScaleBitmap(const IBitmap&, const char*, int)
{
  ThrowUnavailable("IGraphics::ScaleBitmap");
}

void IGraphics::RetainBitmap(const IBitmap&, const char*)
{
  ThrowUnavailable("IGraphics::RetainBitmap");
}

void IGraphics::ReleaseBitmap(const IBitmap&)
{
  ThrowUnavailable("IGraphics::ReleaseBitmap");
}

int IGraphics::SearchImageResource(const char*, const char*, CharBuf&, int, int&)
{
  ThrowUnavailable("IGraphics::SearchImageResource");
}

APIBitmap* IGraphics::SearchBitmapInCache(const char*, int, int&)
{
  ThrowUnavailable("IGraphics::SearchBitmapInCache");
}

IBitmap IGraphics::GetScaledBitmap(IBitmap&)
{
  ThrowUnavailable("IGraphics::GetScaledBitmap");
}

bool IGraphics::LoadFont(const char*, const char*)
{
  ThrowUnavailable("IGraphics::LoadFont");
}

bool IGraphics::LoadFont(const char*, void*, int)
{
  ThrowUnavailable("IGraphics::LoadFont");
}

bool IGraphics::LoadFont(const char*, const char*, ETextStyle)
{
  ThrowUnavailable("IGraphics::LoadFont");
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

void IGraphics::StartLayer(IControl*, const IRECT&, bool)
{
  ThrowUnavailable("IGraphics::StartLayer");
}

ILayerPtr IGraphics::EndLayer()
{
  ThrowUnavailable("IGraphics::EndLayer");
}

void IGraphics::ResumeLayer(ILayerPtr&)
{
  ThrowUnavailable("IGraphics::ResumeLayer");
}

bool IGraphics::CheckLayer(const ILayerPtr&)
{
  ThrowUnavailable("IGraphics::CheckLayer");
}

void IGraphics::DrawLayer(const ILayerPtr&, const IBlend*)
{
  ThrowUnavailable("IGraphics::DrawLayer");
}

void IGraphics::DrawFittedLayer(const ILayerPtr&, const IRECT&, const IBlend*)
{
  ThrowUnavailable("IGraphics::DrawFittedLayer");
}

void IGraphics::DrawRotatedLayer(const ILayerPtr&, double)
{
  ThrowUnavailable("IGraphics::DrawRotatedLayer");
}

void IGraphics::ApplyShadow(ILayerPtr&, const IShadow&)
{
  ThrowUnavailable("IGraphics::ApplyShadow");
}

void IGraphics::PushLayer(ILayer*)
{
  ThrowUnavailable("IGraphics::PushLayer");
}

ILayer* IGraphics::PopLayer()
{
  ThrowUnavailable("IGraphics::PopLayer");
}

} // namespace igraphics
} // namespace plug
