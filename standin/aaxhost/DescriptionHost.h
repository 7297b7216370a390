// Stand-in description services of a newer host: feature information by feature identifier,
// and the host's definition object.
#pragma once

#include "aax/interfaces/AAX_IACFDescriptionHost.h"
#include "standin/aaxhost/HostObject.h"

#include <set>

namespace aaxhost
{
// Information on one feature: supported (level 2) with an empty property map, or not (1).
class FeatureInfo : public HostObject<AAX_IACFFeatureInfo>
{
public:
  FeatureInfo(std::shared_ptr<HostContext> context, bool supported)
    : HostObject(std::move(context))
    , mSupported(supported)
  {
  }
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXFeatureInfoV1});
  }
  AAX_Result SupportLevel(int32_t* out) override;
  AAX_Result AcquireProperties(IACFUnknown** out) override;

private:
  bool mSupported;
};

class DescriptionHost : public HostObject<AAX_IACFDescriptionHost>
{
public:
  using HostObject::HostObject;
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXDescriptionHostV1});
  }
  AAX_Result AcquireFeatureProperties(const AAX_Feature_UID& feature, IACFUnknown** out) override;

  void AddSupportedFeature(const AAX_Feature_UID& feature) { mSupported.insert(feature); }

private:
  std::set<AAX_Feature_UID> mSupported;
};

// The host's definition object: nothing beyond its identity.
class HostDefinition : public HostObject<IACFUnknown>
{
public:
  using HostObject::HostObject;
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (out && (iid == IID_IACFUnknown || iid == IID_IACFDefinition))
      return Answer(out);
    return Refuse(out);
  }
};
} // namespace aaxhost
