#pragma once
// The platform calls the editor view's handlers, timers and deferred blocks from the host's run loop.
// An exception thrown by the editor's own code there (a control's drawing or mouse handling, an
// allocation) ends at that handler instead of unwinding into the host, which would end the
// host's process: the event is dropped, the next one is handled as usual.
//
// The first exception caught at each place goes to the host's trace (plug/Trace.h) with the
// place's function, file and line; later ones there are not reported again, so a control that
// throws on every frame leaves one line, not one per frame. A place is one GuardedCall
// expression: each call site passes its own lambda, whose type keys the place's flag.
#include "plug/Trace.h"

#include <atomic>
#include <type_traits>

namespace plug {
namespace igraphics {

namespace guardedcall {

template <typename F>
std::atomic<bool>& Reported()
{
  static std::atomic<bool> sReported{false};
  return sReported;
}

// In the handler: trace the exception unless this place has reported one already.
template <typename F>
void Report(const char* function, const char* file, int line) noexcept
{
  if (!Reported<std::decay_t<F>>().exchange(true))
    TraceCaughtException(function, file, line);
}

} // namespace guardedcall

template <typename F>
void GuardedCall(F&& f, const char* function = __builtin_FUNCTION(), const char* file = __builtin_FILE(),
                 int line = __builtin_LINE()) noexcept
{
  try
  {
    f();
  }
  catch (...)
  {
    guardedcall::Report<F>(function, file, line);
  }
}

template <typename R, typename F>
R GuardedCall(R fallback, F&& f, const char* function = __builtin_FUNCTION(), const char* file = __builtin_FILE(),
              int line = __builtin_LINE()) noexcept
{
  try
  {
    return f();
  }
  catch (...)
  {
    guardedcall::Report<F>(function, file, line);
    return fallback;
  }
}

} // namespace igraphics
} // namespace plug
