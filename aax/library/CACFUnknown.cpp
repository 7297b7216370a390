#include "aax/library/CACFUnknown.h"

#include "aax/interfaces/AAX_UIDs.h"

namespace
{
std::atomic<int32_t> sActiveObjectCount{0};
} // namespace

CACFUnknown::CACFUnknown(IACFUnknown* outer)
  : mInnerUnknown(outer ? outer : &mPrivateUnknown)
  , mPrivateUnknown(this)
{
  sActiveObjectCount.fetch_add(1);
}

CACFUnknown::~CACFUnknown() { sActiveObjectCount.fetch_sub(1); }

ACFRESULT CACFUnknown::InitializeInstance() { return ACF_OK; }

void CACFUnknown::FinalRelease() {}

void CACFUnknown::DeleteThis() { delete this; }

ACFRESULT CACFUnknown::InternalQueryInterface(const acfIID& iid, void** out)
{
  if (!out)
    return ACF_E_NOINTERFACE;
  if (iid == IID_IACFUnknown)
  {
    mPrivateUnknown.AddRef();
    *out = static_cast<IACFUnknown*>(&mPrivateUnknown);
    return ACF_OK;
  }
  *out = nullptr;
  return ACF_E_NOINTERFACE;
}

uint32_t CACFUnknown::InternalAddRef() { return static_cast<uint32_t>(mRefCount.fetch_add(1) + 1); }

uint32_t CACFUnknown::InternalRelease()
{
  const int32_t count = mRefCount.fetch_sub(1) - 1;
  if (count == 0)
  {
    FinalRelease();
    DeleteThis();
  }
  return static_cast<uint32_t>(count);
}

int32_t CACFUnknown::GetActiveObjectCount() { return sActiveObjectCount.load(); }
