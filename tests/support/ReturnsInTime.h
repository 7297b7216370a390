#pragma once
// Runs a call that might block for ever (a reader given a FIFO that nobody writes) in a child
// process, so that the test can tell a blocked call from a returned one without hanging
// itself. The test never opens the FIFO's write end: that would let a blocking reader go on.
#include <chrono>
#include <functional>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// True when `call` returned within `seconds` in a child process; its result, an exit status
// of 0..255, goes to *result. A child still running then is killed, and the result is false.
inline bool ReturnsInTime(double seconds, const std::function<int()>& call, int* result)
{
  const pid_t child = fork();
  if (child < 0)
    return false;
  if (child == 0)
    _exit(call() & 0xff);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  for (;;)
  {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child)
      break;
    if (done < 0 || std::chrono::steady_clock::now() > deadline)
    {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!WIFEXITED(status))
    return false;
  if (result)
    *result = WEXITSTATUS(status);
  return true;
}

} // namespace testsupport
