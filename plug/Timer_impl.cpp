#include "plug/Timer_impl.h"

namespace plug {

std::unique_ptr<Timer> Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return std::make_unique<Timer_impl>(std::move(func), intervalMs);
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
  : mFunc(std::move(func)), mIntervalMs(intervalMs)
{
  // In the common modes: the editor stays fed while a menu tracks or a modal panel runs.
  mLoopTimer = standin::RunLoop::Main().AddTimer(intervalMs / 1000.0, [this](standin::RunLoopTimer&) { OnFire(); },
                                                 standin::kCommonRunLoopModes);
}

Timer_impl::~Timer_impl()
{
  Stop();
}

void Timer_impl::Stop()
{
  if (mLoopTimer)
  {
    mLoopTimer->Invalidate();
    mLoopTimer.reset();
  }
}

void Timer_impl::OnFire()
{
  // An empty function would throw out of the run loop; a timer without one just ticks.
  if (mFunc)
    mFunc(*this);
}

} // namespace plug
