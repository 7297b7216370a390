#pragma once
// The host side of the AppKit stand-in: what the machine is like and what the user does.
// Tests and the aaxhost tool use it to set the screen, the system version and appearance and
// the cursors present; to deliver mouse, scroll, key and drop events to a window; and to
// answer the menus, alerts and panels that the plug-in opens. Everything here runs on the
// main thread. Reset restores the machine and forgets every answer and record.
#include "standin/appkit/Menu.h"
#include "standin/appkit/Panels.h"
#include "standin/appkit/Pasteboard.h"
#include "standin/appkit/Window.h"
#include "standin/foundation/RunLoop.h"

#include <functional>
#include <string>
#include <vector>

namespace standin::appkit {

// -- the machine --

// The defaults below, empty pasteboards, no answers queued, no responders, zero counts, the
// cursor shown and the arrow set, the mouse at (0, 0), no drag.
void Reset();

// The main screen: frame in screen coordinates (default 0, 0, 1920 × 1080) and backing
// scale (default 1). Windows that follow the screen's scale hear the change.
void SetMainScreen(NSRect frame, CGFloat backingScale);
// The system's version (default 10.15): the application-kit version number, Gestalt's
// answer and the platform's availability checks follow it.
void SetSystemVersion(int major, int minor);
bool IsSystemVersionAtLeast(int major, int minor);
// The system's appearance (default light); views whose effective appearance changes hear
// viewDidChangeEffectiveAppearance.
void SetSystemAppearanceDark(bool dark);
// Whether NSCursor's private methods exist (default yes).
void SetPrivateCursorsAvailable(bool available);
bool PrivateCursorsAvailable();
// The folder of the system's cursor files, ending in "/": by default the one inside the
// ApplicationServices framework; tests point it at a folder of their own.
void SetSystemCursorFolder(const std::string& folder);
std::string SystemCursorFolder();

// -- what the machine shows and records --

struct CursorState
{
  std::string name = "arrowCursor"; // of the cursor set last (NSCursor::Name, "" for one made here)
  NSPoint hotSpot;          // of the cursor set last
  NSSize imageSize;         // of its image, in points
  size_t representations = 0; // of its image
  int hideLevel = 0;        // hides not yet shown again
  bool associated = true;   // mouse and cursor move together
  long warps = 0;           // moves by CGDisplayMoveCursorToPoint
  bool helpMode = false;
};
CursorState Cursor();

struct WorkspaceRequest
{
  std::string kind;   // "openURL", "openFile", "selectFile"
  std::string target; // the URL text or path
  std::string root;   // selectFile's root folder
  bool answer;
};
const std::vector<WorkspaceRequest>& WorkspaceRequests();

// The drag in progress out of a view, or null; ending it is what the mouse button going up
// does.
NSDraggingSession* CurrentDraggingSession();
void EndDraggingSession();

// -- the user: pointer, keys, drops --

// A point of the view in its window's coordinates (the helpers below take those).
NSPoint InWindow(const NSView* view, NSPoint point);

struct MouseOptions
{
  NSEventModifierFlags flags = 0;
  NSInteger clickCount = 1;
  bool tablet = false; // tablet-point subtype
};
// Delivers one mouse event (the mouse goes to the point first) through NSApp.
void PostMouse(NSWindow* window, NSEventType type, NSPoint point, const MouseOptions& options = {});
void Click(NSWindow* window, NSPoint point, const MouseOptions& options = {});
void RightClick(NSWindow* window, NSPoint point, const MouseOptions& options = {});
// Left button down at from, steps drags on the way to `to`, up at `to`.
void Drag(NSWindow* window, NSPoint from, NSPoint to, int steps = 4, const MouseOptions& options = {});
void MoveMouse(NSWindow* window, NSPoint point, NSEventModifierFlags flags = 0);
void Scroll(NSWindow* window, NSPoint point, CGFloat deltaY, CGFloat deltaX = 0, NSEventModifierFlags flags = 0);

// Key codes of the US keyboard that have no character of their own.
enum : unsigned short
{
  kKeyReturn = 36,
  kKeyTab = 48,
  kKeySpace = 49,
  kKeyDelete = 51,
  kKeyEscape = 53,
  kKeyKeypadEnter = 76,
  kKeyForwardDelete = 117,
  kKeyLeftArrow = 123,
  kKeyRightArrow = 124,
  kKeyDownArrow = 125,
  kKeyUpArrow = 126,
};
// One key event; charactersIgnoringModifiers defaults to the characters.
void PostKey(NSWindow* window, NSEventType type, unsigned short keyCode, const std::string& characters,
             NSEventModifierFlags flags = 0, const std::string* charactersIgnoringModifiers = nullptr);
// Down and up.
void PressKey(NSWindow* window, unsigned short keyCode, const std::string& characters, NSEventModifierFlags flags = 0);
// Each character pressed on its key of the US keyboard, with shift for capitals and shifted
// symbols; "\r" and "\n" press Return, "\t" Tab, "\b" Delete. Other characters come with key
// code 0xFF.
void TypeText(NSWindow* window, const std::string& utf8);

// Drops the files at the point on the view under it that takes file names (it or a view
// around it): draggingEntered, then performDragOperation when it accepted. The answer of
// the latter; false when no view took the drag.
bool DropFiles(NSWindow* window, NSPoint point, const std::vector<std::string>& paths);
// The tool tip the system would show at the point: the text of the innermost tool-tip
// rectangle there ("" for none).
std::string ToolTipAt(NSWindow* window, NSPoint point);
// The user picks a colour in the shared colour panel: the panel takes it and sends its
// action to its target. False when the panel is not open.
bool PickColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);

