// The effect-parameters interface: what the host calls on the data model of one plug-in
// instance, in four versions. Each version derives from the previous one, so its slots follow
// those of the older versions (slots 0 to 2 are IACFUnknown's). Slot numbers are given in the
// comments; slots 51 and up belong to the implementing class.
//
// Identifier arguments are NUL-terminated parameter identifiers. Operations marked "offered
// by the host's interface only" have no meaning in this library; their answers are fixed.
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_IParameter.h"
#include "aax/library/AAX_IString.h"

#include <cstdint>

class AAX_IACFEffectParameters : public IACFUnknown
{
public:
  virtual AAX_Result Init(IACFUnknown* hostObject) = 0;                                            // 3
  virtual AAX_Result Uninit() = 0;                                                                 // 4
  virtual AAX_Result OnNotification(AAX_CTypeID type, const void* data, uint32_t size) = 0;        // 5
  virtual AAX_Result GetParameterCount(int32_t* count) const = 0;                                  // 6
  virtual AAX_Result GetMasterBypassID(AAX_IString* identifier) const = 0;                         // 7
  virtual AAX_Result GetParameterAutomatable(AAX_CParamID id, bool* automatable) const = 0;        // 8
  virtual AAX_Result GetParameterStepCount(AAX_CParamID id, int32_t* steps) const = 0;             // 9
  virtual AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) const = 0;               // 10
  virtual AAX_Result GetParameterShortName(AAX_CParamID id, AAX_IString* name, int32_t maxLength) const = 0; // 11
  virtual AAX_Result GetParameterDefault(AAX_CParamID id, double* normalized) const = 0;           // 12
  virtual AAX_Result SetParameterDefault(AAX_CParamID id, double normalized) = 0;                  // 13
  virtual AAX_Result GetParameterKind(AAX_CParamID id, int32_t* kind) const = 0;                   // 14
  virtual AAX_Result GetParameterLayoutCode(AAX_CParamID id, int32_t* code) const = 0;             // 15
  virtual AAX_Result FindParameterByID(AAX_CParamID id, AAX_IParameter** parameter) const = 0;     // 16
  virtual AAX_Result GetParameterIndexByID(AAX_CParamID id, int32_t* index) const = 0;             // 17
  virtual AAX_Result GetParameterIDAtIndex(int32_t index, AAX_IString* id) const = 0;              // 18
  // Offered by the host's interface only: writes 0, answers -20009.
  virtual AAX_Result HostQuery19(AAX_CParamID id, int32_t selector, int32_t* value) const = 0;     // 19
  virtual AAX_Result ParseParameterText(AAX_CParamID id, double* normalized, const AAX_IString& text) const = 0; // 20
  virtual AAX_Result FormatParameterValue(AAX_CParamID id, double normalized, AAX_IString* text,
                                          int32_t maxLength) const = 0;                            // 21
  virtual AAX_Result GetParameterText(AAX_CParamID id, AAX_IString* text, int32_t maxLength) const = 0; // 22
  virtual AAX_Result GetParameterNormalized(AAX_CParamID id, double* normalized) const = 0;        // 23
  virtual AAX_Result SetParameterNormalized(AAX_CParamID id, double normalized) = 0;               // 24
  virtual AAX_Result NudgeParameterNormalized(AAX_CParamID id, double delta) = 0;                  // 25
  virtual AAX_Result BeginParameterTouch(AAX_CParamID id) = 0;                                     // 26
  virtual AAX_Result EndParameterTouch(AAX_CParamID id) = 0;                                       // 27
  // Offered by the host's interface only: answers 0.
  virtual AAX_Result HostOperation28(AAX_CParamID id, double value) = 0;                           // 28
  virtual AAX_Result UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t source) = 0; // 29
  virtual AAX_Result NudgeParameterFromHost(AAX_CParamID id, double delta) = 0;                    // 30
  // The host's packet pass (a non-audio thread).
  virtual AAX_Result QueueParameterState() = 0;                                                    // 31
  virtual AAX_Result InitPrivateData(int32_t fieldIndex, void* data, uint32_t size) = 0;           // 32
  virtual AAX_Result GetChunkCount(int32_t* count) const = 0;                                      // 33
  virtual AAX_Result GetChunkIDAtIndex(int32_t index, AAX_CTypeID* chunkID) const = 0;             // 34
  virtual AAX_Result GetStateChunkSize(AAX_CTypeID chunkID, uint32_t* size) = 0;                   // 35
  // The record has room for the size last reported by GetStateChunkSize.
  virtual AAX_Result GetStateChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) = 0;              // 36
  virtual AAX_Result SetStateChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) = 0;        // 37
  virtual AAX_Result CompareStateChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) = 0;          // 38
  virtual AAX_Result GetChangeCount(int32_t* count) const = 0;                                     // 39
  virtual AAX_Result OnHostTimerTick() = 0;                                                        // 40
};

class AAX_IACFEffectParameters_V2 : public AAX_IACFEffectParameters
{
public:
  // Offered by the host's interface only: -20009, arguments untouched.
  virtual AAX_Result HostOperation41(AAX_CTypeID selector, uint32_t size, void* data) const = 0;   // 41
  // Offered by the host's interface only: writes 0 through the last argument, answers 0.
  virtual AAX_Result HostOperation42(AAX_CTypeID selector, const void* data, uint32_t size,
                                     int32_t* result) = 0;                                          // 42
  // Offered by the host's interface only: answer 0.
  virtual AAX_Result HostOperation43(AAX_CTypeID selector, const void* data, uint32_t size) = 0;   // 43
  virtual AAX_Result HostOperation44(AAX_CTypeID selector) = 0;                                    // 44
};

class AAX_IACFEffectParameters_V3 : public AAX_IACFEffectParameters_V2
{
public:
  // Offered by the host's interface only: -20009, arguments untouched.
  virtual AAX_Result HostOperation45(AAX_CTypeID selector, void* data, uint32_t size) const = 0;   // 45
  // Offered by the host's interface only: answer 0.
  virtual AAX_Result HostOperation46(int32_t value) = 0;                                           // 46
  virtual AAX_Result HostOperation47(int32_t value) = 0;                                           // 47
};

class AAX_IACFEffectParameters_V4 : public AAX_IACFEffectParameters_V3
{
public:
  // Offered by the host's interface only: -20009, arguments untouched.
  virtual AAX_Result HostOperation48(AAX_CTypeID selector, uint32_t* size) const = 0;              // 48
  virtual AAX_Result HostOperation49(AAX_CTypeID selector, void* data, uint32_t size) const = 0;   // 49
  // The host asks for its page table of the given type and page size: pageTable is a host
  // page-table object (the third argument is not used by the library).
  virtual AAX_Result UpdatePageTable(uint32_t tableType, uint32_t tablePageSize, IACFUnknown* unused,
                                     IACFUnknown* pageTable) const = 0;                            // 50
};

// The library's name for the newest version.
class AAX_IEffectParameters : public AAX_IACFEffectParameters_V4
{
};
