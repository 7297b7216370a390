// The plug-in's view of the host transport (AAX_VTransport; also what the render context's
// transport field points to).
#pragma once

#include "aax/library/AAX_Errors.h"

#include <cstdint>

class AAX_ITransport
{
public:
  virtual ~AAX_ITransport() = default;
  virtual AAX_Result GetCurrentTempo(double* outTempo) const = 0;                                      // 2
  virtual AAX_Result GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) const = 0;        // 3
  virtual AAX_Result IsTransportPlaying(bool* outIsPlaying) const = 0;                                 // 4
  virtual AAX_Result GetCurrentTickPosition(int64_t* outTicks) const = 0;                              // 5
  virtual AAX_Result GetCurrentLoopPosition(bool* outLooping, int64_t* outStartTick, int64_t* outEndTick) const = 0; // 6
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* outSampleLocation) const = 0;             // 7
  virtual AAX_Result GetCustomTickPosition(int64_t* outTicks, int64_t inSampleLocation) const = 0;     // 8
  virtual AAX_Result GetBarBeatPosition(int32_t* outBars, int32_t* outBeats, int64_t* outDisplayTicks,
                                        int64_t inSampleLocation) const = 0;                           // 9
  virtual AAX_Result GetTicksPerQuarter(uint32_t* outTicks) const = 0;                                 // 10
  virtual AAX_Result GetCurrentTicksPerBeat(uint32_t* outTicks) const = 0;                             // 11
  virtual AAX_Result GetTimelineSelectionStartPosition(int64_t* outSampleLocation) const = 0;          // 12
  virtual AAX_Result GetTimeCodeInfo(int32_t* outFrameRate, int32_t* outOffset) const = 0;             // 13
  virtual AAX_Result GetFeetFramesInfo(int32_t* outFeetFramesRate, int64_t* outOffset) const = 0;      // 14
  virtual AAX_Result IsMetronomeEnabled(int32_t* outEnabled) const = 0;                                // 15
  virtual AAX_Result GetHDTimeCodeInfo(int32_t* outFrameRate, int64_t* outOffset) const = 0;           // 16
};
