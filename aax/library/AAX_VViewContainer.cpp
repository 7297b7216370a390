#include "aax/library/AAX_VViewContainer.h"

#include "aax/library/AAX_HostObjects.h"

AAX_VViewContainer::AAX_VViewContainer(IACFUnknown* hostViewContainer)
{
  mV1 = ACFQuery<AAX_IACFViewContainer>(hostViewContainer, IID_IAAXViewContainerV1);
  mV2 = ACFQuery<AAX_IACFViewContainer_V2>(hostViewContainer, IID_IAAXViewContainerV2);
  mV3 = ACFQuery<AAX_IACFViewContainer_V3>(hostViewContainer, IID_IAAXViewContainerV3);
}

// The queries above each took a reference; giving them back keeps the host's container count
// balanced when the editor closes.
AAX_VViewContainer::~AAX_VViewContainer()
{
  AAX_ReleaseInterface(mV3);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
}

int32_t AAX_VViewContainer::GetType() { return mV1 ? mV1->GetType() : 0; }
void* AAX_VViewContainer::GetPtr() { return mV1 ? mV1->GetPtr() : nullptr; }
AAX_Result AAX_VViewContainer::SetViewSize(AAX_Point& s) { return mV1 ? mV1->SetViewSize(s) : AAX_SUCCESS; }
AAX_Result AAX_VViewContainer::GetModifiers(uint32_t* o) { return mV1 ? mV1->GetModifiers(o) : AAX_ERROR_UNIMPLEMENTED; }
AAX_Result AAX_VViewContainer::HandleParameterMouseDown(const char* id, uint32_t m)
{
  return mV1 ? mV1->HandleParameterMouseDown(id, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleParameterMouseDrag(const char* id, uint32_t m)
{
  return mV1 ? mV1->HandleParameterMouseDrag(id, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleParameterMouseUp(const char* id, uint32_t m)
{
  return mV1 ? mV1->HandleParameterMouseUp(id, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleParameterMouseEnter(const char* id, uint32_t m)
{
  return mV3 ? mV3->HandleParameterMouseEnter(id, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleParameterMouseExit(const char* id, uint32_t m)
{
  return mV3 ? mV3->HandleParameterMouseExit(id, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleMultipleParametersMouseDown(const char* const* ids, uint32_t n, uint32_t m)
{
  return mV2 ? mV2->HandleMultipleParametersMouseDown(ids, n, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleMultipleParametersMouseDrag(const char* const* ids, uint32_t n, uint32_t m)
{
  return mV2 ? mV2->HandleMultipleParametersMouseDrag(ids, n, m) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VViewContainer::HandleMultipleParametersMouseUp(const char* const* ids, uint32_t n, uint32_t m)
{
  return mV2 ? mV2->HandleMultipleParametersMouseUp(ids, n, m) : AAX_ERROR_UNIMPLEMENTED;
}
