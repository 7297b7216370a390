// The plug-in's view of a host page table (implemented by AAX_VPageTable).
#pragma once

#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_IString.h"

class AAX_IPageTable
{
public:
  virtual ~AAX_IPageTable() = default;
  virtual AAX_Result Clear() = 0;                                                          // 2
  virtual AAX_Result Empty(bool* outEmpty) const = 0;                                      // 3
  virtual AAX_Result GetNumPages(int32_t* outNumPages) const = 0;                          // 4
  virtual AAX_Result InsertPage(int32_t inPage) = 0;                                       // 5
  virtual AAX_Result RemovePage(int32_t inPage) = 0;                                       // 6
  virtual AAX_Result GetNumMappedParameterIDs(int32_t inPage, int32_t* outCount) const = 0; // 7
  virtual AAX_Result ClearMappedParameter(int32_t inPage, int32_t inSlot) = 0;             // 8
  virtual AAX_Result GetMappedParameterID(int32_t inPage, int32_t inSlot, AAX_IString* outID) const = 0; // 9
  virtual AAX_Result MapParameterID(const char* inParameterID, int32_t inPage, int32_t inSlot) = 0; // 10
  virtual AAX_Result GetNumParametersWithNameVariations(int32_t* outCount) const = 0;      // 11
  virtual AAX_Result GetNameVariationParameterIDAtIndex(int32_t inIndex, AAX_IString* outID) const = 0; // 12
  virtual AAX_Result GetNumNameVariationsForParameter(const char* inParameterID, int32_t* outCount) const = 0; // 13
  virtual AAX_Result GetParameterNameVariationAtIndex(const char* inParameterID, int32_t inIndex,
                                                      AAX_IString* outName, int32_t* outLength) const = 0; // 14
  virtual AAX_Result GetParameterNameVariationOfLength(const char* inParameterID, int32_t inLength,
                                                       AAX_IString* outName) const = 0;    // 15
  virtual AAX_Result ClearParameterNameVariations() = 0;                                   // 16
  virtual AAX_Result ClearNameVariationsForParameter(const char* inParameterID) = 0;       // 17
  virtual AAX_Result SetParameterNameVariation(const char* inParameterID, const AAX_IString& inName,
                                               int32_t inLength) = 0;                      // 18
};
