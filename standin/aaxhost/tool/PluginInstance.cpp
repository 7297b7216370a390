#include "standin/aaxhost/tool/PluginInstance.h"

#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_CString.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace aaxhost
{
namespace
{
constexpr uint32_t kStateNumberField = 25;

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

int32_t ComponentProperty(const ComponentDescriptor& component, int32_t id, int32_t fallback)
{
  for (const ProcessProcRecord& proc : component.ProcessProcs())
  {
    auto it = proc.properties.find(id);
    if (it != proc.properties.end())
      return it->second;
  }
  return fallback;
}

// A chunk record with room for `size` data bytes, zeroed.
std::vector<uint64_t> ChunkRecord(size_t size)
{
  return std::vector<uint64_t>((AAX_ChunkRecordSize(size) + 7) / 8, 0);
}
} // namespace

PluginInstance::PluginInstance(Host& host, const EffectDescriptor& effect)
  : mHost(host)
  , mEffectDescriptor(effect)
{
}

PluginInstance::~PluginInstance() { Destroy(); }

int PluginInstance::ComponentCount() const { return static_cast<int>(mEffectDescriptor.Components().size()); }

int PluginInstance::FindComponentForChannels(int inputChannels) const
{
  const auto& components = mEffectDescriptor.Components();
  for (size_t i = 0; i < components.size(); ++i)
  {
    const int32_t stem = ComponentProperty(*components[i], AAX_eProperty_InputStemFormat, AAX_eStemFormat_None);
    if (stem != AAX_eStemFormat_None && AAX_StemFormatChannelCount(stem) == inputChannels)
      return static_cast<int>(i);
  }
  return -1;
}

bool PluginInstance::Create(int componentIndex, float sampleRate)
{
  Destroy();
  const auto& components = mEffectDescriptor.Components();
  if (componentIndex < 0 || componentIndex >= static_cast<int>(components.size()))
  {
    mError = "no component " + std::to_string(componentIndex);
    return false;
  }
  const ComponentDescriptor& component = *components[static_cast<size_t>(componentIndex)];
  const int32_t inStem = ComponentProperty(component, AAX_eProperty_InputStemFormat, AAX_eStemFormat_None);
  const int32_t outStem = ComponentProperty(component, AAX_eProperty_OutputStemFormat, AAX_eStemFormat_None);
  mInputChannels = inStem == AAX_eStemFormat_None ? 0 : AAX_StemFormatChannelCount(inStem);
  mOutputChannels = outStem == AAX_eStemFormat_None ? 0 : AAX_StemFormatChannelCount(outStem);
  mHost.GetController().SetStemFormats(inStem, outStem);
  mHost.GetController().SetSampleRate(sampleRate);
  mSampleRate = sampleRate;

  AAX_CCreateObjectProc create = nullptr;
  for (const ProcPtrRecord& proc : mEffectDescriptor.ProcPtrs())
    if (proc.procID == AAX_eProcPtrID_Create_EffectParameters && proc.proc)
      create = reinterpret_cast<AAX_CCreateObjectProc>(proc.proc);
  if (!create)
  {
    mError = "the effect has no instance factory";
    return false;
  }
  IACFUnknown* object = create();
  if (!object)
  {
    mError = "the instance factory made nothing";
    return false;
  }
  void* effect = nullptr;
  if (object->QueryInterface(IID_IAAXEffectParametersV1, &effect) != ACF_OK || !effect)
  {
    // Take and drop a reference so that the object goes away.
    object->AddRef();
    object->Release();
    mError = "the instance does not offer the effect-parameters interface";
    return false;
  }
  mEffect = static_cast<AAX_IACFEffectParameters*>(effect);

  AAX_IACFEffectParameters* target = mEffect;
  mHost.Automation().SetUpdateSink([target](const char* id, double value) {
    target->UpdateParameterFromHost(id, value, AAX_eUpdateSource_Parameter);
  });

  const AAX_Result init = mEffect->Init(mHost.Unknown());
  if (init != AAX_SUCCESS)
  {
    mError = "Init failed: " + std::to_string(init);
    Destroy();
    return false;
  }
  BuildContext(component);
  if (!component.ProcessProcs().empty())
    mProcessProc = component.ProcessProcs().front().proc;
  return true;
}

void PluginInstance::BuildContext(const ComponentDescriptor& component)
{
  std::fill(std::begin(mContext), std::end(mContext), nullptr);
  mBlocks.clear();
  mTransport = std::make_unique<AAX_VTransport>(mHost.Unknown());
  // Reserve so that the block pointers stay put while more are added.
  mBlocks.reserve(component.Fields().size());
  for (const FieldRecord& field : component.Fields())
  {
    if (field.index >= static_cast<uint32_t>(AAX_kRenderFieldCount))
      continue;
    void*& slot = mContext[field.index];
    if (field.kind == "AudioBufferLength")
      slot = &mFrames;
    else if (field.kind == "SampleRate")
      slot = &mSampleRate;
    else if (field.kind == "DataInPort" && field.index == kStateNumberField)
      slot = &mDeliveredState;
    else if (field.kind == "SideChainIn")
      slot = &mSideChainChannel;
    else if (field.kind == "MIDINode" && field.a == AAX_eMIDINodeType_Transport)
      slot = static_cast<AAX_ITransport*>(mTransport.get());
    else if (field.kind == "PrivateData" || field.kind == "DataInPort" || field.kind == "TemporaryData")
    {
      const size_t bytes = static_cast<size_t>(std::max<int64_t>(field.a, 0));
      mBlocks.emplace_back((bytes + 7) / 8 + 1, 0);
      slot = mBlocks.back().data();
      if (field.kind == "PrivateData")
        mEffect->InitPrivateData(static_cast<int32_t>(field.index), slot, static_cast<uint32_t>(bytes));
    }
    else if (field.kind == "Meters")
    {
      mBlocks.emplace_back(static_cast<size_t>(std::max<int64_t>(field.a, 0)) + 1, 0);
      slot = mBlocks.back().data();
    }
    // MIDI input and output nodes are not offered by this host: their fields stay null.
  }
}

void PluginInstance::Destroy()
{
  mHost.Automation().SetUpdateSink(nullptr);
  mProcessProc = nullptr;
  if (mEffect)
  {
    AAX_IACFEffectParameters* effect = mEffect;
    mEffect = nullptr;
    effect->Uninit();
    effect->Release();
  }
  mTransport.reset();
  std::fill(std::begin(mContext), std::end(mContext), nullptr);
  mBlocks.clear();
  mHaveStateBase = false;
  mPasses = 0;
}

std::vector<ParameterInfo> PluginInstance::Parameters() const
{
  std::vector<ParameterInfo> list;
  if (!mEffect)
    return list;
  int32_t count = 0;
  mEffect->GetParameterCount(&count);
  for (int32_t i = 0; i < count; ++i)
  {
    ParameterInfo info;
    AAX_CString id;
    if (mEffect->GetParameterIDAtIndex(i, &id) != AAX_SUCCESS)
      continue;
    info.id = id.StdString();
    AAX_CString name;
    mEffect->GetParameterName(id.Get(), &name);
    info.name = name.StdString();
    mEffect->GetParameterStepCount(id.Get(), &info.steps);
    mEffect->GetParameterAutomatable(id.Get(), &info.automatable);
    mEffect->GetParameterDefault(id.Get(), &info.defaultNormalized);
    mEffect->GetParameterNormalized(id.Get(), &info.normalized);
    AAX_IParameter* parameter = nullptr;
    if (mEffect->FindParameterByID(id.Get(), &parameter) == AAX_SUCCESS && parameter)
      info.discrete = parameter->GetType() == AAX_eParameterType_Discrete;
    info.text = ParameterText(info.id);
    list.push_back(std::move(info));
  }
  return list;
}

std::string PluginInstance::FindParameter(const std::string& idOrName) const
{
  const std::vector<ParameterInfo> list = Parameters();
  for (const ParameterInfo& info : list)
    if (info.id == idOrName)
      return info.id;
  for (const ParameterInfo& info : list)
    if (SameTextIgnoringCase(info.name, idOrName))
      return info.id;
  return std::string();
}

AAX_Result PluginInstance::ParseText(const std::string& id, const std::string& text, double* normalized) const
{
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  return mEffect->ParseParameterText(id.c_str(), normalized, AAX_CString(text));
}

AAX_Result PluginInstance::SetFromText(const std::string& id, const std::string& text)
{
  double normalized = 0.0;
  const AAX_Result parsed = ParseText(id, text, &normalized);
  if (parsed != AAX_SUCCESS)
    return parsed;
  return SetNormalized(id, normalized);
}

AAX_Result PluginInstance::SetNormalized(const std::string& id, double normalized)
{
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  return mEffect->UpdateParameterFromHost(id.c_str(), normalized, AAX_eUpdateSource_Parameter);
}

std::string PluginInstance::ParameterText(const std::string& id) const
{
  AAX_CString text;
  if (!mEffect || mEffect->GetParameterText(id.c_str(), &text, 32) != AAX_SUCCESS)
    return std::string();
  return text.StdString();
}

int64_t PluginInstance::RunPacketPass()
{
  mEffect->QueueParameterState();
  ++mPasses;
  if (!mHaveStateBase)
  {
    // The number the first pass posted on the state field; later passes count up from it.
    const std::vector<PacketRecord> packets = mHost.GetController().Packets();
    for (auto it = packets.rbegin(); it != packets.rend(); ++it)
    {
      if (it->field == kStateNumberField && it->data.size() == sizeof(int64_t))
      {
        std::memcpy(&mStateBase, it->data.data(), sizeof(int64_t));
        mHaveStateBase = true;
        mPasses = 1;
        break;
      }
    }
  }
  return mHaveStateBase ? mStateBase + mPasses - 1 : 0;
}

void PluginInstance::Render(float* const* inputs, float* const* outputs, int32_t frames)
{
  if (!mEffect || !mProcessProc)
    return;
  mDeliveredState = RunPacketPass();
  mFrames = frames;
  mContext[0] = const_cast<float**>(inputs);
  mContext[1] = const_cast<float**>(outputs);
  AAX_RenderContext context = mContext;
  mProcessProc(&context, &context + 1);
  // The stand-in records every host call; a long render would otherwise pile them up.
  mHost.Context().ClearCalls();
}

AAX_Result PluginInstance::Notify(AAX_CTypeID type, const void* data, uint32_t size)
{
  return mEffect ? mEffect->OnNotification(type, data, size) : AAX_ERROR_NOT_INITIALIZED;
}

AAX_Result PluginInstance::ChunkID(AAX_CTypeID* id) const
{
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  int32_t count = 0;
  const AAX_Result result = mEffect->GetChunkCount(&count);
  if (result != AAX_SUCCESS)
    return result;
  if (count < 1)
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  return mEffect->GetChunkIDAtIndex(0, id);
}

AAX_Result PluginInstance::GetChunk(AAX_CTypeID id, std::vector<uint8_t>& data) const
{
  data.clear();
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  uint32_t size = 0;
  AAX_Result result = mEffect->GetStateChunkSize(id, &size);
  if (result != AAX_SUCCESS)
    return result;
  std::vector<uint64_t> storage = ChunkRecord(size);
  auto* record = reinterpret_cast<AAX_SPlugInChunk*>(storage.data());
  record->fSize = static_cast<int32_t>(size);
  record->fChunkID = static_cast<int32_t>(id);
  result = mEffect->GetStateChunk(id, record);
  if (result != AAX_SUCCESS)
    return result;
  // Never trust a size beyond the room the plug-in asked for.
  if (record->fSize < 0 || static_cast<uint32_t>(record->fSize) > size)
    return AAX_ERROR_INCORRECT_CHUNK_SIZE;
  const auto* bytes = reinterpret_cast<const uint8_t*>(storage.data()) + offsetof(AAX_SPlugInChunk, fData);
  data.assign(bytes, bytes + record->fSize);
  return AAX_SUCCESS;
}

AAX_Result PluginInstance::SetChunk(AAX_CTypeID id, const std::vector<uint8_t>& data)
{
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  std::vector<uint64_t> storage = ChunkRecord(data.size());
  auto* record = reinterpret_cast<AAX_SPlugInChunk*>(storage.data());
  record->fSize = static_cast<int32_t>(data.size());
  record->fChunkID = static_cast<int32_t>(id);
  if (!data.empty())
    std::memcpy(reinterpret_cast<uint8_t*>(storage.data()) + offsetof(AAX_SPlugInChunk, fData), data.data(),
                data.size());
  return mEffect->SetStateChunk(id, record);
}

AAX_Result PluginInstance::CompareChunk(AAX_CTypeID id, const std::vector<uint8_t>& data, bool* equal) const
{
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  std::vector<uint64_t> storage = ChunkRecord(data.size());
  auto* record = reinterpret_cast<AAX_SPlugInChunk*>(storage.data());
  record->fSize = static_cast<int32_t>(data.size());
  record->fChunkID = static_cast<int32_t>(id);
  if (!data.empty())
    std::memcpy(reinterpret_cast<uint8_t*>(storage.data()) + offsetof(AAX_SPlugInChunk, fData), data.data(),
                data.size());
  return mEffect->CompareStateChunk(record, equal);
}
} // namespace aaxhost
