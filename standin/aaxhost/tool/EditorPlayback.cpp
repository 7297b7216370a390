#include "standin/aaxhost/tool/EditorPlayback.h"

#include "standin/aaxhost/tool/DescriptionText.h"

#include "standin/appkit/View.h"
#include "standin/foundation/RunLoop.h"
#include "standin/metal/QuartzCore.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace aaxhost
{
namespace
{
using std::chrono::nanoseconds;

nanoseconds ToNanoseconds(double seconds) { return nanoseconds(std::llround(seconds * 1e9)); }

// Something the main thread does at a point of the file's time.
struct ScriptEvent
{
  enum EKind { kReopen, kInput, kPicture }; // at equal times in this order
  double time = 0.0;
  EKind kind = kInput;
  size_t index = 0; // into the script's inputs or pictures; the opening for kReopen
};

std::vector<ScriptEvent> Schedule(const PlaybackScript& script, double seconds)
{
  std::vector<ScriptEvent> events;
  if (!script.reopenAt.empty())
    for (size_t k = 0; k < script.reopenAt.size(); ++k)
      events.push_back({script.reopenAt[k], ScriptEvent::kReopen, k + 2});
  else
    for (int k = 1; k < script.opens; ++k)
      events.push_back({seconds * k / script.opens, ScriptEvent::kReopen, static_cast<size_t>(k + 1)});
  for (size_t i = 0; i < script.inputs.size(); ++i)
    events.push_back({script.inputs[i].at, ScriptEvent::kInput, i});
  for (size_t i = 0; i < script.pictures.size(); ++i)
    events.push_back({script.pictures[i].first, ScriptEvent::kPicture, i});
  std::stable_sort(events.begin(), events.end(), [](const ScriptEvent& a, const ScriptEvent& b) {
    return a.time < b.time || (a.time == b.time && a.kind < b.kind);
  });
  return events;
}

std::string TimeText(double seconds)
{
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

float DrawScaleOf(EditorSession& editor)
{
  NSView* view = editor.EditorView();
  AAX_Point size;
  editor.ReportSize(size);
  return view && size.horz > 0 ? static_cast<float>(view->frame().size.width / size.horz) : 1.f;
}
} // namespace

bool PrepareHostForPlayback(bool realtime)
{
  // A deterministic run's pictures must not depend on how fast the GPU finishes a frame: its
  // Metal devices run each command buffer as it is committed.
  standin::mtl::SetDefaultSynchronous(!realtime);
  standin::RunLoop& loop = standin::RunLoop::Main();
  const auto clock = realtime ? standin::RunLoop::EClock::kReal : standin::RunLoop::EClock::kVirtual;
  return loop.Clock() == clock || loop.SetClock(clock);
}

bool WriteEditorPicture(EditorSession& editor, const std::string& file, std::string& error)
{
  NSView* view = editor.EditorView();
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  if (!view || !view->layer() || !view->layer()->CopyContentsRGBA(width, height, rgba))
    return error = "the editor shows no picture", false;
  if (!standin::ca::WritePNG(file, width, height, rgba.data()))
    return error = "cannot write " + file, false;
  return true;
}

PlaybackResult PlayWithEditor(EditorSession& editor, PluginInstance& instance, FileRender& render,
                              const PlaybackScript& script)
{
  PlaybackResult result;
  standin::RunLoop& loop = standin::RunLoop::Main();
  const auto log = [&](double time, const std::string& line) {
    if (script.log)
      script.log(TimeText(time) + ": " + line);
  };
  const auto fail = [&](const std::string& error) {
    if (result.ok)
      result.error = error;
    result.ok = false;
  };
  const nanoseconds start = loop.Now();
  const auto now = [&loop, start] { return std::chrono::duration<double>(loop.Now() - start).count(); };
  // The main thread's turns up to a point of the file's time: the loop runs until then (on the
  // virtual clock at once, on the real one by waiting), then the host timer hook.
  const auto runTo = [&](double time) {
    const nanoseconds until = start + ToNanoseconds(time);
    const nanoseconds left = until - loop.Now();
    if (left.count() > 0)
      loop.RunFor(left);
    instance.ServeMainThread();
  };
  const auto open = [&](int opening, double time) {
    const AAX_Result opened = editor.Open();
    log(time, "open " + std::to_string(opening) + ": result " + ResultText(opened));
    if (opened != AAX_SUCCESS)
      fail("open " + std::to_string(opening) + " failed");
    else if (script.opened)
      script.opened(editor, opening);
  };

  instance.SetLive(script.realtime);
  // The main thread's work happens where this loop puts it, never inside a wait for a block
  // (in real time the blocks are not the main thread's to wait for at all).
  instance.SetServesMainThreadWhileWaiting(false);
  render.SetPostsAutomation(!script.realtime);

  const std::vector<ScriptEvent> events = Schedule(script, render.Seconds());
  size_t next = 0;
  int opening = 1;
  const auto eventsUntil = [&](double time) {
    for (; next < events.size() && events[next].time <= time; ++next)
    {
      const ScriptEvent& event = events[next];
      runTo(event.time);
      switch (event.kind)
      {
        case ScriptEvent::kReopen:
        {
          bool balanced = true;
          const AAX_Result closed = editor.Close(balanced);
          log(event.time, "close " + std::to_string(opening) + ": result " + ResultText(closed) +
                            (balanced ? "" : ", view container references UNBALANCED"));
          if (closed != AAX_SUCCESS || !balanced)
            fail("close " + std::to_string(opening) + " failed");
          opening = static_cast<int>(event.index);
          open(opening, event.time);
          break;
        }
        case ScriptEvent::kInput:
          log(event.time, "input: " + ReplayEditorInput(editor.EditorView(), DrawScaleOf(editor),
                                                        script.inputs[event.index]));
          break;
        case ScriptEvent::kPicture:
        {
          std::string error;
          const std::string& file = script.pictures[event.index].second;
          if (WriteEditorPicture(editor, file, error))
            log(event.time, "png: " + file);
          else
          {
            log(event.time, "png: " + error);
            fail(error);
          }
          break;
        }
      }
    }
    runTo(time);
  };

  open(opening, 0.0);
  // The main thread's clock runs on from where it was when the transport locates: the file's
  // time minus the ground the locates skipped (or went back).
  double skipped = 0.0;
  if (!script.realtime)
  {
    while (!render.Done() && result.ok)
    {
      const double time = render.Time();
      eventsUntil(time - skipped);
      const TransportMove move = script.boundary ? script.boundary(time) : TransportMove();
      if (move.kind == TransportMove::kStop)
        break;
      if (move.kind == TransportMove::kLocate)
      {
        render.Locate(move.time);
        skipped += render.Time() - time;
        continue;
      }
      std::string error;
      if (!render.RenderNext(error))
        fail(error);
    }
    if (result.ok)
      eventsUntil(render.Time() - skipped);
  }
  else
  {
    // The host's audio clock: each block is started at its time on the file's clock (or at
    // once when late) by a driver of the audio thread, while the main thread serves the editor.
    std::atomic<bool> done{false}, stopped{false};
    std::atomic<double> locate{-1.0}; // a locate the main thread asked for, taken between blocks
    std::atomic<double> playing{0.0};
    std::atomic<size_t> missed{0};
    std::string renderError;
    std::thread driver([&] {
      double deadline = 0.0; // on the main thread's clock, as `start` below
      double driverSkipped = 0.0;
      while (!render.Done() && !stopped.load())
      {
        const double to = locate.exchange(-1.0);
        if (to >= 0.0)
        {
          const double from = render.Time();
          render.Locate(to);
          driverSkipped += render.Time() - from;
        }
        const double time = render.Time();
        playing = time;
        const double start = time - driverSkipped;
        const double wait = start - now();
        if (wait > 0.0)
          std::this_thread::sleep_for(std::chrono::duration<double>(wait));
        deadline = std::max(deadline, start) + render.NextBlockSeconds();
        if (!render.RenderNext(renderError))
          break;
        if (now() > deadline)
          ++missed;
      }
      done = true;
    });
    std::thread automation;
    if (!render.Automations().empty())
      automation = std::thread([&] {
        while (!done.load())
        {
          // About as often as a host's automation reaches a plug-in: once per short block.
          render.PostAutomation(playing.load());
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      });
    // The main thread's turns, about every 5 ms and at the script's times.
    while (!done.load())
    {
      const double turn = now() + 0.005;
      eventsUntil(next < events.size() ? std::min(turn, events[next].time) : turn);
      const TransportMove move = script.boundary ? script.boundary(playing.load()) : TransportMove();
      if (move.kind == TransportMove::kStop)
        stopped = true;
      else if (move.kind == TransportMove::kLocate)
        locate = std::max(move.time, 0.0);
    }
    driver.join();
    if (automation.joinable())
      automation.join();
    if (!renderError.empty())
      fail(renderError);
    result.missedDeadlines = missed.load();
    if (result.ok)
      eventsUntil(now());
  }
  instance.Settle();
  instance.SetServesMainThreadWhileWaiting(true);
  return result;
}
} // namespace aaxhost
