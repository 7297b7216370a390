// Version-adapting wrapper of the host view container. Type, native view and resize answer
// 0 (no view) without the first version; every other operation answers -20009 when its
// version is missing.
#pragma once

#include "aax/interfaces/AAX_IACFViewContainer.h"
#include "aax/interfaces/AAX_IViewContainer.h"

class AAX_VViewContainer : public AAX_IViewContainer
{
public:
  explicit AAX_VViewContainer(IACFUnknown* hostViewContainer);
  ~AAX_VViewContainer() override;
  AAX_VViewContainer(const AAX_VViewContainer&) = delete;
  AAX_VViewContainer& operator=(const AAX_VViewContainer&) = delete;

  int32_t GetType() override;
  void* GetPtr() override;
  AAX_Result GetModifiers(uint32_t* outModifiers) override;
  AAX_Result SetViewSize(AAX_Point& inSize) override;
  AAX_Result HandleParameterMouseDown(const char* inParameterID, uint32_t inModifiers) override;
  AAX_Result HandleParameterMouseDrag(const char* inParameterID, uint32_t inModifiers) override;
  AAX_Result HandleParameterMouseUp(const char* inParameterID, uint32_t inModifiers) override;
  AAX_Result HandleParameterMouseEnter(const char* inParameterID, uint32_t inModifiers) override;
  AAX_Result HandleParameterMouseExit(const char* inParameterID, uint32_t inModifiers) override;
  AAX_Result HandleMultipleParametersMouseDown(const char* const* inParameterIDs, uint32_t inCount,
                                               uint32_t inModifiers) override;
  AAX_Result HandleMultipleParametersMouseDrag(const char* const* inParameterIDs, uint32_t inCount,
                                               uint32_t inModifiers) override;
  AAX_Result HandleMultipleParametersMouseUp(const char* const* inParameterIDs, uint32_t inCount,
                                             uint32_t inModifiers) override;

private:
  AAX_IACFViewContainer* mV1 = nullptr;
  AAX_IACFViewContainer_V2* mV2 = nullptr;
  AAX_IACFViewContainer_V3* mV3 = nullptr;
};
