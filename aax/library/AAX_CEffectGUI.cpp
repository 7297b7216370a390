#include "aax/library/AAX_CEffectGUI.h"

#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_CString.h"
#include "aax/library/AAX_Exception.h"
#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VController.h"
#include "aax/library/AAX_VTransport.h"
#include "aax/library/AAX_VViewContainer.h"

AAX_CEffectGUI::AAX_CEffectGUI() = default;

AAX_CEffectGUI::~AAX_CEffectGUI()
{
  mViewContainer.reset();
  AAX_ReleaseInterface(mEffectParameters);
  mTransport.reset();
  mController.reset();
}

ACFRESULT AAX_CEffectGUI::InternalQueryInterface(const acfIID& iid, void** out)
{
  if (!out)
    return ACF_E_NOINTERFACE;
  if (iid == IID_IAAXEffectGUIV1)
  {
    *out = static_cast<IACFUnknown*>(static_cast<AAX_IEffectGUI*>(this));
    AddRef();
    return ACF_OK;
  }
  return CACFUnknown::InternalQueryInterface(iid, out);
}

AAX_Result AAX_CEffectGUI::Init(IACFUnknown* hostObject)
{
  return AAX_Guarded([&]() -> AAX_Result {
    // A second Init starts over.
    if (mController || mEffectParameters || mTransport)
      Uninit();
    mController = std::make_unique<AAX_VController>(hostObject);
    if (!hostObject)
      return AAX_ERROR_NOT_INITIALIZED;
    void* parameters = nullptr;
    if (hostObject->QueryInterface(IID_IAAXEffectParametersV1, &parameters) == ACF_OK && parameters)
      mEffectParameters = static_cast<AAX_IACFEffectParameters*>(static_cast<IACFUnknown*>(parameters));
    mTransport = std::make_unique<AAX_VTransport>(hostObject);
    BindPlugin();
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectGUI::Uninit()
{
  return AAX_Guarded([&]() -> AAX_Result {
    if (mViewContainer)
      SetViewContainer(nullptr);
    AAX_ReleaseInterface(mEffectParameters);
    mController.reset();
    mTransport.reset();
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectGUI::SetViewContainer(IACFUnknown* viewContainer)
{
  return AAX_Guarded([&]() -> AAX_Result {
    if (viewContainer)
    {
      // The editor moves to the new container before the old wrapper goes, so nothing is
      // ever left pointing at a deleted one.
      std::unique_ptr<AAX_VViewContainer> previous = std::move(mViewContainer);
      mViewContainer = std::make_unique<AAX_VViewContainer>(viewContainer);
      OpenEditorInContainer();
      UpdateAllParameters();
    }
    else
    {
      CloseEditor();
      mViewContainer.reset();
    }
    return AAX_SUCCESS;
  });
}

void AAX_CEffectGUI::UpdateAllParameters()
{
  if (!mEffectParameters)
    return;
  int32_t count = 0;
  if (mEffectParameters->GetParameterCount(&count) != AAX_SUCCESS)
    return;
  for (int32_t i = 0; i < count; ++i)
  {
    AAX_CString id;
    if (mEffectParameters->GetParameterIDAtIndex(i, &id) == AAX_SUCCESS)
      OnParameterUpdated(id.Get());
  }
}

AAX_IController* AAX_CEffectGUI::GetController() const { return mController.get(); }
AAX_ITransport* AAX_CEffectGUI::GetTransport() const { return mTransport.get(); }
AAX_IViewContainer* AAX_CEffectGUI::GetViewContainer() const { return mViewContainer.get(); }

int32_t AAX_CEffectGUI::GetViewContainerType() const
{
  return mViewContainer ? mViewContainer->GetType() : 0;
}

void* AAX_CEffectGUI::GetViewContainerPtr() const
{
  return mViewContainer ? mViewContainer->GetPtr() : nullptr;
}
