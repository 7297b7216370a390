#include "standin/aaxhost/Transport.h"

namespace aaxhost
{
AAX_Result Transport::GetCurrentMeter(int32_t* n, int32_t* d)
{
  Call("Transport.GetCurrentMeter");
  if (!n || !d)
    return AAX_ERROR_NULL_ARGUMENT;
  *n = mState.numerator;
  *d = mState.denominator;
  return 0;
}

AAX_Result Transport::GetCurrentLoopPosition(bool* looping, int64_t* start, int64_t* end)
{
  Call("Transport.GetCurrentLoopPosition");
  if (!looping || !start || !end)
    return AAX_ERROR_NULL_ARGUMENT;
  *looping = mState.looping;
  *start = mState.loopStartTick;
  *end = mState.loopEndTick;
  return 0;
}

AAX_Result Transport::GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t)
{
  Call("Transport.GetBarBeatPosition");
  if (!bars || !beats || !ticks)
    return AAX_ERROR_NULL_ARGUMENT;
  *bars = 1;
  *beats = 1;
  *ticks = 0;
  return 0;
}

AAX_Result Transport::GetTimeCodeInfo(int32_t* rate, int32_t* offset)
{
  Call("Transport.GetTimeCodeInfo");
  if (!rate || !offset)
    return AAX_ERROR_NULL_ARGUMENT;
  *rate = 0;
  *offset = 0;
  return 0;
}

AAX_Result Transport::GetFeetFramesInfo(int32_t* rate, int64_t* offset)
{
  Call("Transport.GetFeetFramesInfo");
  if (!rate || !offset)
    return AAX_ERROR_NULL_ARGUMENT;
  *rate = 0;
  *offset = 0;
  return 0;
}

AAX_Result Transport::GetHDTimeCodeInfo(int32_t* rate, int64_t* offset)
{
  Call("Transport.GetHDTimeCodeInfo");
  if (!rate || !offset)
    return AAX_ERROR_NULL_ARGUMENT;
  *rate = 0;
  *offset = 0;
  return 0;
}
} // namespace aaxhost
