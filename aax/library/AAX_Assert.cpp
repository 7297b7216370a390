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
} // namespace

AAX_Result AAX_Trace(int32_t priority, const char* format, ...) noexcept
{
  AAX_VHostServices* services = sHostServices.load();
  if (!services)
    return AAX_SUCCESS;
  char buffer[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  const bool ok = FormatTrace(buffer, format, args);
  va_end(args);
  if (!ok)
    return AAX_ERROR_PRINT_FAILURE;
  try
  {
    return services->Trace(priority, buffer);
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result AAX_TraceWithFlags(int32_t priority, int32_t flags, const char* format, ...) noexcept
{
  AAX_VHostServices* services = sHostServices.load();
  if (!services)
    return AAX_SUCCESS;
  char buffer[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  const bool ok = FormatTrace(buffer, format, args);
  va_end(args);
  if (!ok)
    return AAX_ERROR_PRINT_FAILURE;
  try
  {
    return services->TraceWithFlags(priority, flags, buffer);
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}
