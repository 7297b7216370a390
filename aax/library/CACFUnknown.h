// Reference counting and interface queries for every component the plug-in hands to the host
// (effect parameters, effect GUI), plus the process-wide count of live components that decides
// whether the bundle may be unloaded.
//
// A component derives from its host-visible interface first and from CACFUnknown second, and
// routes its IACFUnknown operations here with ACF_DECLARE_STANDARD_UNKNOWN(). It answers its own
// identifiers in an override of InternalQueryInterface and passes the rest to this base.
#pragma once

#include "aax/interfaces/ACFUnknown.h"

#include <atomic>
#include <cstdint>

class CACFUnknown
{
public:
  // outer: the unknown of an aggregating object, or null for a stand-alone component.
  explicit CACFUnknown(IACFUnknown* outer = nullptr);
  virtual ~CACFUnknown();
  CACFUnknown(const CACFUnknown&) = delete;
  CACFUnknown& operator=(const CACFUnknown&) = delete;

  // Hook for set-up after construction; 0.
  virtual ACFRESULT InitializeInstance();
  // Runs just before the object deletes itself.
  virtual void FinalRelease();
  virtual void DeleteThis();
  // Answers IID_IACFUnknown with the private unknown; anything else: null and ACF_E_NOINTERFACE.
  virtual ACFRESULT InternalQueryInterface(const acfIID& iid, void** out);
  virtual uint32_t InternalAddRef();
  // Deletes the object when the count reaches 0.
  virtual uint32_t InternalRelease();

  // What the component's own QueryInterface, AddRef and Release do: forward to the current
  // inner unknown (the outer object's, else the private one).
  ACFRESULT OuterQueryInterface(const acfIID& iid, void** out) { return mInnerUnknown->QueryInterface(iid, out); }
  uint32_t OuterAddRef() { return mInnerUnknown->AddRef(); }
  uint32_t OuterRelease() { return mInnerUnknown->Release(); }

  IACFUnknown* GetPrivateUnknown() { return &mPrivateUnknown; }
  int32_t GetRefCount() const { return mRefCount.load(); }

  // Components alive in this process (0: the bundle may be unloaded).
  static int32_t GetActiveObjectCount();

private:
  class PrivateUnknown final : public IACFUnknown
  {
  public:
    explicit PrivateUnknown(CACFUnknown* owner) : mOwner(owner) {}
    ACFRESULT QueryInterface(const acfIID& iid, void** out) override { return mOwner->InternalQueryInterface(iid, out); }
    uint32_t AddRef() override { return mOwner->InternalAddRef(); }
    uint32_t Release() override { return mOwner->InternalRelease(); }

  private:
    CACFUnknown* mOwner;
  };

  std::atomic<int32_t> mRefCount{0};
  IACFUnknown* mInnerUnknown;
  PrivateUnknown mPrivateUnknown;
};

// The IACFUnknown operations of a component derived from an interface and CACFUnknown.
#define ACF_DECLARE_STANDARD_UNKNOWN()                                                              \
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override { return OuterQueryInterface(iid, out); } \
  uint32_t AddRef() override { return OuterAddRef(); }                                             \
  uint32_t Release() override { return OuterRelease(); }
