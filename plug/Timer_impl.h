#pragma once
#include "plug/Timer.h"
#include "standin/foundation/RunLoop.h"

namespace plug {

// Timer on the main run loop of the foundation stand-in.
class Timer_impl : public Timer
{
public:
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;

  void Stop() override;
  uint32_t IntervalMs() const { return mIntervalMs; }

private:
  void OnFire();

  standin::RunLoopTimerRef mLoopTimer;
  ITimerFunction mFunc;
  uint32_t mIntervalMs;
};

} // namespace plug
