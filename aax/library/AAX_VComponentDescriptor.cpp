#include "aax/library/AAX_VComponentDescriptor.h"

#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VPropertyMap.h"

#include <vector>

namespace
{
IACFUnknown* HostInterfaceOf(AAX_IPropertyMap* map) { return map ? map->GetIUnknown() : nullptr; }

template <class T>
T ToProc(const void* pointer)
{
  return reinterpret_cast<T>(const_cast<void*>(pointer));
}
} // namespace

AAX_VComponentDescriptor::AAX_VComponentDescriptor(IACFUnknown* hostObject)
{
  mV1 = static_cast<AAX_IACFComponentDescriptor*>(
    AAX_CreateHostObject(hostObject, AAXCompID_ComponentDescriptor, IID_IAAXComponentDescriptorV1));
  mV2 = ACFQuery<AAX_IACFComponentDescriptor_V2>(mV1, IID_IAAXComponentDescriptorV2);
  mV3 = ACFQuery<AAX_IACFComponentDescriptor_V3>(mV1, IID_IAAXComponentDescriptorV3);
  mHostObject = AAX_RetainHostObject(hostObject);
}

AAX_VComponentDescriptor::~AAX_VComponentDescriptor()
{
  AAX_DeleteOwned(mPropertyMaps);
  AAX_ReleaseInterface(mV3);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
  AAX_ReleaseInterface(mHostObject);
}

#define AAX_CD_V1(call) return mV1 ? mV1->call : AAX_ERROR_NULL_OBJECT

