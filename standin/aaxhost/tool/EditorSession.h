// The editor of one plug-in instance as a host drives it: the editor object the bundle's GUI
// factory makes, initialised with a host object that leads to the instance (EditorHost),
// opened in a host view container over a native view and closed again, asked for its size
// and to highlight parameters. Every step runs on the calling thread, the host's main thread.
//
// The native view is the content view of a host window of the AppKit stand-in (made at the
// first opening, sized to the editor's view once it is open): the editor adds its view there,
// draws into it when the main run loop runs its frame timer, and receives the events that the
// stand-in's user input delivers to the window.
#pragma once

#include "aax/interfaces/AAX_IEffectGUI.h"
#include "standin/aaxhost/tool/PluginInstance.h"
#include "standin/appkit/Window.h"

#include <string>

namespace aaxhost
{
class EditorHost;

class EditorSession
{
public:
  EditorSession(Host& host, PluginInstance& instance);
  // Closes and releases the editor (Destroy).
  ~EditorSession();
  EditorSession(const EditorSession&) = delete;
  EditorSession& operator=(const EditorSession&) = delete;

  // Makes the editor object with the effect's GUI factory and initialises it. False, with
  // Error() saying why, when the effect offers no factory, the factory makes nothing or the
  // object offers no effect-GUI interface; InitResult() is Init's answer.
  bool Create();
  const std::string& Error() const { return mError; }
  AAX_Result InitResult() const { return mInitResult; }

  // The size the editor reports (height in vert, width in horz).
  AAX_Result ReportSize(AAX_Point& size);
  // A new view container over the native view, handed to the editor.
  AAX_Result Open();
  // The container taken away again; the host then lets go of it. balanced: whether the
  // editor gave back every reference it took to the container.
  AAX_Result Close(bool& balanced);
  bool IsOpen() const { return mContainer != nullptr; }
  AAX_Result Highlight(const std::string& id, bool on, int32_t colour);
  // The container of the open editor, null while closed.
  ViewContainer* Container() const { return mContainer; }
  // The host window the editor opens in (null before the first opening), and the editor's
  // view in it (null while closed, or when the editor added none).
  NSWindow* Window() const { return mWindow; }
  NSView* EditorView() const;

  // Uninit and release. The object must go with the last reference: false when it did not.
  bool Destroy();

private:
  Host& mHost;
  PluginInstance& mInstance;
  AAX_IEffectGUI* mGUI = nullptr; // one reference
  EditorHost* mEditorHost = nullptr;
  ViewContainer* mContainer = nullptr;
  AAX_Result mInitResult = AAX_ERROR_NOT_INITIALIZED;
  std::string mError;
  NSWindow* mWindow = nullptr; // one reference
};
} // namespace aaxhost
