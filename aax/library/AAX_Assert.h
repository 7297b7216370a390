// Assertions and traces of the AAX layer. Both reach the host only through the process-wide
// host-services wrapper that start-up creates; before start-up and after shutdown they are silent.
#pragma once

#include "aax/library/AAX_Errors.h"

#include <cstdint>

class IACFUnknown;
class AAX_VHostServices;

// Trace priorities. Every trace of the system uses the normal one; the checked result uses the
// higher one when it throws.
constexpr int32_t AAX_eTracePriority_Normal = 0x8000000;
constexpr int32_t AAX_eTracePriority_High = 0x4000000;

// Flags passed with every assertion of the AAX layer.
constexpr int32_t AAX_eAssertFlags_Default = 1;

// Start-up (host object not null) creates the host-services wrapper once; a second start-up
// keeps the first. Shutdown (null) deletes it. Always returns AAX_SUCCESS; never throws.
AAX_Result AAX_StartupHostServices(IACFUnknown* hostObject) noexcept;

// The process-wide host-services wrapper, or null outside start-up..shutdown.
AAX_VHostServices* AAX_GetHostServices() noexcept;

// Passes the assertion to the host when host services exist; otherwise does nothing.
void AAX_ReportAssertion(const char* sourcePath, int32_t line, const char* condition,
                         int32_t flags = AAX_eAssertFlags_Default) noexcept;

// Formats into a 512-byte buffer (longer output is cut to 511 characters) and hands the text to
// the host's trace operation. Without host services: 0. Formatting failure: -20051.
// The format must be a literal of ours: outside texts (host strings, exception messages) go in
// as "%s" arguments, never as the format.
AAX_Result AAX_Trace(int32_t priority, const char* format, ...) noexcept
  __attribute__((format(printf, 2, 3)));

// The same through the host's second trace operation, which also takes flags.
AAX_Result AAX_TraceWithFlags(int32_t priority, int32_t flags, const char* format, ...) noexcept
  __attribute__((format(printf, 3, 4)));

// Reports a failed condition with this file's path and line.
#define AAX_ASSERT(condition)                                                              \
  do                                                                                       \
  {                                                                                        \
    if (!(condition))                                                                      \
      AAX_ReportAssertion(__FILE__, __LINE__, #condition, AAX_eAssertFlags_Default);      \
  } while (0)
