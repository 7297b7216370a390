#include "aax/library/AAX_VTransport.h"

#include "aax/library/AAX_HostObjects.h"

AAX_VTransport::AAX_VTransport(IACFUnknown* hostObject)
{
  mV1 = ACFQuery<AAX_IACFTransport>(hostObject, IID_IAAXTransportV1);
  mV2 = ACFQuery<AAX_IACFTransport_V2>(hostObject, IID_IAAXTransportV2);
  mV3 = ACFQuery<AAX_IACFTransport_V3>(hostObject, IID_IAAXTransportV3);
}

AAX_VTransport::~AAX_VTransport()
{
  AAX_ReleaseInterface(mV3);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
}

#define AAX_TR_V1(call) return mV1 ? mV1->call : AAX_ERROR_NULL_OBJECT
#define AAX_TR_V2(call) return mV2 ? mV2->call : AAX_ERROR_UNIMPLEMENTED
#define AAX_TR_V3(call) return mV3 ? mV3->call : AAX_ERROR_UNIMPLEMENTED

AAX_Result AAX_VTransport::GetCurrentTempo(double* o) const { AAX_TR_V1(GetCurrentTempo(o)); }
AAX_Result AAX_VTransport::GetCurrentMeter(int32_t* n, int32_t* d) const { AAX_TR_V1(GetCurrentMeter(n, d)); }
AAX_Result AAX_VTransport::IsTransportPlaying(bool* o) const { AAX_TR_V1(IsTransportPlaying(o)); }
AAX_Result AAX_VTransport::GetCurrentTickPosition(int64_t* o) const { AAX_TR_V1(GetCurrentTickPosition(o)); }
AAX_Result AAX_VTransport::GetCurrentLoopPosition(bool* l, int64_t* s, int64_t* e) const
{
  AAX_TR_V1(GetCurrentLoopPosition(l, s, e));
}
AAX_Result AAX_VTransport::GetCurrentNativeSampleLocation(int64_t* o) const { AAX_TR_V1(GetCurrentNativeSampleLocation(o)); }
AAX_Result AAX_VTransport::GetCustomTickPosition(int64_t* o, int64_t s) const { AAX_TR_V1(GetCustomTickPosition(o, s)); }
AAX_Result AAX_VTransport::GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t s) const
{
  AAX_TR_V1(GetBarBeatPosition(bars, beats, ticks, s));
}
AAX_Result AAX_VTransport::GetTicksPerQuarter(uint32_t* o) const { AAX_TR_V1(GetTicksPerQuarter(o)); }
AAX_Result AAX_VTransport::GetCurrentTicksPerBeat(uint32_t* o) const { AAX_TR_V1(GetCurrentTicksPerBeat(o)); }
AAX_Result AAX_VTransport::GetTimelineSelectionStartPosition(int64_t* o) const
{
  AAX_TR_V2(GetTimelineSelectionStartPosition(o));
}
AAX_Result AAX_VTransport::GetTimeCodeInfo(int32_t* r, int32_t* o) const { AAX_TR_V2(GetTimeCodeInfo(r, o)); }
AAX_Result AAX_VTransport::GetFeetFramesInfo(int32_t* r, int64_t* o) const { AAX_TR_V2(GetFeetFramesInfo(r, o)); }
AAX_Result AAX_VTransport::IsMetronomeEnabled(int32_t* o) const { AAX_TR_V2(IsMetronomeEnabled(o)); }
AAX_Result AAX_VTransport::GetHDTimeCodeInfo(int32_t* r, int64_t* o) const { AAX_TR_V3(GetHDTimeCodeInfo(r, o)); }

#undef AAX_TR_V1
#undef AAX_TR_V2
#undef AAX_TR_V3
