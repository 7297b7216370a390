#include "plug/Trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>

namespace plug {

namespace {

std::atomic<TraceHook> sHook{nullptr};

const char* FileName(const char* path)
{
  if (!path)
    return "?";
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

} // namespace

void SetTraceHook(TraceHook hook) noexcept { sHook.store(hook); }

void Trace(const char* format, ...) noexcept
{
  const TraceHook hook = sHook.load();
  if (!hook || !format)
    return;
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (length < 0)
    return;
  try
  {
    hook(text);
  }
  catch (...)
  {
    // The trace is where failures are reported; one that fails itself has nowhere to go.
  }
}

void TraceCaughtException(const char* function, const char* file, int line) noexcept
{
  // The exception object lives on while the caller's handler is active, so its text stays
  // valid after the inner handler ends.
  const char* what = "an exception that is no std::exception";
  try
  {
    throw;
  }
  catch (const std::exception& error)
  {
    what = error.what();
  }
  catch (...)
  {
  }
  Trace("exception caught in %s (%s:%d): %s", function ? function : "?", FileName(file), line, what);
}

} // namespace plug
