// Version-adapting wrapper of the host transport.
#pragma once

#include "aax/interfaces/AAX_IACFTransport.h"
#include "aax/interfaces/AAX_ITransport.h"

class AAX_VTransport : public AAX_ITransport
{
public:
  explicit AAX_VTransport(IACFUnknown* hostObject);
  ~AAX_VTransport() override;
  AAX_VTransport(const AAX_VTransport&) = delete;
  AAX_VTransport& operator=(const AAX_VTransport&) = delete;

  AAX_Result GetCurrentTempo(double* outTempo) const override;
  AAX_Result GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) const override;
  AAX_Result IsTransportPlaying(bool* outIsPlaying) const override;
  AAX_Result GetCurrentTickPosition(int64_t* outTicks) const override;
  AAX_Result GetCurrentLoopPosition(bool* outLooping, int64_t* outStartTick, int64_t* outEndTick) const override;
  AAX_Result GetCurrentNativeSampleLocation(int64_t* outSampleLocation) const override;
  AAX_Result GetCustomTickPosition(int64_t* outTicks, int64_t inSampleLocation) const override;
  AAX_Result GetBarBeatPosition(int32_t* outBars, int32_t* outBeats, int64_t* outDisplayTicks,
                                int64_t inSampleLocation) const override;
  AAX_Result GetTicksPerQuarter(uint32_t* outTicks) const override;
  AAX_Result GetCurrentTicksPerBeat(uint32_t* outTicks) const override;
  AAX_Result GetTimelineSelectionStartPosition(int64_t* outSampleLocation) const override;
  AAX_Result GetTimeCodeInfo(int32_t* outFrameRate, int32_t* outOffset) const override;
  AAX_Result GetFeetFramesInfo(int32_t* outFeetFramesRate, int64_t* outOffset) const override;
  AAX_Result IsMetronomeEnabled(int32_t* outEnabled) const override;
  AAX_Result GetHDTimeCodeInfo(int32_t* outFrameRate, int64_t* outOffset) const override;

private:
  AAX_IACFTransport* mV1 = nullptr;
  AAX_IACFTransport_V2* mV2 = nullptr;
  AAX_IACFTransport_V3* mV3 = nullptr;
};
