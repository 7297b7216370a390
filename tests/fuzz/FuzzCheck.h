// What every fuzz target checks besides the sanitizers: a failed property stops the run (and
// libFuzzer keeps the input), and no reader leaves a parameter outside its range.
#pragma once

#include "plug/IEditorDelegate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

inline void Require(bool ok, const char* what)
{
  if (ok)
    return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void RequireParamsInRange(const plug::IEditorDelegate& delegate)
{
  for (int i = 0; i < delegate.NParams(); ++i)
  {
    const plug::IParam* param = delegate.GetParam(i);
    const double v = param->Value();
    Require(std::isfinite(v) && v >= param->minValue && v <= param->maxValue, "every parameter stays in its range");
  }
}

} // namespace fuzzcheck
