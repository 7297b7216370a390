#include "product/dsp/BiquadDesign.h"

#include <cmath>

namespace vellicor {
namespace BiquadDesign {

namespace {

// The terms shared by every type: u = tan(pi fn), v = u / Q, w = 1 / (1 + v + u^2).
struct Warped
{
  double u2;
  double v;
  double w;
};

Warped Warp(double fn, double q, BiquadCoefficients& c)
{
  const double u = std::tan(kPi * fn);
  const double u2 = u * u;
  const double v = u / q;
  const double w = 1.0 / (1.0 + v + u2);
  c.a1 = 2.0 * (u2 - 1.0) * w;
  c.a2 = (1.0 - v + u2) * w;
  return {u2, v, w};
}

} // namespace

BiquadCoefficients HighPass(double fn, double q)
{
  BiquadCoefficients c;
  const Warped p = Warp(fn, q, c);
  c.b0 = p.w;
  c.b1 = -2.0 * p.w;
  c.b2 = p.w;
  return c;
}

BiquadCoefficients LowPass(double fn, double q)
{
  BiquadCoefficients c;
  const Warped p = Warp(fn, q, c);
  c.b0 = p.u2 * p.w;
  c.b1 = 2.0 * p.u2 * p.w;
  c.b2 = p.u2 * p.w;
  return c;
}

BiquadCoefficients BandPass(double fn, double q)
{
  BiquadCoefficients c;
  const Warped p = Warp(fn, q, c);
  c.b0 = p.v * p.w;
  c.b1 = 0.0;
  c.b2 = -p.v * p.w;
  return c;
}

BiquadCoefficients Notch(double fn, double q)
{
  BiquadCoefficients c;
  const Warped p = Warp(fn, q, c);
  c.b0 = (1.0 + p.u2) * p.w;
  c.b1 = 2.0 * (p.u2 - 1.0) * p.w;
  c.b2 = c.b0;
  return c;
}

BiquadCoefficients Design(Type type, double fn, double q)
{
  switch (type)
  {
    case Type::HighPass: return HighPass(fn, q);
    case Type::LowPass: return LowPass(fn, q);
    case Type::BandPass: return BandPass(fn, q);
    case Type::Notch: return Notch(fn, q);
  }
  return {};
}

} // namespace BiquadDesign
} // namespace vellicor
