#include "standin/aaxhost/tool/EditorPlayback.h"

#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/OutputFile.h"

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
  return WritePictureFile(file, width, height, rgba, error);
}

namespace
{
// One playback of the file with the editor open: the main thread's side (the script's events
// at their times, the editor's turns) and, in real time, the audio and automation threads.
class Playback
{
public:
  Playback(EditorSession& editor, PluginInstance& instance, FileRender& render, const PlaybackScript& script)
    : mEditor(editor), mInstance(instance), mRender(render), mScript(script), mLoop(standin::RunLoop::Main()),
      mStart(mLoop.Now()), mEvents(Schedule(script, render.Seconds()))
  {
  }

  PlaybackResult Run()
  {
    if (!EveryEventWithinTheAudio())
      return mResult;
    mInstance.SetLive(mScript.realtime);
    // The main thread's work happens where this playback puts it, never inside a wait for a
    // block (in real time the blocks are not the main thread's to wait for at all).
    mInstance.SetServesMainThreadWhileWaiting(false);
    mRender.SetPostsAutomation(!mScript.realtime);
    Open(0.0);
    if (mScript.realtime)
      PlayInRealTime();
    else
      PlayDeterministically();
    mInstance.Settle();
    mInstance.SetServesMainThreadWhileWaiting(true);
    return mResult;
  }

private:
  // Seconds on the main thread's clock since the playback started.
  double Now() const { return std::chrono::duration<double>(mLoop.Now() - mStart).count(); }

  void Log(double time, const std::string& line) const
  {
    if (mScript.log)
      mScript.log(TimeText(time) + ": " + line);
  }

  // The first failure is the one reported.
  void Fail(const std::string& error)
  {
    if (mResult.ok)
      mResult.error = error;
    mResult.ok = false;
  }

  // The main thread's turns up to a point of the file's time: the loop runs until then (on the
  // virtual clock at once, on the real one by waiting), then the host timer hook.
  void RunTo(double time)
  {
    const nanoseconds left = mStart + ToNanoseconds(time) - mLoop.Now();
    if (left.count() > 0)
      mLoop.RunFor(left);
    mInstance.ServeMainThread();
  }

  // An input or a picture timed after the end of the audio would never happen: the run fails
  // before it starts, naming the first.
  bool EveryEventWithinTheAudio()
  {
    const double end = mRender.Seconds();
    for (const ScriptEvent& event : mEvents)
    {
      if (event.time <= end)
        continue;
      const std::string what =
        event.kind == ScriptEvent::kInput     ? "the input at " + TimeText(event.time) + " (" +
                                                DescribeEditorInput(mScript.inputs[event.index]) + ")"
        : event.kind == ScriptEvent::kPicture ? "the picture " + mScript.pictures[event.index].second + " at " +
                                                  TimeText(event.time)
                                              : "opening " + std::to_string(event.index) + " at " + TimeText(event.time);
      Fail(what + " comes after the end of the audio at " + TimeText(end));
      return false;
    }
    return true;
  }

  void Open(double time)
  {
    const AAX_Result opened = mEditor.Open();
    Log(time, "open " + std::to_string(mOpening) + ": result " + ResultText(opened));
    if (opened != AAX_SUCCESS)
      Fail("open " + std::to_string(mOpening) + " failed");
    else if (mScript.opened)
      mScript.opened(mEditor, mOpening);
  }

  void Reopen(const ScriptEvent& event)
  {
    bool balanced = true;
    const AAX_Result closed = mEditor.Close(balanced);
    Log(event.time, "close " + std::to_string(mOpening) + ": result " + ResultText(closed) +
                      (balanced ? "" : ", view container references UNBALANCED"));
    if (closed != AAX_SUCCESS || !balanced)
      Fail("close " + std::to_string(mOpening) + " failed");
    mOpening = static_cast<int>(event.index);
    Open(event.time);
  }

  void TakePicture(const ScriptEvent& event)
  {
    std::string error;
    const std::string& file = mScript.pictures[event.index].second;
    if (WriteEditorPicture(mEditor, file, error))
      Log(event.time, "png: " + file);
    else
    {
      Log(event.time, "png: " + error);
      Fail(error);
    }
  }

