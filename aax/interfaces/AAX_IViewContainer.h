// The plug-in's view of the host view container (implemented by AAX_VViewContainer).
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IViewContainer
{
public:
  virtual ~AAX_IViewContainer() = default;
  virtual int32_t GetType() = 0;                                                           // 2
  virtual void* GetPtr() = 0;                                                              // 3
  virtual AAX_Result GetModifiers(uint32_t* outModifiers) = 0;                             // 4
  // inSize: height in vert, width in horz.
  virtual AAX_Result SetViewSize(AAX_Point& inSize) = 0;                                   // 5
  virtual AAX_Result HandleParameterMouseDown(const char* inParameterID, uint32_t inModifiers) = 0; // 6
  virtual AAX_Result HandleParameterMouseDrag(const char* inParameterID, uint32_t inModifiers) = 0; // 7
  virtual AAX_Result HandleParameterMouseUp(const char* inParameterID, uint32_t inModifiers) = 0;   // 8
  virtual AAX_Result HandleParameterMouseEnter(const char* inParameterID, uint32_t inModifiers) = 0; // 9
  virtual AAX_Result HandleParameterMouseExit(const char* inParameterID, uint32_t inModifiers) = 0;  // 10
  virtual AAX_Result HandleMultipleParametersMouseDown(const char* const* inParameterIDs, uint32_t inCount,
                                                       uint32_t inModifiers) = 0;         // 11
  virtual AAX_Result HandleMultipleParametersMouseDrag(const char* const* inParameterIDs, uint32_t inCount,
                                                       uint32_t inModifiers) = 0;         // 12
  virtual AAX_Result HandleMultipleParametersMouseUp(const char* const* inParameterIDs, uint32_t inCount,
                                                     uint32_t inModifiers) = 0;           // 13
};
