// Stand-in host property map: integer, pointer and identifier-array properties. Like an older
// host, a map of a host without description services does not know the newer stem formats;
// it counts every such format that reaches it, so tests can prove the plug-in's guard kept
// them away.
#pragma once

#include "aax/interfaces/AAX_IACFPropertyMap.h"
#include "standin/aaxhost/HostObject.h"

#include <map>
#include <vector>

namespace aaxhost
{
class PropertyMap : public HostObject<AAX_IACFPropertyMap_V3>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXPropertyMapV1, IID_IAAXPropertyMapV2, IID_IAAXPropertyMapV3});
  }
  bool GetProperty(int32_t id, int32_t* value) override;
  AAX_Result AddProperty(int32_t id, int32_t value) override;
  AAX_Result RemoveProperty(int32_t id) override;
  AAX_Result AddPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad* ids, uint32_t count) override;
  bool GetPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad** ids, uint32_t* count) override;
  bool GetPointerProperty(int32_t id, const void** value) override;
  AAX_Result AddPointerProperty(int32_t id, const void* value) override;

  const std::map<int32_t, int32_t>& Integers() const { return mIntegers; }
  // Stem formats (properties 51, 52) this host would not understand that reached it anyway.
  int UnknownStemFormatsReceived() const { return mUnknownStemFormats; }
  // Whether a host without description services knows a stem format: upper 16 bits at most
  // 12, or one of the two negative codes "any" and "none".
  static bool OlderHostKnowsStemFormat(int32_t stemFormat);
  const std::map<int32_t, const void*>& Pointers() const { return mPointers; }

  // Lets `slot` keep one reference to the map behind props instead of the one it held;
  // props that is no map of ours leaves the slot empty.
  static void Hold(PropertyMap*& slot, IACFUnknown* props);

private:
  std::map<int32_t, int32_t> mIntegers;
  std::map<int32_t, const void*> mPointers;
  std::map<int32_t, std::vector<AAX_SPlugInIdentifierTriad>> mIDArrays;
  int mUnknownStemFormats = 0;
};
} // namespace aaxhost