  // Every script event up to `time`, each at its own time, then the main thread up to `time`.
  void EventsUntil(double time)
  {
    for (; mNext < mEvents.size() && mEvents[mNext].time <= time; ++mNext)
    {
      const ScriptEvent& event = mEvents[mNext];
      RunTo(event.time);
      switch (event.kind)
      {
        case ScriptEvent::kReopen: Reopen(event); break;
        case ScriptEvent::kInput:
          Log(event.time, "input: " + ReplayEditorInput(mEditor.EditorView(), DrawScaleOf(mEditor),
                                                        mScript.inputs[event.index]));
          break;
        case ScriptEvent::kPicture: TakePicture(event); break;
      }
    }
    RunTo(time);
  }

  // On the virtual clock that follows the audio: the main thread catches up with each block
  // before it is rendered. The clock runs on from where it was when the transport locates: the
  // file's time minus the ground the locates skipped (or went back).
  void PlayDeterministically()
  {
    double skipped = 0.0;
    while (!mRender.Done() && mResult.ok)
    {
      const double time = mRender.Time();
      EventsUntil(time - skipped);
      const TransportMove move = mScript.boundary ? mScript.boundary(time) : TransportMove();
      if (move.kind == TransportMove::kStop)
        break;
      if (move.kind == TransportMove::kLocate)
      {
        mRender.Locate(move.time);
        skipped += mRender.Time() - time;
        continue;
      }
      std::string error;
      if (!mRender.RenderNext(error))
        Fail(error);
    }
    if (mResult.ok)
      EventsUntil(mRender.Time() - skipped);
  }

  // The host's audio clock on its own thread: each block is started at its time on the file's
  // clock (or at once when late), a locate the main thread asked for taken between blocks.
  void DriveAudio()
  {
    double deadline = 0.0; // on the main thread's clock
    double skipped = 0.0;
    while (!mRender.Done() && !mStopped.load())
    {
      const double to = mLocate.exchange(-1.0);
      if (to >= 0.0)
      {
        const double from = mRender.Time();
        mRender.Locate(to);
        skipped += mRender.Time() - from;
      }
      const double time = mRender.Time();
      mPlaying = time;
      const double blockStart = time - skipped;
      const double wait = blockStart - Now();
      if (wait > 0.0)
        std::this_thread::sleep_for(std::chrono::duration<double>(wait));
      deadline = std::max(deadline, blockStart) + mRender.NextBlockSeconds();
      if (!mRender.RenderNext(mRenderError))
        break;
      if (Now() > deadline)
        ++mMissed;
    }
    mDone = true;
  }

  // About as often as a host's automation reaches a plug-in: once per short block.
  void PostAutomation()
  {
    while (!mDone.load())
    {
      mRender.PostAutomation(mPlaying.load());
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // At the file's pace on live threads: the audio and automation threads run while the main
  // thread takes its turns, about every 5 ms and at the script's times.
  void PlayInRealTime()
  {
    std::thread audio([this] { DriveAudio(); });
    std::thread automation;
    if (!mRender.Automations().empty())
      automation = std::thread([this] { PostAutomation(); });
    while (!mDone.load())
    {
      const double turn = Now() + 0.005;
      EventsUntil(mNext < mEvents.size() ? std::min(turn, mEvents[mNext].time) : turn);
      const TransportMove move = mScript.boundary ? mScript.boundary(mPlaying.load()) : TransportMove();
      if (move.kind == TransportMove::kStop)
        mStopped = true;
      else if (move.kind == TransportMove::kLocate)
        mLocate = std::max(move.time, 0.0);
    }
    audio.join();
    if (automation.joinable())
      automation.join();
    if (!mRenderError.empty())
      Fail(mRenderError);
    mResult.missedDeadlines = mMissed.load();
    if (mResult.ok)
      EventsUntil(Now());
  }

  EditorSession& mEditor;
  PluginInstance& mInstance;
  FileRender& mRender;
  const PlaybackScript& mScript;
  standin::RunLoop& mLoop;
  const nanoseconds mStart;
  const std::vector<ScriptEvent> mEvents;
  size_t mNext = 0;  // the next event to run
  int mOpening = 1;  // the editor's current opening, counted from 1
  PlaybackResult mResult;
  // Shared with the audio and automation threads of a real-time playback.
  std::atomic<bool> mDone{false}, mStopped{false};
  std::atomic<double> mLocate{-1.0}; // a locate the main thread asked for, taken between blocks
  std::atomic<double> mPlaying{0.0};
  std::atomic<size_t> mMissed{0};
  std::string mRenderError; // written by the audio thread, read after it has ended
};
} // namespace

PlaybackResult PlayWithEditor(EditorSession& editor, PluginInstance& instance, FileRender& render,
                              const PlaybackScript& script)
{
  return Playback(editor, instance, render, script).Run();
}
} // namespace aaxhost
