#include "product/dsp/ChebyshevBlendShaper.h"

#include "product/dsp/CubicSoftClip.h"

namespace vellicor {

double ChebyshevBlendShaper::operator()(double x) const
{
  const double xs = CubicSoftClip(x);
  const double d = ChebyshevT(mSettings->chebOrder2, xs) * mSettings->chebScale2;
  const double y = mR * mDc->yPrev + (d - mDc->dPrev);
  mDc->dPrev = d;
  mDc->yPrev = y;
  const double l =
    mSettings->chebOrder == 0 ? 1.0 : ChebyshevT(mSettings->chebOrder, (1.0 + mQ) * xs);
  return l * mSettings->chebFactor + y * mWeight;
}

} // namespace vellicor
