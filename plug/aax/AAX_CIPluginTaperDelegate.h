// Taper over a framework parameter: the parameter's own shape maps between real and normalised
// values, stepped parameters round to their step and everything is clamped to the range.
// The parameter is not owned and must outlive the delegate (and every clone of it).
#pragma once

#include "aax/library/AAX_ITaperDelegate.h"
#include "plug/IParam.h"

namespace plug {

template <typename T>
class AAX_CIPluginTaperDelegate : public AAX_ITaperDelegate<T>
{
public:
  explicit AAX_CIPluginTaperDelegate(const IParam* param) : mParam(param) {}

  AAX_CIPluginTaperDelegate* Clone() const override { return new AAX_CIPluginTaperDelegate(*this); }

  T GetMaximumValue() const override { return static_cast<T>(mParam->maxValue); }
  T GetMinimumValue() const override { return static_cast<T>(mParam->minValue); }

  T ConstrainRealValue(T value) const override
  {
    return static_cast<T>(mParam->Constrain(static_cast<double>(value)));
  }

  T NormalizedToReal(double normalizedValue) const override
  {
    return static_cast<T>(mParam->Constrain(mParam->FromNormalized(normalizedValue)));
  }

  double RealToNormalized(T realValue) const override
  {
    return mParam->NormalizedClamped(mParam->Constrain(static_cast<double>(realValue)));
  }

  const IParam* GetParam() const { return mParam; }

private:
  const IParam* mParam;
};

} // namespace plug
