// The host stand-in: one host object (what the plug-in receives at start-up, registration and
// instance Init) and the permanent host objects behind it. Which interface versions it offers
// is fixed at construction: 0 none (not even the object factory), 1 only first versions,
// kAllVersions everything.
//
// Every host object counts its references atomically; RefCounts() lists the permanent ones so
// that tests can prove the plug-in gave back every reference it took, and LiveHostObjects()
// counts the objects made on the plug-in's behalf (collections, descriptors, maps, tables).
#pragma once

#include "standin/aaxhost/AutomationDelegate.h"
#include "standin/aaxhost/Collection.h"
#include "standin/aaxhost/Controller.h"
#include "standin/aaxhost/DescriptionHost.h"
#include "standin/aaxhost/HostContext.h"
#include "standin/aaxhost/HostServices.h"
#include "standin/aaxhost/ObjectFactory.h"
#include "standin/aaxhost/Transport.h"
#include "standin/aaxhost/ViewContainer.h"

#include <memory>
#include <vector>

namespace aaxhost
{
class HostUnknown;

class Host
{
public:
  explicit Host(int version = kAllVersions);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The host object (no reference for the caller).
  IACFUnknown* Unknown() const;

  HostContext& Context() const { return *mContext; }
  const std::shared_ptr<HostContext>& SharedContext() const { return mContext; }
  HostServices& Services() const { return *mServices; }
  ObjectFactory& Factory() const { return *mFactory; }
  Controller& GetController() const { return *mController; }
  AutomationDelegate& Automation() const { return *mAutomation; }
  Transport& GetTransport() const { return *mTransport; }
  PageTableService& PageTables() const { return *mPageTables; }
  DescriptionHost& Descriptions() const { return *mDescriptions; }

  // A new view container over a native view (one reference for the caller).
  ViewContainer* NewViewContainer(void* nativeView) const;

  // Reference counts of the permanent objects, and whether each is back at 1 (the host's own).
  std::vector<int32_t> RefCounts() const;
  bool AllAtStartingCounts() const;

private:
  std::shared_ptr<HostContext> mContext;
  HostUnknown* mUnknown; // one reference; it holds the permanent objects
  HostServices* mServices = nullptr;
  ObjectFactory* mFactory = nullptr;
  Controller* mController = nullptr;
  AutomationDelegate* mAutomation = nullptr;
  Transport* mTransport = nullptr;
  PageTableService* mPageTables = nullptr;
  DescriptionHost* mDescriptions = nullptr;
  HostDefinition* mDefinition = nullptr;
};

// The registration answer's collection, or null when the object is not one of ours.
Collection* CollectionOf(IACFUnknown* registrationAnswer);
} // namespace aaxhost
