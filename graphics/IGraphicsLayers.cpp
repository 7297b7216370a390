// Layers of the graphics context: clipping to regions, offscreen layers started, ended and
// drawn, and their shadows.

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace plug {
namespace igraphics {

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
