#pragma once
// The host's editor object of one plug-in instance on the AAX binding: it finds the
// IPluginAAX of the same instance behind the effect parameters and opens, sizes, closes and
// highlights the framework's editor through the editor delegate. While the editor is open in
// a host view container, the container lives in the graphics context's view interface, where
// IPluginAAX::HostResizeEditor and the context's parameter clicks reach it.
//
// Everything runs on the host's main thread.

#include "aax/library/AAX_CEffectGUI.h"

namespace plug {

class IPluginAAX;

class AAX_CEffectGUI_IPLUGIN : public AAX_CEffectGUI
{
public:
  // The bundle's GUI factory: a new editor object, not yet bound, returned with no reference
  // taken (the host's first QueryInterface takes one). Null when it cannot be made.
  static IACFUnknown* Create();

  AAX_CEffectGUI_IPLUGIN() = default;
  // Closes an open editor (Uninit) while this object can still do so.
  ~AAX_CEffectGUI_IPLUGIN() override;

  // With an editor: the size the delegate keeps, height in vert and width in horz; otherwise
  // (or for a null size) nothing is written. 0.
  AAX_Result ReportEditorSize(AAX_Point* size) override;
  // Highlights the controls of the identifier's parameter ("3": parameter 2) in the host's
  // colour; the bypass and other identifiers that name no parameter highlight nothing. 0, or
  // -20001 while no editor is open.
  AAX_Result HighlightParameter(const char* id, bool highlighted, int32_t colour) override;

  // The bound plug-in while the effect parameters are held; null otherwise.
  IPluginAAX* GetPlugin() const;

protected:
  void BindPlugin() override;
  void OpenEditorInContainer() override;
  void CloseEditor() override;

private:
  IPluginAAX* mPlugin = nullptr;
};

} // namespace plug
