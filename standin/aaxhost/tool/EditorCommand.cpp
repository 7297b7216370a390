// aaxhost editor: an instance's editor opened and closed in a host window, input replayed and
// pictures taken; with audio files, while the file renders through the instance.

#include "standin/aaxhost/tool/Commands.h"

#include "aax/library/AAX_CEffectParameters.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/EditorPlayback.h"
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/aaxhost/tool/InstanceSetup.h"
#include "standin/aaxhost/tool/OutputFile.h"
#include "standin/aaxhost/tool/ParameterText.h"
#include "standin/aaxhost/tool/RenderJob.h"
#include "standin/appkit/UserInput.h"
#include "standin/foundation/RunLoop.h"
#include "standin/metal/QuartzCore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace aaxhost
{
namespace
{
// The parameter an editor session highlights: the one asked for, else the first that is not
// the bypass; "" when there is none. False (printed) when the one asked for is unknown.
bool HighlightParameter(const PluginInstance& instance, const Options& options, std::string& id)
{
  id.clear();
  if (!options.highlight.empty())
  {
    id = ResolveParameter(instance, options.highlight);
    return !id.empty();
  }
  for (const ParameterInfo& info : instance.Parameters())
    if (info.id != AAX_kMasterBypassID)
    {
      id = info.id;
      break;
    }
  return true;
}

// "ViewContainer.GetPtr x2, ..." in the order the calls were first made.
std::vector<std::pair<std::string, int>> CountCalls(const std::vector<std::string>& calls)
{
  std::vector<std::pair<std::string, int>> counts;
  for (const std::string& call : calls)
  {
    auto it = std::find_if(counts.begin(), counts.end(), [&call](const auto& c) { return c.first == call; });
    if (it == counts.end())
      counts.emplace_back(call, 1);
    else
      ++it->second;
  }
  return counts;
}

// Runs the main run loop for n frames of 60 per second, serving the host's timer between.
void RunFrames(PluginInstance& instance, int n)
{
  for (int i = 0; i < n; ++i)
  {
    standin::RunLoop::Main().RunForMs(1000.0 / 60.0);
    instance.ServeMainThread();
  }
}

// The last opening's work: the input replayed, the parameters it changed as the host sees
// them, and the picture. False when the picture cannot be had or written.
bool ReplayAndPicture(EditorSession& editor, PluginInstance& instance, const Options& options)
{
  NSView* view = editor.EditorView();
  AAX_Point size;
  editor.ReportSize(size);
  const float drawScale = view && size.horz > 0 ? static_cast<float>(view->frame().size.width / size.horz) : 1.f;

  std::vector<std::pair<ParameterInfo, std::string>> before;
  for (const ParameterInfo& info : instance.Parameters())
    before.emplace_back(info, instance.ParameterText(info.id));
  for (const EditorInput& step : options.inputs)
  {
    std::printf("  input: %s\n", ReplayEditorInput(view, drawScale, step).c_str());
    RunFrames(instance, 1);
  }
  if (!options.inputs.empty())
  {
    instance.Settle();
    int changes = 0;
    for (const auto& entry : before)
    {
      const std::string now = instance.ParameterText(entry.first.id);
      if (now != entry.second)
        std::printf("  parameter %s \"%s\": %s -> %s\n", entry.first.id.c_str(), entry.first.name.c_str(),
                    entry.second.c_str(), now.c_str()), ++changes;
    }
    std::printf("  parameters changed by the input: %d\n", changes);
    // What the host settled reaches the editor at its next idle turn and shows at the frame
    // after; two frames' time holds at least one tick of the editor's frame timer however
    // late the loop comes round, so the picture shows the input's outcome.
    RunFrames(instance, 2);
  }
  if (!options.pngFile.empty())
  {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    if (!view || !view->layer() || !view->layer()->CopyContentsRGBA(width, height, rgba))
      return std::printf("  png: the editor shows no picture\n"), false;
    std::string error;
    if (!WritePictureFile(options.pngFile, width, height, rgba, error))
      return std::printf("  png: %s\n", error.c_str()), false;
    std::printf("  png: %s, %d x %d pixels (draw scale %g, screen scale %g)\n", options.pngFile.c_str(), width,
                height, drawScale, options.screenScale);
  }
  return true;
}

// The host's record of the plug-in's gestures, with their times on the file's clock.
void PrintGestures(const PluginInstance& instance)
{
  const AutomationDelegate& delegate = instance.GetInstanceHost()->Automation();
  const std::vector<GestureRecord> gestures = delegate.Gestures();
  std::printf("host gestures: %llu (touch, set and release requests)\n",
              static_cast<unsigned long long>(delegate.GestureCount()));
  if (delegate.GestureCount() > gestures.size())
    std::printf("  (only the newest %zu were kept)\n", gestures.size());
  for (const GestureRecord& gesture : gestures)
  {
    const std::string name = InfoOf(instance, gesture.id).name;
    if (gesture.kind == GestureRecord::kSet)
      std::printf("  %8.3f s  set %s \"%s\" = %.6f (%s)\n", gesture.time, gesture.id.c_str(), name.c_str(),
                  gesture.value, instance.FormatText(gesture.id, gesture.value).c_str());
    else
      std::printf("  %8.3f s  %s %s \"%s\"\n", gesture.time, gesture.kind == GestureRecord::kTouch ? "touch" : "release",
                  gesture.id.c_str(), name.c_str());
  }
}

// The end of an editor session, the same in both forms of the command: the editor closed
// giving back every reference it took to the view container, then released with its last
// reference, and the host's own references back at the counts they had when the session
// began. Each check prints its line and answers whether it held.
class EditorReferenceChecks
{
public:
  explicit EditorReferenceChecks(const Host& host)
    : mHost(host)
    , mCountsBefore(host.RefCounts())
  {
  }

  // Closes the editor when it is open: "WHAT: result R, view container references balanced".
  bool Close(EditorSession& editor, const std::string& what) const
  {
    bool balanced = true;
    const AAX_Result result = editor.IsOpen() ? editor.Close(balanced) : AAX_SUCCESS;
    std::printf("%s: result %s%s\n", what.c_str(), ResultText(result).c_str(),
                balanced ? ", view container references balanced" : ", view container references UNBALANCED");
    return result == AAX_SUCCESS && balanced;
  }

  // Releases the editor, which must go with its last reference.
  bool Release(EditorSession& editor) const
  {
    const bool gone = editor.Destroy();
    std::printf("editor: released%s\n", gone ? "" : ", but still referenced");
    return gone;
  }

  bool HostReferencesBalanced() const
  {
    const bool balanced = mHost.RefCounts() == mCountsBefore;
    std::printf("host references: %s\n", balanced ? "balanced" : "UNBALANCED");
    return balanced;
  }

private:
  const Host& mHost;
  const std::vector<int32_t> mCountsBefore;
};

// The host's clock for the plug-in's gestures while a file plays with the editor open: the
// main run loop's time since the playing began. The delegate goes back to no clock when this
// goes, however the command leaves.
class GestureClock
{
public:
  GestureClock(AutomationDelegate& delegate, standin::RunLoop& loop)
    : mDelegate(delegate)
  {
    const std::chrono::nanoseconds start = loop.Now();
    mDelegate.SetClock([&loop, start] { return std::chrono::duration<double>(loop.Now() - start).count(); });
  }
  ~GestureClock() { mDelegate.SetClock(nullptr); }
  GestureClock(const GestureClock&) = delete;
  GestureClock& operator=(const GestureClock&) = delete;

private:
  AutomationDelegate& mDelegate;
};
} // namespace

int CommandEditor(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  if (const int failure = PrepareInstance(instance, options))
    return failure;
  std::string highlight;
  if (!HighlightParameter(instance, options, highlight))
    return kExitFailed;

  bool failed = false;
  auto report = [&failed](const char* what, AAX_Result result, const char* note = "") {
    std::printf("%s: result %s%s\n", what, ResultText(result).c_str(), note);
    failed = failed || result != AAX_SUCCESS;
  };
  auto reportSize = [&](EditorSession& editor, const char* when) {
    AAX_Point size;
    const AAX_Result result = editor.ReportSize(size);
    std::printf("editor size%s: %.0f x %.0f, result %s\n", when, size.horz, size.vert, ResultText(result).c_str());
    failed = failed || result != AAX_SUCCESS;
  };

  const EditorReferenceChecks checks(host);
  host.Context().ClearCalls();
  standin::appkit::SetMainScreen(NSScreen::mainScreen()->frame(), options.screenScale);
  {
    EditorSession editor(host, instance);
    if (!editor.Create())
      return std::printf("error: %s\n", editor.Error().c_str()), kExitFailed;
    report("editor: made by the editor factory, Init", editor.InitResult());
    reportSize(editor, "");
    auto setHighlight = [&](bool on) {
      if (highlight.empty())
        return;
      const AAX_Result result = editor.Highlight(highlight, on, options.highlightColour.value_or(0));
      const std::string colour =
        on && options.highlightColour ? " in colour " + std::to_string(*options.highlightColour) : "";
      // The answer while the plug-in has no editor open: nothing could be highlighted.
      std::printf("  highlight %s \"%s\" %s%s: %s\n", highlight.c_str(), InfoOf(instance, highlight).name.c_str(),
                  on ? "on" : "off", colour.c_str(),
                  result == AAX_ERROR_INVALID_PARAMETER_ID ? "the plug-in has no editor open"
                                                           : ("result " + ResultText(result)).c_str());
      failed = failed || (result != AAX_SUCCESS && result != AAX_ERROR_INVALID_PARAMETER_ID);
    };
    for (int i = 1; i <= options.opens; ++i)
    {
      const std::string open = "open " + std::to_string(i);
      report(open.c_str(), editor.Open());
      // With a colour asked for, the last opening is highlighted before its frames, so they
      // and the picture show the highlight.
      const bool last = i == options.opens;
      const bool highlightedFrames = last && options.highlightColour.has_value();
      if (highlightedFrames)
        setHighlight(true);
      // The main thread's turns: the editor's frame timer and the idle hook run with the editor
      // open.
      instance.ServeMainThread();
      RunFrames(instance, options.frames);
      if (last)
        failed = !ReplayAndPicture(editor, instance, options) || failed;
      if (!highlightedFrames)
        setHighlight(true);
      setHighlight(false);
      failed = !checks.Close(editor, "close " + std::to_string(i)) || failed;
    }
    reportSize(editor, " after closing");
    failed = !checks.Release(editor) || failed;
  }
  const auto calls = CountCalls(host.Context().Calls());
  std::printf("host calls during the session: %zu\n", host.Context().CallCount());
  for (const auto& call : calls)
    std::printf("  %s x%d\n", call.first.c_str(), call.second);
  const bool balanced = checks.HostReferencesBalanced();
  // Whether the host learnt every value the input left (last: finding out loads the plug-in's
  // state back, which tells the host every value).
  if (!options.inputs.empty())
    PluginValues(instance, true);
  return failed || !balanced ? kExitFailed : kExitOK;
}

int CommandEditorWithAudio(const Collection& collection, Host& host, const Options& options)
{
  // Before the instance: the plug-in starts its editor timer in its constructor.
  if (!PrepareHostForPlayback(options.realtime))
    return std::printf("error: the main run loop cannot take the %s clock\n", options.realtime ? "real" : "virtual"),
           kExitFailed;
  PluginInstance instance(host, *collection.Effects().front().second);
  RenderJob job;
  // The openings are spread over the file: its length first.
  if (const int failure = PrepareRenderJob(instance, options, job, true))
    return failure;
  std::string highlight;
  if (!HighlightParameter(instance, options, highlight))
    return kExitFailed;
  AudioWriter output;
  if (const int failure = OpenRenderOutput(instance, job, options, output))
    return failure;

  bool failed = false;
  const EditorReferenceChecks checks(host);
  standin::appkit::SetMainScreen(NSScreen::mainScreen()->frame(), options.screenScale);
  const GestureClock clock(instance.GetInstanceHost()->Automation(), standin::RunLoop::Main());
  PlaybackResult result;
  {
    EditorSession editor(host, instance);
    if (!editor.Create())
      return std::printf("error: %s\n", editor.Error().c_str()), kExitFailed;
    std::printf("editor: made by the editor factory, Init: result %s\n", ResultText(editor.InitResult()).c_str());
    FileRender render(instance, host, std::move(job.input), output, job.Settings(options), job.automations);
    if (options.offline)
      instance.Notify(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0);
    PlaybackScript script;
    script.opens = options.opens;
    script.inputs = options.inputs;
    script.pictures = options.pictures;
    script.realtime = options.realtime;
    script.log = [](const std::string& line) { std::printf("  %s\n", line.c_str()); };
    script.opened = [&](EditorSession& session, int) {
      if (highlight.empty())
        return;
      for (bool on : {true, false})
      {
        const AAX_Result r = session.Highlight(highlight, on, options.highlightColour.value_or(0));
        failed = failed || (r != AAX_SUCCESS && r != AAX_ERROR_INVALID_PARAMETER_ID);
      }
    };
    std::printf("playing %.3f s with the editor open (%s)\n", render.Seconds(),
                options.realtime ? "real time, live threads" : "deterministic, on the virtual clock");
    result = PlayWithEditor(editor, instance, render, script);
    if (!result.ok)
      std::printf("error: %s\n", result.error.c_str());
    if (result.ok && !options.pngFile.empty())
    {
      std::string error;
      if (WriteEditorPicture(editor, options.pngFile, error))
        std::printf("  png: %s\n", options.pngFile.c_str());
      else
        std::printf("  png: %s\n", error.c_str()), failed = true;
    }
    failed = !checks.Close(editor, "close") || failed;
    failed = !checks.Release(editor) || failed;
    if (options.offline)
      instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);
    if (options.realtime)
      std::printf("missed deadlines: %zu of %zu blocks\n", result.missedDeadlines, render.Blocks());
    PrintGestures(instance);
    if (!result.ok)
      return kExitFailed;
    failed = FinishRender(instance, render, options) != kExitOK || failed;
  }
  const bool balanced = checks.HostReferencesBalanced();
  return failed || !balanced ? kExitFailed : kExitOK;
}
} // namespace aaxhost
