#pragma once
// The one way from outside into an editor context.
//
// Every call that reaches an editor context from outside it comes in through EditorEntry: the
// view's event, window and appearance handlers, the text field's delegate, the colour panel,
// the frame timer and the editor timer, the deferred blocks, the panels' completions and the
// host's key calls. EditorEntry::Enter, and nothing else:
//  - does not enter a context that is not there (the view has let go of it, a handle has
//    expired) or that is closed;
//  - runs the call inside a dispatch scope of the context (IGraphics::DispatchScope, which only
//    EditorEntry can make);
//  - ends there any exception the editor's code throws (GuardedCall), which never reaches the
//    host.
// Platform work that needs no context (a window's set-up, tracking areas, ending the text
// field) stays outside the call, under GuardedCall alone.
//
// The rule the scope keeps: whatever the host does inside a call the editor makes, nothing
// returns into freed memory. Inside any such call (a control's alert or menu loop, a modal
// panel, the host's own parameter-click handling, a resize request, the touch, set and release
// requests of a parameter gesture or of a preset load) the host may close the editor, move it
// to another view container, uninitialise the instance, or destroy the whole instance.
//  - A close marks the context closed at once: its window goes, nothing draws, its handles
//    expire. The delegate deletes it, with its controls, only when the outermost scope ends.
//  - A move closes the context's view and gives the same open context a new one: the old view
//    lets go of the context, and a pass that began in the old view goes on only while the
//    context is open and that view still serves it (IGraphicsView::render).
//  - Every scope counts itself on the delegate (IGEditorDelegate::HandlerEntered and
//    HandlerLeft), and the binding holds a release to zero until the last scope has ended; that
//    scope runs the deletion and touches nothing after it.
//  - An Uninit inside a scope takes the instance's host parameters away at once, from the
//    instance and from the host (each unregistered, so that an Init there starts clean), but
//    the binding keeps the parameters and host wrappers it took away until the last scope ends
//    (IGEditorDelegate::OnLastHandlerLeaving, which runs whether or not a deletion follows):
//    a request still in a parameter's call returns into live objects, and what it sends on its
//    way out reaches nothing.
//  - After any call that can run a nested loop, dispatch takes the control back through
//    IGraphics::ControlAfter, which hands back null once the control went or the editor closed.
//    A control that went is touched no more and the rest of the event goes on; a closed editor
//    ends the event, and dispatch then touches nothing more.
//  - Every nested loop the platform starts (an alert, a modal panel, a native menu) begins with
//    IGraphics::CheckNestedLoopInDispatch, which in builds with assertions reports a loop started
//    outside any scope.
// Beyond this rule: the host's view-container wrapper is deleted while its own
// HandleParameterMouseDown is still on the stack, and survives only because it touches nothing
// after that call; and a host that unloads the bundle while plug-in code is on the stack is
// beyond anything here can guard.
//
// Everything runs on the editor's main thread.

#include <memory>
#include <type_traits>
#include <utility>

#include "graphics/GuardedCall.h"
#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// A context held by something that may outlive it (a deferred block, a sheet's completion):
// it gives the context back only while it is open.
template <typename G>
class EditorHandle
{
public:
  EditorHandle() = default;
  explicit EditorHandle(G& graphics) : mCell(graphics.LiveCell())
  {
    static_assert(std::is_base_of<IGraphics, G>::value, "a handle is of an editor context");
  }
  // Null once the context closed or went.
  G* Get() const
  {
    const std::shared_ptr<IGraphics* const> cell = mCell.lock();
    return cell ? static_cast<G*>(*cell) : nullptr;
  }

private:
  std::weak_ptr<IGraphics* const> mCell;
};

class EditorEntry
{
public:
  // f(graphics) inside a dispatch scope when the context is there and open; else nothing.
  template <typename G, typename F>
  static void Enter(G* pGraphics, F&& f, const char* function = __builtin_FUNCTION(),
                    const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept
  {
    GuardedCall(
      [&] {
        if (!Open(pGraphics))
          return;
        const IGraphics::DispatchScope scope(pGraphics);
        f(*pGraphics);
      },
      function, file, line);
  }

  // The same, giving back what f returns, or fallback when the context is not entered or f
  // throws.
  template <typename R, typename G, typename F>
  static R Enter(R fallback, G* pGraphics, F&& f, const char* function = __builtin_FUNCTION(),
                 const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept
  {
    return GuardedCall<R>(
      fallback,
      [&]() -> R {
        if (!Open(pGraphics))
          return fallback;
        const IGraphics::DispatchScope scope(pGraphics);
        return f(*pGraphics);
      },
      function, file, line);
  }

  template <typename G, typename F>
  static void Enter(const EditorHandle<G>& handle, F&& f, const char* function = __builtin_FUNCTION(),
                    const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept
  {
    Enter(handle.Get(), std::forward<F>(f), function, file, line);
  }

  // f() always, inside a dispatch scope when the context is there and open: for work that must
  // be done with or without an editor (the editor timer's queues) and reaches the editor only
  // when one is there.
  template <typename G, typename F>
  static void Run(G* pGraphics, F&& f, const char* function = __builtin_FUNCTION(),
                  const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept
  {
    GuardedCall(
      [&] {
        const IGraphics::DispatchScope scope(Open(pGraphics) ? pGraphics : nullptr);
        f();
      },
      function, file, line);
  }

private:
  template <typename G>
  static bool Open(G* pGraphics)
  {
    static_assert(std::is_base_of<IGraphics, G>::value, "the way in is into an editor context");
    return pGraphics && !pGraphics->IsClosed();
  }
};

} // namespace igraphics
} // namespace plug
