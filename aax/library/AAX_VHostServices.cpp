#include "aax/library/AAX_VHostServices.h"

#include "aax/library/AAX_HostObjects.h"

AAX_VHostServices::AAX_VHostServices(IACFUnknown* hostObject)
{
  mV1 = static_cast<AAX_IACFHostServices*>(
    AAX_CreateHostObject(hostObject, AAXCompID_HostServices, IID_IAAXHostServicesV1));
  mV2 = ACFQuery<AAX_IACFHostServices_V2>(mV1, IID_IAAXHostServicesV2);
  mV3 = ACFQuery<AAX_IACFHostServices_V3>(mV1, IID_IAAXHostServicesV3);
}

AAX_VHostServices::~AAX_VHostServices()
{
  AAX_ReleaseInterface(mV3);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
}

AAX_Result AAX_VHostServices::Assert(const char* inFile, int32_t inLine, const char* inNote, int32_t inFlags)
{
  return mV3 ? mV3->HandleAssertFailureWithFlags(inFile, inLine, inNote, inFlags) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VHostServices::Trace(int32_t inPriority, const char* inMessage)
{
  return mV1 ? mV1->Trace(inPriority, inMessage) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VHostServices::TraceWithFlags(int32_t inPriority, int32_t inFlags, const char* inMessage)
{
  return mV2 ? mV2->TraceWithFlags(inPriority, inFlags, inMessage) : AAX_ERROR_UNIMPLEMENTED;
}
