// The host's services for assertions and traces, in three versions. The object factory makes
// them (class AAXCompID_HostServices).
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFHostServices : public IACFUnknown
{
public:
  virtual AAX_Result HandleAssertFailure(const char* inFile, int32_t inLine, const char* inNote) = 0; // 3
  // inMessage is plain text (never interpreted as a format).
  virtual AAX_Result Trace(int32_t inPriority, const char* inMessage) = 0;                 // 4
};

class AAX_IACFHostServices_V2 : public AAX_IACFHostServices
{
public:
  virtual AAX_Result TraceWithFlags(int32_t inPriority, int32_t inFlags, const char* inMessage) = 0; // 5
};

class AAX_IACFHostServices_V3 : public AAX_IACFHostServices_V2
{
public:
  virtual AAX_Result HandleAssertFailureWithFlags(const char* inFile, int32_t inLine, const char* inNote,
                                                  int32_t inFlags) = 0;                    // 6
};
