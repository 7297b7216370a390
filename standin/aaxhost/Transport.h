// Stand-in host transport (three versions) answering from a settable state.
#pragma once

#include "aax/interfaces/AAX_IACFTransport.h"
#include "standin/aaxhost/HostObject.h"

namespace aaxhost
{
struct TransportState
{
  double tempo = 120.0;
  int32_t numerator = 4;
  int32_t denominator = 4;
  bool playing = false;
  int64_t tickPosition = 0;
  bool looping = false;
  int64_t loopStartTick = 0;
  int64_t loopEndTick = 0;
  int64_t samplePosition = 0;
};

class Transport : public HostObject<AAX_IACFTransport_V3>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXTransportV1, IID_IAAXTransportV2, IID_IAAXTransportV3});
  }
  AAX_Result GetCurrentTempo(double* o) override { return Value("Transport.GetCurrentTempo", o, mState.tempo); }
  AAX_Result GetCurrentMeter(int32_t* n, int32_t* d) override;
  AAX_Result IsTransportPlaying(bool* o) override { return Value("Transport.IsTransportPlaying", o, mState.playing); }
  AAX_Result GetCurrentTickPosition(int64_t* o) override
  {
    return Value("Transport.GetCurrentTickPosition", o, mState.tickPosition);
  }
  AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* start, int64_t* end) override;
  AAX_Result GetCurrentNativeSampleLocation(int64_t* o) override
  {
    return Value("Transport.GetCurrentNativeSampleLocation", o, mState.samplePosition);
  }
  AAX_Result GetCustomTickPosition(int64_t* o, int64_t) override
  {
    return Value("Transport.GetCustomTickPosition", o, mState.tickPosition);
  }
  AAX_Result GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t) override;
  AAX_Result GetTicksPerQuarter(uint32_t* o) override { return Value("Transport.GetTicksPerQuarter", o, 960000u); }
  AAX_Result GetCurrentTicksPerBeat(uint32_t* o) override { return Value("Transport.GetCurrentTicksPerBeat", o, 960000u); }
  AAX_Result GetTimelineSelectionStartPosition(int64_t* o) override
  {
    return Value("Transport.GetTimelineSelectionStartPosition", o, int64_t(0));
  }
  AAX_Result GetTimeCodeInfo(int32_t* rate, int32_t* offset) override;
  AAX_Result GetFeetFramesInfo(int32_t* rate, int64_t* offset) override;
  AAX_Result IsMetronomeEnabled(int32_t* o) override { return Value("Transport.IsMetronomeEnabled", o, 0); }
  AAX_Result GetHDTimeCodeInfo(int32_t* rate, int64_t* offset) override;

  TransportState& State() { return mState; }

private:
  template <class T>
  AAX_Result Value(const char* name, T* out, T value)
  {
    Call(name);
    if (!out)
      return AAX_ERROR_NULL_ARGUMENT;
    *out = value;
    return 0;
  }

  TransportState mState;
};
} // namespace aaxhost
