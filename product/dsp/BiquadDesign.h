#pragma once

namespace vellicor {

// Coefficients of one second-order section (a0 normalised to 1).
struct BiquadCoefficients
{
  double b0 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double a1 = 0.0;
  double a2 = 0.0;
};

// Bilinear-transform designs with a pre-warped cut-off. fn is the normalised frequency
// f / rate; the band-pass peaks at 0 dB.
namespace BiquadDesign {

enum class Type
{
  HighPass,
  LowPass,
  BandPass,
  Notch
};

constexpr double kPi = 3.14159265358979323846;

BiquadCoefficients HighPass(double fn, double q);
BiquadCoefficients LowPass(double fn, double q);
BiquadCoefficients BandPass(double fn, double q);
BiquadCoefficients Notch(double fn, double q);
BiquadCoefficients Design(Type type, double fn, double q);

} // namespace BiquadDesign

} // namespace vellicor
