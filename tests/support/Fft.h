#pragma once
#include <cmath>
#include <complex>
#include <vector>

namespace testsupport {

// In-place radix-2 FFT; the size must be a power of two (anything else is left unchanged
// and the call returns false).
bool Fft(std::vector<std::complex<double>>& data);

// Amplitude of each bin 0..N/2 of a real signal whose length is a power of two, scaled so
// that a sine of amplitude A exactly on a bin reads A there (DC reads its value).
std::vector<double> AmplitudeSpectrum(const std::vector<double>& signal);

// Power of each bin 0..N/2 (the square of the amplitude above).
std::vector<double> PowerSpectrum(const std::vector<double>& signal);

inline double ToDb(double amplitude)
{
  return 20.0 * std::log10(amplitude);
}

} // namespace testsupport
