// The editor of one plug-in instance as a host drives it: the editor object the bundle's GUI
// factory makes, initialised with a host object that leads to the instance (EditorHost),
// opened in a host view container over a native view and closed again, asked for its size
// and to highlight parameters. Every step runs on the calling thread, the host's main thread.
//
// The native view is a placeholder the host owns: with no platform view to draw into, the
// editor opens and closes for real but shows nothing. A platform stand-in later gives the
// session a real view to open in (and with it pictures and input).
#pragma once

#include "aax/interfaces/AAX_IEffectGUI.h"
#include "standin/aaxhost/tool/PluginInstance.h"

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
  char mNativeView[16] = {}; // stands for the platform view the editor opens in
};
} // namespace aaxhost
