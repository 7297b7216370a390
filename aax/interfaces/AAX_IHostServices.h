// The plug-in's view of the host services (implemented by AAX_VHostServices).
#pragma once

#include "aax/library/AAX_Errors.h"

#include <cstdint>

class AAX_IHostServices
{
public:
  virtual ~AAX_IHostServices() = default;
  virtual AAX_Result Assert(const char* inFile, int32_t inLine, const char* inNote, int32_t inFlags) = 0; // 2
  virtual AAX_Result Trace(int32_t inPriority, const char* inMessage) = 0;                 // 3
  virtual AAX_Result TraceWithFlags(int32_t inPriority, int32_t inFlags, const char* inMessage) = 0; // 4
};
