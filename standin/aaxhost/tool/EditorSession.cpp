#include "standin/aaxhost/tool/EditorSession.h"

#include "standin/aaxhost/EditorHost.h"

namespace aaxhost
{
EditorSession::EditorSession(Host& host, PluginInstance& instance)
  : mHost(host)
  , mInstance(instance)
{
}

EditorSession::~EditorSession() { Destroy(); }

bool EditorSession::Create()
{
  Destroy();
  void* gui = MakeEffectObject(mInstance.Descriptor(), AAX_eProcPtrID_Create_EffectGUI, IID_IAAXEffectGUIV1, "editor",
                               "effect-GUI", mError);
  if (!gui)
    return false;
  mGUI = static_cast<AAX_IEffectGUI*>(static_cast<IACFUnknown*>(gui));
  mEditorHost = new EditorHost(mHost.SharedContext(), mInstance.GetInstanceHost(), mInstance.Effect());
  mInitResult = mGUI->Init(mEditorHost);
  return true;
}

AAX_Result EditorSession::ReportSize(AAX_Point& size)
{
  return mGUI ? mGUI->ReportEditorSize(&size) : AAX_ERROR_NOT_INITIALIZED;
}

AAX_Result EditorSession::Open()
{
  if (!mGUI)
    return AAX_ERROR_NOT_INITIALIZED;
  NSAutoreleasePool pool;
  if (!mWindow)
  {
    AAX_Point size;
    mGUI->ReportEditorSize(&size);
    mWindow = new NSWindow(NSMakeRect(100, 100, size.horz, size.vert));
    mWindow->makeKeyAndOrderFront(nullptr);
  }
  ViewContainer* container = mHost.NewViewContainer(mWindow->contentView());
  const AAX_Result result = mGUI->SetViewContainer(container);
  if (mContainer)
    mContainer->Release(); // replaced
  mContainer = container;
  // The host window takes the size of the editor's view.
  if (NSView* view = EditorView())
    mWindow->setContentSize(view->frame().size);
  return result;
}

NSView* EditorSession::EditorView() const
{
  if (!mWindow || !mWindow->contentView() || mWindow->contentView()->Subviews().empty())
    return nullptr;
  return mWindow->contentView()->Subviews().back();
}

AAX_Result EditorSession::Close(bool& balanced)
{
  balanced = true;
  if (!mGUI)
    return AAX_ERROR_NOT_INITIALIZED;
  NSAutoreleasePool pool;
  const AAX_Result result = mGUI->SetViewContainer(nullptr);
  if (mContainer)
  {
    balanced = mContainer->RefCount() == 1;
    mContainer->Release();
    mContainer = nullptr;
  }
  return result;
}

AAX_Result EditorSession::Highlight(const std::string& id, bool on, int32_t colour)
{
  return mGUI ? mGUI->HighlightParameter(id.c_str(), on, colour) : AAX_ERROR_NOT_INITIALIZED;
}

bool EditorSession::Destroy()
{
  NSAutoreleasePool pool;
  bool gone = true;
  if (mGUI)
  {
    mGUI->Uninit();
    gone = mGUI->Release() == 0;
    mGUI = nullptr;
  }
  if (mContainer)
  {
    mContainer->Release();
    mContainer = nullptr;
  }
  if (mEditorHost)
  {
    mEditorHost->Release();
    mEditorHost = nullptr;
  }
  if (mWindow)
  {
    mWindow->close();
    mWindow->release();
    mWindow = nullptr;
  }
  mInitResult = AAX_ERROR_NOT_INITIALIZED;
  return gone;
}
} // namespace aaxhost
