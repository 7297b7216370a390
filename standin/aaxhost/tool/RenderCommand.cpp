// aaxhost render: an audio file through an instance.

#include "standin/aaxhost/tool/Commands.h"

#include "standin/aaxhost/tool/RenderJob.h"

#include <unistd.h>

#include <chrono>
#include <utility>
#include <cstdio>

namespace aaxhost
{
namespace
{
// Progress of a long render, on a terminal only: a line that rewrites itself.
class Progress
{
public:
  // `seconds`: the file's length, or 0 where it is known only at the end.
  explicit Progress(double seconds)
    : mSeconds(seconds)
    , mShown(isatty(STDERR_FILENO) != 0)
    , mStart(std::chrono::steady_clock::now())
  {
  }
  void Update(double done)
  {
    if (!mShown)
      return;
    const auto now = std::chrono::steady_clock::now();
    // Only a render that lasts: a long file, or one that has taken a while already.
    if (mSeconds < 5.0 && now - mStart < std::chrono::seconds(2))
      return;
    if (now < mNext)
      return;
    mNext = now + std::chrono::milliseconds(250);
    if (mSeconds > 0.0)
      std::fprintf(stderr, "\rrendering: %3.0f%% (%.1f s of %.1f s)", 100.0 * done / mSeconds, done, mSeconds);
    else
      std::fprintf(stderr, "\rrendering: %.1f s", done);
    mWritten = true;
  }
  // Clears the line, before anything else is printed.
  void Done()
  {
    if (mWritten)
      std::fprintf(stderr, "\r%60s\r", "");
    mWritten = false;
  }
  ~Progress() { Done(); }

private:
  double mSeconds;
  bool mShown;
  bool mWritten = false;
  std::chrono::steady_clock::time_point mStart;
  std::chrono::steady_clock::time_point mNext;
};
} // namespace

int CommandRender(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  RenderJob job;
  if (const int failure = PrepareRenderJob(instance, options, job))
    return failure;
  AudioWriter output;
  if (const int failure = OpenRenderOutput(instance, job, options, output))
    return failure;
  FileRender render(instance, host, std::move(job.input), output, job.Settings(options), job.automations);
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0);
  Progress progress(render.LengthKnown() ? render.Seconds() : 0.0);
  while (!render.Done())
  {
    std::string error;
    if (!render.RenderNext(error))
    {
      progress.Done();
      std::printf("error: %s\n", error.c_str());
      return kExitFailed;
    }
    progress.Update(render.Time());
  }
  progress.Done();
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);
  return FinishRender(instance, render, options);
}
} // namespace aaxhost
