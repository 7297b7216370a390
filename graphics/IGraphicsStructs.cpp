#include "graphics/IGraphicsStructs.h"

#include "graphics/IGraphicsConstants.h"

namespace plug {
namespace igraphics {

namespace {
constexpr float kPi = 3.1415927f;

double DegToRad(float degrees)
{
  return static_cast<double>(degrees * kPi / 180.f);
}
} // namespace

// ---------------------------------------------------------------------------------------
// IColor

void IColor::Contrast(float c)
{
  const int mod = static_cast<int>(c * 255.f);
  R = std::clamp(R + mod, 0, 255);
  G = std::clamp(G + mod, 0, 255);
  B = std::clamp(B + mod, 0, 255);
}

// ---------------------------------------------------------------------------------------
// IMatrix

IMatrix& IMatrix::Translate(float x, float y)
{
  mTX += x * mXX + y * mXY;
  mTY += x * mYX + y * mYY;
  return *this;
}

IMatrix& IMatrix::Scale(float x, float y)
{
  mXX *= x;
  mYX *= x;
  mXY *= y;
  mYY *= y;
  return *this;
}

IMatrix& IMatrix::Rotate(float angle)
{
  const double a = DegToRad(angle);
  const double c = std::cos(a), s = std::sin(a);
  const double xx = c * mXX + s * mXY;
  const double yx = c * mYX + s * mYY;
  const double xy = c * mXY - s * mXX;
  const double yy = c * mYY - s * mYX;
  mXX = xx;
  mYX = yx;
  mXY = xy;
  mYY = yy;
  return *this;
}

IMatrix& IMatrix::Skew(float xAngle, float yAngle)
{
  const double tx = std::tan(DegToRad(xAngle));
  const double ty = std::tan(DegToRad(yAngle));
  const double xx = mXX + ty * mXY;
  const double yx = mYX + ty * mYY;
  const double xy = mXY + tx * mXX;
  const double yy = mYY + tx * mYX;
  mXX = xx;
  mYX = yx;
  mXY = xy;
  mYY = yy;
  return *this;
}

IMatrix& IMatrix::Transform(const IMatrix& m)
{
  const IMatrix p = *this;
  mXX = p.mXX * m.mXX + p.mXY * m.mYX;
  mYX = p.mYX * m.mXX + p.mYY * m.mYX;
  mXY = p.mXX * m.mXY + p.mXY * m.mYY;
  mYY = p.mYX * m.mXY + p.mYY * m.mYY;
  mTX = p.mXX * m.mTX + p.mXY * m.mTY + p.mTX;
  mTY = p.mYX * m.mTX + p.mYY * m.mTY + p.mTY;
  return *this;
}

IMatrix IMatrix::Inverted() const
{
  const double det = mXX * mYY - mXY * mYX;
  if (det == 0.0 || !std::isfinite(det))
    return IMatrix();
  const double inv = 1.0 / det;
  return IMatrix(mYY * inv, -mYX * inv, -mXY * inv, mXX * inv, (mXY * mTY - mYY * mTX) * inv,
                 (mYX * mTX - mXX * mTY) * inv);
}

// ---------------------------------------------------------------------------------------
// IRECT

IRECT IRECT::Intersect(const IRECT& area) const
{
  if (Empty())
    return area;
  if (!area.Empty() && R >= area.L && L < area.R && B >= area.T && T < area.B)
    return IRECT(std::max(L, area.L), std::max(T, area.T), std::min(R, area.R), std::min(B, area.B));
  return IRECT();
}

IRECT IRECT::Union(const IRECT& o) const
{
  if (Empty())
    return o;
  if (o.Empty())
    return *this;
  return IRECT(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
}

// ---------------------------------------------------------------------------------------
// IPattern

IPattern IPattern::CreateLinearGradient(float x1, float y1, float x2, float y2, std::initializer_list<IColorStop> stops)
{
  IPattern p(EPatternType::Linear);
  // Pattern space runs from (0, 0) at the first point to (0, 1) at the second.
  const double dx = x2 - x1, dy = y2 - y1;
  const double len2 = dx * dx + dy * dy;
  if (len2 > 0.0)
  {
    const double xx = -dy / len2, xy = dx / len2, yx = dx / len2, yy = dy / len2;
    p.mTransform = IMatrix(xx, yx, xy, yy, -(xx * x1 + xy * y1), -(yx * x1 + yy * y1));
  }
  for (const IColorStop& s : stops)
    p.AddStop(s.mColor, s.mOffset);
  return p;
}

IPattern IPattern::CreateRadialGradient(float x, float y, float r, std::initializer_list<IColorStop> stops)
{
  IPattern p(EPatternType::Radial);
  // Pattern space has the centre at the origin and the radius as unit.
  const double s = 1.0 / r;
  p.mTransform = IMatrix(s, 0.0, 0.0, s, -x * s, -y * s);
  for (const IColorStop& stop : stops)
    p.AddStop(stop.mColor, stop.mOffset);
  return p;
}

// ---------------------------------------------------------------------------------------
// IBitmap

IBitmap::IBitmap(APIBitmap* bitmap, int nFrames, bool framesAreHorizontal, const char* name)
  : mBitmap(bitmap), mNFrames(nFrames), mFramesAreHorizontal(framesAreHorizontal)
{
  if (bitmap && bitmap->GetScale() > 0.f)
  {
    mW = static_cast<int>(static_cast<float>(bitmap->GetWidth()) / bitmap->GetScale());
    mH = static_cast<int>(static_cast<float>(bitmap->GetHeight()) / bitmap->GetScale());
  }
  SetResourceName(name);
}

IBitmap::IBitmap(const IBitmap& o)
  : mBitmap(o.mBitmap), mW(o.mW), mH(o.mH), mNFrames(o.mNFrames), mFramesAreHorizontal(o.mFramesAreHorizontal)
{
  SetResourceName(o.mResourceName.Get());
}

IBitmap& IBitmap::operator=(const IBitmap& o)
{
  if (this != &o)
  {
    mBitmap = o.mBitmap;
    mW = o.mW;
    mH = o.mH;
    mNFrames = o.mNFrames;
    mFramesAreHorizontal = o.mFramesAreHorizontal;
    SetResourceName(o.mResourceName.Get());
  }
  return *this;
}

void IBitmap::SetResourceName(const char* name)
{
  // An empty name needs no buffer: a layer's bitmap, made on every draw of the layer, has none.
  if ((name && *name) || mResourceName.GetLength() > 0)
    mResourceName.Set(name);
}

// ---------------------------------------------------------------------------------------
// IVColorSpec

IVColorSpec::IVColorSpec(std::initializer_list<IColor> colors)
{
  static const IColor kDefaults[kNumVColors] = {DEFAULT_BGCOLOR, DEFAULT_FGCOLOR, DEFAULT_PRCOLOR,
                                                DEFAULT_FRCOLOR, DEFAULT_HLCOLOR, DEFAULT_SHCOLOR,
                                                DEFAULT_X1COLOR, DEFAULT_X2COLOR, DEFAULT_X3COLOR};
  int i = 0;
  for (const IColor& c : colors)
  {
    if (i >= kNumVColors)
      break;
    mColors[i++] = c;
  }
  for (; i < kNumVColors; ++i)
    mColors[i] = kDefaults[i];
}

} // namespace igraphics
} // namespace plug
