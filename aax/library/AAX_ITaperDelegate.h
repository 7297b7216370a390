// Taper delegates: the mapping between a parameter's real value and the normalised 0..1 value
// that the host automates. A parameter owns a clone of the taper it is given.
#pragma once

class AAX_ITaperDelegateBase
{
public:
  virtual ~AAX_ITaperDelegateBase() = default;
};

template <typename T>
class AAX_ITaperDelegate : public AAX_ITaperDelegateBase
{
public:
  // A new copy of this delegate, owned by the caller.
  virtual AAX_ITaperDelegate* Clone() const = 0;
  virtual T GetMaximumValue() const = 0;
  virtual T GetMinimumValue() const = 0;
  // The nearest value the taper can represent.
  virtual T ConstrainRealValue(T value) const = 0;
  virtual T NormalizedToReal(double normalizedValue) const = 0;
  virtual double RealToNormalized(T realValue) const = 0;
};
