#pragma once
// The host's trace, for code that has no connection to the host of its own (the platform
// layer, the GUI toolkit). One hook per process image: the bundle's entry points set it to the
// host's trace at start-up and take it away at shutdown. Without a hook a trace goes nowhere.
// Safe from any thread; nothing here allocates or throws.

namespace plug {

using TraceHook = void (*)(const char* text);

// The hook that receives every trace from now on; null for none.
void SetTraceHook(TraceHook hook) noexcept;

// printf-style; the text is cut to 511 bytes.
void Trace(const char* format, ...) noexcept
#if defined(__GNUC__)
  __attribute__((format(printf, 1, 2)))
#endif
  ;

// Inside a catch handler only: traces the exception being handled (its what() for standard
// exceptions) with the place that caught it: the function, and the source file and line.
void TraceCaughtException(const char* function, const char* file, int line) noexcept;

} // namespace plug
