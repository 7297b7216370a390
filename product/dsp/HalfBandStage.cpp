#include "product/dsp/HalfBandStage.h"

namespace vellicor {

namespace {

const double kKind1[] = {0.036681502163648017, 0.13654762463195794, 0.27463175937945444,
                         0.4231386174365671,   0.5610986978791953,  0.6775400499741618,
                         0.769741833863227,    0.8398896248496389,  0.892260818003879,
                         0.9315419599631839,   0.9620945483780842,  0.9878163707328959};
const double kKind2[] = {0.04189399199765617, 0.168903482439952, 0.39056077292116603,
                         0.7438957482684793};
const double kKind3[] = {0.05574868081130205, 0.24305119574153072, 0.646699131192682};
const double kKind4[] = {0.10717745346023573, 0.5309143535450456};

} // namespace

template <typename V>
HalfBandStage<V>::HalfBandStage(const double* coefficients, int count)
{
  mCount = count < 0 ? 0 : (count > kMaxCoefficients ? kMaxCoefficients : count);
  for (int i = 0; i < mCount; ++i)
    mCoef[i] = V(coefficients[i]);
}

template <typename V>
HalfBandStage<V> HalfBandStage<V>::ForKind(int kind)
{
  switch (kind)
  {
    case 1: return HalfBandStage(kKind1, 12);
    case 2: return HalfBandStage(kKind2, 4);
    case 3: return HalfBandStage(kKind3, 3);
    case 4: return HalfBandStage(kKind4, 2);
    default: return HalfBandStage();
  }
}

template <typename V>
void HalfBandStage<V>::Clear()
{
  for (V& y : mY)
    y = V(0.0);
  mIn[0] = mIn[1] = V(0.0);
}

template class HalfBandStage<double>;
template class HalfBandStage<Double2>;

} // namespace vellicor