// -- the user: menus, alerts, panels --

// Each asks, in order: the answers queued with AnswerNext..., then the responder set, then
// the default (a menu is dismissed, an alert gets its first button, a panel is cancelled).
//
// A menu's tracking and a modal run are nested loops of the main run loop (RunLoop.h): the
// menu's in the event-tracking mode, an alert's and a modal panel's in the modal-panel mode.
// The answer arrives from inside that loop once its delay is over: the delay queued with it,
// else the answer delay (default: one turn, no time); a responder is called at that point.
// On the virtual clock the delay's time passes at once, so runs stay deterministic. A sheet
// takes its answer when it ends, after the completion delay (default: one turn).
void SetAnswerDelay(const RunLoopDelay& delay);
void SetCompletionDelay(const RunLoopDelay& delay);

struct MenuRequest
{
  NSMenu* menu;
  NSMenuItem* positioningItem; // may be null
  NSPoint location;            // in the view's coordinates
  NSView* view;
};
// The item picked (in the menu or a submenu of it), or null to dismiss.
using MenuResponder = std::function<NSMenuItem*(const MenuRequest&)>;
void SetMenuResponder(MenuResponder responder);
// The item at the path of indexes (through submenus); an empty path dismisses.
void AnswerNextMenu(const std::vector<int>& path);
void AnswerNextMenu(const std::vector<int>& path, const RunLoopDelay& delay);
NSMenuItem* ItemAtPath(NSMenu* menu, const std::vector<int>& path);
long MenuCount();

struct AlertRequest
{
  NSAlert* alert;
};
// The return code of the button pressed (NSAlertFirstButtonReturn + index).
using AlertResponder = std::function<NSModalResponse(const AlertRequest&)>;
void SetAlertResponder(AlertResponder responder);
// The button of that index (0 the first).
void AnswerNextAlert(int buttonIndex);
void AnswerNextAlert(int buttonIndex, const RunLoopDelay& delay);
long AlertCount();

struct PanelRequest
{
  NSSavePanel* panel;
};
struct PanelAnswer
{
  NSModalResponse response = NSModalResponseCancel;
  std::string path; // for NSModalResponseOK
};
using PanelResponder = std::function<PanelAnswer(const PanelRequest&)>;
void SetPanelResponder(PanelResponder responder);
// OK with the path; an empty path cancels.
void AnswerNextPanel(const std::string& path);
// The delay counts for a modal run; a sheet's answer comes with the completion delay.
void AnswerNextPanel(const std::string& path, const RunLoopDelay& delay);
long PanelCount();

} // namespace standin::appkit
