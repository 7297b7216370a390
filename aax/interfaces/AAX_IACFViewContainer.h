// The host's view container: the window area an editor opens in, in three versions.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFViewContainer : public IACFUnknown
{
public:
  virtual int32_t GetType() = 0;                                                       // 3
  // The native view (an NSView pointer on the product's platform) or null.
  virtual void* GetPtr() = 0;                                                          // 4
  virtual AAX_Result GetModifiers(uint32_t* outModifiers) = 0;                         // 5
  // inSize: height in vert, width in horz.
  virtual AAX_Result SetViewSize(AAX_Point& inSize) = 0;                               // 6
  virtual AAX_Result HandleParameterMouseDown(const char* inParameterID, uint32_t inModifiers) = 0; // 7
  virtual AAX_Result HandleParameterMouseDrag(const char* inParameterID, uint32_t inModifiers) = 0; // 8
  virtual AAX_Result HandleParameterMouseUp(const char* inParameterID, uint32_t inModifiers) = 0;   // 9
};

class AAX_IACFViewContainer_V2 : public AAX_IACFViewContainer
{
public:
  virtual AAX_Result HandleMultipleParametersMouseDown(const char* const* inParameterIDs, uint32_t inCount,
                                                       uint32_t inModifiers) = 0;      // 10
  virtual AAX_Result HandleMultipleParametersMouseDrag(const char* const* inParameterIDs, uint32_t inCount,
                                                       uint32_t inModifiers) = 0;      // 11
  virtual AAX_Result HandleMultipleParametersMouseUp(const char* const* inParameterIDs, uint32_t inCount,
                                                     uint32_t inModifiers) = 0;        // 12
};

class AAX_IACFViewContainer_V3 : public AAX_IACFViewContainer_V2
{
public:
  virtual AAX_Result HandleParameterMouseEnter(const char* inParameterID, uint32_t inModifiers) = 0; // 13
  virtual AAX_Result HandleParameterMouseExit(const char* inParameterID, uint32_t inModifiers) = 0;  // 14
};
