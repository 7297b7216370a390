#pragma once
// The product's 33 parameters on a bare editor delegate: enough for everything that only
// reads and writes parameter values.
#include "plug/IEditorDelegate.h"
#include "product/VellicorParameters.h"

#include <stdexcept>
#include <vector>

class ParamHolder : public plug::IEditorDelegate
{
public:
  ParamHolder() : plug::IEditorDelegate(kNumParams) { DefineVellicorParameters(*this); }
  void BeginParamEditFromUI(int) override {}
  void EndParamEditFromUI(int) override {}

  plug::IParam& P(int i) const
  {
    plug::IParam* param = GetParam(i);
    if (!param)
      throw std::out_of_range("no such parameter");
    return *param;
  }
  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(GetParam(i)->Value());
    return v;
  }
  std::vector<double> Defaults() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(GetParam(i)->defaultValue);
    return v;
  }
};
