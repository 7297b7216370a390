#include "standin/aaxhost/tool/PluginInstance.h"

#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_CString.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/foundation/RunLoop.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace aaxhost
{
namespace
{
constexpr uint32_t kStateNumberField = 25;
// The host timer hook's own schedule, apart from the plug-in's 20 ms editor timer.
constexpr std::chrono::milliseconds kHostTimerInterval(30);

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

// A chunk record for the plug-in to read: the identifier, the size and the bytes.
std::vector<uint64_t> FilledChunkRecord(AAX_CTypeID id, const std::vector<uint8_t>& data)
{
  std::vector<uint64_t> storage = ChunkRecord(data.size());
  auto* record = reinterpret_cast<AAX_SPlugInChunk*>(storage.data());
  record->fSize = static_cast<int32_t>(data.size());
  record->fChunkID = static_cast<int32_t>(id);
  if (!data.empty())
    std::memcpy(reinterpret_cast<uint8_t*>(storage.data()) + offsetof(AAX_SPlugInChunk, fData), data.data(),
                data.size());
  return storage;
}
} // namespace

void* MakeEffectObject(const EffectDescriptor& effect, int32_t procID, const acfIID& iid, const std::string& kind,
                       const std::string& interfaceName, std::string& error)
{
  AAX_CCreateObjectProc create = nullptr;
  for (const ProcPtrRecord& proc : effect.ProcPtrs())
    if (proc.procID == procID && proc.proc)
      create = reinterpret_cast<AAX_CCreateObjectProc>(proc.proc);
  if (!create)
  {
    error = "the effect has no " + kind + " factory";
    return nullptr;
  }
  IACFUnknown* object = create();
  if (!object)
  {
    error = "the " + kind + " factory made nothing";
    return nullptr;
  }
  void* answer = nullptr;
  if (object->QueryInterface(iid, &answer) != ACF_OK || !answer)
  {
    // Take and drop a reference so that the object goes away.
    object->AddRef();
    object->Release();
    error = "the " + kind + " does not offer the " + interfaceName + " interface";
    return nullptr;
  }
  return answer;
}

float PoisonSample()
{
  float sample = 0.0f;
  std::memcpy(&sample, &kPoisonBits, sizeof sample);
  return sample;
}

bool IsPoison(float sample)
{
  uint32_t bits = 0;
  std::memcpy(&bits, &sample, sizeof bits);
  return bits == kPoisonBits;
}

PluginInstance::PluginInstance(Host& host, const EffectDescriptor& effect)
  : mHost(host)
  , mEffectDescriptor(effect)
{
}

PluginInstance::~PluginInstance() { Destroy(); }

int PluginInstance::ComponentCount() const { return static_cast<int>(mEffectDescriptor.Components().size()); }

ComponentLayout PluginInstance::Layout(int componentIndex) const
{
  ComponentLayout layout;
  const auto& components = mEffectDescriptor.Components();
  if (componentIndex < 0 || componentIndex >= static_cast<int>(components.size()))
    return layout;
  const ComponentDescriptor& component = *components[static_cast<size_t>(componentIndex)];
  layout.inputs = AAX_StemFormatChannelCount(
    ComponentProperty(component, AAX_eProperty_InputStemFormat, AAX_eStemFormat_None));
  layout.outputs = AAX_StemFormatChannelCount(
    ComponentProperty(component, AAX_eProperty_OutputStemFormat, AAX_eStemFormat_None));
  for (const FieldRecord& field : component.Fields())
  {
    if (field.kind == "SideChainIn")
      layout.sideChain = 1;
    else if (field.kind == "AuxOutputStem")
      layout.aux += AAX_StemFormatChannelCount(static_cast<int32_t>(field.a));
  }
  return layout;
}

int PluginInstance::FindComponentForChannels(int hostInputs) const
{
  for (int i = 0; i < ComponentCount(); ++i)
  {
    const ComponentLayout layout = Layout(i);
    if (layout.inputs > 0 && layout.HostInputs() == hostInputs)
      return i;
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
  mLayout = Layout(componentIndex);
  mSampleRate = sampleRate;

  void* effect = MakeEffectObject(mEffectDescriptor, AAX_eProcPtrID_Create_EffectParameters,
                                  IID_IAAXEffectParametersV1, "instance", "effect-parameters", mError);
  if (!effect)
    return false;
  mEffect = static_cast<AAX_IACFEffectParameters*>(effect);

  mInstanceHost = new InstanceHost(mHost);
  Controller& controller = mInstanceHost->GetController();
  controller.SetStemFormats(ComponentProperty(component, AAX_eProperty_InputStemFormat, AAX_eStemFormat_None),
                            ComponentProperty(component, AAX_eProperty_OutputStemFormat, AAX_eStemFormat_None));
  controller.SetSampleRate(sampleRate);
  mParameterThread = std::make_unique<HostThread>();
  mAudioThread = std::make_unique<HostThread>();
  // The host hands every value the plug-in posts back as an update, later, on its own thread:
  // the value asked for, or its lane's where one plays the parameter.
  mInstanceHost->Automation().SetUpdateSink([this](const char* id, double value) {
    const std::string pid = id ? id : "";
    PostNormalized(pid, AnswerFor(pid, value));
  });

  const AAX_Result init = mEffect->Init(mInstanceHost);
  if (init != AAX_SUCCESS)
  {
    mError = "Init failed: result " + ResultText(init);
    Destroy();
    return false;
  }
  BuildContext(component);
  if (!component.ProcessProcs().empty())
    mProcessProc = component.ProcessProcs().front().proc;
  mNextHostTimerTick = standin::RunLoop::Main().Now() + kHostTimerInterval;
  Settle();
  return true;
}

void PluginInstance::BuildContext(const ComponentDescriptor& component)
{
  std::fill(std::begin(mContext), std::end(mContext), nullptr);
  mBlocks.clear();
  mTransport = std::make_unique<AAX_VTransport>(mInstanceHost);
  // The side-chain buffer follows the main inputs in the host's input array.
  mSideChainChannel = mLayout.sideChain ? mLayout.inputs : 0;
  // Reserve so that the block pointers stay put while more are added.
  mBlocks.reserve(component.Fields().size());
  for (const FieldRecord& field : component.Fields())
  {
    // Auxiliary output stems are no field of their own: their buffers follow the main ones.
    if (field.index >= static_cast<uint32_t>(AAX_kRenderFieldCount) || field.kind == "AuxOutputStem")
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
  // Nothing more is delivered, and the render thread is joined before Uninit.
  Settle();
  {
    std::lock_guard<std::mutex> lock(mLanesLock);
    mLanes.clear();
  }
  if (mInstanceHost)
    mInstanceHost->Automation().SetUpdateSink(nullptr);
  mAudioThread.reset();
  mParameterThread.reset();
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
  if (mInstanceHost)
  {
    mInstanceHost->Release();
    mInstanceHost = nullptr;
  }
  mDeliveredState = 0;
}

AAX_Result PluginInstance::Uninit()
{
  if (!mEffect)
    return AAX_ERROR_NULL_OBJECT;
  if (mParameterThread)
    mParameterThread->Settle();
  return mEffect->Uninit();
}

AAX_Result PluginInstance::Init()
{
  return mEffect ? mEffect->Init(mInstanceHost) : AAX_ERROR_NULL_OBJECT;
}

void PluginInstance::ServeMainThread()
{
  mRunLoopCallbacks += standin::RunLoop::Main().RunDue();
  // On the main run loop's clock, so that a virtual clock schedules it too.
  const auto now = standin::RunLoop::Main().Now();
  if (mEffect && now >= mNextHostTimerTick)
  {
    mEffect->OnHostTimerTick();
    ++mHostTimerTicks;
    mNextHostTimerTick = now + kHostTimerInterval;
  }
}

void PluginInstance::Settle()
{
  if (mParameterThread)
  {
    if (mServesWhileWaiting)
      mParameterThread->Settle([this] { ServeMainThread(); });
    else
      mParameterThread->Settle();
  }
}

void PluginInstance::PostNormalized(const std::string& id, double normalized)
{
  if (mParameterThread)
    mParameterThread->Post([this, id, normalized] { Deliver(id, normalized, nullptr); });
}

void PluginInstance::PlayLane(const std::string& id, double normalized)
{
  {
    std::lock_guard<std::mutex> lock(mLanesLock);
    mLanes[id] = normalized;
  }
  PostNormalized(id, normalized);
}

double PluginInstance::AnswerFor(const std::string& id, double requested) const
{
  std::lock_guard<std::mutex> lock(mLanesLock);
  const auto lane = mLanes.find(id);
  return lane != mLanes.end() ? lane->second : requested;
}

void PluginInstance::Deliver(const std::string& id, double normalized, AAX_Result* result)
{
  const AAX_Result r =
    mEffect ? mEffect->UpdateParameterFromHost(id.c_str(), normalized, AAX_eUpdateSource_Parameter)
            : AAX_ERROR_NOT_INITIALIZED;
  if (result)
    *result = r;
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
  if (!mEffect || !mParameterThread)
    return AAX_ERROR_NOT_INITIALIZED;
  AAX_Result result = AAX_SUCCESS;
  // The host's packet pass follows its change, as a host posts the packets of what it changed.
  AAX_IACFEffectParameters* effect = mEffect;
  auto update = [this, effect, id, normalized, &result] {
    Deliver(id, normalized, &result);
    effect->QueueParameterState();
  };
  if (mParameterThread->IsCurrent())
    update();
  else
  {
    mParameterThread->Post(update);
    Settle();
  }
  return result;
}

std::string PluginInstance::ParameterText(const std::string& id) const
{
  AAX_CString text;
  if (!mEffect || mEffect->GetParameterText(id.c_str(), &text, 32) != AAX_SUCCESS)
    return std::string();
  return text.StdString();
}

std::string PluginInstance::FormatText(const std::string& id, double normalized) const
{
  AAX_CString text;
  if (!mEffect || mEffect->FormatParameterValue(id.c_str(), normalized, &text, 32) != AAX_SUCCESS)
    return std::string();
  return text.StdString();
}

bool PluginInstance::PluginParameters(std::vector<ParameterInfo>& out)
{
  AAX_CTypeID id = 0;
  std::vector<uint8_t> chunk;
  const bool restored =
    ChunkID(&id) == AAX_SUCCESS && GetChunk(id, chunk) == AAX_SUCCESS && SetChunk(id, chunk) == AAX_SUCCESS;
  out = Parameters();
  return restored;
}

void PluginInstance::QueuePacketPass()
{
  AAX_IACFEffectParameters* effect = mEffect;
  mParameterThread->Post([effect] { effect->QueueParameterState(); });
  if (!mLive)
    Settle();
}

int64_t PluginInstance::LastPostedStateNumber() const
{
  PacketRecord packet;
  int64_t number = 0;
  if (mInstanceHost && mInstanceHost->GetController().LastPacket(kStateNumberField, packet) &&
      packet.data.size() == sizeof number)
    std::memcpy(&number, packet.data.data(), sizeof number);
  return number;
}

bool PluginInstance::Render(float* const* inputs, float* const* outputs, int32_t frames)
{
  mUnwritten.clear();
  if (!mEffect || !mProcessProc)
    return false;
  QueuePacketPass();
  // Never ahead of what the plug-in posted.
  mDeliveredState = LastPostedStateNumber();
  mFrames = frames;
  mContext[0] = const_cast<float**>(inputs);
  mContext[1] = const_cast<float**>(outputs);
  const int nOut = mLayout.HostOutputs();
  const size_t n = frames > 0 ? static_cast<size_t>(frames) : 0;
  if (outputs)
    for (int c = 0; c < nOut; ++c)
      if (outputs[c])
        std::fill_n(outputs[c], n, PoisonSample());

  const AAX_CProcessProc proc = mProcessProc;
  const AAX_RenderContext context = mContext;
  mAudioThread->Post([proc, context] { proc(&context, &context + 1); });
  if (mServesWhileWaiting)
  {
    mAudioThread->Settle([this] { ServeMainThread(); });
    ServeMainThread();
  }
  else
    mAudioThread->Settle();

  if (outputs)
    for (int c = 0; c < nOut; ++c)
      if (outputs[c] && std::any_of(outputs[c], outputs[c] + n, IsPoison))
        mUnwritten.push_back(c);
  // The stand-in records every host call; a long render would otherwise pile them up.
  mHost.Context().ClearCalls();
  return mUnwritten.empty();
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
  std::vector<uint64_t> storage = FilledChunkRecord(id, data);
  const AAX_Result result = mEffect->SetStateChunk(id, reinterpret_cast<AAX_SPlugInChunk*>(storage.data()));
  Settle();
  return result;
}

AAX_Result PluginInstance::CompareChunk(AAX_CTypeID id, const std::vector<uint8_t>& data, bool* equal) const
{
  if (!mEffect)
    return AAX_ERROR_NOT_INITIALIZED;
  std::vector<uint64_t> storage = FilledChunkRecord(id, data);
  return mEffect->CompareStateChunk(reinterpret_cast<AAX_SPlugInChunk*>(storage.data()), equal);
}
} // namespace aaxhost
