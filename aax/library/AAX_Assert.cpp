#include "aax/library/AAX_Assert.h"

#include "aax/library/AAX_VHostServices.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace
{
// Set and cleared only at start-up and shutdown; read by every assertion and trace.
std::atomic<AAX_VHostServices*> sHostServices{nullptr};

constexpr size_t kTraceBufferSize = 512;
} // namespace

AAX_Result AAX_StartupHostServices(IACFUnknown* hostObject) noexcept
{
  try
  {
    if (hostObject)
    {
      if (!sHostServices.load())
      {
        // Only the first start-up's services stay, even if two race here.
        auto* services = new AAX_VHostServices(hostObject);
        AAX_VHostServices* none = nullptr;
        if (!sHostServices.compare_exchange_strong(none, services))
          delete services;
      }
    }
    else
    {
      delete sHostServices.exchange(nullptr);
    }
  }
  catch (...)
  {
    // An allocation failure leaves the services unset: assertions and traces stay silent.
  }
  return AAX_SUCCESS;
}

AAX_VHostServices* AAX_GetHostServices() noexcept { return sHostServices.load(); }

void AAX_ReportAssertion(const char* sourcePath, int32_t line, const char* condition, int32_t flags) noexcept
{
  AAX_VHostServices* services = sHostServices.load();
  if (!services)
    return;
  try
  {
    services->Assert(sourcePath ? sourcePath : "", line, condition ? condition : "", flags);
  }
  catch (...)
  {
  }
}

namespace
{
// Formats into a fixed buffer; vsnprintf always terminates, so longer output is cut at 511
// characters. Returns false when the format cannot be used.
bool FormatTrace(char (&buffer)[kTraceBufferSize], const char* format, va_list args)
{
  if (!format)
    return false;
  return std::vsnprintf(buffer, kTraceBufferSize, format, args) >= 0;
}

// Formats a trace and hands the text to the host's services through send; without services
// nothing is formatted and the trace counts as done.
template <class Send>
AAX_Result SendTrace(const char* format, va_list args, Send&& send) noexcept
{
  AAX_VHostServices* services = sHostServices.load();
  if (!services)
    return AAX_SUCCESS;
  char buffer[kTraceBufferSize];
  if (!FormatTrace(buffer, format, args))
    return AAX_ERROR_PRINT_FAILURE;
  try
  {
    return send(*services, buffer);
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}
} // namespace

AAX_Result AAX_Trace(int32_t priority, const char* format, ...) noexcept
{
  va_list args;
  va_start(args, format);
  const AAX_Result result = SendTrace(format, args, [&](AAX_VHostServices& services, const char* text) {
    return services.Trace(priority, text);
  });
  va_end(args);
  return result;
}

AAX_Result AAX_TraceWithFlags(int32_t priority, int32_t flags, const char* format, ...) noexcept
{
  va_list args;
  va_start(args, format);
  const AAX_Result result = SendTrace(format, args, [&](AAX_VHostServices& services, const char* text) {
    return services.TraceWithFlags(priority, flags, text);
  });
  va_end(args);
  return result;
}