AAX_Result AAX_VComponentDescriptor::Clear() { AAX_CD_V1(Clear()); }
AAX_Result AAX_VComponentDescriptor::AddAudioIn(uint32_t f) { AAX_CD_V1(AddAudioIn(f)); }
AAX_Result AAX_VComponentDescriptor::AddAudioOut(uint32_t f) { AAX_CD_V1(AddAudioOut(f)); }
AAX_Result AAX_VComponentDescriptor::AddAudioBufferLength(uint32_t f) { AAX_CD_V1(AddAudioBufferLength(f)); }
AAX_Result AAX_VComponentDescriptor::AddClock(uint32_t f) { AAX_CD_V1(AddClock(f)); }
AAX_Result AAX_VComponentDescriptor::AddSampleRate(uint32_t f) { AAX_CD_V1(AddSampleRate(f)); }
AAX_Result AAX_VComponentDescriptor::AddSideChainIn(uint32_t f) { AAX_CD_V1(AddSideChainIn(f)); }
AAX_Result AAX_VComponentDescriptor::AddDataInPort(uint32_t f, uint32_t size, int32_t option)
{
  AAX_CD_V1(AddDataInPort(f, size, option));
}
AAX_Result AAX_VComponentDescriptor::AddAuxOutputStem(uint32_t f, int32_t stem, const char* name)
{
  AAX_CD_V1(AddAuxOutputStem(f, stem, name));
}
AAX_Result AAX_VComponentDescriptor::AddPrivateData(uint32_t f, int32_t size, int32_t options)
{
  AAX_CD_V1(AddPrivateData(f, size, options));
}
AAX_Result AAX_VComponentDescriptor::AddTemporaryData(uint32_t f, uint32_t size)
{
  return mV2 ? mV2->AddTemporaryData(f, size) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VComponentDescriptor::AddDmaInstance(uint32_t f, int32_t mode) { AAX_CD_V1(AddDmaInstance(f, mode)); }
AAX_Result AAX_VComponentDescriptor::AddMeters(uint32_t f, const uint32_t* ids, uint32_t n)
{
  AAX_CD_V1(AddMeters(f, ids, n));
}
AAX_Result AAX_VComponentDescriptor::AddMIDINode(uint32_t f, int32_t type, const char* name, uint32_t mask)
{
  AAX_CD_V1(AddMIDINode(f, type, name, mask));
}
AAX_Result AAX_VComponentDescriptor::AddReservedField(uint32_t f, uint32_t type) { AAX_CD_V1(AddReservedField(f, type)); }
AAX_Result AAX_VComponentDescriptor::AddProcessProc_Native(AAX_CProcessProc proc, AAX_IPropertyMap* props,
                                                           AAX_CInstanceInitProc init, AAX_CBackgroundProc background,
                                                           int32_t* outID)
{
  AAX_CD_V1(AddProcessProc_Native(proc, HostInterfaceOf(props), init, background, outID));
}
AAX_Result AAX_VComponentDescriptor::AddProcessProc_TI(const char* dll, const char* proc, AAX_IPropertyMap* props,
                                                       const char* init, const char* background, int32_t* outID)
{
  AAX_CD_V1(AddProcessProc_TI(dll, proc, HostInterfaceOf(props), init, background, outID));
}

#undef AAX_CD_V1

AAX_IPropertyMap* AAX_VComponentDescriptor::NewPropertyMap() const
{
  return AAX_KeepOwned(mPropertyMaps, AAX_VPropertyMap::Create(mHostObject));
}

AAX_IPropertyMap* AAX_VComponentDescriptor::DuplicatePropertyMap(AAX_IPropertyMap* source) const
{
  AAX_IPropertyMap* copy = NewPropertyMap();
  if (!copy || !source)
    return copy;
  for (int32_t id = AAX_eProperty_MinID; id <= AAX_eProperty_MaxID; ++id)
  {
    int32_t value = 0;
    const void* pointer = nullptr;
    if (source->GetProperty(id, &value))
      copy->AddProperty(id, value);
    else if (source->GetPointerProperty(id, &pointer))
      copy->AddPointerProperty(id, pointer);
  }
  return copy;
}

AAX_Result AAX_VComponentDescriptor::ManuallyAddProcessProcs(AAX_IPropertyMap* props, int32_t* outIDs,
                                                             int32_t capacity)
{
  if (mV3)
    return mV3->AddProcessProc(HostInterfaceOf(props), outIDs, capacity);
  if (!props || !mV1)
    return AAX_ERROR_NULL_OBJECT;
  try
  {
    return AddProcessProcsFromProperties(props, outIDs, capacity);
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result AAX_VComponentDescriptor::AddProcessProcsFromProperties(AAX_IPropertyMap* props, int32_t* outIDs, int32_t capacity)
{
  AAX_Result result = AAX_SUCCESS;
  std::vector<int32_t> ids;
  int32_t value = 0;

  const bool wantsNative = props->GetProperty(AAX_eProperty_PlugInID_Native, &value) ||
                           props->GetProperty(AAX_eProperty_PlugInID_AudioSuite, &value);
  const bool wantsTI = props->GetProperty(AAX_eProperty_PlugInID_TI, &value);

  if (wantsNative)
  {
    const void* processProc = nullptr;
    const void* initProc = nullptr;
    const void* backgroundProc = nullptr;
    if (!props->GetPointerProperty(AAX_eProperty_NativeProcessProc, &processProc))
    {
      AAX_Trace(AAX_eTracePriority_Normal,
                "AAX_VComponentDescriptor: ManuallyAddProcessProcs() - no value found for AAX_eProperty_NativeProcessProc");
      result = AAX_ERROR_PROPERTY_UNDEFINED;
    }
    else
    {
      props->GetPointerProperty(AAX_eProperty_NativeInstanceInitProc, &initProc);
      props->GetPointerProperty(AAX_eProperty_NativeBackgroundProc, &backgroundProc);
      AAX_IPropertyMap* nativeProps = props;
      if (props->GetProperty(AAX_eProperty_AudioBufferLength, &value))
      {
        // The native registration takes its buffer length elsewhere; hand it a copy without it.
        AAX_IPropertyMap* copy = DuplicatePropertyMap(props);
        int32_t copied = 0;
        const bool gotPropertySuccess = copy && copy->GetProperty(AAX_eProperty_AudioBufferLength, &copied);
        if (!gotPropertySuccess)
          AAX_ReportAssertion(__FILE__, __LINE__, "0 != gotPropertySuccess");
        const AAX_Result removeNativeAudioBufferLengthResult =
          copy ? copy->RemoveProperty(AAX_eProperty_AudioBufferLength) : AAX_ERROR_NULL_OBJECT;
        if (removeNativeAudioBufferLengthResult != AAX_SUCCESS)
          AAX_ReportAssertion(__FILE__, __LINE__, "AAX_SUCCESS == removeNativeAudioBufferLengthResult");
        if (copy)
          nativeProps = copy;
      }
      int32_t id = 0;
      result = AddProcessProc_Native(ToProc<AAX_CProcessProc>(processProc), nativeProps,
                                     ToProc<AAX_CInstanceInitProc>(initProc),
                                     ToProc<AAX_CBackgroundProc>(backgroundProc), &id);
      if (result == AAX_SUCCESS)
        ids.push_back(id);
    }
  }

  if (wantsTI && result == AAX_SUCCESS)
  {
    const void* dllName = nullptr;
    const void* processProc = nullptr;
    const void* initProc = nullptr;
    const void* backgroundProc = nullptr;
    if (!props->GetPointerProperty(AAX_eProperty_TIDLLFileName, &dllName))
    {
      AAX_Trace(AAX_eTracePriority_Normal,
                "AAX_VComponentDescriptor: ManuallyAddProcessProcs() - no value found for AAX_eProperty_TIDLLFileName");
      result = AAX_ERROR_PROPERTY_UNDEFINED;
    }
    else if (!props->GetPointerProperty(AAX_eProperty_TIProcessProc, &processProc))
    {
      AAX_Trace(AAX_eTracePriority_Normal,
                "AAX_VComponentDescriptor: ManuallyAddProcessProcs() - no value found for AAX_eProperty_TIProcessProc");
      result = AAX_ERROR_PROPERTY_UNDEFINED;
    }
    else
    {
      props->GetPointerProperty(AAX_eProperty_TIInstanceInitProc, &initProc);
      props->GetPointerProperty(AAX_eProperty_TIBackgroundProc, &backgroundProc);
      int32_t id = 0;
      result = AddProcessProc_TI(static_cast<const char*>(dllName), static_cast<const char*>(processProc), props,
                                 static_cast<const char*>(initProc), static_cast<const char*>(backgroundProc), &id);
      if (result == AAX_SUCCESS)
        ids.push_back(id);
    }
  }

  if (outIDs && result == AAX_SUCCESS)
  {
    if (static_cast<int64_t>(ids.size()) < capacity)
    {
      for (size_t i = 0; i < ids.size(); ++i)
        outIDs[i] = ids[i];
      outIDs[ids.size()] = 0;
    }
    else
    {
      result = AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW;
    }
  }
  return result;
}
