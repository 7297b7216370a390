#pragma once
// The AppKit stand-in's process-wide state, shared by its sources (not part of its
// interface).
#include "standin/appkit/UserInput.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

// At the start of every entry point of the user-interface classes (views, windows, the
// application, responders, controls and text, menus, alerts and panels, cursors): the
// platform's main-thread checker.
#define STANDIN_MAIN_THREAD_ONLY() standin::MainThreadOnly(__PRETTY_FUNCTION__)

namespace standin::appkit::detail {

extern const char* const kDefaultCursorFolder;

// An answer queued by the host, with the delay it arrives after (none: the answer delay).
template <class T>
struct Scripted
{
  T answer;
  std::optional<standin::RunLoopDelay> delay;
};

struct State
{
  // The machine.
  NSRect screenFrame = NSMakeRect(0, 0, 1920, 1080);
  CGFloat screenScale = 1.0;
  int versionMajor = 10;
  int versionMinor = 15;
  bool dark = false;
  bool privateCursors = true;
  std::string cursorFolder = kDefaultCursorFolder;

  // The mouse and the cursor.
  NSPoint mouseLocation;
  CursorState cursor;

  // Windows alive, in order of creation.
  std::vector<NSWindow*> windows;
  NSInteger nextWindowNumber = 1;
  NSWindow* keyWindow = nullptr;

  long beeps = 0;
  long unhandledKeys = 0;
  long menus = 0;
  long alerts = 0;
  long panels = 0;

  MenuResponder menuResponder;
  std::deque<Scripted<std::vector<int>>> menuAnswers;
  AlertResponder alertResponder;
  std::deque<Scripted<int>> alertAnswers;
  PanelResponder panelResponder;
  std::deque<Scripted<std::string>> panelAnswers;
  standin::RunLoopDelay answerDelay;     // of answers without one of their own
  standin::RunLoopDelay completionDelay; // of a sheet's end

  std::vector<WorkspaceRequest> workspace;
  NSDraggingSession* dragSession = nullptr; // retained
};

State& TheState();

// The nested loop in which the user answers a menu (event-tracking mode) or a modal run
// (modal-panel mode): takes the first queued answer, if any, runs the main loop in the mode
// for its delay (or the answer delay) and hands it out; false when none was queued, and the
// caller asks its responder, the delay over.
template <class T>
bool AwaitAnswer(std::deque<Scripted<T>>& queue, unsigned mode, T& answer)
{
  std::optional<Scripted<T>> scripted;
  if (!queue.empty())
  {
    scripted = std::move(queue.front());
    queue.pop_front();
  }
  const standin::RunLoopDelay delay = scripted && scripted->delay ? *scripted->delay : TheState().answerDelay;
  standin::RunLoop::Main().RunNested(mode, delay);
  if (!scripted)
    return false;
  answer = std::move(scripted->answer);
  return true;
}

// Every window forgets the mouse button held (a menu or a modal panel took the mouse).
void ForgetMouseButtons();
// Applies the system version to NSAppKitVersionNumber.
void ApplySystemVersion();
// Points a retaining field at the value: retains the value and releases what the field held.
template <class T>
void Assign(T*& field, T* value)
{
  if (value == field)
    return;
  if (value)
    value->retain();
  if (field)
    field->release();
  field = value;
}
// Replaces an owned string field with a copy of the text ("" for null).
void SetText(NSString*& field, const NSString* text);
// A new autoreleased string of the text.
NSString* Str(const std::string& text);
// A new autoreleased array of new strings of the texts.
NSArray* StringArray(const std::vector<std::string>& texts);
// The text of a string, "" for null.
std::string Text(const NSString* string);

} // namespace standin::appkit::detail
