#pragma once
// A control that groups other controls: it builds its children when it is attached (its
// attach function), lays them out whenever it is resized (its resize function) and passes
// hiding and disabling on to them. It draws nothing and ignores the mouse, so the children
// take the clicks.
//
// The children are attached to the graphics context, which owns them; the container only
// refers to them, and removing the container leaves them attached.

#include <functional>

#include "graphics/IControl.h"
#include "plug/HeapBuf.h"

namespace plug {
namespace igraphics {

class IContainerBase : public IControl
{
public:
  using AttachFunc = std::function<void(IContainerBase* pContainer, const IRECT& bounds)>;
  using ResizeFunc = std::function<void(IContainerBase* pContainer, const IRECT& bounds)>;

  IContainerBase(const IRECT& bounds, AttachFunc attachFunc = nullptr, ResizeFunc resizeFunc = nullptr);
  ~IContainerBase() override;

  // Runs the attach function with the container's bounds, then OnResize.
  void OnAttached() override;
  // Runs the resize function when there is at least one child.
  void OnResize() override;
  void Draw(IGraphics& /*g*/) override {}
  // Every child first, then the container itself.
  void Hide(bool hide) override;
  void SetDisabled(bool disable) override;

  // Attaches the child to the container's graphics context in the container's group and
  // makes the container its parent; the container must be attached already. Returns the
  // child, or null when the context refused it (a tag in use): the caller keeps it then.
  IControl* AddChildControl(IControl* pChild, int ctrlTag = -1);
  int NChildren() const { return mChildren.GetSize(); }
  IControl* GetChild(int idx) const { return mChildren.Get(idx); }
  // Forgets the child and clears its parent (it stays attached to the context). A child that
  // is deleted forgets itself this way; a container that is deleted clears its children's
  // parent, so neither side ever points at the other after it has gone.
  void RemoveChildControl(IControl* pChild);
  void ForAllChildrenFunc(const std::function<void(int childIdx, IControl* pChild)>& func);

  void SetAttachFunc(AttachFunc func) { mAttachFunc = std::move(func); }
  void SetResizeFunc(ResizeFunc func) { mResizeFunc = std::move(func); }

protected:
  AttachFunc mAttachFunc;
  ResizeFunc mResizeFunc;
  PtrArray<IControl> mChildren;
};

} // namespace igraphics
} // namespace plug
