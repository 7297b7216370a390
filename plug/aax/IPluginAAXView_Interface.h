#pragma once
// The view interface of an editor opened inside the host's view container: the host binding
// keeps the container here while the editor is open in it, and reaches the editor's controls
// through it when the host asks to highlight a parameter. The graphics context derives from
// it first, so a parameter click can be offered to the host before a control sees it.

class AAX_IViewContainer;

namespace plug {

class IPluginAAXView_Interface
{
public:
  IPluginAAXView_Interface() = default;
  virtual ~IPluginAAXView_Interface() = default;
  IPluginAAXView_Interface(const IPluginAAXView_Interface&) = delete;
  IPluginAAXView_Interface& operator=(const IPluginAAXView_Interface&) = delete;

  // Highlights (or clears) every control bound to the parameter, in the host's colour code.
  virtual void SetHostHighlightForParam(int paramIdx, bool highlighted, int colourIndex) = 0;

  // The host's view container the editor lives in; null until the binding sets it. Not owned.
  void SetViewContainer(AAX_IViewContainer* container) { mViewContainer = container; }
  AAX_IViewContainer* GetViewContainer() const { return mViewContainer; }

protected:
  AAX_IViewContainer* mViewContainer = nullptr;
};

} // namespace plug
