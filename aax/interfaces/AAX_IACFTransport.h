// The host's transport, in three versions.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFTransport : public IACFUnknown
{
public:
  virtual AAX_Result GetCurrentTempo(double* outTempo) = 0;                                   // 3
  virtual AAX_Result GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) = 0;     // 4
  virtual AAX_Result IsTransportPlaying(bool* outIsPlaying) = 0;                              // 5
  // Ticks: 960000 per quarter note.
  virtual AAX_Result GetCurrentTickPosition(int64_t* outTicks) = 0;                           // 6
  virtual AAX_Result GetCurrentLoopPosition(bool* outLooping, int64_t* outStartTick,
                                            int64_t* outEndTick) = 0;                         // 7
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* outSampleLocation) = 0;          // 8
  virtual AAX_Result GetCustomTickPosition(int64_t* outTicks, int64_t inSampleLocation) = 0;  // 9
  virtual AAX_Result GetBarBeatPosition(int32_t* outBars, int32_t* outBeats, int64_t* outDisplayTicks,
                                        int64_t inSampleLocation) = 0;                        // 10
  virtual AAX_Result GetTicksPerQuarter(uint32_t* outTicks) = 0;                              // 11
  virtual AAX_Result GetCurrentTicksPerBeat(uint32_t* outTicks) = 0;                          // 12
};

class AAX_IACFTransport_V2 : public AAX_IACFTransport
{
public:
  virtual AAX_Result GetTimelineSelectionStartPosition(int64_t* outSampleLocation) = 0;       // 13
  virtual AAX_Result GetTimeCodeInfo(int32_t* outFrameRate, int32_t* outOffset) = 0;          // 14
  virtual AAX_Result GetFeetFramesInfo(int32_t* outFeetFramesRate, int64_t* outOffset) = 0;   // 15
  virtual AAX_Result IsMetronomeEnabled(int32_t* outEnabled) = 0;                             // 16
};

class AAX_IACFTransport_V3 : public AAX_IACFTransport_V2
{
public:
  virtual AAX_Result GetHDTimeCodeInfo(int32_t* outFrameRate, int64_t* outOffset) = 0;        // 17
};
