#pragma once
#include <cstdint>
#include <functional>
#include <memory>

namespace plug {

// A repeating timer on the main run loop. It fires on the thread that runs the main loop:
// once as soon as the loop next runs, then every interval. Deleting it stops it.
class Timer
{
public:
  using ITimerFunction = std::function<void(Timer&)>;

  // A new timer calling func every intervalMs milliseconds.
  static std::unique_ptr<Timer> Create(ITimerFunction func, uint32_t intervalMs);

  virtual ~Timer() = default;
  // Takes the timer off the run loop; later calls do nothing.
  virtual void Stop() = 0;

protected:
  Timer() = default;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
};

} // namespace plug
