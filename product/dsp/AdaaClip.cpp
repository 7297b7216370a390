#include "product/dsp/AdaaClip.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace vellicor {

namespace {

// Zero and subnormal values become +0 so the state never crawls through denormals.
inline double Flush(double v)
{
  return std::fabs(v) < DBL_MIN ? 0.0 : v;
}

} // namespace

AdaaClip::AdaaClip(int rows, int columns)
{
  Resize(rows, columns);
}

void AdaaClip::Resize(int rows, int columns)
{
  mRows = std::max(0, rows);
  mColumns = std::max(0, columns);
  mStates.assign(static_cast<std::size_t>(mRows) * static_cast<std::size_t>(mColumns), State{});
}

void AdaaClip::ClearRow(int row)
{
  if (row < 0 || row >= mRows)
    return;
  for (int c = 0; c < mColumns; ++c)
    mStates[static_cast<std::size_t>(row * mColumns + c)] = State{};
}

void AdaaClip::Clear()
{
  std::fill(mStates.begin(), mStates.end(), State{});
}

double AdaaClip::F1(double x)
{
  if (std::fabs(x) <= 1.0)
    return x * x / 2.0;
  return std::fabs(x) - 0.5;
}

double AdaaClip::F2(double x)
{
  if (std::fabs(x) <= 1.0)
    return x * x * x / 6.0;
  const double sign = x < 0.0 ? -1.0 : 1.0;
  return sign * (x * x / 2.0 + 0.16666666666666666) - 0.5 * x;
}

double AdaaClip::Process(int row, int col, double x)
{
  x = std::isnan(x) ? 0.0 : std::clamp(x, -kInputLimit, kInputLimit);
  if (row < 0 || row >= mRows || col < 0 || col >= mColumns)
    return std::clamp(x, -1.0, 1.0);

  State& s = mStates[static_cast<std::size_t>(row * mColumns + col)];
  const double f = Flush(F2(x));
  s.f2 = f;

  double d1;
  if (std::fabs(x - s.x1) < kTolerance)
    d1 = F1((s.x1 + x) / 2.0);
  else
    d1 = (f - s.f2Prev) / (x - s.x1);

  double y;
  if (std::fabs(x - s.x2) >= kTolerance)
  {
    y = (d1 - s.d1Prev) * 2.0 / (x - s.x2);
  }
  else
  {
    const double m = (s.x2 + x) / 2.0;
    if (std::fabs(m - s.x1) < kTolerance)
      y = std::clamp((s.x1 + m) / 2.0, -1.0, 1.0);
    else
      y = 2.0 / (m - s.x1) * ((s.f2Prev - F2(m)) / (m - s.x1) + F1(m));
  }

  s.d1Prev = Flush(d1);
  s.x2 = Flush(s.x1);
  s.x1 = Flush(x);
  s.f2Prev = f;
  return y;
}

} // namespace vellicor
