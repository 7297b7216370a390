#include "aax/library/AAX_VAutomationDelegate.h"

#include "aax/library/AAX_HostObjects.h"

#include <cstring>

AAX_VAutomationDelegate::AAX_VAutomationDelegate(IACFUnknown* hostObject)
{
  mV1 = ACFQuery<AAX_IACFAutomationDelegate>(hostObject, IID_IAAXAutomationDelegateV1);
  mControllerV2 = ACFQuery<AAX_IACFController_V2>(hostObject, IID_IAAXControllerV2);
}

AAX_VAutomationDelegate::~AAX_VAutomationDelegate()
{
  AAX_ReleaseInterface(mControllerV2);
  AAX_ReleaseInterface(mV1);
}

AAX_Result AAX_VAutomationDelegate::RegisterParameter(const char* id)
{
  return mV1 ? mV1->RegisterParameter(id) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VAutomationDelegate::UnregisterParameter(const char* id)
{
  return mV1 ? mV1->UnregisterParameter(id) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VAutomationDelegate::PostSetValueRequest(const char* id, double v) const
{
  return mV1 ? mV1->PostSetValueRequest(id, v) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VAutomationDelegate::PostCurrentValue(const char* id, double v) const
{
  return mV1 ? mV1->PostCurrentValue(id, v) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VAutomationDelegate::PostTouchRequest(const char* id)
{
  return mV1 ? mV1->PostTouchRequest(id) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VAutomationDelegate::PostReleaseRequest(const char* id)
{
  return mV1 ? mV1->PostReleaseRequest(id) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VAutomationDelegate::GetTouchState(const char* id, bool* o)
{
  return mV1 ? mV1->GetTouchState(id, o) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VAutomationDelegate::ParameterNameChanged(const char* id)
{
  // Identifiers are at most 31 characters; look no further than 32 bytes for the end.
  constexpr size_t kMaxIdentifierBytes = 32;
  if (!id)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  const size_t length = strnlen(id, kMaxIdentifierBytes);
  if (length == 0 || length == kMaxIdentifierBytes)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!mControllerV2)
    return AAX_ERROR_UNIMPLEMENTED;
  const uint32_t size = static_cast<uint32_t>(length) + 1;
  return mControllerV2->SendNotification(AAX_eNotificationEvent_ParameterNameChanged, id, size);
}
