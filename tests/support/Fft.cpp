#include "Fft.h"

#include <cmath>
#include <cstddef>

namespace testsupport {

bool Fft(std::vector<std::complex<double>>& a)
{
  const std::size_t n = a.size();
  if (n == 0 || (n & (n - 1)) != 0)
    return false;
  for (std::size_t i = 1, j = 0; i < n; ++i)
  {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1)
      j ^= bit;
    j ^= bit;
    if (i < j)
      std::swap(a[i], a[j]);
  }
  const double pi = std::acos(-1.0);
  for (std::size_t len = 2; len <= n; len <<= 1)
  {
    const std::size_t half = len / 2;
    for (std::size_t k = 0; k < half; ++k)
    {
      // Twiddles computed directly (not by repeated multiplication) to keep the noise floor
      // far below the levels the tests look for.
      const double angle = -2.0 * pi * static_cast<double>(k) / static_cast<double>(len);
      const std::complex<double> w(std::cos(angle), std::sin(angle));
      for (std::size_t start = 0; start < n; start += len)
      {
        const std::complex<double> u = a[start + k];
        const std::complex<double> v = a[start + k + half] * w;
        a[start + k] = u + v;
        a[start + k + half] = u - v;
      }
    }
  }
  return true;
}

std::vector<double> AmplitudeSpectrum(const std::vector<double>& signal)
{
  std::vector<std::complex<double>> data(signal.begin(), signal.end());
  if (!Fft(data))
    return {};
  const std::size_t n = data.size();
  std::vector<double> out(n / 2 + 1);
  for (std::size_t k = 0; k <= n / 2; ++k)
  {
    const double scale = (k == 0 || k == n / 2) ? 1.0 : 2.0;
    out[k] = scale * std::abs(data[k]) / static_cast<double>(n);
  }
  return out;
}

std::vector<double> PowerSpectrum(const std::vector<double>& signal)
{
  std::vector<double> a = AmplitudeSpectrum(signal);
  for (double& v : a)
    v *= v;
  return a;
}

} // namespace testsupport
