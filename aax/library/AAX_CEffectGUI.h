// The host-facing editor object of one plug-in instance. It keeps the wrappers the editor
// needs (controller, transport, the view container while a window is open) and the
// instance's effect parameters, and calls a subclass to bind to the plug-in, to show the
// view in a container and to remove it.
//
// Nothing the host calls lets an exception out. Everything runs on the host's main thread.
#pragma once

#include "aax/interfaces/AAX_IEffectGUI.h"
#include "aax/interfaces/AAX_IEffectParameters.h"
#include "aax/library/CACFUnknown.h"

#include <memory>

class AAX_IController;
class AAX_ITransport;
class AAX_IViewContainer;
class AAX_VController;
class AAX_VTransport;
class AAX_VViewContainer;

class AAX_CEffectGUI : public AAX_IEffectGUI, public CACFUnknown
{
public:
  AAX_CEffectGUI();
  // Lets go of what is still held, without calling the subclass: a subclass with an editor
  // open closes it in its own destructor (by Uninit).
  ~AAX_CEffectGUI() override;
  AAX_CEffectGUI(const AAX_CEffectGUI&) = delete;
  AAX_CEffectGUI& operator=(const AAX_CEffectGUI&) = delete;

  ACF_DECLARE_STANDARD_UNKNOWN()

  // ---- host interface ----
  // Wraps the controller (also for a null object: -20011 then), takes the effect parameters
  // (one reference) and the transport, then BindPlugin; 0.
  AAX_Result Init(IACFUnknown* hostObject) override;
  // Closes an open editor first, then lets go of the effect parameters and the wrappers; 0.
  AAX_Result Uninit() override;
  AAX_Result HostOperation5() override { return AAX_SUCCESS; }
  // A container: wrapped, the editor opened in it (OpenEditorInContainer; the wrapper it
  // replaces goes afterwards), then every parameter reported (UpdateAllParameters). Null:
  // CloseEditor, then the wrapper goes. 0.
  AAX_Result SetViewContainer(IACFUnknown* viewContainer) override;
  AAX_Result ReportEditorSize(AAX_Point* /*size*/) override { return AAX_SUCCESS; }
  AAX_Result HostOperation8() override { return AAX_SUCCESS; }
  AAX_Result HostOperation9() override { return AAX_SUCCESS; }
  AAX_Result OnParameterUpdated(const char* /*id*/) override { return AAX_SUCCESS; }
  AAX_Result HostOperation11() override { return AAX_ERROR_NULL_OBJECT; }
  AAX_Result HighlightParameter(const char* /*id*/, bool /*highlighted*/, int32_t /*colour*/) override
  {
    return AAX_SUCCESS;
  }

  // ---- component base ----
  // Answers IID_IAAXEffectGUIV1 with this object; the rest goes to the base.
  ACFRESULT InternalQueryInterface(const acfIID& iid, void** out) override;

  // ---- for subclasses ----
  AAX_IController* GetController() const;
  // The instance's effect parameters; null before Init, after Uninit, or when the host gave
  // none.
  AAX_IACFEffectParameters* GetEffectParameters() const { return mEffectParameters; }
  AAX_ITransport* GetTransport() const;
  // The wrapper of the container the editor is open in; null while closed.
  AAX_IViewContainer* GetViewContainer() const;
  // The container's kind, 0 without a container.
  int32_t GetViewContainerType() const;
  // The container's native view, null without a container.
  void* GetViewContainerPtr() const;

protected:
  // Finds the plug-in behind the effect parameters.
  virtual void BindPlugin() = 0;
  // Shows the view in the container just set.
  virtual void OpenEditorInContainer() = 0;
  // Removes the view.
  virtual void CloseEditor() = 0;
  // OnParameterUpdated for every parameter of the effect parameters.
  virtual void UpdateAllParameters();

private:
  std::unique_ptr<AAX_VController> mController;
  AAX_IACFEffectParameters* mEffectParameters = nullptr; // one reference
  std::unique_ptr<AAX_VViewContainer> mViewContainer;
  std::unique_ptr<AAX_VTransport> mTransport;
};
