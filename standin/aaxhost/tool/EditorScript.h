// Scripted user input for an open editor: clicks, drags, wheel turns, keys and typed text at
// points in editor coordinates, read from the command line and replayed through the AppKit
// stand-in's user input on the host window, so that a whole interaction can be repeated.
#pragma once

#include "standin/foundation/RunLoop.h"

#include <string>
#include <vector>

class NSView;

namespace aaxhost
{
struct EditorInput
{
  enum EKind
  {
    kClick,
    kRightClick,
    kDoubleClick,
    kDrag,
    kMove,
    kWheel,
    kKey,
    kType,
    kMenu
  };
  EKind kind = kClick;
  double x = 0, y = 0;   // editor coordinates
  double x2 = 0, y2 = 0; // drag: where it ends
  double delta = 0;      // wheel: lines (positive turns up)
  std::string text;      // key: a name or one character; type: the text
  unsigned long flags = 0; // modifier flags held (AppKit's bits)
  std::vector<int> path;   // menu: the item indexes (through submenus) the next menu answers with
  // menu: when the answer comes from inside the menu's loop (UserInput.h); none given: after
  // the stand-in's answer delay.
  bool delayed = false;
  standin::RunLoopDelay delay;
  double at = 0.0; // with audio: when it happens, in seconds from the start of the file
};

// The option's kind by its name ("--click", ...); false for another option.
bool EditorInputKind(const std::string& option, EditorInput::EKind& kind);
// Reads an option's value into the step (kind already set):
//   click, right-click, double-click, move: [MODS+]X,Y
//   drag: [MODS+]X,Y:X2,Y2      wheel: [MODS+]X,Y:DELTA
//   key: X,Y:[MODS+]KEY         type: X,Y:TEXT
//   menu: I[,I...] (item indexes through submenus; "-" dismisses)
// MODS are cmd, shift, alt (or opt) and ctrl joined by '+'. KEY is one character or a name:
// Return, Tab, Space, Delete, Escape, Enter (keypad), ForwardDelete, Home, End, PageUp,
// PageDown, Left, Right, Up, Down, F1 to F12. False with the error when it cannot be read.
bool ParseEditorInput(const std::string& value, EditorInput& step, std::string& error);

// What the step does, as the report names it ("click 5,5 +alt").
std::string DescribeEditorInput(const EditorInput& step);

// Delivers the step to the window of the editor's view; the draw scale turns editor
// coordinates into the view's points. A short description of what was done.
std::string ReplayEditorInput(NSView* editorView, float drawScale, const EditorInput& step);
} // namespace aaxhost
