#pragma once
// The AppKit stand-in's process-wide state, shared by its sources (not part of its
// interface).
#include "standin/appkit/UserInput.h"

#include <deque>
#include <string>
#include <vector>

// At the start of every entry point of the user-interface classes (views, windows, the
// application, responders, controls and text, menus, alerts and panels, cursors): the
// platform's main-thread checker.
#define STANDIN_MAIN_THREAD_ONLY() standin::MainThreadOnly(__PRETTY_FUNCTION__)

namespace standin::appkit::detail {

extern const char* const kDefaultCursorFolder;

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
  std::deque<std::vector<int>> menuAnswers;
  AlertResponder alertResponder;
  std::deque<int> alertAnswers;
  PanelResponder panelResponder;
  std::deque<std::string> panelAnswers;

  std::vector<WorkspaceRequest> workspace;
  NSDraggingSession* dragSession = nullptr; // retained
};

State& TheState();

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
