// Stand-in host description collection: records the effects, names and version registration
// gives it, holding a reference to each effect descriptor. Asked for IID_IACFPluginDefinition it
// answers with a new RegistrationAnswer over itself.
#pragma once

#include "aax/interfaces/AAX_IACFCollection.h"
#include "aax/interfaces/ACFObjectFactory.h"
#include "standin/aaxhost/EffectDescriptor.h"
#include "standin/aaxhost/HostObject.h"

#include <string>
#include <utility>
#include <vector>

namespace aaxhost
{
class Collection : public HostObject<AAX_IACFCollection>
{
public:
  using HostObject::HostObject;
  ~Collection() override;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override;
  AAX_Result Reserved3() override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result Reserved4() override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result Reserved5() override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result Reserved6() override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result AddEffect(const char* effectID, IACFUnknown* descriptor) override;
  AAX_Result SetManufacturerName(const char* name) override;
  AAX_Result AddPackageName(const char* name) override;
  AAX_Result SetPackageVersion(uint32_t version) override;
  AAX_Result SetProperties(IACFUnknown* props) override;

  const std::vector<std::pair<std::string, EffectDescriptor*>>& Effects() const { return mEffects; }
  const std::string& ManufacturerName() const { return mManufacturerName; }
  const std::vector<std::string>& PackageNames() const { return mPackageNames; }
  uint32_t PackageVersion() const { return mPackageVersion; }

private:
  std::vector<std::pair<std::string, EffectDescriptor*>> mEffects; // one reference each
  std::string mManufacturerName;
  std::vector<std::string> mPackageNames;
  uint32_t mPackageVersion = 0;
  PropertyMap* mProperties = nullptr;
};

// What registration hands back to the host: the recorded description.
class RegistrationAnswer : public HostObject<IACFPluginDefinition>
{
public:
  RegistrationAnswer(std::shared_ptr<HostContext> context, Collection* collection);
  ~RegistrationAnswer() override;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (iid == IID_IACFUnknown || iid == IID_IACFPluginDefinition)
      return out ? Answer(out) : ACF_E_NOINTERFACE;
    return Refuse(out);
  }
  Collection* GetCollection() const { return mCollection; }

private:
  Collection* mCollection; // one reference
};
} // namespace aaxhost
