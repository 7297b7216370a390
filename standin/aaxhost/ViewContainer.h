// Stand-in host view container (three versions): holds a native view pointer, records the
// sizes the editor asks for and the parameter clicks it offers the host.
#pragma once

#include "aax/interfaces/AAX_IACFViewContainer.h"
#include "standin/aaxhost/HostObject.h"

#include <functional>
#include <vector>

namespace aaxhost
{
class ViewContainer : public HostObject<AAX_IACFViewContainer_V3>
{
public:
  ViewContainer(std::shared_ptr<HostContext> context, void* nativeView)
    : HostObject(std::move(context))
    , mNativeView(nativeView)
  {
  }

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXViewContainerV1, IID_IAAXViewContainerV2, IID_IAAXViewContainerV3});
  }
  // Type 1: a native view.
  int32_t GetType() override
  {
    Call("ViewContainer.GetType");
    return mNativeView ? 1 : 0;
  }
  void* GetPtr() override
  {
    Call("ViewContainer.GetPtr");
    return mNativeView;
  }
  AAX_Result GetModifiers(uint32_t* out) override
  {
    Call("ViewContainer.GetModifiers");
    if (!out)
      return AAX_ERROR_NULL_ARGUMENT;
    *out = 0;
    return 0;
  }
  AAX_Result SetViewSize(AAX_Point& size) override
  {
    Call("ViewContainer.SetViewSize");
    mSizes.push_back(size);
    return 0;
  }
  // The host takes a parameter click (answers 0) only for its automation shortcut, command
  // and option held together (modifier bits 2 and 4); any other click stays with the editor.
  AAX_Result HandleParameterMouseDown(const char*, uint32_t modifiers) override
  {
    Call("ViewContainer.HandleParameterMouseDown");
    if (mInsideParameterClick)
      mInsideParameterClick();
    return (modifiers & 6u) == 6u ? 0 : AAX_ERROR_UNIMPLEMENTED;
  }
  AAX_Result HandleParameterMouseDrag(const char*, uint32_t) override { return Call("ViewContainer.HandleParameterMouseDrag"); }
  AAX_Result HandleParameterMouseUp(const char*, uint32_t) override { return Call("ViewContainer.HandleParameterMouseUp"); }
  AAX_Result HandleMultipleParametersMouseDown(const char* const*, uint32_t, uint32_t) override
  {
    return Call("ViewContainer.HandleMultipleParametersMouseDown");
  }
  AAX_Result HandleMultipleParametersMouseDrag(const char* const*, uint32_t, uint32_t) override
  {
    return Call("ViewContainer.HandleMultipleParametersMouseDrag");
  }
  AAX_Result HandleMultipleParametersMouseUp(const char* const*, uint32_t, uint32_t) override
  {
    return Call("ViewContainer.HandleMultipleParametersMouseUp");
  }
  AAX_Result HandleParameterMouseEnter(const char*, uint32_t) override { return Call("ViewContainer.HandleParameterMouseEnter"); }
  AAX_Result HandleParameterMouseExit(const char*, uint32_t) override { return Call("ViewContainer.HandleParameterMouseExit"); }

  // Runs inside every parameter click, as a host's own menu opened on the click would (it may
  // close the editor or destroy the instance there).
  std::function<void()> mInsideParameterClick;
  // Sizes asked for, in order (height in vert, width in horz).
  const std::vector<AAX_Point>& Sizes() const { return mSizes; }

private:
  void* mNativeView;
  std::vector<AAX_Point> mSizes;
};
} // namespace aaxhost
