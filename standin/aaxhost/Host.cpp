#include "standin/aaxhost/Host.h"

namespace aaxhost
{
// The object handed to the plug-in: it holds the permanent host objects and answers each
// identifier with the one that implements it, when the host offers that version. Holding them
// here (not in Host) keeps them valid for as long as the plug-in keeps the host object.
class HostUnknown : public HostObject<IACFUnknown>
{
public:
  explicit HostUnknown(const std::shared_ptr<HostContext>& context)
    : HostObject(context)
    , mServices(new HostServices(context))
    , mFactory(new ObjectFactory(context, mServices))
    , mController(new Controller(context))
    , mAutomation(new AutomationDelegate(context))
    , mTransport(new Transport(context))
    , mPageTables(new PageTableService(context))
    , mDescriptions(new DescriptionHost(context))
    , mDefinition(new HostDefinition(context))
  {
  }

  ~HostUnknown() override
  {
    mDefinition->Release();
    mDescriptions->Release();
    mPageTables->Release();
    mTransport->Release();
    mAutomation->Release();
    mController->Release();
    mFactory->Release();
    mServices->Release();
  }

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (!out)
      return ACF_E_NOINTERFACE;
    if (iid == IID_IACFUnknown)
      return Answer(out);
    if (iid == IID_IACFObjectFactory)
      return mContext->Offers(1) ? mFactory->QueryInterface(iid, out) : Refuse(out);
    if (iid == IID_IAAXDescriptionHostV1)
      return mContext->DescriptionServices() ? mDescriptions->QueryInterface(iid, out) : Refuse(out);
    if (iid == IID_IACFDefinition)
      return mContext->DescriptionServices() ? mDefinition->QueryInterface(iid, out) : Refuse(out);
    if (iid == IID_IAAXControllerV1 || iid == IID_IAAXControllerV2 || iid == IID_IAAXControllerV3)
      return mController->QueryInterface(iid, out);
    if (iid == IID_IAAXPageTableControllerV1 || iid == IID_IAAXPageTableControllerV2)
      return mPageTables->QueryInterface(iid, out);
    if (iid == IID_IAAXAutomationDelegateV1)
      return mAutomation->QueryInterface(iid, out);
    if (iid == IID_IAAXTransportV1 || iid == IID_IAAXTransportV2 || iid == IID_IAAXTransportV3)
      return mTransport->QueryInterface(iid, out);
    return Refuse(out);
  }

  HostServices* const mServices;
  ObjectFactory* const mFactory;
  Controller* const mController;
  AutomationDelegate* const mAutomation;
  Transport* const mTransport;
  PageTableService* const mPageTables;
  DescriptionHost* const mDescriptions;
  HostDefinition* const mDefinition;
};

Host::Host(int version)
  : mContext(std::make_shared<HostContext>(version))
  , mUnknown(new HostUnknown(mContext))
{
  mServices = mUnknown->mServices;
  mFactory = mUnknown->mFactory;
  mController = mUnknown->mController;
  mAutomation = mUnknown->mAutomation;
  mTransport = mUnknown->mTransport;
  mPageTables = mUnknown->mPageTables;
  mDescriptions = mUnknown->mDescriptions;
  mDefinition = mUnknown->mDefinition;
}

Host::~Host() { mUnknown->Release(); }

IACFUnknown* Host::Unknown() const { return mUnknown; }

ViewContainer* Host::NewViewContainer(void* nativeView) const { return new ViewContainer(mContext, nativeView); }

std::vector<int32_t> Host::RefCounts() const
{
  return {mServices->RefCount(),   mFactory->RefCount(),      mController->RefCount(),
          mAutomation->RefCount(), mTransport->RefCount(),    mPageTables->RefCount(),
          mDescriptions->RefCount(), mDefinition->RefCount(), mUnknown->RefCount()};
}

bool Host::AllAtStartingCounts() const
{
  // The factory holds one reference to the host services for its whole life.
  const std::vector<int32_t> counts = RefCounts();
  const std::vector<int32_t> starting = {2, 1, 1, 1, 1, 1, 1, 1, 1};
  return counts == starting;
}

Collection* CollectionOf(IACFUnknown* registrationAnswer)
{
  auto* answer = dynamic_cast<RegistrationAnswer*>(registrationAnswer);
  return answer ? answer->GetCollection() : nullptr;
}
} // namespace aaxhost
