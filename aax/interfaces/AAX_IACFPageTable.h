// A host page table (control-surface layout), in two versions.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_IString.h"

class AAX_IACFPageTable : public IACFUnknown
{
public:
  virtual AAX_Result Clear() = 0;                                                          // 3
  virtual AAX_Result Empty(bool* outEmpty) = 0;                                            // 4
  virtual AAX_Result GetNumPages(int32_t* outNumPages) = 0;                                // 5
  virtual AAX_Result InsertPage(int32_t inPage) = 0;                                       // 6
  virtual AAX_Result RemovePage(int32_t inPage) = 0;                                       // 7
  virtual AAX_Result GetNumMappedParameterIDs(int32_t inPage, int32_t* outCount) = 0;      // 8
  virtual AAX_Result ClearMappedParameter(int32_t inPage, int32_t inSlot) = 0;             // 9
  virtual AAX_Result GetMappedParameterID(int32_t inPage, int32_t inSlot, AAX_IString* outID) = 0; // 10
  virtual AAX_Result MapParameterID(const char* inParameterID, int32_t inPage, int32_t inSlot) = 0; // 11
};

class AAX_IACFPageTable_V2 : public AAX_IACFPageTable
{
public:
  virtual AAX_Result GetNumParametersWithNameVariations(int32_t* outCount) = 0;            // 12
  virtual AAX_Result GetNameVariationParameterIDAtIndex(int32_t inIndex, AAX_IString* outID) = 0; // 13
  virtual AAX_Result GetNumNameVariationsForParameter(const char* inParameterID, int32_t* outCount) = 0; // 14
  virtual AAX_Result GetParameterNameVariationAtIndex(const char* inParameterID, int32_t inIndex,
                                                      AAX_IString* outName, int32_t* outLength) = 0; // 15
  virtual AAX_Result GetParameterNameVariationOfLength(const char* inParameterID, int32_t inLength,
                                                       AAX_IString* outName) = 0;          // 16
  virtual AAX_Result ClearParameterNameVariations() = 0;                                   // 17
  virtual AAX_Result ClearNameVariationsForParameter(const char* inParameterID) = 0;       // 18
  virtual AAX_Result SetParameterNameVariation(const char* inParameterID, const AAX_IString& inName,
                                               int32_t inLength) = 0;                      // 19
};
