#include "standin/aaxhost/ComponentDescriptor.h"

namespace aaxhost
{
AAX_Result ComponentDescriptor::Clear()
{
  Call("ComponentDescriptor.Clear");
  mFields.clear();
  mProcs.clear();
  return 0;
}

AAX_Result ComponentDescriptor::Field(const char* kind, uint32_t index, int64_t a, int64_t b, const char* name)
{
  Call((std::string("ComponentDescriptor.Add") + kind).c_str());
  mFields.push_back({kind, index, a, b, name ? std::string(name) : std::string()});
  return 0;
}

const FieldRecord* ComponentDescriptor::FieldAt(uint32_t index) const
{
  for (const FieldRecord& field : mFields)
    if (field.index == index && field.kind != "AuxOutputStem")
      return &field;
  return nullptr;
}

// The plug-in hands us one of our own maps; read it through the interface like a real host.
std::map<int32_t, int32_t> ComponentDescriptor::IntegersOf(IACFUnknown* props)
{
  std::map<int32_t, int32_t> values;
  AAX_IACFPropertyMap* map = ACFQuery<AAX_IACFPropertyMap>(props, IID_IAAXPropertyMapV1);
  if (!map)
    return values;
  if (auto* ours = dynamic_cast<PropertyMap*>(map))
    values = ours->Integers();
  map->Release();
  return values;
}

AAX_Result ComponentDescriptor::AddProcessProc_Native(AAX_CProcessProc proc, IACFUnknown* props,
                                                      AAX_CInstanceInitProc init, AAX_CBackgroundProc background,
                                                      int32_t* outID)
{
  Call("ComponentDescriptor.AddProcessProc_Native");
  ProcessProcRecord record;
  record.proc = proc;
  record.init = init;
  record.background = background;
  record.properties = IntegersOf(props);
  record.id = mNextProcID++;
  mProcs.push_back(record);
  if (outID)
    *outID = record.id;
  return 0;
}

AAX_Result ComponentDescriptor::AddProcessProc_TI(const char* dll, const char*, IACFUnknown* props, const char*,
                                                  const char*, int32_t* outID)
{
  Call("ComponentDescriptor.AddProcessProc_TI");
  ProcessProcRecord record;
  record.tiDLL = dll ? dll : "";
  record.properties = IntegersOf(props);
  record.id = mNextProcID++;
  mProcs.push_back(record);
  if (outID)
    *outID = record.id;
  return 0;
}

AAX_Result ComponentDescriptor::AddMeters(uint32_t f, const uint32_t*, uint32_t count)
{
  return Field("Meters", f, count);
}

AAX_Result ComponentDescriptor::AddProcessProc(IACFUnknown* props, int32_t* outIDs, int32_t capacity)
{
  Call("ComponentDescriptor.AddProcessProc");
  const void* proc = nullptr;
  AAX_IACFPropertyMap_V3* map = ACFQuery<AAX_IACFPropertyMap_V3>(props, IID_IAAXPropertyMapV3);
  if (!map)
    return AAX_ERROR_NULL_OBJECT;
  const bool found = map->GetPointerProperty(AAX_eProperty_NativeProcessProc, &proc);
  map->Release();
  if (!found)
    return AAX_ERROR_PROPERTY_UNDEFINED;
  ProcessProcRecord record;
  record.proc = reinterpret_cast<AAX_CProcessProc>(const_cast<void*>(proc));
  record.properties = IntegersOf(props);
  record.id = mNextProcID++;
  mProcs.push_back(record);
  if (outIDs)
  {
    if (capacity < 2)
      return AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW;
    outIDs[0] = record.id;
    outIDs[1] = 0;
  }
  return 0;
}
} // namespace aaxhost
