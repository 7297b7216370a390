#pragma once
// AppKit calls the editor view's handlers, timers and deferred blocks from the host's run loop.
// An exception thrown by the editor's own code there (a control's drawing or mouse handling, an
// allocation) ends at that handler instead of unwinding into the host, which would end the
// host's process: the event is dropped, the next one is handled as usual.

namespace plug {
namespace igraphics {

template <typename F>
void GuardedCall(F&& f) noexcept
{
  try
  {
    f();
  }
  catch (...)
  {
  }
}

template <typename R, typename F>
R GuardedCall(R fallback, F&& f) noexcept
{
  try
  {
    return f();
  }
  catch (...)
  {
    return fallback;
  }
}

} // namespace igraphics
} // namespace plug
