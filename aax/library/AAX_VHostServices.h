// Version-adapting wrapper of the host services (assertions and traces). One process-wide
// instance exists between start-up and shutdown (AAX_Assert.h).
#pragma once

#include "aax/interfaces/AAX_IACFHostServices.h"
#include "aax/interfaces/AAX_IHostServices.h"

class AAX_VHostServices : public AAX_IHostServices
{
public:
  // Makes the host-services object through the host's object factory; a host without it gives
  // a wrapper whose operations report the missing interface.
  explicit AAX_VHostServices(IACFUnknown* hostObject);
  ~AAX_VHostServices() override;
  AAX_VHostServices(const AAX_VHostServices&) = delete;
  AAX_VHostServices& operator=(const AAX_VHostServices&) = delete;

  AAX_Result Assert(const char* inFile, int32_t inLine, const char* inNote, int32_t inFlags) override;
  AAX_Result Trace(int32_t inPriority, const char* inMessage) override;
  AAX_Result TraceWithFlags(int32_t inPriority, int32_t inFlags, const char* inMessage) override;

private:
  AAX_IACFHostServices* mV1 = nullptr;
  AAX_IACFHostServices_V2* mV2 = nullptr;
  AAX_IACFHostServices_V3* mV3 = nullptr;
};
