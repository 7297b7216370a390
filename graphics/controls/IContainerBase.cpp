#include "graphics/controls/IContainerBase.h"

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

IContainerBase::IContainerBase(const IRECT& bounds, AttachFunc attachFunc, ResizeFunc resizeFunc)
  : IControl(bounds), mAttachFunc(std::move(attachFunc)), mResizeFunc(std::move(resizeFunc))
{
  mIgnoreMouse = true;
}

IContainerBase::~IContainerBase()
{
  // The children stay attached (and drawn) without a parent.
  for (int i = 0; i < NChildren(); ++i)
    GetChild(i)->SetParent(nullptr);
  mChildren.Clear();
  mResizeFunc = nullptr;
  mAttachFunc = nullptr;
}

void IContainerBase::OnAttached()
{
  if (mAttachFunc)
    mAttachFunc(this, mRECT);
  OnResize();
}

void IContainerBase::OnResize()
{
  if (mResizeFunc && NChildren() > 0)
    mResizeFunc(this, mRECT);
}

void IContainerBase::ForAllChildrenFunc(const std::function<void(int, IControl*)>& func)
{
  for (int i = 0; i < NChildren(); ++i)
    func(i, GetChild(i));
}

void IContainerBase::Hide(bool hide)
{
  ForAllChildrenFunc([hide](int, IControl* pChild) { pChild->Hide(hide); });
  IControl::Hide(hide);
}

void IContainerBase::SetDisabled(bool disable)
{
  ForAllChildrenFunc([disable](int, IControl* pChild) { pChild->SetDisabled(disable); });
  IControl::SetDisabled(disable);
}

IControl* IContainerBase::AddChildControl(IControl* pChild, int ctrlTag)
{
  if (!mGraphics || !pChild)
    return nullptr;
  pChild->SetParent(this);
  if (!mGraphics->AttachControl(pChild, ctrlTag, GetGroup()))
  {
    pChild->SetParent(nullptr);
    return nullptr;
  }
  if (!mChildren.Add(pChild))
    pChild->SetParent(nullptr); // unlisted: it must not point at the container
  return pChild;
}

void IContainerBase::RemoveChildControl(IControl* pChild)
{
  const int idx = mChildren.Find(pChild);
  if (idx < 0)
    return;
  mChildren.Delete(idx);
  pChild->SetParent(nullptr);
}

} // namespace igraphics
} // namespace plug
