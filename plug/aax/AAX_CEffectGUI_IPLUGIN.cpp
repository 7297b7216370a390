#include "plug/aax/AAX_CEffectGUI_IPLUGIN.h"

#include <climits>
#include <new>

#include "aax/library/AAX_Exception.h"
#include "graphics/IGraphics.h"
#include "plug/aax/IPluginAAX.h"

namespace plug {

IACFUnknown* AAX_CEffectGUI_IPLUGIN::Create()
{
  auto* gui = new (std::nothrow) AAX_CEffectGUI_IPLUGIN();
  return gui ? static_cast<IACFUnknown*>(static_cast<AAX_IEffectGUI*>(gui)) : nullptr;
}

AAX_CEffectGUI_IPLUGIN::~AAX_CEffectGUI_IPLUGIN()
{
  Uninit();
}

IPluginAAX* AAX_CEffectGUI_IPLUGIN::GetPlugin() const
{
  // The plug-in is reached only while its effect parameters are held: after Uninit the
  // object may be gone.
  return GetEffectParameters() ? mPlugin : nullptr;
}

void AAX_CEffectGUI_IPLUGIN::BindPlugin()
{
  mPlugin = dynamic_cast<IPluginAAX*>(GetEffectParameters());
}

void AAX_CEffectGUI_IPLUGIN::OpenEditorInContainer()
{
  IPluginAAX* plugin = GetPlugin();
  if (!plugin)
    return;
  // An editor open already forgets its previous container first: whatever happens next, it
  // never holds one that is about to go.
  if (igraphics::IGraphics* graphics = plugin->GetEditorGraphics())
    graphics->SetViewContainer(nullptr);

  void* view = GetViewContainerPtr();
  if (!view || !plugin->HasUI())
    return;
  plugin->OpenEditorWindow(view);
  if (igraphics::IGraphics* graphics = plugin->GetEditorGraphics())
    graphics->SetViewContainer(GetViewContainer());
}

void AAX_CEffectGUI_IPLUGIN::CloseEditor()
{
  // The graphics context, and the container it held, go with the window.
  if (IPluginAAX* plugin = GetPlugin())
    plugin->CloseEditorWindow();
}

AAX_Result AAX_CEffectGUI_IPLUGIN::ReportEditorSize(AAX_Point* size)
{
  return AAX_Guarded([&]() -> AAX_Result {
    const IPluginAAX* plugin = GetPlugin();
    if (plugin && plugin->HasUI() && size)
    {
      size->vert = static_cast<float>(plugin->GetEditorHeight());
      size->horz = static_cast<float>(plugin->GetEditorWidth());
    }
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectGUI_IPLUGIN::HighlightParameter(const char* id, bool highlighted, int32_t colour)
{
  return AAX_Guarded([&]() -> AAX_Result {
    IPluginAAX* plugin = GetPlugin();
    igraphics::IGraphics* graphics = plugin ? plugin->GetEditorGraphics() : nullptr;
    if (!graphics)
      return AAX_ERROR_INVALID_PARAMETER_ID;
    const long number = IPluginAAX::ParseIDNumber(id);
    if (number > 0 && number <= INT_MAX)
      graphics->SetHostHighlightForParam(static_cast<int>(number - 1), highlighted, colour);
    return AAX_SUCCESS;
  });
}

} // namespace plug
