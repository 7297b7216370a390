// Base of every stand-in host object: an atomic reference count (1 for the creator), the
// shared host context, and interface answers gated by the versions the host offers.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_Errors.h"
#include "standin/aaxhost/HostContext.h"

#include <atomic>
#include <memory>

namespace aaxhost
{
template <class Interface>
class HostObject : public Interface
{
public:
  explicit HostObject(std::shared_ptr<HostContext> context)
    : mContext(std::move(context))
  {
    detail::CountObject(1);
  }
  virtual ~HostObject() { detail::CountObject(-1); }
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  uint32_t AddRef() override { return static_cast<uint32_t>(mRefCount.fetch_add(1) + 1); }
  uint32_t Release() override
  {
    const int32_t count = mRefCount.fetch_sub(1) - 1;
    if (count == 0)
      delete this;
    return static_cast<uint32_t>(count);
  }

  int32_t RefCount() const { return mRefCount.load(); }
  HostContext& Context() const { return *mContext; }

protected:
  // Answers with this object's interface after taking a reference.
  ACFRESULT Answer(void** out)
  {
    AddRef();
    *out = static_cast<Interface*>(this);
    return ACF_OK;
  }
  static ACFRESULT Refuse(void** out)
  {
    if (out)
      *out = nullptr;
    return ACF_E_NOINTERFACE;
  }
  // Answers IID_IACFUnknown and the listed identifiers whose version the host offers
  // (ids[i] is version i + 1).
  template <size_t N>
  ACFRESULT AnswerVersions(const acfIID& iid, void** out, const acfIID (&ids)[N])
  {
    if (!out)
      return ACF_E_NOINTERFACE;
    if (iid == IID_IACFUnknown)
      return Answer(out);
    for (size_t i = 0; i < N; ++i)
      if (iid == ids[i] && mContext->Offers(static_cast<int>(i) + 1))
        return Answer(out);
    return Refuse(out);
  }
  AAX_Result Call(const char* name)
  {
    mContext->Record(name);
    return 0;
  }

  std::shared_ptr<HostContext> mContext;

private:
  std::atomic<int32_t> mRefCount{1};
};
} // namespace aaxhost
