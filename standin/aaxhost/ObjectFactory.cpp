#include "standin/aaxhost/ObjectFactory.h"

#include "standin/aaxhost/Collection.h"
#include "standin/aaxhost/ComponentDescriptor.h"
#include "standin/aaxhost/EffectDescriptor.h"
#include "standin/aaxhost/PageTable.h"
#include "standin/aaxhost/PropertyMap.h"

#include <new>

namespace aaxhost
{
namespace
{
// Answers the requested interface of a new object and drops the creation reference, so the
// caller ends up with the only one.
template <class T>
ACFRESULT MakeAndQuery(std::shared_ptr<HostContext> context, const acfIID& iid, void** out)
{
  T* object = new (std::nothrow) T(std::move(context));
  if (!object)
    return ACF_E_NOINTERFACE;
  const ACFRESULT result = object->QueryInterface(iid, out);
  object->Release();
  return result;
}
} // namespace

ObjectFactory::ObjectFactory(std::shared_ptr<HostContext> context, HostServices* services)
  : HostObject(std::move(context))
  , mServices(services)
{
  mServices->AddRef();
}

ObjectFactory::~ObjectFactory() { mServices->Release(); }

ACFRESULT ObjectFactory::CreateInstance(const acfCLSID& classID, const acfIID& iid, void** out)
{
  if (!out)
    return ACF_E_NOINTERFACE;
  *out = nullptr;
  if (classID == AAXCompID_HostServices)
  {
    Call("ObjectFactory.CreateHostServices");
    return mServices->QueryInterface(iid, out);
  }
  if (classID == AAXCompID_AAXCollection)
  {
    Call("ObjectFactory.CreateCollection");
    return MakeAndQuery<Collection>(mContext, iid, out);
  }
  if (classID == AAXCompID_EffectDescriptor)
  {
    Call("ObjectFactory.CreateEffectDescriptor");
    return MakeAndQuery<EffectDescriptor>(mContext, iid, out);
  }
  if (classID == AAXCompID_ComponentDescriptor)
  {
    Call("ObjectFactory.CreateComponentDescriptor");
    return MakeAndQuery<ComponentDescriptor>(mContext, iid, out);
  }
  if (classID == AAXCompID_PropertyMap)
  {
    Call("ObjectFactory.CreatePropertyMap");
    return MakeAndQuery<PropertyMap>(mContext, iid, out);
  }
  if (classID == IID_IAAXPageTableV1)
  {
    Call("ObjectFactory.CreatePageTable");
    return MakeAndQuery<PageTable>(mContext, iid, out);
  }
  return ACF_E_CLASSNOTREG;
}
} // namespace aaxhost
